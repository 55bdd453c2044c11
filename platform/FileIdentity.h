#pragma once

// Which file a name reaches: two names that reach the same file (through a
// symbolic link, a hard link or another spelling of the path) have the same
// identity. And whether a name reaches a folder.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct FileIdentity {
  std::uint64_t Volume = 0;  // the device or volume holding the file
  std::uint64_t Index = 0;   // the file's number on it

  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
  friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file Name reaches, links followed; nothing when there
// is no such file or it cannot be looked at. Opens nothing for reading or
// writing and never blocks.
std::optional<FileIdentity> IdentifyFile(const std::string& Name);

// True when Name reaches an existing folder (links followed; on Windows a
// trailing delimiter is allowed, as the system's attributes call allows
// it). Opens nothing and never blocks.
bool IsDirectory(const std::string& Name);

}  // namespace platform
