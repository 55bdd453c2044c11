#pragma once

// Installs a handler through one of the program's SetXxxHandler functions
// (which return the handler they replace) for the life of the object, and
// puts the previous one back at the end, also when a check fails midway.

#include <utility>

namespace testsupport {

template <class Handler>
class ScopedHandler {
public:
  using Setter = Handler (*)(Handler);
  ScopedHandler(Setter Set, Handler New) : set_(Set), previous_(Set(std::move(New))) {}
  ~ScopedHandler() { set_(std::move(previous_)); }
  ScopedHandler(const ScopedHandler&) = delete;
  ScopedHandler& operator=(const ScopedHandler&) = delete;

  // The handler that was in place before.
  const Handler& Previous() const { return previous_; }

private:
  Setter set_;
  Handler previous_;
};

}  // namespace testsupport
