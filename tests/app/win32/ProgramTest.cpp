// pagetrim.exe as the user starts it: real processes, the real registry key
// of the current user, the single-instance guard between two processes.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

#include "app/MainLogic.h"
#include "support/win32/GuiTest.h"

using namespace testsupport;
using ::testing::ElementsAre;

namespace {

constexpr unsigned kStartMs = 20000;  // a cold Wine may take a while to start a program
constexpr unsigned kSecondInstanceMs = 5000;

// The identifiers of the main window's fields (THTMLMainForm::idEdit1, 2).
constexpr int kEdit1 = 104;
constexpr int kEdit2 = 105;

class ProgramTest : public testing::Test {
protected:
  void SetUp() override { DeleteRegistryKey(SSettingsKey); }
  void TearDown() override { DeleteRegistryKey(SSettingsKey); }

  // The visible main window of Program, or null.
  static HWND MainWindow(const ChildProcess& Program, unsigned Milliseconds = kStartMs) {
    return WaitForProcessWindow(Program.Id(), "THTMLMainForm", "Pagetrim", Milliseconds);
  }

  // Closes the main window as the close box does; the exit code.
  static std::optional<DWORD> Close(ChildProcess& Program, HWND Window) {
    PostMessageA(Window, WM_CLOSE, 0, 0);
    return Program.Wait(10000);
  }

  // Waits at most Milliseconds for Condition.
  template <class F>
  static bool Eventually(F Condition, unsigned Milliseconds = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Milliseconds);
    while (!Condition()) {
      if (std::chrono::steady_clock::now() > end) return false;
      Sleep(20);
    }
    return true;
  }
};

TEST_F(ProgramTest, FirstStartCreatesTheKeyAtOnceAndEndsWithExitCodeZero) {
  ChildProcess first(PAGETRIM_EXE);
  const HWND window = MainWindow(first);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(RegistryKeyExists(SSettingsKey));
  EXPECT_FALSE(ReadRegistryValue(SSettingsKey, "InputPath")) << "written only at the end";
  EXPECT_EQ(Close(first, window), 0u);
  for (const char* name : {"InputPath", "OutputPath"}) {
    const auto value = ReadRegistryValue(SSettingsKey, name);
    ASSERT_TRUE(value) << name;
    EXPECT_EQ(value->Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value->Data, std::string(1, '\0'));
  }
}

TEST_F(ProgramTest, TheRememberedPathsAreShown) {
  WriteRegistryValue(SSettingsKey, "InputPath", REG_SZ, std::string("C:\\Web\\a.htm\0", 13));
  WriteRegistryValue(SSettingsKey, "OutputPath", REG_SZ, std::string("C:\\Out\\\0", 8));
  ChildProcess first(PAGETRIM_EXE);
  const HWND window = MainWindow(first);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(window, kEdit1)), "C:\\Web\\a.htm");
  EXPECT_EQ(TextOf(GetDlgItem(window, kEdit2)), "C:\\Out\\");
  EXPECT_EQ(Close(first, window), 0u);
}

TEST_F(ProgramTest, ANumberForTheSourceListIsReportedAndTheWindowStillOpens) {
  WriteRegistryValue(SSettingsKey, "InputPath", REG_DWORD, std::string("\x07\0\0\0", 4));
  ChildProcess first(PAGETRIM_EXE);
  const HWND box = WaitForProcessWindow(first.Id(), "#32770", "Pagetrim", kStartMs);
  ASSERT_NE(box, nullptr);
  Sleep(100);
  const TBoxSeen seen = ReadMessageBox(box);
  EXPECT_EQ(seen.Text, "Invalid data type for 'InputPath'");
  EXPECT_TRUE(seen.ErrorIcon);
  EXPECT_THAT(seen.Buttons, ElementsAre("OK"));
  Press(box, IDOK);

  const HWND window = MainWindow(first);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(window, kEdit1)), "");
  EXPECT_EQ(Close(first, window), 0u);
  EXPECT_EQ(ReadRegistryValue(SSettingsKey, "InputPath")->Type, static_cast<DWORD>(REG_SZ));
}

// A second start brings the first back and ends; it writes no settings.
class SecondStartTest : public ProgramTest,
                        public testing::WithParamInterface<const char*> {};

TEST_P(SecondStartTest, RestoresTheFirstInstanceAndEndsAtOnce) {
  const std::string state = GetParam();
  ChildProcess first(PAGETRIM_EXE);
  const HWND window = MainWindow(first);
  ASSERT_NE(window, nullptr);
  if (state == "MaximisedThenMinimised") ShowWindow(window, SW_MAXIMIZE);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(Eventually([&] { return IsIconic(window) != FALSE; }));
  // What the first instance created goes, so that a write would show.
  DeleteRegistryKey(SSettingsKey);

  ChildProcess second(PAGETRIM_EXE);
  EXPECT_EQ(second.Wait(kSecondInstanceMs), 0u);
  EXPECT_TRUE(Eventually([&] { return !IsIconic(window); }));
  EXPECT_EQ(IsZoomed(window) != FALSE, state == "MaximisedThenMinimised");
  EXPECT_FALSE(RegistryKeyExists(SSettingsKey)) << "the second instance touched the registry";

  EXPECT_EQ(Close(first, window), 0u);
}

INSTANTIATE_TEST_SUITE_P(States, SecondStartTest,
                         testing::Values("Minimised", "MaximisedThenMinimised"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(ProgramTest, ASecondStartBringsAVisibleFirstInstanceToTheFront) {
  ChildProcess first(PAGETRIM_EXE);
  const HWND window = MainWindow(first);
  ASSERT_NE(window, nullptr);
  // A window of this test in front of it.
  const HWND other = CreateWindowExA(0, "STATIC", "in front", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  PumpMessages();
  ASSERT_EQ(GetForegroundWindow(), other);

  ChildProcess second(PAGETRIM_EXE);
  EXPECT_EQ(second.Wait(kSecondInstanceMs), 0u);
  EXPECT_TRUE(Eventually([&] { return GetForegroundWindow() == window; }));
  DestroyWindow(other);
  EXPECT_EQ(Close(first, window), 0u);
}

TEST_F(ProgramTest, WhileTheMutexIsHeldEveryStartEndsAtOnce) {
  // This test holds the mutex; there is no window to bring forward.
  const HANDLE mutex = CreateMutexA(nullptr, TRUE, "Pagetrim");
  ASSERT_NE(mutex, nullptr);
  ChildProcess start(PAGETRIM_EXE);
  EXPECT_EQ(start.Wait(kStartMs), 0u);
  EXPECT_FALSE(RegistryKeyExists(SSettingsKey));
  CloseHandle(mutex);

  // Once it is gone, the next start is a first instance again.
  ChildProcess next(PAGETRIM_EXE);
  const HWND window = MainWindow(next);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Close(next, window), 0u);
}

TEST_F(ProgramTest, AnotherKindOfObjectUnderTheNameLetsTheProgramStart) {
  const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "Pagetrim");
  ASSERT_NE(event, nullptr);
  ChildProcess first(PAGETRIM_EXE);
  const HWND window = MainWindow(first);
  EXPECT_NE(window, nullptr);
  if (window != nullptr) EXPECT_EQ(Close(first, window), 0u);
  CloseHandle(event);
}

}  // namespace
