#include "streams/BufStream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/FakeStreams.h"
#include "support/CaseName.h"
#include "support/Errors.h"

namespace {

struct SizeCase {
  std::int32_t readSize, writeSize;
  bool readable, writable;
  bool raises;
  std::int32_t wantRead, wantWrite;
};

class BufferSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(BufferSizeTest, SizesAndInvalidValues) {
  const SizeCase& c = GetParam();
  TRecordingStream target("", c.readable, c.writable);
  if (c.raises) {
    try {
      TBufferedStream s(c.readSize, c.writeSize, target);
      FAIL() << "no EStreamCreate";
    } catch (const EStreamCreate& e) {
      EXPECT_EQ(e.Message(), "Invalid buffer size");
    }
    // The half-built stream gave the target its flag back.
    EXPECT_TRUE(target.ExactTransfer());
    return;
  }
  TBufferedStream s(c.readSize, c.writeSize, target);
  EXPECT_EQ(s.ReadBufferSize(), c.wantRead);
  EXPECT_EQ(s.WriteBufferSize(), c.wantWrite);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BufferSizeTest,
    ::testing::Values(SizeCase{-1, -1, true, true, false, 65536, 65536},
                      SizeCase{0, 0, true, true, false, 0, 0},
                      SizeCase{2, 2, true, true, false, 2, 2},
                      SizeCase{1, 0, true, true, true, 0, 0},
                      SizeCase{-2, 0, true, true, true, 0, 0},
                      SizeCase{0, -100, true, true, true, 0, 0},
                      SizeCase{1, 8, false, true, false, 0, 8},   // read side not wanted
                      SizeCase{8, 1, true, false, false, 8, 0},   // write side not wanted
                      SizeCase{-1, 5, false, false, false, 0, 0}),
    [](const auto& info) {
      const SizeCase& c = info.param;
      return "Read" + testsupport::CaseNumber(c.readSize) + "Write" +
             testsupport::CaseNumber(c.writeSize) + (c.readable ? "" : "Unreadable") +
             (c.writable ? "" : "Unwritable");
    });

TEST(BufferedStreamTest, ReadSideChecksFirst) {
  TRecordingStream target;
  try {
    TBufferedStream s(1, 1, target);
  } catch (const EStreamCreate&) {
    SUCCEED();
    return;
  }
  FAIL();
}

TEST(BufferedStreamTest, TargetExactTransferOffWhileWrappedForReading) {
  TRecordingStream target("abc");
  {
    TBufferedStream s(-1, 0, target);
    EXPECT_FALSE(target.ExactTransfer());
    EXPECT_TRUE(s.ExactTransfer());
  }
  EXPECT_TRUE(target.ExactTransfer());
  TRecordingStream untouched("abc");
  { TBufferedStream s(0, 0, untouched); }
  EXPECT_TRUE(untouched.ExactChanges.empty());
}

TEST(BufferedStreamTest, AvailableCountsReadAhead) {
  TRecordingStream target("0123456789");
  TBufferedStream s(64, 0, target);
  char c;
  s.Read(&c, 0);
  EXPECT_EQ(s.Available(), 10);
  target.SetExactTransfer(false);
  ASSERT_EQ(s.Read(&c, 1), 1);  // reads the whole target into the buffer
  EXPECT_EQ(target.Available(), 0);
  EXPECT_EQ(s.Available(), 9);
  EXPECT_FALSE(s.EndOfStream());
}

TEST(BufferedStreamTest, ReadPaths) {
  std::string data;
  for (int i = 0; i < 100; ++i) data += static_cast<char>('a' + i % 26);
  TRecordingStream target(data);
  TBufferedStream s(16, 0, target);
  char buf[64];
  ASSERT_EQ(s.Read(buf, 4), 4);  // refill of 16
  EXPECT_EQ(std::string(buf, 4), data.substr(0, 4));
  ASSERT_EQ(s.Read(buf, 10), 10);  // from the buffer
  EXPECT_EQ(std::string(buf, 10), data.substr(4, 10));
  ASSERT_EQ(s.Read(buf, 40), 40);  // 2 buffered + 38 directly
  EXPECT_EQ(std::string(buf, 40), data.substr(14, 40));
  EXPECT_EQ(target.Reads, (std::vector<std::int32_t>{16, 38}));
  ASSERT_EQ(s.Read(buf, 5), 5);  // refill
  EXPECT_EQ(std::string(buf, 5), data.substr(54, 5));
  EXPECT_THROW(s.Read(buf, 64), EInOutError);  // 41 left
  s.SetExactTransfer(false);
  EXPECT_EQ(s.Read(buf, 10), 0);
}

TEST(BufferedStreamTest, LargeReadWithEmptyBufferGoesStraightToTarget) {
  TRecordingStream target(std::string(100, 'x'));
  TBufferedStream s(16, 0, target);
  char buf[32];
  EXPECT_EQ(s.Read(buf, 16), 16);
  EXPECT_EQ(target.Reads, (std::vector<std::int32_t>{16}));
  EXPECT_EQ(s.Available(), 84);
}

TEST(BufferedStreamTest, ShortRefillRaisesOrReturnsTheCount) {
  TRecordingStream target("abcdef");
  TBufferedStream s(16, 0, target);
  char buf[10];
  EXPECT_THROW(s.Read(buf, 10), EInOutError);
  TRecordingStream target2("abcdef");
  TBufferedStream t(16, 0, target2);
  t.SetExactTransfer(false);
  EXPECT_EQ(t.Read(buf, 10), 6);
  EXPECT_EQ(std::string(buf, 6), "abcdef");
}

TEST(BufferedStreamTest, WriteThroughTheBuffer) {
  TRecordingStream target;
  {
    TBufferedStream s(0, 8, target);
    EXPECT_EQ(s.Write("abc", 3), 3);
    EXPECT_TRUE(target.Writes.empty());
    s.Flush();
    EXPECT_EQ(target.Writes, (std::vector<std::int32_t>{3}));
    EXPECT_EQ(s.Write("12345678", 8), 8);  // exactly fills: stays waiting
    EXPECT_EQ(target.Writes.size(), 1u);
    EXPECT_EQ(s.Write("xy", 2), 2);  // full buffer out, 2 wait
    EXPECT_EQ(s.Write("ABCDEFGHIJKLMNOPQRST", 20), 20);  // fill 6, flush, 14 direct
    EXPECT_EQ(target.Flushes, 0);
  }
  EXPECT_EQ(target.Writes, (std::vector<std::int32_t>{3, 8, 8, 14}));
  EXPECT_EQ(target.Written, "abc12345678xyABCDEFGHIJKLMNOPQRST");
}

TEST(BufferedStreamTest, DestructorWritesWhatWaits) {
  TRecordingStream target;
  { TBufferedStream s(0, 8, target); s.Write("abc", 3); }
  EXPECT_EQ(target.Written, "abc");
}

// A write buffer of 8 bytes, its ExactTransfer set to Exact, over a target
// whose own is off and that takes at most Limit bytes a write.
struct TShortWrites {
  TShortWrites(std::int32_t Limit, bool Exact) {
    target.SetExactTransfer(false);
    target.WriteLimit = Limit;
    stream = std::make_unique<TBufferedStream>(0, 8, target);
    stream->SetExactTransfer(Exact);
    target.SetExactTransfer(false);
  }
  TRecordingStream target;
  std::unique_ptr<TBufferedStream> stream;
};

TEST(BufferedStreamTest, ShortTargetWriteIsAnErrorOrTheCountTaken) {
  {
    // Exact: the short write is reported.
    TShortWrites exact(5, true);
    exact.stream->Write("abc", 3);
    EXPECT_EQ(testsupport::MessageOf<EInOutError>([&] { exact.stream->Write("defghij", 7); }),
              "Wrote less than expected");
  }
  // Not exact: the count of the caller's bytes the target took, never negative.
  TShortWrites w(5, false);
  TRecordingStream& target = w.target;
  TBufferedStream& s = *w.stream;
  s.Write("abc", 3);
  EXPECT_EQ(s.Write("defghij", 7), 2);  // "abc" + "de" taken
  EXPECT_EQ(target.Written, "abcde");
  // Waiting bytes the target does not take stay waiting and are not the
  // caller's to count.
  s.Write("fgh", 3);
  target.WriteLimit = 2;
  EXPECT_EQ(s.Write("klmnopqrs", 9), 0);  // only "fg" went out
  EXPECT_EQ(target.Written, "abcdefg");
  target.WriteLimit = -1;
  s.Flush();
  EXPECT_EQ(target.Written, "abcdefgh");
}

// A target whose reported size is not where its data ends: the buffered
// stream ends where a read delivers nothing.
struct ClaimCase {
  const char* name;
  std::string data;
  std::int32_t claimedSize;
};

class BufferedClaimTest : public ::testing::TestWithParam<ClaimCase> {};

TEST_P(BufferedClaimTest, ReadsToTheRealEndWhateverTheSizeSays) {
  const ClaimCase& c = GetParam();
  TRecordingStream target(c.data);
  target.ClaimedSize = c.claimedSize;
  TBufferedStream s(4, 0, target);
  s.SetExactTransfer(false);
  std::string got;
  char buf[3];
  for (int guard = 0; !s.EndOfStream(); ++guard) {
    ASSERT_LT(guard, 100) << "EndOfStream never came";
    const std::int32_t n = s.Read(buf, sizeof buf);
    got.append(buf, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(got, c.data);
  EXPECT_EQ(s.Available(), 0);
  EXPECT_TRUE(s.EndOfStream());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BufferedClaimTest,
    ::testing::Values(ClaimCase{"Honest", "0123456789", -1},
                      ClaimCase{"ClaimsNothing", "0123456789", 0},
                      ClaimCase{"ClaimsAPage", "0123456789", 4096},
                      ClaimCase{"ClaimsLess", "0123456789", 5},
                      ClaimCase{"EmptyClaimsAPage", "", 4096}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BufferedStreamTest, AvailableOfATargetThatClaimsNothingCountsWhatWasReadAhead) {
  TRecordingStream target("0123456789");
  target.ClaimedSize = 0;
  TBufferedStream s(64, 0, target);
  EXPECT_FALSE(s.EndOfStream());  // reads ahead: the data goes on
  EXPECT_EQ(s.Available(), 10);
  EXPECT_EQ(target.Reads, (std::vector<std::int32_t>{64}));
}

TEST(BufferedStreamTest, EndOfStreamAtTheRealEndAsksTheTargetOnce) {
  TRecordingStream target("abc");
  TBufferedStream s(64, 0, target);
  char buf[3];
  ASSERT_EQ(s.Read(buf, 3), 3);
  EXPECT_TRUE(s.EndOfStream());
  EXPECT_TRUE(s.EndOfStream());
  EXPECT_EQ(target.Reads, (std::vector<std::int32_t>{64, 64}));
}

TEST(BufferedStreamTest, FlushKeepsItsBytesWhenTheTargetRaises) {
  TRecordingStream target;
  TBufferedStream s(0, 8, target);
  s.Write("abc", 3);
  target.FailingWrites = 1;
  EXPECT_THROW(s.Flush(), EInOutError);
  EXPECT_EQ(target.Written, "");
  s.Flush();  // the retry writes them
  EXPECT_EQ(target.Written, "abc");
  EXPECT_EQ(target.Writes, (std::vector<std::int32_t>{3, 3}));
  s.Flush();  // nothing waits any more
  EXPECT_EQ(target.Writes.size(), 2u);
}

TEST(BufferedStreamTest, FlushThatTheTargetTakesPartlyKeepsTheRestWaiting) {
  TShortWrites w(2, true);
  TRecordingStream& target = w.target;
  TBufferedStream& s = *w.stream;
  s.Write("abcde", 5);
  EXPECT_EQ(testsupport::MessageOf<EInOutError>([&] { s.Flush(); }), "Wrote less than expected");
  EXPECT_EQ(target.Written, "ab");
  s.SetExactTransfer(false);
  target.WriteLimit = -1;
  s.Flush();
  EXPECT_EQ(target.Written, "abcde");
}

}  // namespace
