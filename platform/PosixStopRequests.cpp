// Stop requests on POSIX: the signals write a byte into a pipe (the only
// thing a signal handler may safely do here), whose reading end the event
// loop watches.

#include "platform/StopRequests.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace platform {

namespace {

int pipe_[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already says that a request is waiting.
  [[maybe_unused]] const ssize_t written = ::write(pipe_[1], &byte, 1);
  errno = saved;
}

}  // namespace

int StopRequests::Catch() {
  if (pipe_[0] != -1) return pipe_[0];
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  pipe_[0] = fds[0];
  pipe_[1] = fds[1];
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    if (::sigaction(signal, &action, nullptr) != 0) return -1;
  }
  return pipe_[0];
}

bool StopRequests::Take() {
  if (pipe_[0] == -1) return false;
  bool any = false;
  char buffer[64];
  for (;;) {
    const ssize_t n = ::read(pipe_[0], buffer, sizeof buffer);
    if (n > 0) {
      any = true;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return any;  // empty (EAGAIN)
    }
  }
}

}  // namespace platform
