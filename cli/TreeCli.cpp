#include "cli/TreeCli.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "cli/TerminalText.h"
#include "platform/Interrupts.h"
#include "streams/Streams.h"
#include "streams/Utils.h"

namespace {

// Carriage return and "erase to end of line": rewinds the progress line.
constexpr char kEraseLine[] = "\r\x1b[K";
// The progress line is drawn at most this often.
constexpr auto kProgressEvery = std::chrono::milliseconds(100);

const char* SkipReasonText(TSkipReason Reason) {
  switch (Reason) {
    case srLink:
      return "a symbolic link (--follow follows links)";
    case srLinkLoop:
      return "a link back into its own folder tree";
    case srBrokenLink:
      return "a link to nothing";
    case srSpecial:
      break;
  }
  return "not a regular file";
}

// Prints a tree run's files, notes and progress.
class TTreeCliHost : public TTreeHost {
public:
  TTreeCliHost(std::FILE* Out, std::FILE* Err, bool Quiet, bool Progress)
      : FOut(Out), FErr(Err), FQuiet(Quiet), FProgress(Progress) {}

  void Planned(const TTreePlan& Plan) override {
    if (FQuiet) return;
    for (const TTreeNote& note : Plan.Notes) std::fputs((NoteLine(note) + '\n').c_str(), FErr);
    std::fflush(FErr);
  }

  void Progress(const TTreeProgress& State) override {
    if (!FProgress) return;
    const auto now = std::chrono::steady_clock::now();
    if (FDrawn && now - FLastDrawn < kProgressEvery) return;
    FLastDrawn = now;
    FDrawn = true;
    std::fputs(kEraseLine, FErr);
    std::fputs(TreeProgressText(State).c_str(), FErr);
    std::fflush(FErr);
    FProgressShown = true;
  }

  void FileDone(const TTreeFile& File, std::int64_t BytesIn, std::int64_t BytesOut) override {
    if (FQuiet) return;
    ClearProgress();
    // SizeLine quotes the name itself.
    const std::string line = File.Action == taCompact ? SizeLine(File.Source, BytesIn, BytesOut)
                                                      : CopyLine(DisplayName(File.Source), BytesIn);
    std::fputs((line + '\n').c_str(), FOut);
  }

  void ClearProgress() {
    if (!FProgressShown) return;
    // What is waiting for standard output comes before the line goes.
    std::fflush(FOut);
    std::fputs(kEraseLine, FErr);
    std::fflush(FErr);
    FProgressShown = false;
  }

private:
  std::FILE* FOut;
  std::FILE* FErr;
  bool FQuiet;
  bool FProgress;
  bool FDrawn = false;
  bool FProgressShown = false;
  std::chrono::steady_clock::time_point FLastDrawn;
};

}  // namespace

std::string DisplayName(const std::string& Name) { return QuotedName(Name); }

unsigned DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? cores : 1;
}

std::string TreeUsageProblem(const TCliArgs& Args) {
  if (Args.Files.empty()) return "-r needs at least one SRC_DIR";
  for (const std::string& source : Args.Files) {
    if (source.empty()) return "SRC_DIR must not be empty";
    if (source == "-") return "'-' (standard input) cannot be combined with -r";
  }
  if (!Args.HasDestination) return "-r needs a destination folder: -d DIR";
  for (const std::string& glob : Args.Matches)
    if (std::string problem = GlobProblem(glob); !problem.empty()) return problem;
  return {};
}

std::string TreeOptionsWithoutTree(const TCliArgs& Args) {
  if (!Args.Matches.empty()) return "--match needs -r";
  if (Args.CopyOthers) return "--copy-others needs -r";
  if (Args.Follow) return "--follow needs -r";
  if (Args.Preserve) return "--preserve needs -r";
  if (Args.HasJobs) return "-j needs -r";
  return {};
}

TTreeOptions TreeOptionsFrom(const TCliArgs& Args) {
  TTreeOptions options;
  options.Sources = Args.Files;
  options.Destination = Args.Destination;
  options.Patterns = Args.Matches;
  options.CopyOthers = Args.CopyOthers;
  options.FollowLinks = Args.Follow;
  options.Preserve = Args.Preserve;
  options.Jobs = Args.HasJobs ? Args.Jobs : DefaultJobs();
  options.Compaction = CompactOptionsFrom(Args);
  return options;
}

std::string CopyLine(const std::string& Name, std::int64_t Bytes) {
  return Name + ": copied, " + std::to_string(Bytes) + (Bytes == 1 ? " byte" : " bytes");
}

std::string NoteLine(const TTreeNote& Note) {
  return DisplayName(Note.Source) + ": skipped, " + SkipReasonText(Note.Reason);
}

std::string TreeSummaryLine(const TTreeSummary& Summary) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", Summary.Seconds);
  return "Total: " + std::to_string(Summary.Compacted) +
         (Summary.Compacted == 1 ? " file compacted, " : " files compacted, ") +
         std::to_string(Summary.Copied) + " copied, " + std::to_string(Summary.Skipped) +
         " skipped; " + std::to_string(Summary.BytesIn) + " -> " +
         std::to_string(Summary.BytesOut) + " bytes (" +
         SizeChangeText(Summary.BytesIn, Summary.BytesOut) + ") in " + seconds + " s";
}

std::string InterruptedLine(std::size_t NotBegun) {
  return "Interrupted: the files in hand were finished, " + std::to_string(NotBegun) +
         (NotBegun == 1 ? " file was" : " files were") + " not begun";
}

std::string TreeProgressText(const TTreeProgress& State) {
  return '[' + std::to_string(State.Done) + '/' + std::to_string(State.Total) + "] " +
         std::to_string(State.BytesIn) + " -> " + std::to_string(State.BytesOut) + " bytes " +
         DisplayName(State.Current);
}

int RunTreeCli(const TCliArgs& Args, std::FILE* Out, std::FILE* Err, bool ErrIsTerminal) {
  TTreeCliHost host(Out, Err, Args.Quiet, ErrIsTerminal && !Args.Quiet);
  TTreeOptions options = TreeOptionsFrom(Args);
  TTreeSummary summary;
  {
    platform::InterruptCatcher interrupts;
    options.Cancel = &platform::InterruptCatcher::Interrupted();
    summary = RunTree(options, host);
  }
  host.ClearProgress();
  std::fflush(Out);
  if (summary.Cancelled) {
    std::fputs(InterruptedLine(summary.NotBegun).c_str(), Err);
    std::fputc('\n', Err);
    return platform::InterruptCatcher::ExitStatus();
  }
  if (!summary.Failures.empty()) {
    for (const TTreeFailure& failure : summary.Failures) {
      const std::string text = failure.Source.empty()
                                   ? failure.Message
                                   : failure.Source + ": " + failure.Message;
      std::fputs(FailureText(text).c_str(), Err);
    }
    return kExitFailure;
  }
  if (!Args.Quiet) std::fputs((TreeSummaryLine(summary) + '\n').c_str(), Out);
  if (std::fflush(Out) != 0 || std::ferror(Out)) {
    std::fputs(FailureText(Format(SErrorWriting, {std::strerror(errno)})).c_str(), Err);
    return kExitFailure;
  }
  return kExitSuccess;
}
