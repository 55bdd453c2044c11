#pragma once

// Helpers for tests that put the batch run and the command line in front
// of a hostile file system: lower privileges for permission cases (also
// when the tests run as root) and sparse files. (Watchdogs and child
// processes come from the test support: support/Watchdog.h,
// support/Process.h.)

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace hostile {

// The user and group "nobody" take the place of root in permission cases.
inline constexpr uid_t kNobody = 65534;
inline constexpr gid_t kNobodyGroup = 65534;

// Makes permission bits apply to this process while it lives. A process
// that is not root is already subject to them; root takes the effective
// identity of "nobody" and gets its own back at the end. Ok() is false when
// the identity cannot be changed.
class Unprivileged {
public:
  Unprivileged() {
    if (geteuid() != 0) return;
    if (setegid(kNobodyGroup) != 0) {
      ok_ = false;
      return;
    }
    if (seteuid(kNobody) != 0) {
      ok_ = false;
      (void)setegid(0);
      return;
    }
    switched_ = true;
  }
  ~Unprivileged() {
    if (!switched_) return;
    (void)seteuid(0);
    (void)setegid(0);
  }
  Unprivileged(const Unprivileged&) = delete;
  Unprivileged& operator=(const Unprivileged&) = delete;

  bool Ok() const { return ok_; }

private:
  bool ok_ = true;
  bool switched_ = false;
};

// A file of Size bytes that takes no room on the disk.
inline bool MakeSparse(const std::string& Name, off_t Size) {
  const int fd = ::open(Name.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  if (fd == -1) return false;
  const bool ok = ftruncate(fd, Size) == 0;
  ::close(fd);
  return ok;
}

inline bool IsFifo(const std::string& Name) {
  struct stat st {};
  return lstat(Name.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

inline off_t FileSize(const std::string& Name) {
  struct stat st {};
  return stat(Name.c_str(), &st) == 0 ? st.st_size : -1;
}

}  // namespace hostile
