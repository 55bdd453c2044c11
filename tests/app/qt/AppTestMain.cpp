// The main of the window program's tests: the program's own application
// object (its error report included), on Qt's offscreen platform, with
// instance locks of their own.

#include <gtest/gtest.h>

#include "app/qt/Application.h"
#include "support/PrivateLocks.h"
#include "support/qt/GuiTest.h"

int main(int argc, char** argv) {
  // Before any thread: the program's instance lock is the tests' own.
  testsupport::IsolateInstanceLocks();
  testsupport::UseOffscreenPlatform();
  testing::InitGoogleTest(&argc, argv);
  testsupport::GuardEveryTest();
  TPagetrimApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromLatin1(SSettingsOrganization));
  QCoreApplication::setApplicationName(QString::fromLatin1(SApplicationTitle));
  return RUN_ALL_TESTS();
}
