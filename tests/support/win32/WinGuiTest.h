#pragma once

// What the tests of Win32 window code share: a way to act on a modal
// window from inside its own modal loop, and finding the thread's dialogs.
//
// A modal window (a dialog box, the shell's folder dialog) runs its own
// message loop until it closes, so a test cannot go on after opening it.
// TModalScript puts a thread timer into that loop: its steps run on the
// test's own thread, between two messages, and may inspect the window and
// send or post it messages, up to closing it.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "support/Watchdog.h"

namespace testsupport {

// Seconds a modal window may stay open in a test before the watchdog ends
// the program.
inline constexpr unsigned kModalSeconds = 60;

class TModalScript {
public:
  // Calls Step every IntervalMs milliseconds while this thread runs a
  // message loop, until Step returns true. What names the script in the
  // watchdog's message.
  explicit TModalScript(std::function<bool()> Step, std::string What = "a modal window",
                        UINT IntervalMs = 20);
  ~TModalScript();
  TModalScript(const TModalScript&) = delete;
  TModalScript& operator=(const TModalScript&) = delete;

  // True once Step has returned true.
  bool Done() const { return done_; }

private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR Id, DWORD);

  std::function<bool()> step_;
  UINT_PTR timer_ = 0;
  bool done_ = false;
  bool running_ = false;
  std::unique_ptr<Watchdog> watchdog_;
};

// A visible dialog window (class "#32770") of this thread with the caption
// Caption (any caption when null), or null.
HWND FindThreadDialog(const char* Caption = nullptr);

// The window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND Child);

// The window's text.
std::string WindowText(HWND Window);

}  // namespace testsupport
