// The main of the window program's tests: the program's own application
// object (its error report included), on Qt's offscreen platform.

#include <gtest/gtest.h>

#include "app/Application.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  TPagetrimApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Brindle"));
  QCoreApplication::setApplicationName(QString::fromLatin1(SApplicationTitle));
  return RUN_ALL_TESTS();
}
