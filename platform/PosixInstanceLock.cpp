// The instance lock on POSIX: an flock on a file in the user's own private
// folder (PosixInstanceLock.h). The kernel drops it when the holding
// process ends.

#include "platform/PosixInstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

}  // namespace

bool IsPrivateFolder(const std::string& Path, uid_t Uid) {
  struct stat st {};
  return ::lstat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == Uid &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string InstanceLockFolder(uid_t Uid, const std::string& RunBase, const std::string& TmpBase) {
  const std::string user = std::to_string(Uid);
  const std::string run = RunBase + "/" + user;
  if (IsPrivateFolder(run, Uid)) return run;
  const std::string tmp = TmpBase + "/pagetrim-user-" + user;
  ::mkdir(tmp.c_str(), 0700);  // an existing one is checked like a new one
  return IsPrivateFolder(tmp, Uid) ? tmp : std::string();
}

std::string InstanceLock::ChannelAddress(const std::string& Name) {
  const std::string folder = InstanceLockFolder(::getuid());
  return folder.empty() ? folder : folder + "/" + Name + ".socket";
}

std::unique_ptr<InstanceLock> InstanceLock::TryAcquire(const std::string& Name, Result* Outcome) {
  *Outcome = Result::Unavailable;
  const std::string folder = InstanceLockFolder(::getuid());
  if (folder.empty()) return nullptr;
  const std::string path = folder + "/" + Name + ".lock";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd == -1) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid()) {
    ::close(fd);
    return nullptr;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) == -1) {
    if (errno == EWOULDBLOCK) *Outcome = Result::Held;
    ::close(fd);
    return nullptr;
  }
  *Outcome = Result::First;
  return std::make_unique<PosixInstanceLock>(fd);
}

}  // namespace platform
