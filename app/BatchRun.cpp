#include "app/BatchRun.h"

#include <exception>

#include "app/FileJob.h"
#include "app/SourceList.h"
#include "platform/FileEnv.h"
#include "platform/PathCompare.h"

namespace {

// Enables the host's controls when the run ends, however it ends. While an
// error is on its way out, a failure to enable them must not replace it.
class TControlsGuard {
public:
  explicit TControlsGuard(TBatchHost& Host)
      : host_(Host), exceptions_(std::uncaught_exceptions()) {}
  ~TControlsGuard() noexcept(false) {
    if (std::uncaught_exceptions() == exceptions_) {
      host_.EnableControls(true);
      return;
    }
    try {
      host_.EnableControls(true);
    } catch (...) {
    }
  }
  TControlsGuard(const TControlsGuard&) = delete;
  TControlsGuard& operator=(const TControlsGuard&) = delete;

private:
  TBatchHost& host_;
  int exceptions_;
};

}  // namespace

void RunBatch(const std::vector<std::string>& Sources, const std::string& Destination, TBatchHost& Host,
              const TCompactOptions& Options) {
  const char delimiter = platform::PathDelimiter();
  // From here on, every ending enables the controls.
  TControlsGuard controls(Host);

  // Nothing to normalise and nowhere to write: refuse before touching
  // anything.
  if (Destination.empty()) {
    Host.ErrorBox(SDestinationEmpty);
    return;
  }

  std::string dest = Destination;
  if (dest.back() != delimiter) {
    dest += delimiter;
    Host.WriteBackDestination(dest);
  }

  Host.EnableControls(false);
  platform::FileEnv& env = *platform::CurrentFileEnv();
  // The files the entries reach, taken before anything is written: a
  // destination that is one of them under another name (a link in the
  // destination folder) would be emptied, losing that source.
  const TSourceFiles sources = IdentifyFiles(Sources, env);
  TFileJob job;
  job.Options = &Options;
  job.Sources = &sources;
  // The destination is emptied as it is opened.
  job.RefuseWideFirst = true;
  for (const std::string& entry : Sources) {
    const std::size_t cut = entry.rfind(delimiter);
    const std::size_t nameAt = (cut == std::string::npos) ? 0 : cut + 1;
    const std::string folder = entry.substr(0, nameAt);
    const std::string name = entry.substr(nameAt);

    if (platform::SameFolderName(dest, folder)) {
      Host.ErrorBox(SDestinationMustDiffer);
      return;
    }

    Host.ProcessMessages();
    if (Host.StopRequested()) return;
    Host.FileStarting(entry);
    job.Source = entry;
    job.Target = dest + name;
    TFileJobResult result;
    {
      // The source goes before the destination, also on failure.
      TInPlaceSink sink;
      result = RunFileJob(job, sink, env);
    }
    Host.FileDone(entry, result.BytesIn, result.BytesOut);
  }
}

void RunBatch(const std::string& SourceList, const std::string& Destination, TBatchHost& Host,
              const TCompactOptions& Options) {
  RunBatch(TSourceList(SourceList).Entries(), Destination, Host, Options);
}
