#pragma once

// pagetrim-cli's command line: its options, their checks, and the options
// of the runs they ask for. A new option is a field of TCliArgs, its line
// in ParseCliArgs, and where it goes in CompactOptionsFrom or
// TreeOptionsFrom (and TreeOptionsWithoutTree for a tree option).

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/TreeRun.h"
#include "compact/CompactOptions.h"

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
  bool Best = false;  // --best: safe mode and the reductions of best mode
  TBestKeep Keep;     // --keep-*: the reductions best mode leaves out
  // The style sheets of safe and best mode: --css FILEs read for every
  // page, and --base DIR, where standard input's relative sheet addresses
  // start.
  std::vector<std::string> Css;
  bool HasBase = false;
  std::string Base;
  // Told of the sheets that could not be read (set by RunCli).
  TStyleSheetNotes* Notes = nullptr;
};

// Parses argv (argv[0] the program) into Args. --help and --version print
// to Out, a command line CLI11 refuses is told on Err; then the exit status
// is returned. Nothing is returned when Args is ready for UsageProblem.
std::optional<int> ParseCliArgs(int argc, const char* const* argv, TCliArgs& Args, std::FILE* Out,
                                std::FILE* Err);

// True when Args asks for the filter mode: no FILE, or the single FILE "-".
bool IsStdinMode(const TCliArgs& Args);

// What is wrong with Args, or an empty text when it can run. Checked before
// anything runs: a FILE the source list cannot carry (empty, or holding the
// list separator '|'), "-" among other FILEs, FILEs without a destination,
// a destination without FILEs, style sheet options without --safe or
// --best, --keep-* without --best, --safe with --best, and for -r
// TreeUsageProblem.
std::string UsageProblem(const TCliArgs& Args);

// What is wrong with Args for a tree run, or an empty text: SRC_DIRs and
// -d DIR needed, no empty SRC_DIR, no "-", no bad GLOB.
std::string TreeUsageProblem(const TCliArgs& Args);

// The options that only a tree run takes, given without -r: the problem
// text, or an empty one.
std::string TreeOptionsWithoutTree(const TCliArgs& Args);

// The compaction options Args ask for (the mode, the style sheets).
TCompactOptions CompactOptionsFrom(const TCliArgs& Args);

// The number of workers when -j is not given: the machine's cores.
unsigned DefaultJobs();

// The tree run Args ask for.
TTreeOptions TreeOptionsFrom(const TCliArgs& Args);
