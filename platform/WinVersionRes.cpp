// The version resource services on Windows: the system's own calls.

#include <windows.h>

#include <string>
#include <vector>

#include "platform/VersionRes.h"

namespace platform {

std::uint32_t FileVersionDataSize(const std::string& FileName, FileEnv* /*Env*/) {
  DWORD unused = 0;
  return ::GetFileVersionInfoSizeA(FileName.c_str(), &unused);
}

bool ReadFileVersionData(const std::string& FileName, std::uint32_t Size, void* Data,
                         FileEnv* /*Env*/) {
  return ::GetFileVersionInfoA(FileName.c_str(), 0, Size, Data) != FALSE;
}

bool QueryVersionValue(void* Block, std::uint32_t /*BlockSize*/, std::string_view SubBlock,
                       const void** Value, std::uint32_t* Length) {
  // VerQueryValueA hands text values out in the ANSI code page, converted
  // into the spare room that GetFileVersionInfoA left behind the block.
  const std::string path(SubBlock);
  LPVOID value = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(Block, path.c_str(), &value, &length)) return false;
  *Value = value;
  *Length = length;
  return true;
}

std::string ProgramFileName() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    // A full buffer means the name was cut: try again with more room.
    if (n < buffer.size()) return std::string(buffer.data(), n);
    if (buffer.size() >= 32768) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
