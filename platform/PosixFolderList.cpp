// Folder listing on POSIX: readdir, and stat for each entry (links
// followed).

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

#include "platform/FolderList.h"

namespace platform {

std::optional<std::vector<FolderEntry>> ListFolder(const std::string& Path) {
  const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(Path.c_str()), ::closedir);
  if (!folder) return std::nullopt;
  const int fd = ::dirfd(folder.get());
  std::vector<FolderEntry> entries;
  while (const dirent* item = ::readdir(folder.get())) {
    const std::string name = item->d_name;
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    entry.Name = name;
    entry.Hidden = name[0] == '.';
    struct stat st {};
    if (::fstatat(fd, item->d_name, &st, 0) == 0) {
      entry.Folder = S_ISDIR(st.st_mode);
      entry.Size = entry.Folder ? 0 : static_cast<std::int64_t>(st.st_size);
      entry.Modified = static_cast<std::int64_t>(st.st_mtime);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace platform
