#include "streams/TextStrm.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "streams/MemStream.h"
#include "support/FakeStreams.h"
#include "support/CaseName.h"

namespace {

// Every line ReadLine returns while EndOfStream is false. With ClaimedSize,
// the target reports that size instead of its data's.
std::vector<std::string> ReadAllLines(const std::string& Data, std::int32_t BufferSize,
                                      std::int32_t ClaimedSize = -1) {
  TRecordingStream target(Data);
  target.ClaimedSize = ClaimedSize;
  TTextStream text(BufferSize, 0, target);
  std::vector<std::string> lines;
  std::string line;
  while (!text.EndOfStream()) {
    text.ReadLine(line);
    lines.push_back(line);
    if (lines.size() > Data.size() + 2) break;  // a runaway loop fails below
  }
  return lines;
}

struct LineCase {
  std::string data;
  std::vector<std::string> lines;
  std::vector<std::int32_t> bufferSizes;  // empty: a spread of sizes
};

class ReadLineTableTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReadLineTableTest, LinesForEveryBufferSize) {
  const LineCase& c = GetParam();
  std::vector<std::int32_t> sizes = c.bufferSizes;
  if (sizes.empty()) sizes = {2, 3, 4, 5, 7, 64, -1};
  for (std::int32_t size : sizes)
    EXPECT_EQ(ReadAllLines(c.data, size), c.lines) << "buffer size " << size;
}

// Pseudo-files report a size of 0 or of a whole page, a stale cache an old
// size: the lines are those of the data, up to where a read delivers nothing.
TEST_P(ReadLineTableTest, LinesDoNotDependOnTheReportedSize) {
  const LineCase& c = GetParam();
  const auto size = static_cast<std::int32_t>(c.data.size());
  for (std::int32_t claimed : {0, 1, size / 2, size + 1, size + 4096}) {
    for (std::int32_t buffer : {2, 3, -1})
      EXPECT_EQ(ReadAllLines(c.data, buffer, claimed), c.lines)
          << "claimed size " << claimed << ", buffer size " << buffer;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadLineTableTest,
    ::testing::Values(LineCase{"abc\r\ndef\r\n", {"abc", "def", ""}, {}},
                      LineCase{"abc\ndef\n", {"abc", "def"}, {}},
                      LineCase{"abc\rdef\r", {"abc", "def"}, {}},
                      LineCase{"abc\n\rdef\n\r", {"abc", "def", ""}, {}},
                      LineCase{"a\r\n\r\nb\r\n", {"a", "", "b", ""}, {}},
                      LineCase{"a\n\nb\n", {"a", "", "b"}, {}},
                      LineCase{"ab\r\ncd\nef\r\n", {"ab", "cdef", ""}, {}},
                      LineCase{"ab\nc\rd\n", {"ab", "cd"}, {}},
                      LineCase{"x\r\ny", {"x", "y"}, {}},
                      LineCase{"abc", {"abc"}, {}},
                      LineCase{"", {}, {}},
                      LineCase{"abcdefgh\nij\n", {"abcdefgh", "ij"}, {4}},
                      LineCase{"abc\r\ndef\r\n", {"abc", "def", ""}, {4}},
                      LineCase{"ab\r\r\ncd", {"ab", "", "cd"}, {3}},
                      LineCase{std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}, {}}),
    [](const auto& info) {
      std::string name = testsupport::CaseName(info.param.data);
      for (std::int32_t size : info.param.bufferSizes) name += "Buffer" + std::to_string(size);
      return name;
    });

TEST(ReadLineTest, LinesDoNotDependOnTheBufferSize) {
  std::mt19937 rng(7);
  const char alphabet[] = {'a', 'b', '\r', '\n', ' '};
  for (int round = 0; round < 300; ++round) {
    std::string data;
    int len = static_cast<int>(rng() % 40);
    for (int i = 0; i < len; ++i) data += alphabet[rng() % sizeof alphabet];
    auto want = ReadAllLines(data, -1);
    for (std::int32_t size : {2, 3, 4, 7})
      ASSERT_EQ(ReadAllLines(data, size), want) << "data " << ::testing::PrintToString(data);
  }
}

TEST(ReadLineTest, AfterTheEndAndLineCount) {
  TRecordingStream target("abc\r\ndef\r\n");
  TTextStream text(-1, 0, target);
  std::string line = "junk";
  for (int i = 0; i < 3; ++i) text.ReadLine(line);
  EXPECT_EQ(text.LineCount(), 3);
  EXPECT_TRUE(text.EndOfStream());
  EXPECT_EQ(text.ReadLine(line), 0);
  EXPECT_EQ(line, "");
  EXPECT_EQ(text.LineCount(), 4);
  EXPECT_EQ(text.LineEndChar(), 13);
  EXPECT_EQ(text.LineEndPairChar(), 10);
}

TEST(ReadLineTest, NoReadBufferMeansNoLines) {
  TRecordingStream target("abc\n");
  TTextStream text(0, 0, target);
  std::string line;
  try {
    text.ReadLine(line);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "Cannot read from stream");
  }
}

TEST(ReadLineTest, LongLinesAcrossManyRefills) {
  std::string big(200000, 'x');
  std::string data = big + "\n" + big + big;
  EXPECT_EQ(ReadAllLines(data, 7), (std::vector<std::string>{big, big + big}));
}

TEST(ReadLineTest, MixedWithRead) {
  TRecordingStream target("ab\ncd\nef\n");
  TTextStream text(4, 0, target);
  std::string line;
  text.ReadLine(line);
  EXPECT_EQ(line, "ab");
  char c[2];
  ASSERT_EQ(text.Read(c, 2), 2);
  EXPECT_EQ(std::string(c, 2), "cd");
  text.ReadLine(line);
  EXPECT_EQ(line, "");
  text.ReadLine(line);
  EXPECT_EQ(line, "ef");
}

TEST(WriteLineTest, WritesTextAndLineBreak) {
  TRecordingStream target;
  TTextStream text(0, 0, target);
  EXPECT_EQ(text.LineBreak(), "\r\n");
  EXPECT_EQ(text.WriteLine("ab"), 4);
  EXPECT_EQ(text.LineCount(), 1);
  EXPECT_EQ(text.WriteString(""), 0);
  EXPECT_EQ(target.Writes, (std::vector<std::int32_t>{2, 2, 0}));
  EXPECT_EQ(target.Written, "ab\r\n");
}

TEST(WriteLineTest, ReadOnlyTargetHasNoLineBreak) {
  TRecordingStream target("x", true, false);
  TTextStream text(-1, 0, target);
  EXPECT_EQ(text.LineBreak(), "");
}

TEST(TextStreamTest, RoundTripThroughAMemoryStream) {
  TMemStream mem;
  {
    TTextStream out(0, 16, mem);
    for (int i = 0; i < 1000; ++i) out.WriteLine("line " + std::to_string(i));
  }
  mem.Seek(0);
  TTextStream in(5, 0, mem);
  std::string line;
  int n = 0;
  while (!in.EndOfStream()) {
    in.ReadLine(line);
    if (n < 1000) {
      EXPECT_EQ(line, "line " + std::to_string(n));
    }
    ++n;
  }
  EXPECT_EQ(n, 1001);  // the last LF is read as one more, empty line
}

}  // namespace
