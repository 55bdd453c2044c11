// Cases only the Windows kernel shows: sharing enforced by the system for
// any name of a file, its own texts with their line break, devices.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#include "streams/Streams.h"
#include "streams/Utils.h"
#include "support/Errors.h"
#include "support/PlatformExpect.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

std::string Upper(std::string Text) {
  std::transform(Text.begin(), Text.end(), Text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return Text;
}

// A raw handle held the way another program would hold it.
class Held {
public:
  Held(const std::string& Name, DWORD Access, DWORD Share)
      : h_(::CreateFileA(Name.c_str(), Access, Share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Held() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

private:
  HANDLE h_;
};

TEST(WinSharingTest, SystemRefusesADestinationOverAnOpenSourceUnderAnotherSpelling) {
  TempDir dir;
  const std::string name = dir / "page.htm";
  WriteFile(name, "<p>source</p>");
  Held source(name, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(source.ok());
  const std::string busy = expect::Text(ERROR_SHARING_VIOLATION);
  for (const std::string& other : {name, Upper(name), dir / "sub\\..\\page.htm"}) {
    EXPECT_EQ(OpenError(other, 7), Format(SErrorOpening, {other, busy})) << other;
  }
  EXPECT_EQ(OpenError(name, 9), "");
  EXPECT_EQ(ReadFile(name), "<p>source</p>");
}

TEST(WinSharingTest, DeletingAFileHeldElsewhereFailsAfterTheClose) {
  TempDir dir;
  const std::string name = dir / "a.htm";
  auto stream = std::make_unique<TFileStream>(name, omRead | omWrite | omCreate | omShareRead);
  Held other(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(other.ok());
  try {
    TFileStream::CloseAndDelete(stream);
    FAIL() << "deleted a file that is open elsewhere";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message().rfind("Error deleting \"" + name + "\" - ", 0), 0u) << e.Message();
  }
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->Handle(), platform::kInvalidHandle);
  EXPECT_TRUE(testsupport::PathExists(name));
}

// The system's texts end with CR LF, and the messages keep it.
struct TextCase {
  const char* name;
  DWORD code;
  std::vector<std::string> texts;  // Wine's, then Windows' own
};

class WinSystemTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(WinSystemTextTest, IsTheSystemsTextWithItsLineBreak) {
  const TextCase& c = GetParam();
  const std::string text = ErrorCodeText(c.code);
  EXPECT_NE(std::find(c.texts.begin(), c.texts.end(), text), c.texts.end()) << text;
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Table, WinSystemTextTest,
    ::testing::Values(
        TextCase{"FileNotFound", ERROR_FILE_NOT_FOUND,
                 {"File not found.\r\n", "The system cannot find the file specified.\r\n"}},
        TextCase{"PathNotFound", ERROR_PATH_NOT_FOUND,
                 {"Path not found.\r\n", "The system cannot find the path specified.\r\n"}},
        TextCase{"AccessDenied", ERROR_ACCESS_DENIED, {"Access denied.\r\n", "Access is denied.\r\n"}},
        TextCase{"SharingViolation", ERROR_SHARING_VIOLATION,
                 {"Sharing violation.\r\n",
                  "The process cannot access the file because it is being used by another "
                  "process.\r\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WinSystemTextTest, MissingFileMessageEndsWithTheSystemsLineBreak) {
  TempDir dir;
  const std::string name = dir / "none.htm";
  const std::string message = OpenError(name, 9);
  EXPECT_EQ(message, Format(SErrorOpening, {name, ErrorCodeText(ERROR_FILE_NOT_FOUND)}));
  EXPECT_EQ(message.substr(message.size() - 2), "\r\n");
}

TEST(WinSystemTextTest, CodesWithoutTextGiveTheFallback) {
  for (DWORD code : {DWORD{0x3FFFFFF0}, DWORD{0xFFFFFFFF}, DWORD{0x20001234}}) {
    std::string text = "unchanged";
    EXPECT_FALSE(platform::FileEnv::Default()->ErrorText(code, &text)) << code;
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(ErrorCodeText(code), "Error occured. Error description not available!") << code;
  }
}

TEST(WinAccessTest, ReadOnlyStreamCannotWriteOrTruncate) {
  TempDir dir;
  const std::string name = dir / "a.htm";
  WriteFile(name, "0123456789");
  TFileStream s(name, 9);
  const std::string denied = expect::Text(ERROR_ACCESS_DENIED);
  try {
    s.Truncate();
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), Format(SErrorTruncating, {name, expect::Text(expect::TruncateReadOnly())}));
  }
  try {
    s.Write("x", 1);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), Format(SErrorWriting, {denied}));
  }
  EXPECT_EQ(ReadFile(name), "0123456789");
}

TEST(WinAccessTest, NegativeCountsAreRefusedBeforeTheSystemSeesThem) {
  TempDir dir;
  const std::string name = dir / "a.htm";
  WriteFile(name, "0123456789");
  platform::FileEnv* env = platform::FileEnv::Default();
  platform::FileHandle h = platform::kInvalidHandle;
  ASSERT_TRUE(env->Open(name, platform::kGenericRead | platform::kGenericWrite, 0,
                        platform::kOpenExisting, platform::kFileAttributeNormal, &h)
                  .ok());
  char buffer[16];
  std::int32_t done = 99;
  EXPECT_EQ(env->Read(h, buffer, -1, &done).code(), platform::ErrorInvalidArgument());
  EXPECT_EQ(done, 0);
  done = 99;
  EXPECT_EQ(env->Write(h, buffer, -5, &done).code(), platform::ErrorInvalidArgument());
  EXPECT_EQ(done, 0);
  std::int32_t size = -1;
  EXPECT_TRUE(env->GetSize(h, &size).ok());
  EXPECT_EQ(size, 10);
  EXPECT_TRUE(env->Close(h).ok());
}

TEST(WinAccessTest, SeekBeforeTheStartIsAnError) {
  TempDir dir;
  const std::string name = dir / "a.htm";
  WriteFile(name, "0123456789");
  TFileStream s(name, 9);
  s.Seek(4);
  EXPECT_THROW(s.Seek(-1), EInOutError);
  EXPECT_EQ(s.GetPosition(), 4);
}

struct SpecialCase {
  const char* name;
  std::string file;  // '@' stands for the test folder
  TOpenMode mode;
  DWORD code;  // 0: any error
};

class WinSpecialFileTest : public ::testing::TestWithParam<SpecialCase> {};

TEST_P(WinSpecialFileTest, IsRefusedWithoutWaiting) {
  const SpecialCase& c = GetParam();
  TempDir dir;
  const std::string file = c.file == "@" ? dir.Path() : c.file;
  const std::string error = OpenError(file, c.mode);
  if (c.code != 0)
    EXPECT_EQ(error, Format(SErrorOpening, {file, expect::Text(c.code)}));
  else
    EXPECT_EQ(error.rfind(Format(SErrorOpening, {file, ""}), 0), 0u) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WinSpecialFileTest,
    ::testing::Values(SpecialCase{"FolderForReading", "@", 9, ERROR_ACCESS_DENIED},
                      SpecialCase{"FolderForWriting", "@", 7, ERROR_ACCESS_DENIED},
                      // Devices have no size or position, and the console
                      // would wait for input: refused after the open.
                      SpecialCase{"NulDevice", "NUL", 9, ERROR_INVALID_FUNCTION},
                      SpecialCase{"NulDeviceForWriting", "NUL", 7, ERROR_INVALID_FUNCTION},
                      // Without a console the system refuses it itself.
                      SpecialCase{"Console", "CONIN$", 9, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WinDelimiterTest, IsTheBackslash) { EXPECT_EQ(platform::PathDelimiter(), '\\'); }

}  // namespace
