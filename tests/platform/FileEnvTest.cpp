// The file services of the platform, through the file stream: sharing
// between opens, 32-bit limits, system texts. The same cases hold for the
// POSIX emulation and for the Windows kernel.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "streams/Streams.h"
#include "streams/TextStrm.h"
#include "streams/Utils.h"
#include "compact/CompactHTML.h"
#include "streams/MemStream.h"
#include "support/Errors.h"
#include "support/FaultFileEnv.h"
#include "support/MemText.h"
#include "support/PlatformExpect.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

struct ShareCase {
  TOpenMode first, second;
  bool allowed;
};

class SharingTest : public ::testing::TestWithParam<ShareCase> {};

TEST_P(SharingTest, SecondOpenFollowsTheFirstOnesSharing) {
  const ShareCase& c = GetParam();
  const TempFile file("original");
  const std::string& name = file.Name();
  {
    TFileStream first(name, c.first);
    const std::string err = OpenError(name, c.second);
    if (c.allowed) {
      EXPECT_EQ(err, "");
    } else {
      EXPECT_EQ(err, Format(SErrorOpening, {name, expect::Text(expect::SharingViolation())}));
    }
  }
  // Read once the first stream is gone: Windows applies its sharing to
  // this test's own reading too.
  if (!(c.first & omCreate) && !(c.allowed && (c.second & omCreate))) {
    EXPECT_EQ(ReadFile(name), "original");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SharingTest,
    ::testing::Values(ShareCase{9, 9, true},                    // two readers that share
                      ShareCase{9, 7, false},                   // a reader refuses a writer
                      ShareCase{7, 9, false},                   // a writer shares nothing
                      ShareCase{9, 1, false},                   // the second denies reading
                      ShareCase{1 + 8 + 16, 2 + 16, false},     // the second denies reading
                      ShareCase{1 + 8 + 16, 2 + 8 + 16, true},  // all shared
                      ShareCase{1 + 16, 2 + 8, true},           // each shares what the other does
                      ShareCase{1 + 16, 1 + 8, false},          // reading not shared
                      ShareCase{3 + 8 + 16, 7 + 8 + 16, true}),
    [](const auto& info) {
      return "Mode" + std::to_string(info.param.first) + "Then" + std::to_string(info.param.second);
    });

TEST(LimitsTest, SizeBeyond32BitsIsAnOverflowNotAWrappedNumber) {
  const TempFile file("", "big.htm");
  std::filesystem::resize_file(file.Name(), 3ULL * 1024 * 1024 * 1024);  // sparse where it can be
  TFileStream s(file.Name(), 9);
  const std::string overflow = expect::Text(platform::ErrorOverflow());
  try {
    s.GetSize();
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), Format(SIOError, {overflow}));
  }
  EXPECT_THROW(s.Available(), EInOutError);
}

TEST(LimitsTest, WritePast2GBIsRefused) {
  TempDir dir;
  TFileStream s(dir / "big.htm", 7);
  s.Seek(0x7FFFFFF0);
  char buf[32] = {};
  try {
    s.Write(buf, 32);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), Format(SErrorWriting, {expect::Text(platform::ErrorFileTooLarge())}));
  }
  EXPECT_EQ(s.Write(buf, 15), 15);
}

// Every call the file services saw, of the kinds a Read or Write could make.
std::vector<int> CallCounts(const FaultFileEnv& Env) {
  std::vector<int> counts;
  for (FileCall c : {FileCall::Read, FileCall::Write, FileCall::SetPosition, FileCall::GetSize})
    counts.push_back(Env.Calls(c));
  return counts;
}

TEST(OneCallTest, ReadAndWriteAreOneCallEachAndAskForNoPosition) {
  TempDir dir;
  FaultFileEnv env;
  TFileStream s(dir / "a.htm", 7, &env);
  s.SetExactTransfer(false);
  const std::string text(5000, 'x');
  for (int i = 0; i < 3; ++i) ASSERT_EQ(s.Write(text.data(), 5000), 5000);
  EXPECT_EQ(CallCounts(env), (std::vector<int>{0, 3, 0, 0}));
  s.Seek(0);
  char buffer[4096];
  EXPECT_EQ(s.Read(buffer, 4096), 4096);
  EXPECT_EQ(s.Read(buffer, 4096), 4096);
  EXPECT_EQ(s.Read(buffer, 4096), 4096);
  EXPECT_EQ(s.Read(buffer, 4096), 2712);  // the short one at the end
  EXPECT_EQ(s.Read(buffer, 4096), 0);
  EXPECT_EQ(CallCounts(env), (std::vector<int>{5, 3, 1, 0}));  // the one Seek
}

// How the position got near the 32-bit limit before a write of 32 bytes,
// which must be refused, and one of 15, which fits.
struct NearLimitCase {
  const char* name;
  std::function<void(TFileStream&)> reach;
  int asks;  // how often the writes must ask for the position
};

void PrintTo(const NearLimitCase& c, std::ostream* os) { *os << c.name; }

class NearLimitTest : public ::testing::TestWithParam<NearLimitCase> {};

