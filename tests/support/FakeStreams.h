#pragma once

// In-memory streams for tests that watch what a stream does to its target.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "streams/Streams.h"

// A readable and writable stream over a byte string that records the count
// of every Read and Write call. Reads come from Data at Pos; writes append
// to Written, taking at most WriteLimit bytes per call when it is set.
// Available reports what is left of Data, or of ClaimedSize when that is
// set (a target that lies about its size); the next FailingWrites writes
// raise without taking anything.
class TRecordingStream : public TBaseStream {
public:
  explicit TRecordingStream(std::string Data = {}, bool Readable = true, bool Writable = true)
      : Data(std::move(Data)) {
    FCanRead = Readable;
    FCanWrite = Writable;
  }

  std::int32_t Write(const void* Buffer, std::int32_t Count) override {
    Writes.push_back(Count);
    if (FailingWrites > 0) {
      --FailingWrites;
      throw EInOutError("Error writing to stream - disk full");
    }
    std::int32_t n = WriteLimit >= 0 ? std::min(Count, WriteLimit) : Count;
    if (n > 0) Written.append(static_cast<const char*>(Buffer), static_cast<std::size_t>(n));
    if (FExactTransfer && n != Count) throw EInOutError(SWroteLessThanExpected);
    return n;
  }
  std::int32_t Read(void* Buffer, std::int32_t Count) override {
    Reads.push_back(Count);
    std::int32_t n = std::min<std::int32_t>(Count, static_cast<std::int32_t>(Data.size() - Pos));
    if (n > 0) std::memcpy(Buffer, Data.data() + Pos, static_cast<std::size_t>(n));
    Pos += static_cast<std::size_t>(std::max(n, 0));
    if (FExactTransfer && n != Count) throw EInOutError(SReadLessThanExpected);
    return n;
  }
  std::int32_t Available() override {
    const std::int64_t size = ClaimedSize >= 0 ? ClaimedSize : static_cast<std::int64_t>(Data.size());
    return static_cast<std::int32_t>(size - static_cast<std::int64_t>(Pos));
  }
  void Flush() override { ++Flushes; }
  void SetExactTransfer(bool Value) override {
    ExactChanges.push_back(Value);
    TBaseStream::SetExactTransfer(Value);
  }

  std::string Data;
  std::size_t Pos = 0;
  std::string Written;
  std::int32_t WriteLimit = -1;
  std::int32_t ClaimedSize = -1;
  int FailingWrites = 0;
  std::vector<std::int32_t> Reads;
  std::vector<std::int32_t> Writes;
  std::vector<bool> ExactChanges;
  int Flushes = 0;
};
