#include "dialogs/FolderRoots.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace {

bool StartsWith(const std::string& Text, const std::string& Prefix) {
  return Text.compare(0, Prefix.size(), Prefix) == 0;
}

std::string LowerCase(std::string Text) {
  std::transform(Text.begin(), Text.end(), Text.begin(),
                 [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
  return Text;
}

}  // namespace

bool HasHiddenPart(const std::string& Path) {
  std::size_t start = 0;
  while (start <= Path.size()) {
    std::size_t end = Path.find('/', start);
    if (end == std::string::npos) end = Path.size();
    const std::string name = Path.substr(start, end - start);
    if (name.size() > 1 && name[0] == '.' && name != "..") return true;
    start = end + 1;
  }
  return false;
}

bool IsAtOrBelow(const std::string& Path, const std::string& Folder) {
  if (!StartsWith(Path, Folder)) return false;
  return Path.size() == Folder.size() || Folder.back() == '/' || Path[Folder.size()] == '/';
}

bool IsBrowsableMount(const std::string& RootPath, const std::string& Device,
                      const std::string& FileSystemType) {
  if (RootPath.empty() || RootPath == "/") return false;
  // Mounts of the system's own that hold nothing a user saves pages into.
  static const char* const SystemAreas[] = {"/boot", "/dev",  "/efi",     "/etc",
                                            "/proc", "/snap", "/sys",     "/usr",
                                            "/var/lib", "/var/snap"};
  for (const char* Area : SystemAreas)
    if (IsAtOrBelow(RootPath, Area)) return false;
  if (IsAtOrBelow(RootPath, "/run") && !IsAtOrBelow(RootPath, "/run/media")) return false;
  static const std::set<std::string> NetworkTypes = {"nfs", "nfs4", "cifs", "smb3", "smbfs",
                                                     "fuse.sshfs", "9p", "afs", "ncpfs"};
  if (NetworkTypes.count(FileSystemType)) return true;
  // Packaged programs (snaps) come as squashfs images on loop devices.
  if (FileSystemType == "squashfs") return false;
  return StartsWith(Device, "/dev/");
}

std::string MountDisplayName(const std::string& RootPath, const std::string& Label) {
  if (Label.empty() || Label == RootPath) return RootPath;
  return Label + " (" + RootPath + ")";
}

std::vector<std::string> HostsFileNames(const std::string& Text) {
  std::vector<std::string> Names;
  std::set<std::string> Seen;
  std::istringstream Lines(Text);
  std::string Line;
  while (std::getline(Lines, Line)) {
    Line = Line.substr(0, Line.find('#'));
    std::istringstream Fields(Line);
    std::string Address;
    if (!(Fields >> Address)) continue;
    // The local host comes from the system's own name; multicast and the
    // special IPv6 groups (ip6-allnodes, ...) name no computer.
    const std::string Lower = LowerCase(Address);
    if (StartsWith(Lower, "127.") || Lower == "::1" || StartsWith(Lower, "ff") ||
        StartsWith(Lower, "fe00:") || Lower == "0.0.0.0" || Lower == "::")
      continue;
    std::string Name;
    while (Fields >> Name) {
      const std::string Key = LowerCase(Name);
      if (StartsWith(Key, "localhost")) continue;
      if (Seen.insert(Key).second) Names.push_back(Name);
    }
  }
  return Names;
}
