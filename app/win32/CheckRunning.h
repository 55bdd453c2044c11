#pragma once

// The single-instance guard: a named kernel mutex whose name is the
// application title. The first instance creates it and keeps it until it
// ends; a later start brings the running instance's window to the front
// and ends.

#include <windows.h>

enum class TInstanceRole { First, Second };

// Creates the mutex Title with initial ownership (its handle is never
// closed). When it already existed, another instance runs: its application
// window (class WindowClass, caption Title) is restored when it is
// minimised, else brought to the front, provided it is visible; the result
// is then Second, and the caller ends at once with exit code 0, without a
// window of its own and without touching the settings. A mutex that cannot
// be created for another reason makes this the first instance.
TInstanceRole CheckRunning(const char* Title, const char* WindowClass);
