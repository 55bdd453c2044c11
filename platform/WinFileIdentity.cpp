// File identities on Windows: the volume serial number and file index;
// folders by their attributes.

#include <windows.h>

#include "platform/FileIdentity.h"
#include "platform/MountTable.h"

namespace platform {

std::optional<FileIdentity> IdentifyFile(const std::string& Name) {
  // No access asked for: only the file's attributes are read. Backup
  // semantics let folders be opened too.
  HANDLE h = CreateFileA(Name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}

bool IsDirectory(const std::string& Name) {
  const DWORD attributes = ::GetFileAttributesA(Name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Windows has no bind mounts: a folder mounted elsewhere is reached through
// a junction, which the real name resolves.
std::optional<FileSystemPlace> PlaceInFileSystem(const std::string& /*Real*/) {
  return std::nullopt;
}

}  // namespace platform
