#include "streams/BufStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

TBufferedStream::TBufferedStream(std::int32_t ReadBufferSize, std::int32_t WriteBufferSize,
                                 TBaseStream& Target)
    : TFilterStream(Target) {
  FCanRead = Target.CanRead();
  FCanWrite = Target.CanWrite();
  FExactTransfer = Target.ExactTransfer();
  FRestoreExact = FCanRead && ReadBufferSize != 0 && FExactTransfer;
  if (FRestoreExact) FTarget.SetExactTransfer(false);
  try {
    std::int32_t size = ReadBufferSize == -1 ? DefaultBufferSize : ReadBufferSize;
    if (FCanRead && size != 0) {
      if (size < 2) throw EStreamCreate(SInvalidBufferSize);
      FReadBuffer.reset(new unsigned char[static_cast<std::size_t>(size)]);
      FReadBufferSize = size;
    }
    size = WriteBufferSize == -1 ? DefaultBufferSize : WriteBufferSize;
    if (FCanWrite && size != 0) {
      if (size < 2) throw EStreamCreate(SInvalidBufferSize);
      FWriteBuffer.reset(new unsigned char[static_cast<std::size_t>(size)]);
      FWriteBufferSize = size;
    }
  } catch (...) {
    Release();
    throw;
  }
}

TBufferedStream::~TBufferedStream() {
  if (FWriteBufferSize != 0) {
    try {
      Flush();
    } catch (...) {
      // A destructor must not raise; the caller flushes first to see errors.
    }
  }
  Release();
}

void TBufferedStream::Release() noexcept {
  FWriteBuffer.reset();
  FReadBuffer.reset();
  if (FRestoreExact) {
    FRestoreExact = false;
    try {
      FTarget.SetExactTransfer(true);
    } catch (...) {
    }
  }
}

std::int32_t TBufferedStream::Write(const void* Buffer, std::int32_t Count) {
  if (FWriteBufferSize == 0) return FTarget.Write(Buffer, Count);
  if (Count <= 0) return 0;
  const auto* src = static_cast<const unsigned char*>(Buffer);
  const std::int32_t free = FWriteBufferSize - FWriteFill;
  if (Count <= free) {
    std::memcpy(FWriteBuffer.get() + FWriteFill, src, static_cast<std::size_t>(Count));
    FWriteFill += Count;
    return Count;
  }
  std::memcpy(FWriteBuffer.get() + FWriteFill, src, static_cast<std::size_t>(free));
  const std::int32_t remaining = Count - free;
  const std::int32_t taken = FTarget.Write(FWriteBuffer.get(), FWriteBufferSize);
  if (taken != FWriteBufferSize) {
    // The target took only part of the buffer (possible only while its own
    // exact-transfer check is off). Bytes it took are gone from the buffer;
    // bytes that were waiting before this call and were not taken stay
    // waiting; of the caller's bytes, those the target took count as written.
    const std::int32_t took = taken < 0 ? 0 : taken;
    const std::int32_t waitingBefore = FWriteBufferSize - free;
    const std::int32_t leftOver = waitingBefore > took ? waitingBefore - took : 0;
    const std::int32_t callerTaken = took > waitingBefore ? took - waitingBefore : 0;
    std::memmove(FWriteBuffer.get(), FWriteBuffer.get() + took, static_cast<std::size_t>(leftOver));
    FWriteFill = leftOver;
    if (FExactTransfer) throw EInOutError(SWroteLessThanExpected);
    return callerTaken;
  }
  if (remaining >= FWriteBufferSize) {
    FWriteFill = 0;
    return free + FTarget.Write(src + free, remaining);
  }
  std::memcpy(FWriteBuffer.get(), src + free, static_cast<std::size_t>(remaining));
  FWriteFill = remaining;
  return Count;
}

std::int32_t TBufferedStream::Read(void* Buffer, std::int32_t Count) {
  if (FReadBufferSize == 0) return FTarget.Read(Buffer, Count);
  if (Count <= 0) return 0;
  auto* dst = static_cast<unsigned char*>(Buffer);
  const std::int32_t avail = FReadFill - FReadPos;
  if (Count <= avail) {
    std::memcpy(dst, FReadBuffer.get() + FReadPos, static_cast<std::size_t>(Count));
    FReadPos += Count;
    return Count;
  }
  std::memcpy(dst, FReadBuffer.get() + FReadPos, static_cast<std::size_t>(avail));
  const std::int32_t remaining = Count - avail;
  FReadPos = 0;
  FReadFill = 0;
  if (remaining >= FReadBufferSize) {
    std::int32_t n = FTarget.Read(dst + avail, remaining);
    FTargetDrained = n <= 0;
    if (n < remaining && FExactTransfer) throw EInOutError(SReadLessThanExpected);
    return avail + n;
  }
  std::int32_t n = FTarget.Read(FReadBuffer.get(), FReadBufferSize);
  ++FRefills;
  FTargetDrained = n <= 0;
  if (n >= remaining) {
    std::memcpy(dst + avail, FReadBuffer.get(), static_cast<std::size_t>(remaining));
    FReadFill = n;
    FReadPos = remaining;
    return Count;
  }
  if (n > 0) std::memcpy(dst + avail, FReadBuffer.get(), static_cast<std::size_t>(n));
  if (FExactTransfer) throw EInOutError(SReadLessThanExpected);
  return avail + (n > 0 ? n : 0);
}

std::int32_t TBufferedStream::RefillReadBuffer() {
  const std::int32_t n = FTarget.Read(FReadBuffer.get(), FReadBufferSize);
  ++FRefills;
  FReadPos = 0;
  FReadFill = n > 0 ? n : 0;
  FTargetDrained = FReadFill == 0;
  return FReadFill;
}

bool TBufferedStream::EndOfStream() {
  if (FReadBufferSize == 0) return TFilterStream::EndOfStream();
  if (FReadPos < FReadFill) return false;
  if (FTargetDrained) return true;
  return RefillReadBuffer() == 0;
}

std::int32_t TBufferedStream::Available() {
  const std::int64_t buffered = FReadFill - FReadPos;
  if (FTargetDrained) return static_cast<std::int32_t>(buffered);
  const std::int64_t left = FTarget.Available();
  return static_cast<std::int32_t>(std::min<std::int64_t>(
      buffered + (left > 0 ? left : 0), std::numeric_limits<std::int32_t>::max()));
}

void TBufferedStream::Flush() {
  if (FWriteFill <= 0) return;
  // The bytes stay waiting until the target has taken them: after a target
  // that raised, the next Flush (or the destructor) writes them again.
  const std::int32_t fill = FWriteFill;
  const std::int32_t taken = FTarget.Write(FWriteBuffer.get(), fill);
  const std::int32_t took = taken <= 0 ? 0 : (taken < fill ? taken : fill);
  std::memmove(FWriteBuffer.get(), FWriteBuffer.get() + took,
               static_cast<std::size_t>(fill - took));
  FWriteFill = fill - took;
  if (FWriteFill > 0 && FExactTransfer) throw EInOutError(SWroteLessThanExpected);
}
