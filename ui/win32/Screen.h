#pragma once

// Placing Win32 windows on the screen.

#include <windows.h>

// Moves Window, keeping its size, to the centre of the primary screen, kept
// on the screen (CenterRect); neither its Z order nor the active window
// changes.
void CenterOnScreen(HWND Window);
