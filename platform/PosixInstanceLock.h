#pragma once

// Where the instance lock lives on POSIX systems, and the check that keeps
// other users away from it. (POSIX only; InstanceLock.h is the interface.)

#include <string>
#include <sys/types.h>

namespace platform {

// The folder that holds user Uid's instance locks, found the same way
// whatever the environment says (XDG_RUNTIME_DIR is set in one session and
// not in another, and two instances must still meet):
//   RunBase/UID, the folder the system keeps for the user while logged in
//   (/run/user/UID), when it is the user's own private folder;
//   else TmpBase/pagetrim-user-UID in the shared temporary folder, made with
//   mode 0700 when it is missing.
// Empty when the folder found is not safe: not a folder of its own (a file,
// a symbolic link), owned by another user, or writable by its group or by
// others. Another user could then hold the lock (and keep the program from
// ever starting) or replace the channel beside it.
std::string InstanceLockFolder(uid_t Uid, const std::string& RunBase = "/run/user",
                               const std::string& TmpBase = "/tmp");

// True when Path is a folder itself (not a link to one), owned by Uid, that
// nobody but its owner may write to.
bool IsPrivateFolder(const std::string& Path, uid_t Uid);

}  // namespace platform
