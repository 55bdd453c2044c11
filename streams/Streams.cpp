#include "streams/Streams.h"

#include <limits>

#include "streams/Utils.h"

using platform::FileEnv;

std::string ErrorCodeText(std::uint32_t Code) {
  std::string text;
  if (platform::FileEnv::Default()->ErrorText(Code, &text)) return text;
  return SNoErrorDescription;
}


// ---- TBaseStream

void TBaseStream::SetExactTransfer(bool Value) { FExactTransfer = Value; }

bool TBaseStream::EndOfStream() { return Available() <= 0; }

void TBaseStream::Flush() {}

void TBaseStream::CopyFrom(TBaseStream& Source) {
  unsigned char buffer[4096];
  const bool wasExact = Source.ExactTransfer();
  if (wasExact) Source.SetExactTransfer(false);
  while (!Source.EndOfStream()) {
    std::int32_t n = Source.Read(buffer, sizeof buffer);
    Write(buffer, n);
    // A source that claims data but delivers none (it shrank under us)
    // would otherwise spin here for ever.
    if (n <= 0) break;
  }
  if (wasExact) Source.SetExactTransfer(true);
}

// ---- TFilterStream

void TFilterStream::SetExactTransfer(bool Value) {
  TBaseStream::SetExactTransfer(Value);
  FTarget.SetExactTransfer(Value);
}

std::int32_t TFilterStream::Write(const void* Buffer, std::int32_t Count) {
  return FTarget.Write(Buffer, Count);
}

std::int32_t TFilterStream::Read(void* Buffer, std::int32_t Count) {
  return FTarget.Read(Buffer, Count);
}

std::int32_t TFilterStream::Available() { return FTarget.Available(); }

// ---- TFileStream

TFileStream::TFileStream(const std::string& FileName, TOpenMode Mode, FileEnv* Env)
    : FEnv(Env != nullptr ? Env : platform::FileEnv::Default()), FFileName(FileName) {
  std::uint32_t access = 0;
  if (Mode & omRead) access |= platform::kGenericRead;
  if (Mode & omWrite) access |= platform::kGenericWrite;
  if (access == 0) throw EInOutError(SNoAccessMode);
  FCanRead = (Mode & omRead) != 0;
  FCanWrite = (Mode & omWrite) != 0;
  std::uint32_t share = 0;
  if (Mode & omShareRead) share |= platform::kFileShareRead;
  if (Mode & omShareWrite) share |= platform::kFileShareWrite;
  const std::uint32_t disposition =
      (Mode & omCreate) ? platform::kCreateAlways : platform::kOpenExisting;
  const platform::Status opened =
      FEnv->Open(FFileName, access, share, disposition, platform::kFileAttributeNormal, &FHandle);
  if (!opened.ok()) Raise(opened, SErrorOpening, true);
}

TFileStream::TFileStream(platform::FileHandle Handle, const std::string& FileName, TOpenMode Mode,
                         FileEnv* Env)
    : FEnv(Env != nullptr ? Env : platform::FileEnv::Default()), FHandle(Handle), FFileName(FileName) {
  FCanRead = (Mode & omRead) != 0;
  FCanWrite = (Mode & omWrite) != 0;
}

void TFileStream::Close() {
  if (FHandle == platform::kInvalidHandle) return;
  const platform::Status closed = FEnv->Close(FHandle);
  FHandle = platform::kInvalidHandle;
  if (!closed.ok()) Raise(closed, SErrorClosing, true);
}

TFileStream::~TFileStream() {
  if (FHandle != platform::kInvalidHandle) FEnv->Close(FHandle).IgnoreError();
}

void TFileStream::Raise(platform::Status Error, const char* Fmt, bool WithName) {
  std::string text;
  if (!FEnv->ErrorText(Error.code(), &text)) text = SNoErrorDescription;
  if (WithName) throw EInOutError(Format(Fmt, {FFileName, text}));
  throw EInOutError(Format(Fmt, {text}));
}

std::int32_t TFileStream::Write(const void* Buffer, std::int32_t Count) {
  if (Count > 0) {
    if (FPosition < 0) FPosition = GetPosition();
    // Positions and sizes are 32-bit: the file must not grow past them.
    if (FPosition + Count > std::numeric_limits<std::int32_t>::max()) {
      Raise(platform::Status::Error(platform::ErrorFileTooLarge()), SErrorWriting, false);
    }
  }
  std::int32_t written = 0;
  if (const platform::Status s = FEnv->Write(FHandle, Buffer, Count, &written); !s.ok()) {
    FPosition = -1;  // part of it may have been written
    Raise(s, SErrorWriting, false);
  }
  if (FPosition >= 0) FPosition += written;
  if (FExactTransfer && written != Count) throw EInOutError(SWroteLessThanExpected);
  return written;
}

std::int32_t TFileStream::Read(void* Buffer, std::int32_t Count) {
  std::int32_t read = 0;
  if (const platform::Status s = FEnv->Read(FHandle, Buffer, Count, &read); !s.ok()) {
    FPosition = -1;
    Raise(s, SErrorReading, false);
  }
  if (FPosition >= 0) FPosition += read;
  if (FExactTransfer && read != Count) throw EInOutError(SReadLessThanExpected);
  return read;
}

std::int32_t TFileStream::Available() {
  std::int32_t size = GetSize();
  return size - GetPosition();
}

// A failed flush is not reported: the data are written all the same, only
// not yet through to the device.
void TFileStream::Flush() { FEnv->Flush(FHandle).IgnoreError(); }

std::int32_t TFileStream::GetPosition() {
  std::int32_t pos = -1;
  const platform::Status s = FEnv->SetPosition(FHandle, 0, platform::kFileCurrent, &pos);
  if (!s.ok()) Raise(s, SIOError, false);
  FPosition = pos;
  return pos;
}

std::int32_t TFileStream::GetSize() {
  std::int32_t size = -1;
  const platform::Status s = FEnv->GetSize(FHandle, &size);
  if (!s.ok()) Raise(s, SIOError, false);
  return size;
}

void TFileStream::Seek(std::int32_t Position) {
  std::int32_t pos = -1;
  const platform::Status s = FEnv->SetPosition(FHandle, Position, platform::kFileBegin, &pos);
  FPosition = s.ok() ? pos : -1;
  if (!s.ok()) Raise(s, SErrorMovingFilePointer, false);
}

void TFileStream::Truncate() {
  const platform::Status s = FEnv->SetEnd(FHandle);
  if (!s.ok()) Raise(s, SErrorTruncating, true);
}

void TFileStream::CloseAndDelete(std::unique_ptr<TFileStream>& Stream) {
  TFileStream& s = *Stream;
  if (s.FHandle != platform::kInvalidHandle) {
    const platform::Status closed = s.FEnv->Close(s.FHandle);
    // The handle is gone even when the close reports an error: never close it twice.
    s.FHandle = platform::kInvalidHandle;
    if (!closed.ok()) s.Raise(closed, SErrorClosing, true);
  }
  const platform::Status deleted = s.FEnv->Delete(s.FFileName);
  if (!deleted.ok()) s.Raise(deleted, SErrorDeleting, true);
  Stream.reset();
}
