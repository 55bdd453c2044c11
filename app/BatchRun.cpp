#include "app/BatchRun.h"

#include <exception>
#include <limits>
#include <map>
#include <memory>

#include "app/SourceList.h"
#include "compact/CompactHTML.h"
#include "platform/FileEnv.h"
#include "platform/FileIdentity.h"
#include "platform/PathCompare.h"
#include "streams/Streams.h"
#include "streams/Utils.h"

namespace {

// Open modes of the two files of one entry.
constexpr TOpenMode kSourceMode = omRead | omShareRead;         // 9
constexpr TOpenMode kDestinationMode = omRead | omWrite | omCreate;  // 7
// The largest page the streams can compact.
constexpr std::int64_t kMaxPage = std::numeric_limits<std::int32_t>::max();

// The files the list's entries reach, with the entry that names each,
// taken before anything is written.
std::map<platform::FileIdentity, std::string> SourceIdentities(const TSourceList& List) {
  std::map<platform::FileIdentity, std::string> ids;
  for (const std::string& entry : List.Entries())
    if (auto id = platform::IdentifyFile(entry)) ids.emplace(*id, entry);
  return ids;
}

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

// Compacts one entry into Target. The source is released before the
// destination, also when opening the destination or compacting fails.
void CompactOne(const std::string& Entry, const std::string& Target,
                const std::map<platform::FileIdentity, std::string>& Sources, TBatchHost& Host,
                const TCompactOptions& Options) {
  std::int64_t bytesIn = 0;
  std::int64_t bytesOut = 0;
  {
    // Declared in this order so that the source goes first.
    std::unique_ptr<TFileStream> destination;
    TFileStream source(Entry, kSourceMode);
    // A destination that is one of the sources under another name (a link
    // in the destination folder) would be emptied and overwritten, losing
    // that source.
    if (auto id = platform::IdentifyFile(Target))
      if (auto it = Sources.find(*id); it != Sources.end())
        throw EInOutError(Format(SDestinationIsSourceFile, {Target, it->second}));
    // A page that cannot be compacted gets no destination file at all.
    platform::FileStatus status;
    platform::FileEnv& env = *platform::CurrentFileEnv();
    if (env.GetOpenStatus(source.Handle(), &status) && status.Size > kMaxPage)
      throw EInOutError(Format(SPageTooLarge, {Entry, std::to_string(status.Size)}));
    if (Options.Level != TCompactLevel::clDefault) RefuseWideText(source, Entry);
    destination = std::make_unique<TFileStream>(Target, kDestinationMode);
    CompactHTML(source, *destination, Options);
    // What was read, up to where the data really ended: a pseudo-file's
    // reported size says nothing about it.
    bytesIn = source.GetPosition();
    bytesOut = destination->GetSize();
  }
  Host.FileDone(Entry, bytesIn, bytesOut);
}

}  // namespace

void RunBatch(const std::string& SourceList, const std::string& Destination, TBatchHost& Host,
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
  const TSourceList list(SourceList);
  const std::map<platform::FileIdentity, std::string> sources = SourceIdentities(list);
  for (const std::string& entry : list.Entries()) {
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
    CompactOne(entry, dest + name, sources, Host, Options);
  }
}
