#pragma once

// The version resource services of the platform: the version data of an
// executable file, and values looked up in it by path.
//
// Windows answers them with its own calls (GetFileVersionInfoSizeA,
// GetFileVersionInfoA, VerQueryValueA). Elsewhere the version block reader
// (version/) answers them, with files read through a FileEnv.

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class FileEnv;

// The size of the buffer that ReadFileVersionData needs for FileName's
// version data, and the reading itself. A file that cannot be opened or read
// has no version data (size 0, read false). Elsewhere than on Windows the
// file is read through Env (null: the system's file services); Windows
// reads it itself.
std::uint32_t FileVersionDataSize(const std::string& FileName, FileEnv* Env = nullptr);
bool ReadFileVersionData(const std::string& FileName, std::uint32_t Size, void* Data,
                         FileEnv* Env = nullptr);

// Looks SubBlock up in the data ReadFileVersionData filled ("\" the
// fixed-info record, "\VarFileInfo\Translation", "\StringFileInfo\...\Key").
// On success sets *Value and *Length (a text's length counts its NUL) and
// returns true; returns false when the path names no value.
bool QueryVersionValue(void* Block, std::uint32_t BlockSize, std::string_view SubBlock,
                       const void** Value, std::uint32_t* Length);

// The full path of the running program's own executable file, or an empty
// string when the system does not tell.
std::string ProgramFileName();

}  // namespace platform
