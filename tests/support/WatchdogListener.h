#pragma once

// A watchdog on every case of a GoogleTest program (a case that hangs, for
// example on a modal window nobody closes, fails by its name instead of
// blocking the suite). Header-only: the test support library itself does
// not use GoogleTest.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/Watchdog.h"

namespace testsupport {

// From now on every case that runs longer than Seconds ends the program.
inline void GuardEveryTest(unsigned Seconds) {
  class Listener : public testing::EmptyTestEventListener {
  public:
    explicit Listener(unsigned Seconds) : seconds_(Seconds) {}
    void OnTestStart(const testing::TestInfo& Test) override {
      watchdog_ = std::make_unique<Watchdog>(
          seconds_, std::string(Test.test_suite_name()) + "." + Test.name());
    }
    void OnTestEnd(const testing::TestInfo&) override { watchdog_.reset(); }

  private:
    unsigned seconds_;
    std::unique_ptr<Watchdog> watchdog_;
  };
  testing::UnitTest::GetInstance()->listeners().Append(new Listener(Seconds));
}

}  // namespace testsupport
