#include "streams/Streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "streams/Utils.h"
#include "support/FakeStreams.h"
#include "support/FaultFileEnv.h"
#include "support/Errors.h"
#include "support/PlatformExpect.h"
#include "support/TempDir.h"
#include "support/CaseName.h"

using namespace testsupport;

namespace {

using platform::SysError;

// Runs Body and returns the message of the EInOutError it raises ("" when
// it raises nothing).
std::string IoErrorOf(const std::function<void()>& Body) {
  return testsupport::MessageOf<EInOutError>(Body);
}

TEST(FormatTest, FillsPlaceholdersInOrder) {
  EXPECT_EQ(Format(SErrorOpening, {"a.htm", "gone"}), "Error opening \"a.htm\" - gone");
  EXPECT_EQ(Format("%d of %d", {"1", "2"}), "1 of 2");
  EXPECT_EQ(Format("100%% %s", {"x"}), "100% x");
  EXPECT_EQ(Format("%s and %s", {"only"}), "only and %s");
}

TEST(ErrorTextTest, UnknownCodeHasFallbackText) {
  EXPECT_EQ(ErrorCodeText(expect::UnknownCode()), "Error occured. Error description not available!");
  EXPECT_NE(ErrorCodeText(expect::FileNotFound()), SNoErrorDescription);
  EXPECT_FALSE(ErrorCodeText(expect::FileNotFound()).empty());
}

TEST(ExceptionTest, ClassesAndMessages) {
  try {
    throw EInOutError("boom");
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "boom");
    EXPECT_NE(dynamic_cast<const Exception*>(&e), nullptr);
  }
}

// ---- Opening

class NoAccessModeTest : public ::testing::TestWithParam<int> {};

TEST_P(NoAccessModeTest, RefusedAndNothingCreated) {
  TempDir dir;
  const std::string name = dir / "new.htm";
  EXPECT_EQ(IoErrorOf([&] { TFileStream s(name, static_cast<TOpenMode>(GetParam())); }),
            SNoAccessMode);
  EXPECT_FALSE(std::filesystem::exists(name));
}

INSTANTIATE_TEST_SUITE_P(Modes, NoAccessModeTest,
                         ::testing::Values(0, 4, 8, 16, 4 + 8, 4 + 16, 8 + 16, 4 + 8 + 16),
                         [](const auto& info) { return "Mode" + std::to_string(info.param); });

TEST(FileStreamOpenTest, MissingFileNamesTheFileAndTheSystemText) {
  TempDir dir;
  const std::string name = dir / "missing.htm";
  EXPECT_EQ(IoErrorOf([&] { TFileStream s(name, omRead | omShareRead); }),
            Format(SErrorOpening, {name, expect::Text(expect::FileNotFound())}));
}

TEST(FileStreamOpenTest, FlagsFollowTheMode) {
  const TempFile file("0123456789");
  TFileStream source(file.Name(), 9);
  EXPECT_TRUE(source.CanRead());
  EXPECT_FALSE(source.CanWrite());
  EXPECT_TRUE(source.ExactTransfer());
  TFileStream dest(file.Dir() / "b.htm", 7);
  EXPECT_TRUE(dest.CanRead());
  EXPECT_TRUE(dest.CanWrite());
}

TEST(FileStreamOpenTest, CreateEmptiesAnExistingFile) {
  const TempFile file("old content");
  TFileStream s(file.Name(), 7);
  EXPECT_EQ(s.GetSize(), 0);
}

TEST(FileStreamOpenTest, CreateWithoutWriteStillCreates) {
  TempDir dir;
  TFileStream s(dir / "a.htm", omRead | omCreate);
  EXPECT_TRUE(std::filesystem::exists(dir / "a.htm"));
  EXPECT_FALSE(s.CanWrite());
}

TEST(FileStreamOpenTest, CreateWithoutWriteEmptiesAnExistingFile) {
  const TempFile file("old content");
  {
    TFileStream s(file.Name(), omRead | omCreate);
    EXPECT_EQ(s.GetSize(), 0);
    EXPECT_TRUE(s.EndOfStream());
  }
  EXPECT_EQ(ReadFile(file.Name()), "");
}

TEST(FileStreamOpenTest, FailedOpenOfDirectory) {
  TempDir dir;
  EXPECT_EQ(IoErrorOf([&] { TFileStream s(dir.Path(), omRead | omShareRead); }),
            Format(SErrorOpening, {dir.Path(), expect::Text(expect::IsADirectory())}));
}

// ---- Reading and writing

