#include "app/BatchRun.h"

#include <memory>
#include <set>

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

// The files the list's entries reach, taken before anything is written.
std::set<platform::FileIdentity> SourceIdentities(const std::string& SourceList) {
  std::set<platform::FileIdentity> ids;
  std::size_t start = 0;
  do {
    std::size_t end = SourceList.find('|', start);
    if (end == std::string::npos) end = SourceList.size();
    if (auto id = platform::IdentifyFile(SourceList.substr(start, end - start))) ids.insert(*id);
    start = end + 1;
  } while (start < SourceList.size());
  return ids;
}

// Compacts one entry into Target. The source is released before the
// destination, also when opening the destination or compacting fails.
void CompactOne(const std::string& Entry, const std::string& Target,
                const std::set<platform::FileIdentity>& Sources, TBatchHost& Host,
                const TCompactOptions& Options) {
  std::int64_t bytesIn = 0;
  std::int64_t bytesOut = 0;
  {
    // Declared in this order so that the source goes first.
    std::unique_ptr<TFileStream> destination;
    TFileStream source(Entry, kSourceMode);
    // A destination that is one of the sources under another name (a link
    // in the destination folder) would be emptied and overwritten, losing
    // that source. Its own source's sharing refuses it for the entry at
    // hand; the same refusal covers the sources of the other entries.
    if (auto id = platform::IdentifyFile(Target); id && Sources.count(*id) != 0)
      throw EInOutError(
          Format(SErrorOpening, {Target, ErrorCodeText(platform::ErrorSharingViolation())}));
    destination = std::make_unique<TFileStream>(Target, kDestinationMode);
    CompactHTML(source, *destination, Options);
    bytesIn = source.GetSize();
    bytesOut = destination->GetSize();
  }
  Host.FileDone(Entry, bytesIn, bytesOut);
}

}  // namespace

void RunBatch(const std::string& SourceList, const std::string& Destination, TBatchHost& Host,
              const TCompactOptions& Options) {
  const char delimiter = platform::PathDelimiter();

  // Nothing to normalise and nowhere to write: refuse before touching
  // anything.
  if (Destination.empty()) {
    Host.ErrorBox(SDestinationEmpty);
    Host.EnableControls(true);
    return;
  }

  std::string dest = Destination;
  if (dest.back() != delimiter) {
    dest += delimiter;
    Host.WriteBackDestination(dest);
  }

  Host.EnableControls(false);
  try {
    const std::set<platform::FileIdentity> sources = SourceIdentities(SourceList);
    const std::size_t length = SourceList.size();
    std::size_t start = 0;  // 0-based index of the next entry's first byte
    do {
      std::size_t end = SourceList.find('|', start);
      if (end == std::string::npos) end = length;
      const std::string entry = SourceList.substr(start, end - start);
      start = end + 1;

      const std::size_t cut = entry.rfind(delimiter);
      const std::size_t nameAt = (cut == std::string::npos) ? 0 : cut + 1;
      const std::string folder = entry.substr(0, nameAt);
      const std::string name = entry.substr(nameAt);

      if (platform::SameFolderName(dest, folder)) {
        Host.ErrorBox(SDestinationMustDiffer);
        Host.EnableControls(true);
        return;
      }

      Host.ProcessMessages();
      CompactOne(entry, dest + name, sources, Host, Options);
    } while (start < length);
  } catch (...) {
    Host.EnableControls(true);
    throw;
  }
  Host.EnableControls(true);
}
