#pragma once

// The source picker's dialog: the system's open-file dialog (GetOpenFileNameA)
// for HTML and ASP documents, several at a time.

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

inline constexpr char SOpenDialogTitle[] = "Select file(s)";

// The characters the dialog's answer may take at first (much more than
// thousands of paths need); a larger answer grows it.
inline constexpr DWORD kOpenDialogBuffer = 1 << 20;

// Shows the open-file dialog that Dialog describes: true when the user
// confirmed; else *Error is the dialog's error code (CommDlgExtendedError),
// 0 when the user cancelled. SystemOpenDialog is GetOpenFileNameA; tests
// put a stand-in in its place for what the system's dialog cannot be made
// to do under test.
using TShowOpenDialog = std::function<bool(OPENFILENAMEA& Dialog, DWORD* Error)>;
bool SystemOpenDialog(OPENFILENAMEA& Dialog, DWORD* Error);

// Shows the dialog (through Show), owned by Owner, starting in InitialFolder (where the
// system likes when it is empty), and returns the full paths of the chosen
// files in the dialog's order, or nothing when the user cancelled. When the
// answer does not fit the buffer (at first BufferSize characters), the
// buffer grows to what the dialog asks for and the dialog is shown again,
// so no selection is ever cut short. Raises Exception when the dialog
// itself fails.
std::optional<std::vector<std::string>> RunOpenDialog(
    HWND Owner, const std::string& InitialFolder, DWORD BufferSize = kOpenDialogBuffer,
    const TShowOpenDialog& Show = SystemOpenDialog);

// The full paths in the dialog's answer List (its first Size characters):
// either one full path, or a folder followed by the names of the files
// chosen in it; each ended by a NUL, the whole by one more NUL.
std::vector<std::string> OpenDialogFiles(const char* List, std::size_t Size);