TEST(FileStreamIoTest, ExactReadRaisesAfterMovingToTheEnd) {
  const TempFile file(std::string(40, 'x'));
  TFileStream s(file.Name(), 9);
  char buf[100];
  EXPECT_EQ(IoErrorOf([&] { s.Read(buf, 100); }), SReadLessThanExpected);
  EXPECT_EQ(s.GetPosition(), 40);
  EXPECT_TRUE(s.EndOfStream());
}

TEST(FileStreamIoTest, InexactReadReturnsShortCountThenZero) {
  const TempFile file(std::string(40, 'x'));
  TFileStream s(file.Name(), 9);
  s.SetExactTransfer(false);
  char buf[100];
  EXPECT_EQ(s.Read(buf, 100), 40);
  EXPECT_EQ(s.Read(buf, 100), 0);
}

TEST(FileStreamIoTest, ZeroCountsMoveNothing) {
  TempDir dir;
  TFileStream s(dir / "a.htm", 7);
  char buf[1];
  EXPECT_EQ(s.Read(buf, 0), 0);
  EXPECT_EQ(s.Write(buf, 0), 0);
}

TEST(FileStreamIoTest, EndOfStreamAndAvailable) {
  TempDir dir;
  WriteFile(dir / "empty.htm", "");
  WriteFile(dir / "ten.htm", "0123456789");
  TFileStream empty(dir / "empty.htm", 9);
  EXPECT_TRUE(empty.EndOfStream());
  TFileStream ten(dir / "ten.htm", 9);
  EXPECT_FALSE(ten.EndOfStream());
  EXPECT_EQ(ten.Available(), 10);
  char buf[10];
  ten.Read(buf, 10);
  EXPECT_TRUE(ten.EndOfStream());
  EXPECT_EQ(ten.Available(), 0);
}

TEST(FileStreamIoTest, PositionBeyondTheEndIsTheEndOfTheStream) {
  const TempFile file("0123456789", "ten.htm");
  TFileStream s(file.Name(), 9);
  s.Seek(25);
  EXPECT_EQ(s.Available(), -15);
  EXPECT_TRUE(s.EndOfStream());
}

TEST(FileStreamIoTest, WriteSeekTruncate) {
  TempDir dir;
  TFileStream s(dir / "a.htm", 7);
  EXPECT_EQ(s.Write("hello world", 11), 11);
  EXPECT_EQ(s.GetSize(), 11);
  s.Seek(5);
  s.Truncate();
  EXPECT_EQ(s.GetSize(), 5);
  s.Seek(0);
  s.Truncate();
  EXPECT_EQ(s.GetSize(), 0);
}

// A file a.htm holding "abc", for a stream with the mode of the parameter.
class OneModeTest : public ::testing::TestWithParam<int> {
protected:
  const TOpenMode mode = static_cast<TOpenMode>(GetParam());
  const TempFile file{"abc"};
  const std::string& name = file.Name();
};

// Modes without omWrite: the handle may only read, also where creating
// the file emptied it.
class ReadOnlyModeTest : public OneModeTest {};

TEST_P(ReadOnlyModeTest, RefusesTruncateAndWrite) {
  const std::string kept = (mode & omCreate) ? "" : "abc";
  {
    TFileStream s(name, mode);
    const std::string denied = expect::Text(expect::AccessDenied());
    // Wine lets a handle that emptied its file at the open truncate it.
    if (!((mode & omCreate) && expect::UnderWine())) {
      EXPECT_EQ(IoErrorOf([&] { s.Truncate(); }),
                Format(SErrorTruncating, {name, expect::Text(expect::TruncateReadOnly())}));
    }
    EXPECT_EQ(IoErrorOf([&] { s.Write("x", 1); }), Format(SErrorWriting, {denied}));
  }
  EXPECT_EQ(ReadFile(name), kept);
}

INSTANTIATE_TEST_SUITE_P(Modes, ReadOnlyModeTest,
                         ::testing::Values(omRead, omRead | omShareRead, omRead | omCreate,
                                           omRead | omCreate | omShareRead | omShareWrite));

// Modes without omRead: the handle may only write; a read is refused with
// the access-denied text and hands out none of the file's bytes.
class WriteOnlyModeTest : public OneModeTest {};

TEST_P(WriteOnlyModeTest, RefusesReads) {
  TFileStream s(name, mode);
  EXPECT_FALSE(s.CanRead());
  if (mode & omCreate) {
    s.Write("xyz", 3);
    s.Seek(0);
  }
  char buf[3] = {'-', '-', '-'};
  EXPECT_EQ(IoErrorOf([&] { s.Read(buf, 3); }),
            Format(SErrorReading, {expect::Text(expect::AccessDenied())}));
  EXPECT_EQ(std::string(buf, 3), "---");
}

