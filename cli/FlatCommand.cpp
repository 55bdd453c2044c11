#include "cli/FlatCommand.h"

#include <new>

#include "app/BatchRun.h"
#include "cli/CliOutput.h"
#include "cli/StdioStream.h"
#include "compact/CompactHTML.h"

namespace {

// Prints the batch run's results and, on a terminal, its progress.
class TFlatHost : public TBatchHost {
public:
  TFlatHost(std::FILE* Out, const std::vector<std::string>& Files, bool Quiet, TProgressLine& Progress)
      : FOut(Out), FFiles(Files), FQuiet(Quiet), FProgress(Progress) {}

  void FileStarting(const std::string& Source) override {
    ++FStarted;
    if (FProgress.Shown()) FProgress.Draw(ProgressText(FStarted, FFiles.size(), Source));
  }

  void FileDone(const std::string& Source, std::int64_t BytesIn, std::int64_t BytesOut) override {
    ++FDone;
    FBytesIn += BytesIn;
    FBytesOut += BytesOut;
    if (FQuiet) return;
    FProgress.Erase();
    std::fputs((SizeLine(Source, BytesIn, BytesOut) + '\n').c_str(), FOut);
    std::fflush(FOut);
  }

  std::size_t Done() const { return FDone; }
  std::int64_t BytesIn() const { return FBytesIn; }
  std::int64_t BytesOut() const { return FBytesOut; }

private:
  std::FILE* FOut;
  const std::vector<std::string>& FFiles;
  bool FQuiet;
  TProgressLine& FProgress;
  std::size_t FStarted = 0;
  std::size_t FDone = 0;
  std::int64_t FBytesIn = 0;
  std::int64_t FBytesOut = 0;
};

// Reads In to its end, compacts it and writes the result to Out. The
// filter reads In as it arrives and writes its result with one write: the
// result is the only copy of the document held.
void CompactStandardStreams(std::FILE* In, std::FILE* Out, const TCompactOptions& Options) {
  TStdioStream input(In, TStdioStream::sdRead);
  TStdioStream output(Out, TStdioStream::sdWrite);
  CompactHTML(input, output, Options);
  output.Flush();
}

}  // namespace

bool WantProgress(const TCliArgs& Args, bool ErrIsTerminal) {
  return ErrIsTerminal && !Args.Quiet && Args.Files.size() > 1;
}

int RunFlatCommand(const TCliArgs& Args, std::FILE* In, std::FILE* Out, std::FILE* Err, bool ErrIsTerminal) {
  TProgressLine progress(Out, Err, WantProgress(Args, ErrIsTerminal));
  TFlatHost host(Out, Args.Files, Args.Quiet, progress);
  const TCompactOptions options = CompactOptionsFrom(Args);
  TBatchResult result;
  try {
    if (IsStdinMode(Args)) {
      CompactStandardStreams(In, Out, options);
      return kExitSuccess;
    }
    result = RunFiles(Args.Files, Args.Destination, host, options);
  } catch (const Exception& e) {  // the streams of standard input and output
    result = TBatchResult::Failure(e.Message());
  } catch (const std::bad_alloc&) {
    result = TBatchResult::Failure("Out of memory");
  }
  progress.Erase();
  if (result.Kind == TBatchResult::Refused || result.Kind == TBatchResult::Failed) {
    std::fputs(FailureText(result.Message).c_str(), Err);
    return kExitFailure;
  }
  if (!Args.Quiet) std::fputs((TotalLine(host.Done(), host.BytesIn(), host.BytesOut()) + '\n').c_str(), Out);
  return FinishOutput(Out, Err);
}
