#pragma once

// Expectations that depend on the platform, kept in one place.

#include <string>

#include "platform/FileEnv.h"
#include "streams/Streams.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace expect {

inline platform::SysError FileNotFound() {
#ifdef _WIN32
  return ERROR_FILE_NOT_FOUND;
#else
  return ENOENT;
#endif
}

inline platform::SysError AccessDenied() {
#ifdef _WIN32
  return ERROR_ACCESS_DENIED;
#else
  return EACCES;
#endif
}

inline platform::SysError SharingViolation() { return platform::ErrorSharingViolation(); }

// Creating a file in a folder that does not exist.
inline platform::SysError PathNotFound() {
#ifdef _WIN32
  return ERROR_PATH_NOT_FOUND;
#else
  return ENOENT;
#endif
}

// Opening an empty file name.
inline platform::SysError EmptyName() { return PathNotFound(); }

// Opening a folder as a file.
inline platform::SysError IsADirectory() {
#ifdef _WIN32
  return ERROR_ACCESS_DENIED;
#else
  return EISDIR;
#endif
}

// True when the tests run under Wine rather than on Windows itself.
inline bool UnderWine() {
#ifdef _WIN32
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

// Making the end of a file that is open for reading only its end. Wine
// passes on what the Unix call says (an invalid argument) where Windows
// denies access.
inline platform::SysError TruncateReadOnly() {
#ifdef _WIN32
  return UnderWine() ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED;
#else
  return EACCES;
#endif
}

// The path delimiter as a text.
inline std::string Delimiter() { return std::string(1, platform::PathDelimiter()); }

// A root folder: it already ends with the delimiter.
inline std::string RootFolder() {
#ifdef _WIN32
  return "C:\\";
#else
  return "/";
#endif
}

// True where folder names differ only in letter case beyond ASCII (0xC4 and
// 0xE4 in the ANSI code page) name the same folder.
inline constexpr bool kFoldsBeyondAscii =
#ifdef _WIN32
    true;
#else
    false;
#endif

inline platform::SysError DiskFull() {
#ifdef _WIN32
  return ERROR_DISK_FULL;
#else
  return ENOSPC;
#endif
}

inline platform::SysError IoError() {
#ifdef _WIN32
  return ERROR_CRC;
#else
  return EIO;
#endif
}

// A code the system has no text for.
inline platform::SysError UnknownCode() { return 0x3FFFFFF0u; }

// The system's text for Code, as file error messages carry it.
inline std::string Text(platform::SysError Code) { return ErrorCodeText(Code); }

}  // namespace expect
