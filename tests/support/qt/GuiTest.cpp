#include "support/qt/GuiTest.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QStandardPaths>

#include "support/WatchdogListener.h"

namespace testsupport {

void UseOffscreenPlatform() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

void GuardEveryTest() { GuardEveryTest(kGuiTestSeconds); }

TempSettings::TempSettings() {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromStdString(dir.Path()));
}

TempSettings::~TempSettings() {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

}  // namespace testsupport
