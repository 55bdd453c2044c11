#pragma once

// The text of the default error report: what the message box shows for an
// error that escaped an event handler, and what the command line prints.

#include <string>

// Message, with a full stop appended when it is not empty and its last
// byte's code is above that of the full stop (0x2E).
std::string ErrorReportText(const std::string& Message);
