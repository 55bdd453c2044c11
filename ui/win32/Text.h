#pragma once

// Window texts as the program's byte strings (the ANSI code page), of any
// length.

#include <windows.h>

#include <string>

// The whole text of Window (a caption, a field's contents).
std::string WindowText(HWND Window);

// Sets the text of Window; false when the window refused it (out of memory
// for a long text).
bool SetWindowTextBytes(HWND Window, const std::string& Text);
