#include "streams/MemStream.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/CaseName.h"

using testsupport::TempDir;
using testsupport::ReadFile;

namespace {

std::vector<std::int32_t> Capacities(const TMemStream& s) {
  std::vector<std::int32_t> caps;
  for (const TMemBlock* b = s.FirstBlock(); b != nullptr; b = b->Next) caps.push_back(b->Capacity);
  return caps;
}

std::string Bytes(int n, char base = 'a') {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>(base + i % 23);
  return s;
}

std::string ReadAll(TMemStream& s) {
  std::string out(static_cast<std::size_t>(s.Available()), '\0');
  s.Read(out.data(), static_cast<std::int32_t>(out.size()));
  return out;
}

TEST(MemStreamTest, NewStreamIsEmpty) {
  TMemStream s;
  EXPECT_TRUE(s.CanRead());
  EXPECT_TRUE(s.CanWrite());
  EXPECT_TRUE(s.ExactTransfer());
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_TRUE(s.EndOfStream());
  EXPECT_EQ(s.CurrentBlock(), &EmptyBlock);
  char buf[10];
  EXPECT_EQ(s.Read(buf, 0), 0);
  EXPECT_EQ(s.Write(buf, 0), 0);
  try {
    s.Read(buf, 10);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "Error reading from stream - ");
  }
  s.SetExactTransfer(false);
  EXPECT_EQ(s.Read(buf, 10), 0);
}

struct BlockCase {
  std::vector<int> writes;
  std::vector<std::int32_t> capacities;
};

class MemBlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(MemBlockTest, BlockArithmetic) {
  TMemStream s;
  std::string all;
  for (int n : GetParam().writes) {
    std::string chunk = Bytes(n, static_cast<char>('a' + all.size() % 7));
    EXPECT_EQ(s.Write(chunk.data(), n), n);
    all += chunk;
  }
  EXPECT_EQ(Capacities(s), GetParam().capacities);
  EXPECT_EQ(s.GetSize(), static_cast<std::int32_t>(all.size()));
  s.Seek(0);
  EXPECT_EQ(ReadAll(s), all);
}

INSTANTIATE_TEST_SUITE_P(Table, MemBlockTest,
                         ::testing::Values(BlockCase{{100, 5000}, {4096, 4096}},
                                           BlockCase{{10000}, {10000}},
                                           BlockCase{{4096, 1}, {4096, 4096}},
                                           BlockCase{{4000, 5000}, {4096, 4904}},
                                           BlockCase{{1, 1, 1}, {4096}}),
                         [](const auto& info) {
                           std::string name = "Writes";
                           for (int n : info.param.writes) name += "_" + std::to_string(n);
                           return name;
                         });

TEST(MemStreamTest, OverwriteAfterSeek) {
  TMemStream s;
  std::string a = Bytes(100), b = Bytes(5000, 'A');
  s.Write(a.data(), 100);
  s.Write(b.data(), 5000);
  s.Seek(0);
  s.Write("0123456789", 10);
  EXPECT_EQ(s.GetSize(), 5100);
  EXPECT_EQ(s.GetPosition(), 10);
  s.Seek(0);
  EXPECT_EQ(ReadAll(s), "0123456789" + (a + b).substr(10));
}

TEST(MemStreamTest, SeekBounds) {
  TMemStream s;
  s.Write("abcdef", 6);
  s.Seek(6);
  EXPECT_EQ(s.Available(), 0);
  for (std::int32_t bad : {7, -1}) {
    try {
      s.Seek(bad);
      FAIL();
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.Message(), "Error moving stream pointer");
    }
  }
  EXPECT_EQ(s.GetPosition(), 6);
}

TEST(MemStreamTest, SeekToABlockBoundary) {
  TMemStream s;
  std::string a(4096, 'a'), b(4096, 'b');
  s.Write(a.data(), 4096);
  s.Write(b.data(), 4096);
  s.Seek(0);
  s.Seek(4096);
  EXPECT_EQ(s.CurrentBlock(), s.FirstBlock());
  EXPECT_EQ(s.BlockOffset(), 4096);
  char c;
  s.Read(&c, 1);
  EXPECT_EQ(c, 'b');
  s.Seek(8000);  // forward across
  s.Seek(10);    // backward restarts at the first block
  s.Read(&c, 1);
  EXPECT_EQ(c, 'a');
}

TEST(MemStreamTest, TruncateKeepsTheCurrentBlock) {
  TMemStream s;
  std::string data = Bytes(3 * 4096);
  for (int i = 0; i < 3; ++i) s.Write(data.data() + i * 4096, 4096);
  s.Seek(4096 + 100);
  s.Truncate();
  EXPECT_EQ(Capacities(s), (std::vector<std::int32_t>{4096, 4096}));
  EXPECT_EQ(s.GetSize(), 4196);
  s.Seek(0);
  s.Truncate();
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_EQ(Capacities(s), (std::vector<std::int32_t>{4096}));
  s.Write(data.data(), 4096);  // fits the kept block
  EXPECT_EQ(Capacities(s), (std::vector<std::int32_t>{4096}));
}

TEST(MemStreamTest, ClearFreesEverythingAndKeepsFlags) {
  TMemStream s;
  s.Clear();
  EXPECT_EQ(s.FirstBlock(), nullptr);
  s.Write("abc", 3);
  s.SetExactTransfer(false);
  s.Clear();
  EXPECT_EQ(s.FirstBlock(), nullptr);
  EXPECT_EQ(s.CurrentBlock(), &EmptyBlock);
  EXPECT_EQ(s.GetSize(), 0);
  EXPECT_EQ(s.GetPosition(), 0);
  EXPECT_FALSE(s.ExactTransfer());
  s.Truncate();  // no blocks: nothing changes
  EXPECT_EQ(s.FirstBlock(), nullptr);
}

TEST(MemStreamTest, ShortReadKeepsWhatWasCopied) {
  TMemStream s;
  s.Write("abcdef", 6);
  s.Seek(2);
  char buf[10] = {};
  EXPECT_THROW(s.Read(buf, 10), EInOutError);
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_EQ(s.GetPosition(), 6);
}

TEST(MemStreamTest, RefusesToGrowPast2GB) {
  TMemStream s;
  s.Write("abc", 3);
  // The check comes before any byte of the buffer is looked at.
  char dummy = 0;
  EXPECT_THROW(s.Write(&dummy, std::numeric_limits<std::int32_t>::max() - 2), EInOutError);
  EXPECT_EQ(s.GetSize(), 3);
  EXPECT_EQ(s.GetPosition(), 3);
}

TEST(MemStreamTest, CopyFromIntoAFile) {
  TempDir dir;
  TMemStream s;
  std::string data = Bytes(9000);
  s.Write(data.data(), 9000);
  s.Seek(1000);
  {
    TFileStream f(dir / "out.htm", 7);
    f.CopyFrom(s);
  }
  EXPECT_EQ(ReadFile(dir / "out.htm"), data.substr(1000));
  EXPECT_TRUE(s.ExactTransfer());
}

}  // namespace
