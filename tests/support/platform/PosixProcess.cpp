// Running programs from the tests on POSIX systems.

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "support/Process.h"
#include "support/TempDir.h"

namespace testsupport {

namespace {

// The user and group "nobody".
constexpr uid_t kNobody = 65534;
constexpr gid_t kNobodyGroup = 65534;

// Reads the terminal's master side until the child has closed its side.
std::string ReadTerminal(int Master) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(Master, buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return text;  // EIO: the program closed the terminal
    }
  }
}

}  // namespace

ProcessResult RunProcess(const std::string& Program, const std::vector<std::string>& Args,
                         const ProcessOptions& Options) {
  TempDir io;
  // Readable and writable by a child that runs as another user.
  ::chmod(io.Path().c_str(), 0777);
  const std::string inName = Options.InputFile.empty() ? io / "in" : Options.InputFile;
  // Only the file made here is opened to the child: a file the test names
  // (such as /dev/null) is not this helper's to change.
  if (Options.InputFile.empty()) {
    WriteFile(inName, Options.Input);
    ::chmod(inName.c_str(), 0644);
  }
  const std::string outName = Options.OutputFile.empty() ? io / "out" : Options.OutputFile;
  const std::string errName = io / "err";

  int master = -1;
  int slave = -1;
  ProcessResult result;
  if (Options.ErrTerminal && ::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
    return result;

  std::vector<std::string> argv{Program};
  argv.insert(argv.end(), Args.begin(), Args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    if (Options.Unprivileged && ::geteuid() == 0) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(kNobodyGroup) != 0 || ::setuid(kNobody) != 0)
        ::_exit(125);
    }
    const int in = ::open(inName.c_str(), O_RDONLY);
    const int out = Options.OutputFile.empty()
                        ? ::open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)
                        : ::open(outName.c_str(), O_WRONLY);
    const int err = Options.ErrTerminal ? slave
                                        : ::open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (master >= 0) ::close(master);
    ::execv(cargv[0], cargv.data());
    ::_exit(127);
  }
  if (slave >= 0) ::close(slave);
  if (pid < 0) {
    if (master >= 0) ::close(master);
    return result;
  }
  if (master >= 0) {
    result.err = ReadTerminal(master);
    ::close(master);
  }

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(Options.Seconds);
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      result.status = -2;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (Options.OutputFile.empty() && Exists(outName)) result.out = ReadFile(outName);
  if (!Options.ErrTerminal && Exists(errName)) result.err = ReadFile(errName);
  return result;
}

}  // namespace testsupport
