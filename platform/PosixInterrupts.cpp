// Interrupts on POSIX: SIGINT and SIGTERM.

#include <signal.h>

#include "platform/Interrupts.h"

namespace platform {

namespace {

// Process state on purpose: a signal handler (a console control handler on
// Windows) can reach nothing else, and an interrupt is the whole process's.
std::atomic<bool> interrupted{false};
std::atomic<int> signalNumber{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

struct sigaction oldInt {};
struct sigaction oldTerm {};

void OnSignal(int Signal) {
  signalNumber.store(Signal);
  interrupted.store(true);
}

}  // namespace

InterruptCatcher::InterruptCatcher() {
  interrupted.store(false);
  signalNumber.store(0);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // The first signal only asks to stop; the next one acts as usual. Calls
  // that it interrupts are resumed.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, &oldInt);
  sigaction(SIGTERM, &action, &oldTerm);
}

InterruptCatcher::~InterruptCatcher() {
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
}

const std::atomic<bool>& InterruptCatcher::Interrupted() { return interrupted; }

int InterruptCatcher::ExitStatus() { return 128 + signalNumber.load(); }

}  // namespace platform
