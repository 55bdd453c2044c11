#pragma once

// The application as its Win32 windows see it: its title and the window
// that owns all its top-level windows. Start-up sets both; dialogs and the
// shell's open read them. Process state on purpose: like the system's own
// notion of the active window, there is one application per process, and
// every dialog, however deep, must find the same owner.

#include <windows.h>

#include <string>

// The application title: the About box's product name. Until start-up sets
// it, the program file's name without its folder and extension.
std::string ApplicationTitle();
void SetApplicationTitle(const std::string& Title);

// The window that owns the program's top-level windows and is handed to
// the shell as their owner, or null while there is none.
HWND ApplicationWindow();
void SetApplicationWindow(HWND Window);
