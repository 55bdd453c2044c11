#pragma once

// A stream with optional read and write buffers in front of another stream.

#include <cstdint>
#include <memory>

#include "streams/Streams.h"

// A bad buffer size given to a buffered stream's constructor.
class EStreamCreate : public Exception {
public:
  using Exception::Exception;
};

inline constexpr char SInvalidBufferSize[] = "Invalid buffer size";

// Buffer size used when a constructor is given -1.
inline constexpr std::int32_t DefaultBufferSize = 65536;

class TBufferedStream : public TFilterStream {
public:
  // Sizes: -1 means DefaultBufferSize, 0 no buffer on that side, 2 and more
  // the size in bytes. A side the target cannot do gets no buffer. Raises
  // EStreamCreate for a size below 2 on a side that is wanted.
  TBufferedStream(std::int32_t ReadBufferSize, std::int32_t WriteBufferSize, TBaseStream& Target);
  // Flushes the write buffer and gives the target its exact-transfer flag back.
  ~TBufferedStream() override;

  std::int32_t Write(const void* Buffer, std::int32_t Count) override;
  std::int32_t Read(void* Buffer, std::int32_t Count) override;
  // With a read buffer, the data ends where a read of the target delivers
  // nothing, whatever size the target reports (pseudo-files report 0 or a
  // whole page, a stale cache an old size): with nothing buffered, the next
  // block is read ahead to find out. Without one, Available() decides.
  bool EndOfStream() override;
  // The bytes read ahead and not handed out, plus what the target says is
  // left (never less than 0); only the former once a read of the target
  // has delivered nothing.
  std::int32_t Available() override;
  // Writes the waiting bytes to the target (without flushing the target).
  void Flush() override;

  std::int32_t ReadBufferSize() const { return FReadBufferSize; }
  std::int32_t WriteBufferSize() const { return FWriteBufferSize; }

protected:
  bool FRestoreExact = false;
  std::unique_ptr<unsigned char[]> FReadBuffer;
  std::int32_t FReadPos = 0;
  std::int32_t FReadFill = 0;
  std::int32_t FReadBufferSize = 0;
  // Counts the refills of ReadBuffer, so that derived classes can tell
  // whether what they remember about its contents is still current.
  std::uint32_t FRefills = 0;
  // The last read of the target delivered nothing: it is at its end.
  bool FTargetDrained = false;
  std::unique_ptr<unsigned char[]> FWriteBuffer;
  std::int32_t FWriteFill = 0;
  std::int32_t FWriteBufferSize = 0;

  // Reads the next block of the target into the empty read buffer; returns
  // the number of bytes it holds now (0 at the end of the data).
  std::int32_t RefillReadBuffer();

private:
  void Release() noexcept;
};
