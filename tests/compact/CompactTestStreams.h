#pragma once

// Small streams for driving CompactHTML in tests.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "streams/MemStream.h"
#include "streams/Streams.h"

// A write-only stream that records every Write: its count and (unless
// KeepBytes is off) its bytes.
class TRecordingStream : public TBaseStream {
public:
  TRecordingStream() { FCanWrite = true; }

  std::int32_t Write(const void* Buffer, std::int32_t Count) override {
    Writes.push_back(Count);
    if (KeepBytes) Data.append(static_cast<const char*>(Buffer), static_cast<std::size_t>(Count));
    return Count;
  }
  std::int32_t Read(void*, std::int32_t) override { return 0; }
  std::int32_t Available() override { return 0; }

  bool KeepBytes = true;
  std::vector<std::int32_t> Writes;
  std::string Data;
};

// A read-only stream over a string that raises FailMessage on the read
// numbered FailAtRead (1-based; 0 never fails) and records the reads.
class TScriptedInput : public TBaseStream {
public:
  explicit TScriptedInput(std::string Content, int FailAtRead = 0, bool Readable = true)
      : FContent(std::move(Content)), FFailAtRead(FailAtRead) {
    FCanRead = Readable;
  }

  std::int32_t Write(const void*, std::int32_t) override { return 0; }
  std::int32_t Read(void* Buffer, std::int32_t Count) override {
    ++Reads;
    if (Reads == FFailAtRead) throw EInOutError("Error reading from stream - Input/output error");
    const std::size_t N = std::min<std::size_t>(static_cast<std::size_t>(Count), FContent.size() - FPos);
    std::memcpy(Buffer, FContent.data() + FPos, N);
    FPos += N;
    if (FExactTransfer && static_cast<std::int32_t>(N) != Count)
      throw EInOutError(SReadLessThanExpected);
    return static_cast<std::int32_t>(N);
  }
  std::int32_t Available() override { return static_cast<std::int32_t>(FContent.size() - FPos); }

  int Reads = 0;

private:
  std::string FContent;
  std::size_t FPos = 0;
  int FFailAtRead;
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
