#pragma once

// A display of the tests' own for window tests that need a window manager's
// frame, minimising or maximising: Xvfb (a virtual X server, no screen
// needed) with openbox managing its windows. POSIX only.

#include <string>
#include <sys/types.h>

namespace testsupport {

class XServer {
public:
  XServer() = default;
  ~XServer();  // ends the window manager, then the server
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // Starts the server with one screen of Width x Height pixels on a free
  // display, and the window manager on it; returns once the manager runs.
  // False, with Error() saying why, when either cannot be started.
  bool Start(int Width, int Height);

  // The display's name (":99"), for DISPLAY.
  const std::string& Display() const { return display_; }
  const std::string& Error() const { return error_; }
  // "running", or how the window manager ended and what it said.
  std::string ManagerState();

private:
  bool Fail(std::string Why);

  pid_t server_ = -1;
  pid_t manager_ = -1;
  std::string display_;
  std::string log_;
  std::string error_;
};

}  // namespace testsupport