INSTANTIATE_TEST_SUITE_P(Modes, WriteOnlyModeTest,
                         ::testing::Values(omWrite, omWrite | omShareRead, omWrite | omCreate,
                                           omWrite | omCreate | omShareRead | omShareWrite));

TEST(FileStreamIoTest, NegativeCountsAreInvalidArguments) {
  TempDir dir;
  TFileStream s(dir / "a.htm", 7);
  char buf[4];
  const std::string invalid = expect::Text(platform::ErrorInvalidArgument());
  EXPECT_EQ(IoErrorOf([&] { s.Read(buf, -1); }), Format(SErrorReading, {invalid}));
  EXPECT_EQ(IoErrorOf([&] { s.Write(buf, -1); }), Format(SErrorWriting, {invalid}));
}

// ---- Every error row, through injected faults

struct FaultCase {
  const char* name;
  FileCall call;
  const char* fmt;   // the message; "%s" placeholders filled below
  bool withName;     // the message names the file first
  std::function<void(TFileStream&)> action;
};

class FileStreamFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FileStreamFaultTest, RaisesThePartsMessageWithTheSystemText) {
  const FaultCase& c = GetParam();
  const TempFile file("0123456789");
  const std::string& name = file.Name();
  FaultFileEnv env;
  TFileStream s(name, omRead | omWrite, &env);
  const SysError code = expect::DiskFull();
  env.FailCall(c.call, 1, code);
  const std::string text = expect::Text(code);
  const std::string want = c.withName ? Format(c.fmt, {name, text}) : Format(c.fmt, {text});
  EXPECT_EQ(IoErrorOf([&] { c.action(s); }), want);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FileStreamFaultTest,
    ::testing::Values(
        FaultCase{"Read", FileCall::Read, SErrorReading, false,
                  [](TFileStream& s) { char b[4]; s.Read(b, 4); }},
        FaultCase{"Write", FileCall::Write, SErrorWriting, false,
                  [](TFileStream& s) { s.Write("abcd", 4); }},
        FaultCase{"GetPosition", FileCall::SetPosition, SIOError, false,
                  [](TFileStream& s) { s.GetPosition(); }},
        FaultCase{"GetSize", FileCall::GetSize, SIOError, false,
                  [](TFileStream& s) { s.GetSize(); }},
        FaultCase{"AvailableSize", FileCall::GetSize, SIOError, false,
                  [](TFileStream& s) { s.Available(); }},
        FaultCase{"Seek", FileCall::SetPosition, SErrorMovingFilePointer, false,
                  [](TFileStream& s) { s.Seek(3); }},
        FaultCase{"Truncate", FileCall::SetEnd, SErrorTruncating, true,
                  [](TFileStream& s) { s.Truncate(); }}),
    [](const ::testing::TestParamInfo<FaultCase>& i) { return std::string(i.param.name); });

TEST(FileStreamFaultTest, OpenFailureLeavesNoObjectAndNamesTheFile) {
  TempDir dir;
  FaultFileEnv env;
  env.FailCall(FileCall::Open, 1, expect::AccessDenied());
  std::unique_ptr<TFileStream> s;
  EXPECT_EQ(IoErrorOf([&] { s = std::make_unique<TFileStream>(dir / "a.htm", 7, &env); }),
            Format(SErrorOpening, {dir / "a.htm", expect::Text(expect::AccessDenied())}));
  EXPECT_EQ(s, nullptr);
  EXPECT_EQ(env.Calls(FileCall::Close), 0);
}

TEST(FileStreamFaultTest, ShortWriteWithExactTransfer) {
  TempDir dir;
  FaultFileEnv env;
  TFileStream s(dir / "a.htm", 7, &env);
  env.LimitTransfers(2);
  EXPECT_EQ(IoErrorOf([&] { s.Write("abcd", 4); }), SWroteLessThanExpected);
  s.SetExactTransfer(false);
  EXPECT_EQ(s.Write("abcd", 4), 2);
}

TEST(FileStreamFaultTest, FlushReportsNothing) {
  TempDir dir;
  FaultFileEnv env;
  TFileStream s(dir / "a.htm", 7, &env);
  env.FailCall(FileCall::Flush, 1, expect::IoError());
  EXPECT_NO_THROW(s.Flush());
  EXPECT_EQ(env.Calls(FileCall::Flush), 1);
}

// ---- CloseAndDelete

