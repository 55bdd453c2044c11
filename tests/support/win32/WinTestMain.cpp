// The main of the test programs for Win32 window code: windows must be
// possible (under Wine without a display too), and the thread is a
// single-threaded apartment, as the program's own thread is.

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "support/win32/WinGuiTest.h"

int main(int argc, char** argv) {
  testsupport::EnsureWindows(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  const HRESULT Com = ::CoInitialize(nullptr);
  const int Result = RUN_ALL_TESTS();
  if (SUCCEEDED(Com)) ::CoUninitialize();
  return Result;
}
