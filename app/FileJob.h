#pragma once

// One file of a run, the same for the batch run and the tree run: the
// source opened and checked, its page compacted (or its bytes copied) into
// a destination that the run's sink opens, and the bytes counted as they
// really were read and written.
//
// The batch run writes each destination in place (TInPlaceSink); the tree
// run has a sink of its own that writes it under a temporary name in a
// destination folder held open and renames it when it is complete.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compact/CompactOptions.h"
#include "platform/FileEnv.h"
#include "platform/FileIdentity.h"
#include "streams/Streams.h"

// Source files by identity, each with the name that reached it first.
using TSourceFiles = std::map<platform::FileIdentity, std::string>;

enum TFileAction : std::uint8_t {
  faCompact,  // the page is compacted into the destination
  faCopy,     // the bytes are copied as they are
};

// What one job does.
struct TFileJob {
  std::string Source;  // opened for reading, shared for reading
  std::string Target;  // the destination's final name
  TFileAction Action = faCompact;
  // The compaction's options, which outlive the job; null: the defaults.
  const TCompactOptions* Options = nullptr;
  // The files no destination may be (links followed); null: none checked.
  const TSourceFiles* Sources = nullptr;
  // The file Source must still be (what a walk found); nothing: whatever
  // Source opens. When set, a source whose status cannot be read fails.
  std::optional<platform::FileIdentity> Expected;
  // A page in an encoding whose ASCII is not single bytes is refused
  // before the destination is opened, with the page's name: for
  // destinations that opening empties. Otherwise the modes that refuse it
  // do so in the filter ("The page ..."), the destination already open.
  bool RefuseWideFirst = false;
};

// Bytes really read from the source (up to where its data ended, not the
// size it reports) and written to the destination.
struct TFileJobResult {
  std::int64_t BytesIn = 0;
  std::int64_t BytesOut = 0;
};

// Where a job writes.
class TFileSink {
public:
  virtual ~TFileSink() = default;
  // Opens the destination of Job once every check passed; Source is the
  // open source's status (all zero when it could not be read). Returns the
  // stream to write into, at position 0, owned by the sink. Raises
  // EInOutError when it cannot.
  virtual TFileStream& Open(const TFileJob& Job, const platform::FileStatus& Source) = 0;
  // Everything was written: makes it the destination, Job.Target. Raises
  // when it cannot. Nothing here: the destination was opened as it is.
  virtual void Commit(const TFileJob& Job, const platform::FileStatus& Source) {
    (void)Job;
    (void)Source;
  }
};

// Writes Job.Target itself, created or emptied as it is opened through the
// file services Env (null: the system's); the file is closed when the sink
// goes.
class TInPlaceSink : public TFileSink {
public:
  explicit TInPlaceSink(platform::FileEnv* Env = nullptr) : FEnv(Env) {}
  TFileStream& Open(const TFileJob& Job, const platform::FileStatus& Source) override;

private:
  platform::FileEnv* FEnv;
  std::unique_ptr<TFileStream> FStream;
};

// Runs Job: opens the source, checks it (the file expected, not the
// destination under another name, at most 2^31-1 bytes for a page, no wide
// text when asked), has Sink open the destination, compacts or copies, and
// has Sink commit. The source is closed before the function returns or
// raises; the sink's stream stays with the sink. Raises Exception (mostly
// EInOutError) on every failure.
TFileJobResult RunFileJob(const TFileJob& Job, TFileSink& Sink, platform::FileEnv& Env);

// The identities of the files Names reach (links followed), each with the
// first of Names that reaches it; names that reach nothing are left out.
TSourceFiles IdentifyFiles(const std::vector<std::string>& Names, platform::FileEnv& Env);

// Raises EInOutError(SDestinationIsSourceFile) when Target reaches (links
// followed) one of Sources: writing it would lose that source.
void RefuseSourceAsTarget(const std::string& Target, const TSourceFiles& Sources, platform::FileEnv& Env);

// Raises EInOutError(Fmt) with Name and the system's text for Error.
[[noreturn]] void RaiseFileError(const char* Fmt, const std::string& Name, platform::Status Error);

// Messages of file jobs.
inline constexpr char SDestinationIsSourceFile[] =
    "Destination file \"%s\" is the source file \"%s\" under another name";
inline constexpr char SPageTooLarge[] =
    "Page \"%s\" is too large to compact: %s bytes, more than the limit of 2147483647 bytes";
inline constexpr char SErrorCopying[] = "Error copying \"%s\" - %s";
