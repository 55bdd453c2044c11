// The instance lock on POSIX: an flock on a file in the user's runtime
// folder. The kernel drops it when the holding process ends.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/InstanceLock.h"

namespace platform {

namespace {

class PosixInstanceLock final : public InstanceLock {
public:
  explicit PosixInstanceLock(int fd) : fd_(fd) {}
  ~PosixInstanceLock() override { ::close(fd_); }

private:
  int fd_;
};

// The folder for the lock file: $XDG_RUNTIME_DIR when it is a usable
// folder, else a per-user folder under /tmp.
std::string LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (runtime != nullptr && *runtime == '/' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
    return runtime;
  std::string dir = "/tmp/pagetrim-" + std::to_string(::getuid());
  ::mkdir(dir.c_str(), 0700);
  return dir;
}

}  // namespace

std::string InstanceLock::ChannelAddress(const std::string& Name) {
  return LockFolder() + "/" + Name + ".socket";
}

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(const std::string& Name, Result* Outcome) {
  const std::string path = LockFolder() + "/" + Name + ".lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd == -1) {
    *Outcome = Result::Unavailable;
    return nullptr;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) == -1) {
    *Outcome = errno == EWOULDBLOCK ? Result::Held : Result::Unavailable;
    ::close(fd);
    return nullptr;
  }
  *Outcome = Result::First;
  return std::make_unique<PosixInstanceLock>(fd);
}

}  // namespace platform
