// Folder listing on Windows: FindFirstFileA and FindNextFileA.

#include <windows.h>

#include "platform/FolderList.h"
#include "platform/WinFind.h"

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

DWORD ForEachFound(const std::string& Path,
                   const std::function<void(const WIN32_FIND_DATAA&)>& Each) {
  std::string pattern = Path;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD err = ::GetLastError();
    return err == ERROR_FILE_NOT_FOUND ? NO_ERROR : err;
  }
  do {
    const char* n = found.cFileName;
    if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
    Each(found);
  } while (::FindNextFileA(search, &found));
  const DWORD err = ::GetLastError();
  ::FindClose(search);
  return err == ERROR_NO_MORE_FILES ? NO_ERROR : err;
}

std::optional<std::vector<FolderEntry>> ListFolder(const std::string& Path) {
  std::vector<FolderEntry> entries;
  const DWORD err = ForEachFound(Path, [&](const WIN32_FIND_DATAA& Found) {
    FolderEntry entry;
    entry.Name = Found.cFileName;
    entry.Folder = (Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.Hidden = (Found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    entry.Size = entry.Folder ? 0
                              : static_cast<std::int64_t>(std::uint64_t{Found.nFileSizeHigh} << 32 |
                                                          Found.nFileSizeLow);
    entry.Modified = UnixSeconds(Found.ftLastWriteTime);
    entries.push_back(std::move(entry));
  });
  if (err != NO_ERROR) return std::nullopt;
  return entries;
}

}  // namespace platform
