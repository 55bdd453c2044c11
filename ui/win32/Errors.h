#pragma once

// The errors of failing system calls, with the system's own text for their
// codes.

#include <windows.h>

#include <string>

#include "streams/Streams.h"

// The component-object library's failure texts.
inline constexpr char SOleError[] = "OLE error %.8x";
// The window and shell services' failure texts.
inline constexpr char SWin32Error[] = "Win32 Error.  Code: %d.\n%s";
inline constexpr char SUnkWin32Error[] = "A Win32 API function failed";

// A failing result code of the component-object library.
class EOleSysError : public Exception {
public:
  // The message is the system's text for Code, or SOleError when it has none.
  explicit EOleSysError(HRESULT Code);
  HRESULT ErrorCode() const { return code_; }

private:
  HRESULT code_;
};

// A failing Win32 call, with the thread's last error.
class EWin32Error : public Exception {
public:
  // SWin32Error with Code and its system text, or SUnkWin32Error for 0.
  explicit EWin32Error(DWORD Code);
  DWORD ErrorCode() const { return code_; }

private:
  DWORD code_;
};

// Raises EWin32Error for the thread's last error.
[[noreturn]] void RaiseLastWin32Error();

// The system's text for Code, as the system gives it (its final line break
// included); empty when it has none.
std::string SystemErrorText(DWORD Code);
