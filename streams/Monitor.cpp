#include "streams/Monitor.h"

TMonitorHandle CurrentMonitor() { return nullptr; }
