#pragma once

// The system's requests that the program end in an orderly way, as a
// handle an event loop can watch. On POSIX these are the signals SIGTERM
// (how a log-off or a shut-down ends programs, and kill's default), SIGHUP
// (the terminal went away) and SIGINT (Ctrl+C). (POSIX only: on Windows
// the window receives the system's end-of-session messages instead.)

namespace platform {

class StopRequests {
public:
  // Starts catching the requests: from now on they no longer end the
  // process; each one makes the returned handle (a file descriptor)
  // readable. Returns -1 when they cannot be caught. Later calls return the
  // same handle. Requests that arrive before anybody watches the handle
  // wait there.
  static int Catch();

  // Takes the requests that have arrived, so that the handle is no longer
  // readable. True when there was at least one.
  static bool Take();
};

}  // namespace platform
