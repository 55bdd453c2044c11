// Instance locks of the test's own on POSIX systems: a mount namespace with
// empty file systems where the program looks for its lock folder.

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/PrivateLocks.h"

namespace testsupport {

namespace {

bool WriteProcFile(const char* Name, const std::string& Text) {
  const int fd = ::open(Name, O_WRONLY | O_CLOEXEC);
  if (fd == -1) return false;
  const bool ok = ::write(fd, Text.data(), Text.size()) == static_cast<ssize_t>(Text.size());
  ::close(fd);
  return ok;
}

bool Fail(const char* What) {
  std::fprintf(stderr, "note: the tests share the user's instance lock folder (%s: %s)\n", What,
               std::strerror(errno));
  return false;
}

bool isolated = false;

bool IsFolder(const std::string& Path) {
  struct stat st {};
  return ::lstat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool IsolateInstanceLocks() {
  const uid_t uid = ::getuid();
  const gid_t gid = ::getgid();
  const bool root = ::geteuid() == 0;
  // Root may have a mount namespace of its own; another user first takes a
  // user namespace in which it keeps its own identity.
  if (::unshare(root ? CLONE_NEWNS : CLONE_NEWUSER | CLONE_NEWNS) != 0) return Fail("unshare");
  if (!root) {
    const std::string self = std::to_string(uid);
    if (!WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map", self + " " + self + " 1\n") ||
        !WriteProcFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1\n"))
      return Fail("user namespace");
  }
  // Nothing mounted here reaches the rest of the system.
  if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return Fail("private /");
  const unsigned long flags = MS_NOSUID | MS_NODEV;
  if (IsFolder("/run/user") &&
      ::mount("tmpfs", "/run/user", "tmpfs", flags, "mode=0755,size=1m") != 0)
    return Fail("/run/user");
  const std::string fallback = "/tmp/pagetrim-user-" + std::to_string(uid);
  ::mkdir(fallback.c_str(), 0700);
  const std::string options =
      "mode=0700,size=1m,uid=" + std::to_string(uid) + ",gid=" + std::to_string(gid);
  if (!IsFolder(fallback) || ::mount("tmpfs", fallback.c_str(), "tmpfs", flags, options.c_str()) != 0)
    return Fail(fallback.c_str());
  isolated = true;
  return true;
}

bool InstanceLocksIsolated() { return isolated; }

}  // namespace testsupport
