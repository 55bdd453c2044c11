// The main of the window tests that need a window manager's frame: the
// program's own application object on a display of their own (Xvfb with
// openbox), with instance locks of their own.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "app/qt/Application.h"
#include "support/PrivateLocks.h"
#include "support/XServer.h"
#include "support/qt/GuiTest.h"

testsupport::XServer* TheDisplay = nullptr;

int main(int argc, char** argv) {
  testsupport::IsolateInstanceLocks();
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // no display needed to list them
  testsupport::XServer display;
  TheDisplay = &display;
  if (!display.Start(1280, 800)) {
    std::fprintf(stderr, "no display for the framed window tests: %s\n", display.Error().c_str());
    return 1;
  }
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  testsupport::GuardEveryTest();
  int result;
  {
    TPagetrimApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(SSettingsOrganization));
    QCoreApplication::setApplicationName(QString::fromLatin1(SApplicationTitle));
    result = RUN_ALL_TESTS();
  }
  return result;
}
