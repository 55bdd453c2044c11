#pragma once

// The text of the default error report: what the message box shows for an
// error that escaped an event handler, and what the command line prints.

#include <exception>
#include <string>

// Message, with a full stop appended when it is not empty and its last
// byte's code is above that of the full stop (0x2E).
std::string ErrorReportText(const std::string& Message);

// Runs Handler; hands the message of an error that escapes it to Report
// (empty for one that is no std::exception). False when one escaped.
template <class F, class R>
bool CatchErrors(F&& Handler, R&& Report) {
  try {
    Handler();
    return true;
  } catch (const std::exception& e) {
    Report(e.what());
  } catch (...) {
    Report("");
  }
  return false;
}
