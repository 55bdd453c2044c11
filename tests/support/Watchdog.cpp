#include "support/Watchdog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace testsupport {

Watchdog::Watchdog(unsigned Seconds, std::string What) {
  thread_ = std::thread([this, Seconds, What = std::move(What)] {
    std::unique_lock<std::mutex> lock(mutex_);
    if (done_.wait_for(lock, std::chrono::seconds(Seconds), [this] { return finished_; })) return;
    std::fprintf(stderr, "%s: no end after %u s; stopping the test program\n", What.c_str(),
                 Seconds);
    std::fflush(stderr);
    std::_Exit(3);
  });
}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
  }
  done_.notify_one();
  thread_.join();
}

}  // namespace testsupport
