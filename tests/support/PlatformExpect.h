#pragma once

// Expectations that depend on the platform, kept in one place (one file a
// platform: platform/PosixExpect.cpp, platform/WinExpect.cpp).

#include <string>

#include "platform/FileEnv.h"
#include "streams/Streams.h"

namespace expect {

platform::SysError FileNotFound();
platform::SysError AccessDenied();
inline platform::SysError SharingViolation() { return platform::ErrorSharingViolation(); }
// Creating a file in a folder that does not exist.
platform::SysError PathNotFound();
// Opening an empty file name.
inline platform::SysError EmptyName() { return PathNotFound(); }
// Opening a folder as a file.
platform::SysError IsADirectory();
// True when the tests run under Wine rather than on Windows itself.
bool UnderWine();
// Making the end of a file that is open for reading only its end. Wine
// passes on what the Unix call says (an invalid argument) where Windows
// denies access.
platform::SysError TruncateReadOnly();
platform::SysError DiskFull();
platform::SysError IoError();

// The path delimiter as a text.
inline std::string Delimiter() { return std::string(1, platform::PathDelimiter()); }

// A root folder: it already ends with the delimiter.
std::string RootFolder();

// True where folder names differ only in letter case beyond ASCII (0xC4 and
// 0xE4 in the ANSI code page) name the same folder.
extern const bool kFoldsBeyondAscii;

// A code the system has no text for.
inline platform::SysError UnknownCode() { return 0x3FFFFFF0u; }

// The system's text for Code, as file error messages carry it.
inline std::string Text(platform::SysError Code) { return ErrorCodeText(Code); }

}  // namespace expect
