#pragma once

// The empty root of the stream family, and the monitor query the About box
// uses to place itself.

class TMonitorObject {
public:
  virtual ~TMonitorObject() = default;
};

// Identifies a display monitor. The program never tracks monitors, so the
// query below always answers "none".
using TMonitorHandle = const void*;

// Returns the monitor the program is shown on: always none (nullptr).
TMonitorHandle CurrentMonitor();
