#include "ui/win32/Errors.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ErrorsTest, AWin32ErrorNamesItsCodeAndTheSystemsText) {
  const std::string Text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(Text.empty());
  const EWin32Error Error(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Error.Message(), "Win32 Error.  Code: 2.\n" + Text);
  EXPECT_EQ(Error.ErrorCode(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(ErrorsTest, AWin32ErrorWithoutACodeSaysOnlyThatACallFailed) {
  EXPECT_EQ(EWin32Error(0).Message(), "A Win32 API function failed");
}

TEST(ErrorsTest, AWin32ErrorWithoutSystemTextKeepsItsCode) {
  const DWORD Unknown = 0x2000F00Du;  // customer bit set: no system has a text for it
  ASSERT_EQ(SystemErrorText(Unknown), "");
  EXPECT_EQ(EWin32Error(Unknown).Message(), "Win32 Error.  Code: 536932365.\n");
}

TEST(ErrorsTest, TheLastErrorIsRaised) {
  ::SetLastError(ERROR_ACCESS_DENIED);
  try {
    RaiseLastWin32Error();
  } catch (const EWin32Error& e) {
    EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    return;
  }
  ADD_FAILURE() << "nothing raised";
}

TEST(ErrorsTest, AnOleErrorIsTheSystemsTextOrItsCodeInHex) {
  const std::string Text = SystemErrorText(static_cast<DWORD>(E_OUTOFMEMORY));
  ASSERT_FALSE(Text.empty());
  EXPECT_EQ(EOleSysError(E_OUTOFMEMORY).Message(), Text);
  EXPECT_EQ(EOleSysError(static_cast<HRESULT>(0xA0001234u)).Message(), "OLE error a0001234");
  EXPECT_EQ(EOleSysError(static_cast<HRESULT>(0xA0001234u)).ErrorCode(),
            static_cast<HRESULT>(0xA0001234u));
}

}  // namespace
