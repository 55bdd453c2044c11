#include "cli/TreeCommand.h"

#include <chrono>

#include "cli/CliOutput.h"
#include "platform/Interrupts.h"

namespace {

// The progress line is drawn at most this often.
constexpr auto kProgressEvery = std::chrono::milliseconds(100);

// Prints a tree run's files, notes and progress.
class TTreeCommandHost : public TTreeHost {
public:
  TTreeCommandHost(std::FILE* Out, std::FILE* Err, bool Quiet, TProgressLine& Progress)
      : FOut(Out), FErr(Err), FQuiet(Quiet), FProgress(Progress) {}

  void Planned(const TTreePlan& Plan) override {
    if (FQuiet) return;
    for (const TTreeNote& note : Plan.Notes) std::fputs((NoteLine(note) + '\n').c_str(), FErr);
    std::fflush(FErr);
  }

  void Progress(const TTreeProgress& State) override {
    if (!FProgress.Shown()) return;
    const auto now = std::chrono::steady_clock::now();
    if (FDrawn && now - FLastDrawn < kProgressEvery) return;
    FLastDrawn = now;
    FDrawn = true;
    FProgress.Draw(TreeProgressText(State));
  }

  void FileDone(const TTreeFile& File, std::int64_t BytesIn, std::int64_t BytesOut) override {
    if (FQuiet) return;
    FProgress.Erase();
    // SizeLine prints the name as DisplayName does.
    const std::string line = File.Action == taCompact ? SizeLine(File.Source, BytesIn, BytesOut)
                                                      : CopyLine(DisplayName(File.Source), BytesIn);
    std::fputs((line + '\n').c_str(), FOut);
  }

private:
  std::FILE* FOut;
  std::FILE* FErr;
  bool FQuiet;
  TProgressLine& FProgress;
  bool FDrawn = false;
  std::chrono::steady_clock::time_point FLastDrawn;
};

}  // namespace

int RunTreeCommand(const TCliArgs& Args, std::FILE* Out, std::FILE* Err, bool ErrIsTerminal) {
  TProgressLine progress(Out, Err, ErrIsTerminal && !Args.Quiet);
  TTreeCommandHost host(Out, Err, Args.Quiet, progress);
  TTreeOptions options = TreeOptionsFrom(Args);
  TTreeSummary summary;
  {
    platform::InterruptCatcher interrupts;
    options.Cancel = &platform::InterruptCatcher::Interrupted();
    summary = RunTree(options, host);
  }
  progress.Erase();
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
  return FinishOutput(Out, Err);
}
