#include "support/qt/GuiTest.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QStandardPaths>

#include "support/Watchdog.h"

namespace testsupport {

namespace {

class WatchdogListener : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo& Test) override {
    watchdog_ = std::make_unique<Watchdog>(
        kGuiTestSeconds, std::string(Test.test_suite_name()) + "." + Test.name());
  }
  void OnTestEnd(const testing::TestInfo&) override { watchdog_.reset(); }

  std::unique_ptr<Watchdog> watchdog_;
};

}  // namespace

void UseOffscreenPlatform() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

void GuardEveryTest() {
  testing::UnitTest::GetInstance()->listeners().Append(new WatchdogListener);
}

TempSettings::TempSettings() {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromStdString(dir.Path()));
}

TempSettings::~TempSettings() {
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                     QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

}  // namespace testsupport
