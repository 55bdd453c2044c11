#pragma once

// The user's interrupts (Ctrl-C; on POSIX also SIGINT and SIGTERM from
// elsewhere) as a request to stop: the program finishes what it has in hand
// instead of ending in the middle.

#include <atomic>

namespace platform {

// While an object lives, the first interrupt sets Interrupted() and does
// nothing else; the next one ends the program as usual. Only one may live
// at a time.
class InterruptCatcher {
public:
  InterruptCatcher();   // clears Interrupted() and starts catching
  ~InterruptCatcher();  // puts the earlier handling back
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  // True once an interrupt came; may be read from any thread.
  static const std::atomic<bool>& Interrupted();

  // The exit status for the interrupt that came: 128 + the signal's number
  // on POSIX, 130 for Ctrl-C on Windows.
  static int ExitStatus();
};

}  // namespace platform
