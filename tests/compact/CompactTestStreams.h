#pragma once

// Helpers for driving CompactHTML in tests.

#include <cstdint>
#include <string>
#include <vector>

#include "streams/MemStream.h"
#include "streams/Streams.h"
#include "support/FakeStreams.h"

// A TRecordingStream whose read numbered FailAtRead (1-based) raises a
// read error as a file stream reports it.
class TFailingReadStream : public TRecordingStream {
public:
  TFailingReadStream(std::string Content, std::size_t FailAtRead)
      : TRecordingStream(std::move(Content), true, false), FFailAtRead(FailAtRead) {}

  std::int32_t Read(void* Buffer, std::int32_t Count) override {
    if (Reads.size() + 1 == FFailAtRead) {
      Reads.push_back(Count);
      throw EInOutError("Error reading from stream - Input/output error");
    }
    return TRecordingStream::Read(Buffer, Count);
  }

private:
  std::size_t FFailAtRead;
};

// A write-only stream that records the count of every write and never
// looks at the bytes.
class TCountingStream : public TBaseStream {
public:
  TCountingStream() { FCanWrite = true; }
  std::int32_t Write(const void*, std::int32_t Count) override {
    Writes.push_back(Count);
    return Count;
  }
  std::int32_t Read(void*, std::int32_t) override { return 0; }
  std::int32_t Available() override { return 0; }

  std::vector<std::int32_t> Writes;
};

// A memory stream holding Content, positioned at its start.
inline void FillMem(TMemStream& Stream, const std::string& Content) {
  if (!Content.empty()) Stream.Write(Content.data(), static_cast<std::int32_t>(Content.size()));
  Stream.Seek(0);
}

// All bytes of a memory stream, leaving its position at the end.
inline std::string MemContents(TMemStream& Stream) {
  std::string Out(static_cast<std::size_t>(Stream.GetSize()), '\0');
  Stream.Seek(0);
  if (!Out.empty()) Stream.Read(Out.data(), static_cast<std::int32_t>(Out.size()));
  return Out;
}
