#pragma once

// What both benchmarks share: running a program as a process of its own
// and measuring it, the folder they work in, and how they print.

#include <string>
#include <vector>

inline constexpr double kMiB = 1024.0 * 1024.0;
inline constexpr double kMB = 1e6;

// How a line shows whether its target was met.
inline const char* Verdict(bool Ok) { return Ok ? "ok" : "MISSED"; }

// A new folder under the system's temporary folder, named Prefix and six
// more characters; empty, with the reason on standard error, when it
// cannot be made.
std::string MakeTempFolder(const std::string& Prefix);

struct TRun {
  double Seconds = 0;
  double CpuSeconds = 0;  // user + system time of the process
  double PeakMiB = 0;     // its peak resident memory
};

// Runs Program with Args, its standard input from InputFile (empty: left
// as it is) and its standard output to OutputFile (empty: /dev/null), its
// standard error to /dev/null. Raises std::runtime_error when the program
// cannot be run or ends with a status other than 0.
TRun Measure(const std::string& Program, const std::vector<std::string>& Args,
             const std::string& InputFile = {}, const std::string& OutputFile = {});
