// The text stream's line reader on any input: the lines must not depend on
// the size of the read buffer nor on how the target hands out its bytes,
// and must be those of a plain byte-at-a-time model of the line rules.
// A second pass mixes ReadLine with raw Reads of the same stream.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "streams/MemStream.h"
#include "streams/TextStrm.h"

namespace {

// The line rules, one byte at a time: the first CR or LF met fixes the
// line end (CR first: CR ends lines and LF is dropped; LF first: the
// other way round); a line also ends where the data does.
class TLineModel {
public:
  explicit TLineModel(std::string_view Data) : FData(Data) {}

  bool AtEnd() const { return FPos >= FData.size(); }
  std::size_t Remaining() const { return FData.size() - FPos; }

  std::string ReadLine() {
    std::string line;
    while (FPos < FData.size()) {
      const int c = static_cast<unsigned char>(FData[FPos++]);
      if (FEnd == -1 && (c == 10 || c == 13)) {
        FEnd = c;
        FPair = c == 10 ? 13 : 10;
        return line;
      }
      if (c == FEnd) return line;
      if (c != FPair) line += static_cast<char>(c);
    }
    return line;
  }

  // The next Count raw bytes (a Read bypasses the line rules).
  std::string Read(std::size_t Count) {
    std::string bytes(FData.substr(FPos, Count));
    FPos += bytes.size();
    return bytes;
  }

private:
  std::string_view FData;
  std::size_t FPos = 0;
  int FEnd = -1;
  int FPair = -1;
};

std::vector<std::string> ModelLines(std::string_view Data) {
  TLineModel model(Data);
  std::vector<std::string> lines;
  while (!model.AtEnd()) lines.push_back(model.ReadLine());
  return lines;
}

std::string Describe(std::int32_t BufferSize, std::int32_t Chunk, std::string_view Input) {
  return "read buffer " + std::to_string(BufferSize) + ", target reads of " +
         (Chunk > 0 ? std::to_string(Chunk) : std::string("any size")) + ", input " +
         fuzz::Show(Input);
}

std::vector<std::string> ReadAllLines(TBaseStream& Target, std::int32_t BufferSize,
                                      std::int32_t* LineCount) {
  TTextStream text(BufferSize, 0, Target);
  std::vector<std::string> lines;
  std::string line;
  while (!text.EndOfStream()) {
    const std::int32_t n = text.ReadLine(line);
    FUZZ_CHECK(n == static_cast<std::int32_t>(line.size()), "ReadLine's result is not the length");
    lines.push_back(line);
  }
  *LineCount = text.LineCount();
  return lines;
}

// A small generator seeded from the input, so that every input replays
// the same mix of calls.
class TMix {
public:
  explicit TMix(std::string_view Seed) {
    for (unsigned char c : Seed) FState = (FState ^ c) * 0x100000001B3ull;
  }
  std::uint32_t Next(std::uint32_t Below) {
    FState = FState * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(FState >> 33) % Below;
  }

private:
  std::uint64_t FState = 0xCBF29CE484222325ull;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view input(reinterpret_cast<const char*>(Data), Size);
  const std::vector<std::string> expected = ModelLines(input);
  const std::int32_t sizes[] = {2, 3, 4, 7, 64, -1};

  for (const std::int32_t size : sizes) {
    for (const std::int32_t chunk : {0, 1, 5}) {
      std::int32_t count = 0;
      std::vector<std::string> lines;
      if (chunk == 0) {
        TMemStream target;
        FillMem(target, input);
        lines = ReadAllLines(target, size, &count);
        FUZZ_CHECK(target.ExactTransfer(), "target's exact transfer not given back");
      } else {
        fuzz::TChunkedStream target(input, chunk);
        lines = ReadAllLines(target, size, &count);
      }
      FUZZ_CHECK(lines.size() == expected.size(),
                 std::to_string(lines.size()) + " lines, model " +
                     std::to_string(expected.size()) + "; " + Describe(size, chunk, input));
      for (std::size_t i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(lines[i] == expected[i], "line " + std::to_string(i) + ": " +
                                                fuzz::Difference(lines[i], expected[i]) + "; " +
                                                Describe(size, chunk, input));
      FUZZ_CHECK(count == static_cast<std::int32_t>(expected.size()),
                 "LineCount " + std::to_string(count) + "; " + Describe(size, chunk, input));
    }
  }

  // ReadLine and Read mixed on one stream.
  TMix mix(input);
  for (const std::int32_t size : sizes) {
    TMemStream target;
    FillMem(target, input);
    TTextStream text(size, 0, target);
    TLineModel model(input);
    std::string line;
    for (int step = 0; !model.AtEnd(); ++step) {
      // Built only for a report.
      const auto where = [&] {
        return "step " + std::to_string(step) + "; " + Describe(size, 0, input);
      };
      FUZZ_CHECK(!text.EndOfStream(), "stream ended early; " + where());
      FUZZ_CHECK(text.Available() == static_cast<std::int32_t>(model.Remaining()),
                 "Available " + std::to_string(text.Available()) + "; " + where());
      if (mix.Next(4) == 0) {
        const std::int32_t want = static_cast<std::int32_t>(mix.Next(10));
        std::string got(static_cast<std::size_t>(want), '\0');
        if (static_cast<std::size_t>(want) > model.Remaining()) {
          // More than there is: an error while ExactTransfer is on.
          bool raised = false;
          try {
            text.Read(got.data(), want);
          } catch (const EInOutError& e) {
            raised = e.Message() == SReadLessThanExpected;
          }
          FUZZ_CHECK(raised, "a short Read did not raise; " + where());
          break;
        }
        const std::int32_t n = text.Read(got.data(), want);
        const std::string bytes = model.Read(static_cast<std::size_t>(want));
        FUZZ_CHECK(n == want && got == bytes, "Read: " + fuzz::Difference(got, bytes) + "; " + where());
      } else {
        text.ReadLine(line);
        const std::string modelLine = model.ReadLine();
        FUZZ_CHECK(line == modelLine, "ReadLine: " + fuzz::Difference(line, modelLine) + "; " + where());
      }
    }
    if (model.AtEnd()) FUZZ_CHECK(text.EndOfStream(), "stream not at its end; " + Describe(size, 0, input));
  }
  return 0;
}
