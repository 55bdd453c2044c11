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
  FHandle = FEnv->Open(FFileName, access, share, disposition, platform::kFileAttributeNormal);
  if (FHandle == platform::kInvalidHandle) RaiseLastError(SErrorOpening, true);
}

TFileStream::TFileStream(platform::FileHandle Handle, const std::string& FileName, TOpenMode Mode,
                         FileEnv* Env)
    : FEnv(Env != nullptr ? Env : platform::FileEnv::Default()), FHandle(Handle), FFileName(FileName) {
  FCanRead = (Mode & omRead) != 0;
  FCanWrite = (Mode & omWrite) != 0;
}

void TFileStream::Close() {
  if (FHandle == platform::kInvalidHandle) return;
  const bool closed = FEnv->Close(FHandle);
  FHandle = platform::kInvalidHandle;
  if (!closed) RaiseLastError(SErrorClosing, true);
}

TFileStream::~TFileStream() {
  if (FHandle != platform::kInvalidHandle) FEnv->Close(FHandle);
}

void TFileStream::RaiseLastError(const char* Fmt, bool WithName) {
  std::string text;
  if (!FEnv->ErrorText(FEnv->LastError(), &text)) text = SNoErrorDescription;
  if (WithName) throw EInOutError(Format(Fmt, {FFileName, text}));
  throw EInOutError(Format(Fmt, {text}));
}

std::int32_t TFileStream::Write(const void* Buffer, std::int32_t Count) {
  if (Count > 0) {
    if (FPosition < 0) FPosition = GetPosition();
    // Positions and sizes are 32-bit: the file must not grow past them.
    if (FPosition + Count > std::numeric_limits<std::int32_t>::max()) {
      FEnv->SetLastError(platform::ErrorFileTooLarge());
      RaiseLastError(SErrorWriting, false);
    }
  }
  std::int32_t written = 0;
  if (!FEnv->Write(FHandle, Buffer, Count, &written)) {
    FPosition = -1;  // part of it may have been written
    RaiseLastError(SErrorWriting, false);
  }
  if (FPosition >= 0) FPosition += written;
  if (FExactTransfer && written != Count) throw EInOutError(SWroteLessThanExpected);
  return written;
}

std::int32_t TFileStream::Read(void* Buffer, std::int32_t Count) {
  std::int32_t read = 0;
  if (!FEnv->Read(FHandle, Buffer, Count, &read)) {
    FPosition = -1;
    RaiseLastError(SErrorReading, false);
  }
  if (FPosition >= 0) FPosition += read;
  if (FExactTransfer && read != Count) throw EInOutError(SReadLessThanExpected);
  return read;
}

std::int32_t TFileStream::Available() {
  std::int32_t size = GetSize();
  return size - GetPosition();
}

void TFileStream::Flush() { FEnv->Flush(FHandle); }

std::int32_t TFileStream::GetPosition() {
  std::int32_t pos = FEnv->SetPosition(FHandle, 0, platform::kFileCurrent);
  if (pos == -1) RaiseLastError(SIOError, false);
  FPosition = pos;
  return pos;
}

std::int32_t TFileStream::GetSize() {
  std::int32_t size = FEnv->GetSize(FHandle);
  if (size == -1) RaiseLastError(SIOError, false);
  return size;
}

void TFileStream::Seek(std::int32_t Position) {
  const std::int32_t pos = FEnv->SetPosition(FHandle, Position, platform::kFileBegin);
  FPosition = pos;
  if (pos == -1) RaiseLastError(SErrorMovingFilePointer, false);
}

void TFileStream::Truncate() {
  if (!FEnv->SetEnd(FHandle)) RaiseLastError(SErrorTruncating, true);
}

void TFileStream::CloseAndDelete(std::unique_ptr<TFileStream>& Stream) {
  TFileStream& s = *Stream;
  if (s.FHandle != platform::kInvalidHandle) {
    const bool closed = s.FEnv->Close(s.FHandle);
    // The handle is gone even when the close reports an error: never close it twice.
    s.FHandle = platform::kInvalidHandle;
    if (!closed) s.RaiseLastError(SErrorClosing, true);
  }
  if (!s.FEnv->Delete(s.FFileName)) s.RaiseLastError(SErrorDeleting, true);
  Stream.reset();
}
