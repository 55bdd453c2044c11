#pragma once

// A per-user, system-wide lock with a name: whoever takes it first is the
// first instance of the program. The lock is released when its holder ends,
// however it ends. Where it lives depends on the user alone, never on the
// environment (on POSIX: PosixInstanceLock.h).

#include <memory>
#include <string>

namespace platform {

class InstanceLock {
public:
  enum class Result {
    First,       // the lock was taken: this process is the first instance
    Held,        // another process holds it
    Unavailable  // the lock could not be created for another reason (among
                 // them a place that other users can reach)
  };

  // Tries, without waiting, to take the lock called Name for the current
  // user. The lock stays taken while the returned object lives.
  static std::unique_ptr<InstanceLock> TryAcquire(const std::string& Name, Result* Outcome);

  // A per-user address for a local channel called Name, beside the lock
  // (the first instance listens there for requests of later ones). Empty
  // when there is no safe place for it.
  static std::string ChannelAddress(const std::string& Name);

  virtual ~InstanceLock() = default;
};

}  // namespace platform
