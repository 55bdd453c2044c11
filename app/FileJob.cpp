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
// The part of a file name that goes into its temporary name.
constexpr std::size_t kTempNamePart = 64;
// Temporary names tried for one file before giving up.
constexpr unsigned kTempAttempts = 100;

// A file already called Target is replaced only where the batch run could
// write it: a read-only file, a folder or a file another program holds
// without sharing raises the batch run's open error instead.
void CheckReplaceable(const std::string& Target, FileEnv& Env) {
  FileStatus st;
  if (!Env.GetStatus(Target, true, &st)) return;
  TFileStream probe(Target, omWrite);  // opens without emptying it
}

}  // namespace

void RaiseLastError(const char* Fmt, const std::string& Name, FileEnv& Env) {
  throw EInOutError(Format(Fmt, {Name, ErrorCodeText(Env.LastError())}));
}

TSourceFiles IdentifyFiles(const std::vector<std::string>& Names, FileEnv& Env) {
  TSourceFiles ids;
  FileStatus st;
  for (const std::string& name : Names)
    if (Env.GetStatus(name, true, &st)) ids.emplace(st.Identity, name);
  return ids;
}

void RefuseSourceAsTarget(const std::string& Target, const TSourceFiles& Sources, FileEnv& Env) {
  FileStatus st;
  if (!Env.GetStatus(Target, true, &st)) return;
  if (auto it = Sources.find(st.Identity); it != Sources.end())
    throw EInOutError(Format(SDestinationIsSourceFile, {Target, it->second}));
}

std::string TemporaryName(const std::string& Name, const std::string& Token, std::size_t Index,
                          unsigned Attempt) {
  std::string temporary = '.' + Name.substr(0, kTempNamePart) + '.' + Token + '-' +
                          std::to_string(Index);
  if (Attempt > 0) temporary += '.' + std::to_string(Attempt);
  return temporary + ".tmp";
}

TFileJobResult RunFileJob(const TFileJob& Job, TFileSink& Sink, FileEnv& Env) {
  static const TCompactOptions kDefaults;
  const TCompactOptions& options = Job.Options != nullptr ? *Job.Options : kDefaults;
  TFileStream source(Job.Source, kSourceMode, &Env);
  FileStatus status;
  const bool known = Env.GetOpenStatus(source.Handle(), &status);
  if (!known) status = FileStatus();
  if (Job.Expected) {
    if (!known) RaiseLastError(SErrorOpening, Job.Source, Env);
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
    if (!Env.CopyData(source.Handle(), destination.Handle(), &copied))
      RaiseLastError(SErrorCopying, Job.Source, Env);
    result.BytesIn = result.BytesOut = copied;
  }
  Sink.Commit(Job, status);
  return result;
}

TFileStream& TInPlaceSink::Open(const TFileJob& Job, const FileStatus& Source) {
  (void)Source;
  FStream = std::make_unique<TFileStream>(Job.Target, kInPlaceMode);
  return *FStream;
}

void TInPlaceSink::Commit(const TFileJob& Job, const FileStatus& Source) {
  (void)Job;
  (void)Source;
}

THeldFolder::THeldFolder(const std::string& Name, const platform::FileIdentity& Expected, FileEnv& Env)
    : FEnv(Env) {
  FileStatus st;
  FHandle = Env.OpenFolder(platform::kNoFolder, Name, true, &st);
  if (FHandle == platform::kNoFolder) RaiseLastError(SErrorReadingFolder, Name, Env);
  if (st.Identity != Expected) {
    Env.CloseFolder(FHandle);
    throw Exception(Format(SDestinationReplaced, {Name}));
  }
}

THeldFolder::~THeldFolder() { FEnv.CloseFolder(FHandle); }

TTemporarySink::TTemporarySink(const std::string& Folder, const platform::FileIdentity& FolderId,
                               const std::string& Name, const std::string& Token, std::size_t Index,
                               bool Preserve, FileEnv& Env)
    : FFolder(Folder), FFolderId(FolderId), FName(Name), FToken(Token), FIndex(Index), FPreserve(Preserve),
      FEnv(Env) {}

TTemporarySink::~TTemporarySink() {
  FStream.reset();
  if (!FTemporary.empty() && FHeld) {
    const platform::SysError code = FEnv.LastError();
    FEnv.DeleteIn(FHeld->Handle(), FTemporary);
    FEnv.SetLastError(code);
  }
}

TFileStream& TTemporarySink::Open(const TFileJob& Job, const FileStatus& Source) {
  CheckReplaceable(Job.Target, FEnv);
  FHeld = std::make_unique<THeldFolder>(FFolder, FFolderId, FEnv);
  platform::FileHandle handle = platform::kInvalidHandle;
  for (unsigned attempt = 0;; ++attempt) {
    const std::string temporary = TemporaryName(FName, FToken, FIndex, attempt);
    handle = FEnv.CreateFileIn(FHeld->Handle(), temporary, Source.Permissions & 0777);
    if (handle != platform::kInvalidHandle) {
      FTemporary = temporary;
      break;
    }
    // Not ours to delete.
    const platform::SysError code = FEnv.LastError();
    if (code != platform::ErrorAlreadyExists() || attempt + 1 >= kTempAttempts)
      throw EInOutError(Format(SErrorOpening, {JoinName(FFolder, temporary), ErrorCodeText(code)}));
  }
  FStream = std::make_unique<TFileStream>(handle, JoinName(FFolder, FTemporary), omRead | omWrite, &FEnv);
  return *FStream;
}

void TTemporarySink::Commit(const TFileJob& Job, const FileStatus& Source) {
  if (FPreserve) {
    // Never the set-user-ID and set-group-ID bits: the copy has another
    // owner (whoever runs this), who would lend it their rights.
    const std::uint32_t permissions = Source.Permissions & 0777;
    if (!FEnv.SetAttributes(FStream->Handle(), &permissions, &Source.ModifiedTime))
      RaiseLastError(SErrorSettingAttributes, FStream->FileName(), FEnv);
  }
  FStream->Close();
  if (!FEnv.RenameIn(FHeld->Handle(), FTemporary, FName))
    throw EInOutError(Format(SErrorRenaming, {JoinName(FFolder, FTemporary), Job.Target, LastErrorText()}));
  FTemporary.clear();
}
