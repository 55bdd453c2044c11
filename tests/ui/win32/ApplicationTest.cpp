#include "ui/win32/Application.h"

#include <gtest/gtest.h>

namespace {

TEST(ApplicationTest, TheTitleIsTheProgramsNameUntilStartUpSetsIt) {
  EXPECT_EQ(ApplicationTitle(), "ui_win32_tests");
  SetApplicationTitle("Pagetrim");
  EXPECT_EQ(ApplicationTitle(), "Pagetrim");
  // An empty title is a title too.
  SetApplicationTitle("");
  EXPECT_EQ(ApplicationTitle(), "");
}

TEST(ApplicationTest, TheOwnerWindowIsWhatStartUpSets) {
  EXPECT_EQ(ApplicationWindow(), nullptr);
  const HWND Window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        ::GetModuleHandleA(nullptr), nullptr);
  SetApplicationWindow(Window);
  EXPECT_EQ(ApplicationWindow(), Window);
  SetApplicationWindow(nullptr);
  ::DestroyWindow(Window);
}

}  // namespace
