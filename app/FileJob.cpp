#include "app/FileJob.h"

#include <limits>

#include "app/TreeWalk.h"
#include "compact/CompactHTML.h"
#include "streams/Utils.h"

namespace {

using platform::FileEnv;
using platform::FileStatus;

// Sources are read shared for reading; in-place destinations are created
// or emptied.
constexpr TOpenMode kSourceMode = omRead | omShareRead;              // 9
constexpr TOpenMode kInPlaceMode = omRead | omWrite | omCreate;      // 7
// The largest page the streams can compact.
constexpr std::int64_t kMaxPage = std::numeric_limits<std::int32_t>::max();

}  // namespace

void RaiseFileError(const char* Fmt, const std::string& Name, platform::Status Error) {
  throw EInOutError(Format(Fmt, {Name, ErrorCodeText(Error.code())}));
}

TSourceFiles IdentifyFiles(const std::vector<std::string>& Names, FileEnv& Env) {
  TSourceFiles ids;
  FileStatus st;
  for (const std::string& name : Names)
    if (Env.GetStatus(name, true, &st).ok()) ids.emplace(st.Identity, name);
  return ids;
}

void RefuseSourceAsTarget(const std::string& Target, const TSourceFiles& Sources, FileEnv& Env) {
  FileStatus st;
  if (!Env.GetStatus(Target, true, &st).ok()) return;
  if (auto it = Sources.find(st.Identity); it != Sources.end())
    throw EInOutError(Format(SDestinationIsSourceFile, {Target, it->second}));
}

TFileJobResult RunFileJob(const TFileJob& Job, TFileSink& Sink, FileEnv& Env) {
  static const TCompactOptions kDefaults;
  const TCompactOptions& options = Job.Options != nullptr ? *Job.Options : kDefaults;
  TFileStream source(Job.Source, kSourceMode, &Env);
  FileStatus status;
  const platform::Status known = Env.GetOpenStatus(source.Handle(), &status);
  if (!known.ok()) status = FileStatus();
  if (Job.Expected) {
    if (!known.ok()) RaiseFileError(SErrorOpening, Job.Source, known);
    if (status.Identity != *Job.Expected) throw Exception(Format(SSourceReplaced, {Job.Source}));
  }
  if (Job.Sources != nullptr) RefuseSourceAsTarget(Job.Target, *Job.Sources, Env);
  if (Job.Action == faCompact) {
    // A page that cannot be compacted gets no destination file at all.
    if (status.Size > kMaxPage)
      throw EInOutError(Format(SPageTooLarge, {Job.Source, std::to_string(status.Size)}));
    if (Job.RefuseWideFirst && options.Level != TCompactLevel::clDefault)
      RefuseWideText(source, Job.Source);
  }

  TFileStream& destination = Sink.Open(Job, status);
  TFileJobResult result;
  if (Job.Action == faCompact) {
    CompactHTML(source, destination, options);
    // What was read, up to where the data really ended: a pseudo-file's
    // reported size says nothing about it.
    result.BytesIn = source.GetPosition();
    result.BytesOut = destination.GetPosition();
  } else {
    std::int64_t copied = 0;
    if (const platform::Status s = Env.CopyData(source.Handle(), destination.Handle(), &copied);
        !s.ok())
      RaiseFileError(SErrorCopying, Job.Source, s);
    result.BytesIn = result.BytesOut = copied;
  }
  Sink.Commit(Job, status);
  return result;
}

TFileStream& TInPlaceSink::Open(const TFileJob& Job, const FileStatus& Source) {
  (void)Source;
  FStream = std::make_unique<TFileStream>(Job.Target, kInPlaceMode, FEnv);
  return *FStream;
}
