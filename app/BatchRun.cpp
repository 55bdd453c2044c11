#include "app/BatchRun.h"

#include <exception>

#include "app/FileJob.h"
#include "app/SourceList.h"
#include "platform/FileEnv.h"
#include "platform/PathCompare.h"
#include "streams/Streams.h"

namespace {

// Enables the host's controls when the run ends, however it ends. While an
// error is on its way out, a failure to enable them must not replace it.
class TControlsGuard {
public:
  explicit TControlsGuard(TBatchHost& Host)
      : host_(Host), exceptions_(std::uncaught_exceptions()) {}
  ~TControlsGuard() noexcept(false) {
    try {
      host_.EnableControls(true);
    } catch (...) {
      if (std::uncaught_exceptions() == exceptions_) throw;
    }
  }
  TControlsGuard(const TControlsGuard&) = delete;
  TControlsGuard& operator=(const TControlsGuard&) = delete;

private:
  TBatchHost& host_;
  int exceptions_;
};

}  // namespace

TBatchResult RunFiles(const std::vector<std::string>& Sources, const std::string& Destination,
                      TBatchHost& Host, const TCompactOptions& Options, platform::FileEnv* Env) {
  const char delimiter = platform::PathDelimiter();
  // Nothing to normalise and nowhere to write: refuse before touching
  // anything.
  if (Destination.empty()) return TBatchResult::Refusal(SDestinationEmpty);

  std::string dest = Destination;
  if (dest.back() != delimiter) {
    dest += delimiter;
    Host.WriteBackDestination(dest);
  }

  Host.EnableControls(false);
  std::string entry;  // the file at hand
  try {
    platform::FileEnv& env = Env != nullptr ? *Env : *platform::FileEnv::Default();
    // The files the entries reach, taken before anything is written: a
    // destination that is one of them under another name (a link in the
    // destination folder) would be emptied, losing that source.
    const TSourceFiles sources = IdentifyFiles(Sources, env);
    TFileJob job;
    job.Options = &Options;
    job.Sources = &sources;
    // The destination is emptied as it is opened.
    job.RefuseWideFirst = true;
    for (const std::string& source : Sources) {
      const std::size_t cut = source.rfind(delimiter);
      const std::size_t nameAt = (cut == std::string::npos) ? 0 : cut + 1;
      if (platform::SameFolderName(dest, source.substr(0, nameAt)))
        return TBatchResult::Refusal(SDestinationMustDiffer);

      Host.ProcessMessages();
      if (Host.StopRequested()) return {TBatchResult::Stopped, {}, {}, nullptr};
      entry = source;
      Host.FileStarting(entry);
      job.Source = entry;
      job.Target = dest + entry.substr(nameAt);
      TFileJobResult result;
      {
        // The source goes before the destination, also on failure.
        TInPlaceSink sink(&env);
        result = RunFileJob(job, sink, env);
      }
      Host.FileDone(entry, result.BytesIn, result.BytesOut);
      entry.clear();
    }
  } catch (const Exception& e) {
    return TBatchResult::Failure(e.Message(), entry, std::current_exception());
  }
  return {};
}

void RunBatch(const std::string& SourceList, const std::string& Destination, TBatchWindow& Window,
              const TCompactOptions& Options, platform::FileEnv* Env) {
  // However the run ends, the controls come back, after the box that tells
  // a refusal, or as its error travels on.
  TControlsGuard controls(Window);
  const TBatchResult result = RunFiles(TSourceList(SourceList).Entries(), Destination, Window, Options, Env);
  if (result.Kind == TBatchResult::Refused) Window.ErrorBox(result.Message);
  if (result.Kind == TBatchResult::Failed) std::rethrow_exception(result.Error);
}
