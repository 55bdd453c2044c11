// The source picker's dialog: the answer's list, and the system's real
// open-file dialog, answered by a thread of the test as a user would.

#include "app/win32/OpenDialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <cderr.h>
#include <dlgs.h>

#include <cstring>
#include <string>
#include <vector>

#include "streams/Streams.h"
#include "support/TempDir.h"
#include "support/win32/GuiTest.h"

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

std::vector<std::string> Files(const std::string& List) {
  return OpenDialogFiles(List.data(), List.size());
}

TEST(OpenDialogFilesTest, OnePathOrAFolderWithItsFiles) {
  using namespace std::string_literals;
  EXPECT_THAT(Files("C:\\Web\\a.htm\0\0"s), ElementsAre("C:\\Web\\a.htm"));
  EXPECT_THAT(Files("C:\\Web\0b.htm\0a.htm\0c.asp\0\0"s),
              ElementsAre("C:\\Web\\b.htm", "C:\\Web\\a.htm", "C:\\Web\\c.asp"));
  // A drive root keeps its one backslash.
  EXPECT_THAT(Files("C:\\\0a.htm\0b.htm\0\0"s), ElementsAre("C:\\a.htm", "C:\\b.htm"));
  EXPECT_THAT(Files("\\\\server\\share\0a.htm\0b.htm\0\0"s),
              ElementsAre("\\\\server\\share\\a.htm", "\\\\server\\share\\b.htm"));
  EXPECT_THAT(Files("\0\0"s), IsEmpty());
  // The list ends where the buffer does, also without its final NULs.
  EXPECT_THAT(Files("C:\\Web\0a.htm"s), ElementsAre("C:\\Web\\a.htm"));
}

// What the answering thread saw of the dialog.
struct TDialogSeen {
  std::string Title;
  std::string Folder;
  std::string FileType;
  bool ReadOnlyBox = true;
};

// Types Names into the dialog's file name field and presses Open.
std::function<void(HWND)> Choose(std::vector<TDialogSeen>* Seen, const std::string& Names) {
  return [Seen, Names](HWND Dialog) {
    TDialogSeen seen;
    seen.Title = TextOf(Dialog);
    char folder[MAX_PATH] = {};
    SendMessageA(Dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    seen.Folder = folder;
    seen.FileType = TextOf(GetDlgItem(Dialog, cmb1));
    const HWND readOnly = GetDlgItem(Dialog, chx1);
    seen.ReadOnlyBox = readOnly != nullptr && IsWindowVisible(readOnly);
    Seen->push_back(seen);
    HWND name = GetDlgItem(Dialog, cmb13);
    if (name == nullptr) name = GetDlgItem(Dialog, edt1);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Names.c_str()));
    Press(Dialog, IDOK);
  };
}

class OpenDialogTest : public testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"a.htm", "b.html", "c.asp", "d.txt"}) WriteFile(dir / name, "x");
  }
  TempDir dir;
  std::vector<TDialogSeen> seen;
};

TEST_F(OpenDialogTest, ReturnsTheChosenFilesInTheDialogsOrder) {
  DialogAnswerer answerer("Select file(s)", Choose(&seen, "\"c.asp\" \"a.htm\" \"b.html\""));
  const auto files = RunOpenDialog(nullptr, dir.Path() + "\\");
  ASSERT_TRUE(files);
  EXPECT_THAT(*files, ElementsAre(dir / "c.asp", dir / "a.htm", dir / "b.html"));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Title, "Select file(s)");
  EXPECT_EQ(seen[0].FileType, "HTML and ASP documents");
  EXPECT_FALSE(seen[0].ReadOnlyBox);
  EXPECT_EQ(lstrcmpiA(seen[0].Folder.c_str(), dir.Path().c_str()), 0) << seen[0].Folder;
}

TEST_F(OpenDialogTest, OneFileGivesItsFullPath) {
  DialogAnswerer answerer("Select file(s)", Choose(&seen, "a.htm"));
  const auto files = RunOpenDialog(nullptr, dir.Path());
  ASSERT_TRUE(files);
  EXPECT_THAT(*files, ElementsAre(dir / "a.htm"));
}

TEST_F(OpenDialogTest, CancelGivesNothing) {
  DialogAnswerer answerer("Select file(s)", [](HWND Dialog) { Press(Dialog, IDCANCEL); });
  EXPECT_FALSE(RunOpenDialog(nullptr, dir.Path()));
  EXPECT_EQ(answerer.Seen().size(), 1u);
}

