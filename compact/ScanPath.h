#pragma once

// Which scanners the default compaction rules run on: the wide ones, which
// look at 16 bytes at a time where the processor has the instructions for
// it (SSE2, always there on x86-64), or the portable ones, byte by byte.
// Both give the same bytes; the wide ones are the default wherever they
// were compiled in, and tests run both.

#include <cstdint>

enum class TScanPath : std::uint8_t { spWide, spPortable };

// True when this build has the wide scanners.
bool WideScanAvailable();

// Selects the scanners for the compactions that start from now on, in any
// thread; spWide falls back to spPortable where it is not available.
void SetScanPath(TScanPath Path);
TScanPath CurrentScanPath();
