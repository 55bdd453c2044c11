#pragma once

// Helpers for tests that put the batch run and the command line in front
// of a hostile file system: lower privileges for permission cases (also
// when the tests run as root), a watchdog against hangs, sparse files, and
// a child process run with a time limit.

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/FileTestSupport.h"

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

// Ends the test program when the test takes longer than Seconds, so that a
// run that hangs on a FIFO or a device fails instead of blocking the suite.
class Watchdog {
public:
  explicit Watchdog(unsigned Seconds) { alarm(Seconds); }
  ~Watchdog() { alarm(0); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
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

struct ProcessResult {
  int status = -1;  // the exit status; -1 killed or not run, -2 timed out
  std::string out;
  std::string err;
};

// Runs Program with Args and returns its exit status and output. Standard
// input comes from In; standard output goes to Out, or, when Out is empty,
// is captured. As root with Unprivileged set, the child runs as "nobody".
// A child still running after Seconds is killed.
inline ProcessResult RunProcess(const std::string& Program, const std::vector<std::string>& Args,
                                bool Unprivileged, const std::string& In = "/dev/null",
                                const std::string& Out = "", unsigned Seconds = 60) {
  testsupport::TempDir io;
  chmod(io.Path().c_str(), 0777);
  const std::string outName = Out.empty() ? io / "out" : Out;
  const std::string errName = io / "err";
  std::vector<std::string> argv{Program};
  argv.insert(argv.end(), Args.begin(), Args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    if (Unprivileged && geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(kNobodyGroup) != 0 || setuid(kNobody) != 0)
        _exit(125);
    }
    const int in = ::open(In.c_str(), O_RDONLY);
    const int out = Out.empty() ? ::open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)
                                : ::open(outName.c_str(), O_WRONLY);
    const int err = ::open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  ProcessResult result;
  if (pid < 0) return result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.status = -2;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.out = Out.empty() && testsupport::Exists(outName) ? testsupport::ReadFile(outName) : "";
  result.err = testsupport::Exists(errName) ? testsupport::ReadFile(errName) : "";
  return result;
}

}  // namespace hostile
