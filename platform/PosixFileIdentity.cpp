// File identities on POSIX: the device and inode number; folders by their
// file type.

#include <sys/stat.h>

#include "platform/FileIdentity.h"

namespace platform {

std::optional<FileIdentity> IdentifyFile(const std::string& Name) {
  struct stat st {};
  if (::stat(Name.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool IsDirectory(const std::string& Name) {
  struct stat st {};
  return ::stat(Name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform
