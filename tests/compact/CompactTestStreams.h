#pragma once

// Helpers for driving CompactHTML in tests.

#include <cstdint>
#include <string>
#include <vector>

#include "streams/MemStream.h"
#include "streams/Streams.h"
#include "compact/CompactHTML.h"
#include "support/FakeStreams.h"
#include "support/CompactedText.h"
#include "support/MemText.h"

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

// Input compacted from one memory stream into another.
inline std::string Compact(const std::string& Input) { return testsupport::Compacted(Input); }
