#pragma once

// Opening documents and addresses through the Windows shell.

#include <windows.h>

#include <functional>
#include <string>

// Opens FileName (a document, a program or an address such as https: or
// mailto:) with the shell's default action, with Parameters and Directory
// (empty texts go to the shell as empty strings) and ShowCommand (SW_SHOW,
// ...) for the window of the opened program. The shell's result is
// ignored, as a link's is.
void OpenWithShell(const std::string& FileName, const std::string& Parameters,
                   const std::string& Directory, int ShowCommand);

// What OpenWithShell calls: ShellExecuteA by default; tests put a recorder
// here. Verb is null for the default action.
using TShellExecuteFunc =
    std::function<void(HWND Owner, const char* Verb, const char* FileName, const char* Parameters,
                       const char* Directory, int ShowCommand)>;
TShellExecuteFunc SetShellExecute(TShellExecuteFunc Func);  // returns the previous one
