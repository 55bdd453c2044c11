// Interrupts on Windows: Ctrl-C and Ctrl-Break in the console.

#include <windows.h>

#include "platform/Interrupts.h"

namespace platform {

namespace {

// Process state on purpose: a signal handler (a console control handler on
// Windows) can reach nothing else, and an interrupt is the whole process's.
std::atomic<bool> interrupted{false};

// Runs on a thread of its own that the system starts. TRUE: handled, the
// program goes on; FALSE for the second one: the system ends the program.
BOOL WINAPI OnConsoleControl(DWORD Event) {
  if (Event != CTRL_C_EVENT && Event != CTRL_BREAK_EVENT) return FALSE;
  return interrupted.exchange(true) ? FALSE : TRUE;
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
  interrupted.store(false);
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

InterruptCatcher::~InterruptCatcher() { ::SetConsoleCtrlHandler(OnConsoleControl, FALSE); }

const std::atomic<bool>& InterruptCatcher::Interrupted() { return interrupted; }

// As a POSIX shell reports SIGINT.
int InterruptCatcher::ExitStatus() { return 130; }

}  // namespace platform