TEST_F(OpenDialogTest, ManyFilesAtOnceStayWhole) {
  std::string names;
  std::vector<std::string> want;
  for (int i = 0; i < 250; ++i) {
    const std::string name = "page-with-a-long-name-" + std::to_string(i) + ".htm";
    WriteFile(dir / name, "x");
    names += "\"" + name + "\" ";
    want.push_back(dir / name);
  }
  DialogAnswerer answerer("Select file(s)", Choose(&seen, names));
  const auto files = RunOpenDialog(nullptr, dir.Path());
  ASSERT_TRUE(files);
  EXPECT_EQ(*files, want);
}

// What the system's dialog is asked for, and answers it cannot be made to
// give under test.
struct TRequest {
  std::string Title, Filter, InitialDir;
  DWORD Flags = 0;
  DWORD BufferSize = 0;
  HWND Owner = nullptr;
};

TRequest Requested(const OPENFILENAMEA& Dialog) {
  TRequest r;
  r.Title = Dialog.lpstrTitle ? Dialog.lpstrTitle : "(null)";
  for (const char* f = Dialog.lpstrFilter; f && *f; f += std::strlen(f) + 1) r.Filter += f + std::string("|");
  r.InitialDir = Dialog.lpstrInitialDir ? Dialog.lpstrInitialDir : "(null)";
  r.Flags = Dialog.Flags;
  r.BufferSize = Dialog.nMaxFile;
  r.Owner = Dialog.hwndOwner;
  return r;
}

TEST(OpenDialogRequestTest, TitleFilterAndOptions) {
  std::vector<TRequest> requests;
  const auto cancel = [&](OPENFILENAMEA& Dialog, DWORD* Error) {
    requests.push_back(Requested(Dialog));
    *Error = 0;
    return false;
  };
  const HWND owner = reinterpret_cast<HWND>(0x1234);
  EXPECT_FALSE(RunOpenDialog(owner, "C:\\Web\\", kOpenDialogBuffer, cancel));
  EXPECT_FALSE(RunOpenDialog(owner, "", kOpenDialogBuffer, cancel));
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Title, "Select file(s)");
  EXPECT_EQ(requests[0].Filter, "HTML and ASP documents|*.htm;*.html;*.asp|");
  EXPECT_EQ(requests[0].Flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT |
                                                  OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST |
                                                  OFN_EXPLORER));
  EXPECT_EQ(requests[0].InitialDir, "C:\\Web\\");
  EXPECT_EQ(requests[0].Owner, owner);
  EXPECT_EQ(requests[0].BufferSize, kOpenDialogBuffer);
  // No folder: where the system likes.
  EXPECT_EQ(requests[1].InitialDir, "(null)");
}

TEST(OpenDialogRequestTest, ABufferTooSmallGrowsToWhatTheDialogNeeds) {
  using namespace std::string_literals;
  const std::string answer = "C:\\Web\0a.htm\0b.htm\0\0"s;
  std::vector<TRequest> requests;
  const auto show = [&](OPENFILENAMEA& Dialog, DWORD* Error) {
    requests.push_back(Requested(Dialog));
    if (Dialog.nMaxFile < answer.size()) {
      // The first two bytes say how many characters the answer needs.
      Dialog.lpstrFile[0] = static_cast<char>(answer.size());
      Dialog.lpstrFile[1] = 0;
      *Error = FNERR_BUFFERTOOSMALL;
      return false;
    }
    std::memcpy(Dialog.lpstrFile, answer.data(), answer.size());
    return true;
  };
  const auto files = RunOpenDialog(nullptr, "C:\\Web\\", 8, show);
  ASSERT_TRUE(files);
  EXPECT_THAT(*files, ElementsAre("C:\\Web\\a.htm", "C:\\Web\\b.htm"));
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].BufferSize, 8u);
  EXPECT_GE(requests[1].BufferSize, answer.size());
  EXPECT_EQ(requests[1].InitialDir, "C:\\Web\\") << "shown again where it started";
}

TEST(OpenDialogRequestTest, ADialogThatFailsRaises) {
  const auto fail = [](OPENFILENAMEA&, DWORD* Error) {
    *Error = CDERR_MEMALLOCFAILURE;
    return false;
  };
  EXPECT_THROW(RunOpenDialog(nullptr, "", kOpenDialogBuffer, fail), Exception);
}

}  // namespace
