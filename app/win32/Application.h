#pragma once

// The application: its message loop with the default error report, the
// message pump of a batch run, and the message boxes.
//
// An error (a C++ exception) must not unwind through the system's frames
// between the loop and a window procedure, so every window procedure runs
// its handlers inside ReportErrors: an error that escapes a handler is
// shown at once, and the loop goes on as before.

#include <windows.h>

#include <functional>
#include <string>

#include "app/ErrorReport.h"

// The window whose dialog keys the loop handles (Tab and Shift+Tab between
// its controls, access keys, Enter, Escape): the main window, or null.
void SetDialogKeysWindow(HWND Window);

// Takes and handles messages until WM_QUIT; returns its exit code.
int RunMessageLoop();

// Handles every message that is waiting, then returns. A WM_QUIT found on
// the way is put back for the loop.
void ProcessMessages();

// Shows Message in the default error report: a modal box captioned with the
// application title, with the system's error symbol and one "OK", the
// message with the full stop rule of ErrorReportText applied. Owned by the
// program's active window, when one is shown.
void ShowErrorReport(const std::string& Message);

// Runs Handler; shows an error that escapes it in the default error report.
// False when it did.
template <class F>
bool ReportErrors(F&& Handler) noexcept {
  return CatchErrors(Handler, ShowErrorReport);
}

// What ShowErrorReport calls to show its box (a MessageBoxA); tests put a
// recorder here. Process state on purpose: an error may escape any event
// handler of any window, and all of them report it the same way. Returns the one it replaces; null puts the box back.
using TErrorBoxFunc = std::function<void(const std::string& Caption, const std::string& Text)>;
TErrorBoxFunc SetErrorReportBox(TErrorBoxFunc Box);

// A modal message box (MessageBoxA with Owner, Text, Caption and the style
// Type) placed at the centre of the primary screen; returns its answer.
int CentredMessageBox(HWND Owner, const std::string& Text, const char* Caption, UINT Type);
