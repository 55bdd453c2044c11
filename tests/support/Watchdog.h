#pragma once

// Ends the test program when a test takes longer than it may, so that a
// run that hangs (on a FIFO, a device, a modal window nobody closes) fails
// instead of blocking the suite.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

class Watchdog {
public:
  // After Seconds, prints "What: no end after N s" to standard error and
  // ends the program with a failure status, unless the watchdog is gone.
  explicit Watchdog(unsigned Seconds, std::string What = "the test");
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

private:
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  std::thread thread_;
};

}  // namespace testsupport
