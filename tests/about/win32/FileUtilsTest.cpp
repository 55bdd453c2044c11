#include "about/win32/FileUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ScopedHandler.h"
#include "ui/win32/Application.h"

using testsupport::ScopedHandler;

namespace {

TEST(OpenWithShellTest, HandsTheTextsToTheShellsDefaultAction) {
  struct TCall {
    HWND Owner;
    const char* Verb;
    std::string File, Parameters, Directory;
    int Show;
  };
  std::vector<TCall> Calls;
  const ScopedHandler<TShellExecuteFunc> Shell(
      SetShellExecute, [&](HWND Owner, const char* Verb, const char* File, const char* Parameters,
                           const char* Directory, int Show) {
        ASSERT_NE(Parameters, nullptr);
        ASSERT_NE(Directory, nullptr);
        Calls.push_back({Owner, Verb, File, Parameters, Directory, Show});
      });
  const HWND Owner = reinterpret_cast<HWND>(0x4321);
  SetApplicationWindow(Owner);
  OpenWithShell("C:\\Web\\index.htm", "", "", SW_SHOW);
  OpenWithShell("notepad.exe", "a.txt", "C:\\Web", SW_SHOWMINIMIZED);
  SetApplicationWindow(nullptr);
  ASSERT_EQ(Calls.size(), 2u);
  EXPECT_EQ(Calls[0].Owner, Owner);
  EXPECT_EQ(Calls[0].Verb, nullptr);
  EXPECT_EQ(Calls[0].File, "C:\\Web\\index.htm");
  EXPECT_EQ(Calls[0].Parameters, "");
  EXPECT_EQ(Calls[0].Directory, "");
  EXPECT_EQ(Calls[0].Show, SW_SHOW);
  EXPECT_EQ(Calls[1].Parameters, "a.txt");
  EXPECT_EQ(Calls[1].Directory, "C:\\Web");
  EXPECT_EQ(Calls[1].Show, SW_SHOWMINIMIZED);
}

}  // namespace
