// Folder listing on Windows: FindFirstFileA and FindNextFileA.

#include <windows.h>

#include "platform/FolderList.h"

namespace platform {

namespace {

// 100-nanosecond ticks from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;

std::int64_t UnixSeconds(const FILETIME& Time) {
  const std::int64_t ticks =
      static_cast<std::int64_t>(std::uint64_t{Time.dwHighDateTime} << 32 | Time.dwLowDateTime);
  return (ticks - kUnixEpochTicks) / 10000000;
}

}  // namespace

std::optional<std::vector<FolderEntry>> ListFolder(const std::string& Path) {
  std::string pattern = Path;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    // An empty drive has no entries at all, not even "." and "..".
    if (::GetLastError() == ERROR_FILE_NOT_FOUND) return std::vector<FolderEntry>();
    return std::nullopt;
  }
  std::vector<FolderEntry> entries;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    entry.Name = name;
    entry.Folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.Hidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    entry.Size = entry.Folder ? 0
                              : static_cast<std::int64_t>(std::uint64_t{found.nFileSizeHigh} << 32 |
                                                          found.nFileSizeLow);
    entry.Modified = UnixSeconds(found.ftLastWriteTime);
    entries.push_back(std::move(entry));
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return entries;
}

}  // namespace platform
