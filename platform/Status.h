#pragma once

// The outcome of a call to the operating system's services: success, or
// failure with the system's error code. Returned by every FileEnv call that
// can fail, so that the error travels with the result and nothing is kept
// per thread.

#include <cstdint>

namespace platform {

// A system error code (errno values on POSIX, GetLastError codes on Windows).
using SysError = std::uint32_t;

class [[nodiscard]] Status {
public:
  // Success.
  Status() = default;

  // Failure with the system error Code (a failure also when Code is 0, which
  // a misbehaving system call may leave behind).
  static Status Error(SysError Code) { return Status(Code); }

  bool ok() const { return !failed_; }
  // The error code of a failure; 0 on success.
  SysError code() const { return code_; }

  // For a call whose failure the caller has nothing to do about (closing a
  // handle on the way out of an error that is already being reported).
  void IgnoreError() const {}

  friend bool operator==(const Status&, const Status&) = default;

private:
  explicit Status(SysError Code) : failed_(true), code_(Code) {}

  bool failed_ = false;
  SysError code_ = 0;
};

}  // namespace platform
