#pragma once

// The empty root of the stream family, and the query for the debug monitor
// whose report the About box shows.

#include <memory>
#include <string>

class TMonitorObject {
public:
  virtual ~TMonitorObject() = default;
};

// A debug monitor keeps track of the program's objects in debug builds and
// describes what it has seen.
class TDebugMonitor {
public:
  virtual ~TDebugMonitor() = default;
  // A text describing the monitor's state.
  virtual std::string ReportText() = 0;
};

// Returns the active debug monitor, which the caller then owns, or none.
// This program is never built with a monitor, so the answer is always none.
std::unique_ptr<TDebugMonitor> CurrentMonitor();
