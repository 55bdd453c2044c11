// The main of the test programs for Win32 window code: the thread is a
// single-threaded apartment, as the program's own thread is, and every
// case is guarded by a watchdog. Under Wine the windows open on its null
// display driver (scripts/wine-run).

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "support/win32/GuiTest.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testsupport::GuardEveryTest();
  const HRESULT com = CoInitialize(nullptr);
  const int result = RUN_ALL_TESTS();
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}
