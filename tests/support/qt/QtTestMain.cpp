// The main of the test programs for window code: the tests need a
// QApplication, and they run on Qt's offscreen platform, never on a display.

#include <gtest/gtest.h>

#include <QApplication>

#include "support/qt/GuiTest.h"

int main(int argc, char** argv) {
  testsupport::UseOffscreenPlatform();
  testing::InitGoogleTest(&argc, argv);
  testsupport::GuardEveryTest();
  QApplication App(argc, argv);
  return RUN_ALL_TESTS();
}
