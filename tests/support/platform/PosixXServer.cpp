// Xvfb and openbox for the window tests, started as children of the test
// and ended by their process ids.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "support/Process.h"
#include "support/XServer.h"

namespace testsupport {

namespace {

// Starts Args[0] (looked up on PATH) with its output going to Log (thrown
// away when empty) and KeepOpen passed on; -1 when it cannot be started.
pid_t Spawn(const std::vector<std::string>& Args, int KeepOpen = -1, const std::string& Log = {}) {
  std::vector<std::string> args = Args;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    const int log = Log.empty() ? null : ::open(Log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(null, 0);
    ::dup2(log, 1);
    ::dup2(log, 2);
    for (int fd = 3; fd < 256; ++fd)
      if (fd != KeepOpen) ::close(fd);
    ::setpgid(0, 0);  // a terminal's signals are the test's business only
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

void End(pid_t& Pid) {
  if (Pid <= 0) return;
  ::kill(Pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 200 && ::waitpid(Pid, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (::waitpid(Pid, &status, WNOHANG) == 0) {
    ::kill(Pid, SIGKILL);
    ::waitpid(Pid, &status, 0);
  }
  Pid = -1;
}

}  // namespace

XServer::~XServer() {
  End(manager_);
  End(server_);
  if (!log_.empty()) ::unlink(log_.c_str());
}

std::string XServer::ManagerState() {
  int status = 0;
  if (manager_ > 0 && ::waitpid(manager_, &status, WNOHANG) == 0) return "running";
  std::ifstream in(log_);
  return "ended (" + std::to_string(status) + "): " +
         std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool XServer::Fail(std::string Why) {
  error_ = std::move(Why);
  End(manager_);
  End(server_);
  return false;
}

bool XServer::Start(int Width, int Height) {
  int ready[2];
  if (::pipe(ready) != 0) return Fail("no pipe");
  // Xvfb picks a free display itself and writes its number to the pipe.
  server_ = Spawn({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0",
                   std::to_string(Width) + "x" + std::to_string(Height) + "x24", "-nolisten", "tcp"},
                  ready[1]);
  ::close(ready[1]);
  std::string number;
  pollfd wait{ready[0], POLLIN, 0};
  while (number.find('\n') == std::string::npos && ::poll(&wait, 1, 10000) > 0) {
    char c[16];
    const ssize_t n = ::read(ready[0], c, sizeof c);
    if (n <= 0) break;
    number.append(c, static_cast<std::size_t>(n));
  }
  ::close(ready[0]);
  if (server_ < 0 || number.find('\n') == std::string::npos) return Fail("Xvfb did not start");
  display_ = ":" + number.substr(0, number.find('\n'));
  ::setenv("DISPLAY", display_.c_str(), 1);

  // The server answers before anything else talks to it.
  const auto answers = [&](const char* Property) {
    const ProcessResult r = RunProcess("/usr/bin/xprop", {"-root", "-display", display_, Property},
                                       ProcessOptions::Within(5));
    return r.status == 0 ? r.out : std::string();
  };
  bool up = false;
  for (int i = 0; i < 250 && !up; ++i) {
    up = !answers("_NET_SUPPORTING_WM_CHECK").empty();
    if (!up) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!up) return Fail("Xvfb does not answer on " + display_);

  log_ = "/tmp/pagetrim-openbox-" + std::to_string(::getpid()) + ".log";
  const std::string& log = log_;
  std::string said;
  for (int attempt = 0; attempt < 3; ++attempt) {
    manager_ = Spawn({"openbox", "--sm-disable"}, -1, log);
    if (manager_ < 0) return Fail("openbox did not start");
    // The manager manages windows once it has listed those it found: it
    // announces itself on the root window well before.
    for (int i = 0; i < 500 && manager_ > 0; ++i) {
      if (answers("_NET_CLIENT_LIST").find("(WINDOW)") != std::string::npos) return true;
      int status = 0;
      if (::waitpid(manager_, &status, WNOHANG) == manager_) {
        manager_ = -1;
        std::ifstream in(log);
        said = "status " + std::to_string(status) + ": " +
               std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (manager_ > 0) return Fail("openbox did not take the display");
  }
  return Fail("openbox ended (" + said + ")");
}

}  // namespace testsupport
