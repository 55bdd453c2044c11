#pragma once

// What pagetrim-cli prints: the lines of both commands, the failure and
// usage texts, the notes on style sheets, the one progress line on a
// terminal, and the exit statuses.

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/TreeRun.h"
#include "compact/CompactOptions.h"

inline constexpr char kProgramName[] = "pagetrim-cli";

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the run failed
inline constexpr int kExitUsage = 2;    // the command line is wrong

// A file or folder name as pagetrim-cli prints it. Every name the program
// prints goes through here.
std::string DisplayName(const std::string& Name);

// The size change from BytesIn to BytesOut in percent of BytesIn with one
// decimal: "-19.3%" when it shrank, "+2.0%" when it grew, "0.0%" when equal.
std::string SizeChangeText(std::int64_t BytesIn, std::int64_t BytesOut);

// "NAME: IN -> OUT bytes (-P%)".
std::string SizeLine(const std::string& Name, std::int64_t BytesIn, std::int64_t BytesOut);

// "Total: N file(s), IN -> OUT bytes (-P%)".
std::string TotalLine(std::size_t Files, std::int64_t BytesIn, std::int64_t BytesOut);

// The progress line for the Index-th (1-based) of Count files.
std::string ProgressText(std::size_t Index, std::size_t Count, const std::string& Name);

// "NAME: copied, N bytes", Name printed as it is.
std::string CopyLine(const std::string& Name, std::int64_t Bytes);

// "NAME: skipped, REASON".
std::string NoteLine(const TTreeNote& Note);

// "Total: N files compacted, C copied, S skipped; IN -> OUT bytes (-P%) in T s".
std::string TreeSummaryLine(const TTreeSummary& Summary);

// What an interrupted tree run says last.
std::string InterruptedLine(std::size_t NotBegun);

// "[DONE/TOTAL] IN -> OUT bytes NAME".
std::string TreeProgressText(const TTreeProgress& State);

// The text for an error that ends a run, as the window's error report shows
// it, with exactly one line end.
std::string FailureText(const std::string& Message);

// What a wrong command line prints: "pagetrim-cli: PROBLEM" and the hint
// to --help, each with its line end.
std::string UsageText(const std::string& Problem);

// What --version prints for the program's version text (empty when the
// program file carries no version information).
std::string VersionLine(const std::string& VersionText);

// Flushes Out at the end of a run: kExitSuccess, or kExitFailure when
// Out could not be written, told on Err.
int FinishOutput(std::FILE* Out, std::FILE* Err);

// The one status line on a terminal: drawn over and over on Err, and
// erased before anything else is printed. Does nothing when not Shown.
// Not for several threads.
class TProgressLine {
public:
  TProgressLine(std::FILE* Out, std::FILE* Err, bool Shown) : FOut(Out), FErr(Err), FShown(Shown) {}

  // Whether the line is drawn at all.
  bool Shown() const { return FShown; }

  // Draws Text in place of the line drawn before.
  void Draw(const std::string& Text);

  // Erases the line when it is on the terminal, after what is waiting for
  // Out was written.
  void Erase();

private:
  std::FILE* FOut;
  std::FILE* FErr;
  bool FShown;
  bool FOnTerminal = false;
};

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
