#pragma once

// Temporary folders and path helpers that work alike on every platform.

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#include <sys/stat.h>
#endif

#include "platform/FileEnv.h"

namespace testsupport {

// Creates a fresh, empty folder under the system's temporary folder and
// returns its full name, without a trailing delimiter.
inline std::string MakeTempFolder() {
#ifdef _WIN32
  // No mkdtemp here: try fresh random names until one can be created.
  char base[MAX_PATH + 1];
  const DWORD n = ::GetTempPathA(sizeof base, base);
  if (n == 0 || n > MAX_PATH) throw std::runtime_error("no temporary folder");
  std::string folder(base, n);
  if (folder.back() == '\\') folder.pop_back();
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = folder + "\\pagetrim-" + std::to_string(random());
    if (::CreateDirectoryA(candidate.c_str(), nullptr)) return candidate;
  }
  throw std::runtime_error("cannot create a temporary folder");
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "pagetrim-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
#endif
}

// Removes Folder with everything in it; read-only files do not stop it.
inline void RemoveFolder(const std::string& Folder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder, ec))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  std::filesystem::permissions(Folder, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(Folder, ec);
}

// Folder + delimiter + Relative, with every '/' of Relative turned into the
// platform's delimiter.
inline std::string JoinPath(const std::string& Folder, std::string Relative) {
  const char delimiter = platform::PathDelimiter();
  for (char& c : Relative)
    if (c == '/') c = delimiter;
  return Folder + delimiter + Relative;
}

// True when something (a file, a folder, a link) is called Name. Byte
// names go to the system as they are, in its ANSI code page.
inline bool PathExists(const std::string& Name) {
#ifdef _WIN32
  return ::GetFileAttributesA(Name.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
  struct stat st {};
  return ::lstat(Name.c_str(), &st) == 0;
#endif
}

// Creates the folder Name; false when it cannot.
inline bool MakeFolder(const std::string& Name) {
#ifdef _WIN32
  return ::CreateDirectoryA(Name.c_str(), nullptr) != FALSE;
#else
  return ::mkdir(Name.c_str(), 0777) == 0;
#endif
}

// The name under which a test reaches a file that the build named. A cross
// build names its files by their Unix paths; Wine reaches those through its
// drive Z:, the Unix root.
inline std::string BuildPath(std::string Name) {
#ifdef _WIN32
  if (!Name.empty() && Name[0] == '/') {
    for (char& c : Name)
      if (c == '/') c = '\\';
    return "Z:" + Name;
  }
#endif
  return Name;
}

}  // namespace testsupport
