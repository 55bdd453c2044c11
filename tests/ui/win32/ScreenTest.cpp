#include "ui/win32/Screen.h"

#include <gtest/gtest.h>

#include "support/CaseName.h"
#include "ui/Placement.h"

using testsupport::RowName;

namespace {

struct TCentreCase {
  const char* Name;
  int Width;   // 0: the screen's width plus Width's magnitude
  int Height;  // likewise
};

class CenterOnScreenTest : public testing::TestWithParam<TCentreCase> {};

TEST_P(CenterOnScreenTest, MovesTheWindowKeepingItsSize) {
  const int ScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  const int ScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  const int Width = GetParam().Width > 0 ? GetParam().Width : ScreenWidth - GetParam().Width;
  const int Height = GetParam().Height > 0 ? GetParam().Height : ScreenHeight - GetParam().Height;
  const HWND Window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 3, 5, Width, Height, nullptr,
                                        nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(Window, nullptr);
  CenterOnScreen(Window);
  RECT Bounds;
  ::GetWindowRect(Window, &Bounds);
  ::DestroyWindow(Window);
  const TRect Want = CenterRect({3, 5, 3 + Width, 5 + Height}, ScreenWidth, ScreenHeight);
  EXPECT_EQ(Bounds.left, Want.Left);
  EXPECT_EQ(Bounds.top, Want.Top);
  EXPECT_EQ(Bounds.right - Bounds.left, Width);
  EXPECT_EQ(Bounds.bottom - Bounds.top, Height);
  if (Width > ScreenWidth) {
    EXPECT_EQ(Bounds.left, 0);
  }
  if (Height > ScreenHeight) {
    EXPECT_EQ(Bounds.top, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, CenterOnScreenTest,
                         testing::Values(TCentreCase{"Small", 301, 201},
                                         TCentreCase{"WiderThanTheScreen", -5, 100},
                                         TCentreCase{"TallerThanTheScreen", 100, -40}),
                         RowName());

}  // namespace
