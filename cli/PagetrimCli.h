#pragma once

// The command-line front end: runs the batch run from a shell or a build
// script, or compacts standard input to standard output.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "compact/CompactOptions.h"

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the run failed
inline constexpr int kExitUsage = 2;    // the command line is wrong

// The command line after parsing.
struct TCliArgs {
  bool HasDestination = false;
  std::string Destination;
  std::vector<std::string> Files;  // with Recursive: the source folders
  bool Quiet = false;
  // Tree runs (-r) and their options.
  bool Recursive = false;
  std::vector<std::string> Matches;
  bool CopyOthers = false;
  bool Follow = false;
  bool Preserve = false;
  bool HasJobs = false;
  unsigned Jobs = 0;
  bool Safe = false;  // --safe: the safe compaction mode
  // Safe mode's style sheets: --css FILEs read for every page, and --base
  // DIR, where standard input's relative sheet addresses start.
  std::vector<std::string> Css;
  bool HasBase = false;
  std::string Base;
  // Told of the sheets that could not be read (set by RunCli).
  TStyleSheetNotes* Notes = nullptr;
};

// The compaction options Args ask for (the mode, the style sheets).
TCompactOptions CompactOptionsFrom(const TCliArgs& Args);

// Prints each style sheet that could not be read once, on Err: "pagetrim-cli:
// style sheet not read: NAME (REASON)". Safe to call from several threads.
class TCliSheetNotes : public TStyleSheetNotes {
public:
  TCliSheetNotes(std::FILE* Err, bool ErrIsTerminal);
  ~TCliSheetNotes() override;
  void NotRead(const std::string& Sheet, const std::string& Reason) override;

private:
  struct TState;
  TState* FState;
};

// True when Args asks for the filter mode: no FILE, or the single FILE "-".
bool IsStdinMode(const TCliArgs& Args);

// What is wrong with Args, or an empty text when it can run. Checked before
// anything runs: a FILE the source list cannot carry (empty, or holding the
// list separator '|'), "-" among other FILEs, FILEs without a destination,
// a destination without FILEs.
std::string UsageProblem(const TCliArgs& Args);

// The size change from BytesIn to BytesOut in percent of BytesIn with one
// decimal: "-19.3%" when it shrank, "+2.0%" when it grew, "0.0%" when equal.
std::string SizeChangeText(std::int64_t BytesIn, std::int64_t BytesOut);

// "NAME: IN -> OUT bytes (-P%)".
std::string SizeLine(const std::string& Name, std::int64_t BytesIn, std::int64_t BytesOut);

// "Total: N file(s), IN -> OUT bytes (-P%)".
std::string TotalLine(std::size_t Files, std::int64_t BytesIn, std::int64_t BytesOut);

// The progress line for the Index-th (1-based) of Count files.
std::string ProgressText(std::size_t Index, std::size_t Count, const std::string& Name);

// Whether a progress line is shown: several files, not quiet, and the error
// output is a terminal.
bool WantProgress(const TCliArgs& Args, bool ErrIsTerminal);

// The text for an error that ends a run, as the window's error report shows
// it, with exactly one line end.
std::string FailureText(const std::string& Message);

// What --version prints for the program's version text (empty when the
// program file carries no version information).
std::string VersionLine(const std::string& VersionText);

// Runs the front end on argv with the given standard streams and returns
// the exit status.
int RunCli(int argc, const char* const* argv, std::FILE* In, std::FILE* Out, std::FILE* Err);
