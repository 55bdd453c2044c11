#pragma once

// What a folder holds, with the names as the system spells them (bytes,
// whatever their encoding).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct FolderEntry {
  std::string Name;
  bool Folder = false;         // a folder, or a link to one
  bool Hidden = false;         // hidden by the system's rule: a leading full stop on
                               // POSIX, the hidden attribute on Windows
  std::int64_t Size = 0;       // bytes, for a file
  std::int64_t Modified = 0;   // seconds since 1970-01-01 UTC
};

// The entries of the folder Path, without "." and "..", in no particular
// order; nothing when it cannot be listed. Links are followed to tell
// folders from files; a link that leads nowhere counts as a file of size 0.
// Never opens an entry for reading and never blocks on one.
std::optional<std::vector<FolderEntry>> ListFolder(const std::string& Path);

}  // namespace platform
