#pragma once

// Where the folder browser's trees start: the desktop and home folders, the
// file system root, the mounted drives and the known computers, with the
// rules that decide which mounts count as drives and which hosts count as
// computers. Finding them on the running system is the toolkit's part
// (qt/SystemRoots.h).

#include <string>
#include <vector>

// A mounted file system worth showing as a drive.
struct TMountPoint {
  std::string Path;
  std::string Name;  // what the tree shows
};

// Where the trees of the three browse kinds start.
struct TFolderRoots {
  std::string Desktop;
  std::string Home;
  std::string FileSystemRoot = "/";
  std::vector<TMountPoint> Mounts;
  std::vector<std::string> Computers;
};

// True for a mount that a user keeps files on (a disk, a stick, a network
// share), false for the root itself and the system's own mounts.
bool IsBrowsableMount(const std::string& RootPath, const std::string& Device,
                      const std::string& FileSystemType);

// The text a mounted drive shows: "Label (path)", or the path alone when the
// drive has no label of its own.
std::string MountDisplayName(const std::string& RootPath, const std::string& Label);

// The host names in the text of a hosts file, first occurrence first, less
// the loopback, multicast and special entries and the localhost names.
std::vector<std::string> HostsFileNames(const std::string& Text);

// True when one of the '/' separated names in Path is a hidden one: a name
// that starts with a full stop (but is not "." or "..").
bool HasHiddenPart(const std::string& Path);

// True when Path is Folder or lies below it ('/' separated).
bool IsAtOrBelow(const std::string& Path, const std::string& Folder);