TEST_P(NearLimitTest, WritePastTheLimitIsRefusedWithoutAskingForThePosition) {
  const TempFile file("", "big.htm");
  std::filesystem::resize_file(file.Name(), 0x7FFFFFF0);  // sparse where it can be
  FaultFileEnv env;
  TFileStream s(file.Name(), 3, &env);
  s.SetExactTransfer(false);
  GetParam().reach(s);
  const int asked = env.Calls(FileCall::SetPosition);
  char buf[32] = {};
  try {
    s.Write(buf, 32);
    FAIL() << "a write past the limit went through";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), Format(SErrorWriting, {expect::Text(platform::ErrorFileTooLarge())}));
  }
  EXPECT_EQ(s.Write(buf, 15), 15);
  EXPECT_EQ(s.GetPosition(), 0x7FFFFFFF);
  EXPECT_EQ(env.Calls(FileCall::SetPosition), asked + GetParam().asks + 1);  // + GetPosition
  EXPECT_EQ(s.GetSize(), 0x7FFFFFFF);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, NearLimitTest,
    ::testing::Values(
        NearLimitCase{"BySeek", [](TFileStream& s) { s.Seek(0x7FFFFFF0); }, 0},
        NearLimitCase{"ByReading",
                      [](TFileStream& s) {
                        s.Seek(0x7FFFF000);
                        std::vector<char> b(0xFF0);
                        ASSERT_EQ(s.Read(b.data(), 0xFF0), 0xFF0);
                      },
                      0},
        NearLimitCase{"ByWriting",
                      [](TFileStream& s) {
                        s.Seek(0x7FFFF000);
                        std::vector<char> b(0xFF0, 'w');
                        ASSERT_EQ(s.Write(b.data(), 0xFF0), 0xFF0);
                      },
                      0},
        NearLimitCase{"ByReadingToTheEnd",
                      [](TFileStream& s) {
                        s.Seek(0x7FFFFF00);
                        std::vector<char> b(4096);
                        ASSERT_EQ(s.Read(b.data(), 4096), 0xF0);
                        ASSERT_EQ(s.Read(b.data(), 4096), 0);
                      },
                      0},
        NearLimitCase{"ByAFailedSeekAfterwards",
                      [](TFileStream& s) {
                        s.Seek(0x7FFFFFF0);
                        EXPECT_THROW(s.Seek(-1), EInOutError);
                      },
                      1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OneCallTest, AfterAFailedTransferThePositionIsAskedForOnce) {
  TempDir dir;
  FaultFileEnv env;
  TFileStream s(dir / "big.htm", 7, &env);
  s.Seek(0x7FFFFFF0);
  char buf[32] = {};
  env.FailCall(FileCall::Write, 1, platform::ErrorInvalidArgument());
  EXPECT_THROW(s.Write(buf, 8), EInOutError);
  const int asked = env.Calls(FileCall::SetPosition);
  EXPECT_THROW(s.Write(buf, 32), EInOutError);  // still refused
  EXPECT_EQ(env.Calls(FileCall::SetPosition), asked + 1);
  EXPECT_EQ(s.Write(buf, 8), 8);
  EXPECT_EQ(s.Write(buf, 7), 7);
  EXPECT_EQ(env.Calls(FileCall::SetPosition), asked + 1);
  EXPECT_EQ(s.GetSize(), 0x7FFFFFFF);
}

TEST(ErrorTextTest, SystemTextsAndFallback) {
  std::string text;
  EXPECT_TRUE(platform::FileEnv::Default()->ErrorText(expect::FileNotFound(), &text));
  EXPECT_FALSE(text.empty());
  EXPECT_FALSE(platform::FileEnv::Default()->ErrorText(expect::UnknownCode(), &text));
}

// A file service whose sizes are wrong (as pseudo-files and stale caches
// report them): lines are read up to where a read delivers nothing.
class LyingSizeTest : public ::testing::TestWithParam<std::int32_t> {
protected:
  // A file holding Contents, opened for reading through file services that
  // report the parameter as its size.
  TFileStream Open(const std::string& Contents) {
    WriteFile(dir_ / "a.htm", Contents);
    env_.ReportSize(GetParam());
    return TFileStream(dir_ / "a.htm", 9, &env_);
  }
  TempDir dir_;
  FaultFileEnv env_;
};

TEST_P(LyingSizeTest, LinesAreReadToTheRealEnd) {
  TFileStream file = Open("ab\r\ncd\r\nef");
  TTextStream text(4, 0, file);
  std::vector<std::string> lines;
  std::string line;
  while (!text.EndOfStream() && lines.size() < 10) {
    text.ReadLine(line);
    lines.push_back(line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"ab", "cd", "ef"}));
  EXPECT_EQ(file.GetPosition(), 10);
}

TEST_P(LyingSizeTest, CompactionCopiesWhatTheFileHolds) {
  TFileStream file = Open("<p>  a  </p>\r\n<pre>\r\n b\r\n");
  TMemStream out;
  CompactHTML(file, out);
  EXPECT_EQ(MemContents(out), "<p> a </p><pre>\r\n b\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(ReportedSizes, LyingSizeTest, ::testing::Values(0, 3, 4096),
                         [](const auto& info) { return "Size" + std::to_string(info.param); });

}  // namespace
