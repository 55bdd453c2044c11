#pragma once

// Comparing file and folder names the way the platform's file system does.

#include <string>

namespace platform {

// True when A and B name the same folder as texts, regardless of letter
// case. Windows lower-cases both with the system's character tables
// (CharLowerBuffA, so letters beyond ASCII of the ANSI code page fold too)
// and compares them with the user locale's string comparison. On POSIX only
// the ASCII letters fold, and the bytes must then be equal. The comparison
// is textual: "C:\Web" and "C:\Web\" differ, and no path is resolved.
bool SameFolderName(const std::string& A, const std::string& B);

}  // namespace platform
