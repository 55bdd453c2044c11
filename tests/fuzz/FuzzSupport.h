#pragma once

// Shared pieces of the fuzz targets: a check that stops the run with a
// readable report, a stream that hands out its bytes in small pieces, and
// memory stream helpers.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "streams/MemStream.h"
#include "streams/Streams.h"
#include "streams/Utils.h"
#include "support/MemText.h"

namespace fuzz {

// Bytes as C-style text, cut to Limit bytes, for reports.
inline std::string Show(std::string_view Bytes, std::size_t Limit = 200) {
  std::string out;
  for (std::size_t i = 0; i < Bytes.size() && i < Limit; ++i) {
    const auto c = static_cast<unsigned char>(Bytes[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  if (Bytes.size() > Limit) out += "...";
  return out;
}

[[noreturn]] inline void Fail(const char* What, const char* File, int Line,
                              const std::string& Details) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n%s\n", File, Line, What, Details.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace fuzz

// Stops the run (a crash, for libFuzzer) when Cond is false; Details is
// evaluated only then.
#define FUZZ_CHECK(Cond, Details)                                   \
  do {                                                              \
    if (!(Cond)) ::fuzz::Fail(#Cond, __FILE__, __LINE__, (Details)); \
  } while (0)

namespace fuzz {

// A readable stream over a byte string that hands out at most Chunk bytes
// per Read, as a pipe or a slow device may. Short reads raise while its
// ExactTransfer is on, as a file stream's do.
class TChunkedStream : public TBaseStream {
public:
  TChunkedStream(std::string_view Data, std::int32_t Chunk) : FData(Data), FChunk(Chunk) {
    FCanRead = true;
  }
  std::int32_t Write(const void*, std::int32_t) override {
    throw EInOutError(Format(SErrorWriting, {"not writable"}));
  }
  std::int32_t Read(void* Buffer, std::int32_t Count) override {
    const std::int32_t n = std::max<std::int32_t>(0, std::min({Count, FChunk, Available()}));
    if (n > 0) std::memcpy(Buffer, FData.data() + FPos, static_cast<std::size_t>(n));
    FPos += static_cast<std::size_t>(n);
    if (FExactTransfer && n != Count) throw EInOutError(SReadLessThanExpected);
    return n;
  }
  std::int32_t Available() override { return static_cast<std::int32_t>(FData.size() - FPos); }

private:
  std::string_view FData;
  std::int32_t FChunk;
  std::size_t FPos = 0;
};

// Where two byte strings part, with some context, for reports.
inline std::string Difference(std::string_view Actual, std::string_view Expected) {
  std::size_t i = 0;
  while (i < Actual.size() && i < Expected.size() && Actual[i] == Expected[i]) ++i;
  const std::size_t from = i > 24 ? i - 24 : 0;
  return "first difference at byte " + std::to_string(i) + " (sizes " +
         std::to_string(Actual.size()) + " and " + std::to_string(Expected.size()) +
         ")\n  actual:   " + Show(Actual.substr(std::min(from, Actual.size())), 64) +
         "\n  expected: " + Show(Expected.substr(std::min(from, Expected.size())), 64);
}

}  // namespace fuzz
