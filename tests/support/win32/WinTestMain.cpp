// The main of the test programs for Win32 window code: every case is
// guarded by a watchdog.

#include <gtest/gtest.h>

#include "support/win32/GuiTest.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testsupport::GuardEveryTest();
  return RUN_ALL_TESTS();
}
