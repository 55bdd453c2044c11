#pragma once

// What every test program of window code needs: the offscreen platform, a
// watchdog on every case (a check that fails while a modal window is open
// must fail the case, not hang the suite), and QSettings in a folder of
// the test's own.

#include <QString>

#include <memory>
#include <string>

#include "support/TempDir.h"

namespace testsupport {

// Seconds a window test may take before the watchdog ends the program.
inline constexpr unsigned kGuiTestSeconds = 60;

// Call first in main: selects Qt's offscreen platform, so that no test
// needs a display.
void UseOffscreenPlatform();

// Call after testing::InitGoogleTest: arms a watchdog for every case.
void GuardEveryTest();

// Points the user's QSettings at a fresh temporary folder for the life of
// the object, and back at the user's own configuration folder afterwards.
class TempSettings {
public:
  TempSettings();
  ~TempSettings();
  TempSettings(const TempSettings&) = delete;
  TempSettings& operator=(const TempSettings&) = delete;

  TempDir dir;
};

}  // namespace testsupport
