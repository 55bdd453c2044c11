// File identities on POSIX: the device and inode number; folders by their
// file type.

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "platform/FileIdentity.h"
#include "platform/MountTable.h"

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

std::optional<FileSystemPlace> PlaceInFileSystem(const std::string& Real) {
  std::ifstream table("/proc/self/mountinfo", std::ios::binary);
  if (!table) return std::nullopt;
  const std::string text{std::istreambuf_iterator<char>(table), std::istreambuf_iterator<char>()};
  return PlaceInMountTable(text, Real);
}

}  // namespace platform
