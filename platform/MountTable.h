#pragma once

// Where a folder lies inside its file system, as the system's mount table
// tells it. A file system can be mounted in several places, and a folder
// of it can be mounted again elsewhere (a bind mount): two names whose
// identities and real names tell nothing of each other may then be the
// same folder, or one inside the other. Their places tell it.

#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct FileSystemPlace {
  std::string Device;  // the file system, as the mount table names it ("8:1")
  std::string Path;    // from that file system's own root, "/" delimited

  friend bool operator==(const FileSystemPlace&, const FileSystemPlace&) = default;
};

// The place of the absolute real name Real (no links, "." or ".." in it)
// by the mount table MountInfo, written as Linux writes
// /proc/self/mountinfo: the mount whose mount point is the longest leading
// part of Real (the last one listed where several are mounted on the same
// point) gives the device, and its root joined with the rest of Real the
// path. Nothing when no mount point leads Real or the table cannot be read.
std::optional<FileSystemPlace> PlaceInMountTable(std::string_view MountInfo,
                                                 const std::string& Real);

// The place of Real by the running system's mount table; nothing where the
// system has none that tells roots of mounts (everywhere but Linux).
std::optional<FileSystemPlace> PlaceInFileSystem(const std::string& Real);

// True when the folder at Inner lies strictly inside the folder at Outer:
// the same file system, and Outer's path leads Inner's.
bool PlaceInside(const FileSystemPlace& Inner, const FileSystemPlace& Outer);

}  // namespace platform