TEST(CloseAndDeleteTest, DeletesAndFrees) {
  TempDir dir;
  auto s = std::make_unique<TFileStream>(dir / "a.htm", 7);
  TFileStream::CloseAndDelete(s);
  EXPECT_EQ(s, nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir / "a.htm"));
}

TEST(CloseAndDeleteTest, DeleteRefusedWhileOpenElsewhere) {
  TempDir dir;
  const std::string name = dir / "a.htm";
  FaultFileEnv env;
  auto s = std::make_unique<TFileStream>(name, 7 | omShareRead | omShareWrite, &env);
  TFileStream other(name, omRead | omShareRead | omShareWrite);
  EXPECT_EQ(IoErrorOf([&] { TFileStream::CloseAndDelete(s); }),
            Format(SErrorDeleting, {name, expect::Text(expect::SharingViolation())}));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Handle(), platform::kInvalidHandle);
  EXPECT_TRUE(std::filesystem::exists(name));
  s.reset();  // closes nothing a second time
  EXPECT_EQ(env.Calls(FileCall::Close), 1);
}

TEST(CloseAndDeleteTest, CloseFailureKeepsTheObjectAndNeverClosesTwice) {
  TempDir dir;
  const std::string name = dir / "a.htm";
  FaultFileEnv env;
  auto s = std::make_unique<TFileStream>(name, 7, &env);
  env.FailCall(FileCall::Close, 1, expect::IoError());
  EXPECT_EQ(IoErrorOf([&] { TFileStream::CloseAndDelete(s); }),
            Format(SErrorClosing, {name, expect::Text(expect::IoError())}));
  ASSERT_NE(s, nullptr);
  s.reset();
  EXPECT_EQ(env.Calls(FileCall::Close), 1);
}

// ---- Filter streams and the copy loop

TEST(FilterStreamTest, PassesWorkOnButNotFlushOrOwnership) {
  TRecordingStream target("abcdef");
  {
    TFilterStream filter(target);
    EXPECT_FALSE(filter.CanRead());
    EXPECT_TRUE(filter.ExactTransfer());
    char buf[3];
    EXPECT_EQ(filter.Read(buf, 3), 3);
    EXPECT_EQ(filter.Write("xy", 2), 2);
    EXPECT_EQ(filter.Available(), 3);
    filter.Flush();
    filter.SetExactTransfer(false);
    EXPECT_FALSE(filter.ExactTransfer());
    EXPECT_FALSE(target.ExactTransfer());
  }
  EXPECT_EQ(target.Flushes, 0);
  EXPECT_EQ(target.Written, "xy");
}

TEST(CopyFromTest, CopiesInChunksOf4096) {
  TRecordingStream source(std::string(10000, 'q'));
  TRecordingStream dest;
  dest.CopyFrom(source);
  EXPECT_EQ(source.Reads, (std::vector<std::int32_t>{4096, 4096, 4096}));
  EXPECT_EQ(dest.Writes, (std::vector<std::int32_t>{4096, 4096, 1808}));
  EXPECT_EQ(dest.Written, source.Data);
  EXPECT_TRUE(source.ExactTransfer());
  EXPECT_EQ(source.ExactChanges, (std::vector<bool>{false, true}));
}

TEST(CopyFromTest, EmptySourceAndInexactSource) {
  TRecordingStream empty;
  TRecordingStream dest;
  dest.CopyFrom(empty);
  EXPECT_TRUE(empty.Reads.empty());
  EXPECT_TRUE(dest.Writes.empty());

  TRecordingStream inexact("abc");
  inexact.SetExactTransfer(false);
  inexact.ExactChanges.clear();
  dest.CopyFrom(inexact);
  EXPECT_TRUE(inexact.ExactChanges.empty());
  EXPECT_EQ(dest.Written, "abc");
}

// A source that promises bytes it never delivers, like a file that shrank.
class TLyingStream : public TRecordingStream {
public:
  std::int32_t Available() override { return 5; }
};

TEST(CopyFromTest, SourceThatDeliversNothingEndsTheCopy) {
  TLyingStream source;
  TRecordingStream dest;
  dest.CopyFrom(source);
  EXPECT_EQ(source.Reads.size(), 1u);
}

TEST(CopyFromTest, FileToFile) {
  const TempFile file(std::string(9000, 'z'));
  TFileStream src(file.Name(), 9);
  src.Seek(1000);
  TFileStream dst(file.Dir() / "b.htm", 7);
  dst.CopyFrom(src);
  EXPECT_EQ(dst.GetSize(), 8000);
  EXPECT_TRUE(src.ExactTransfer());
}

}  // namespace
