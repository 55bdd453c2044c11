#pragma once

// Runs a program as a process of its own and measures it.

#include <string>
#include <vector>

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
