// File services on POSIX systems.
//
// Windows lets every open say what others may do with the file meanwhile
// (its share mode) and refuses an open that conflicts with an open handle.
// Here that is emulated with open-file-description locks on four bytes far
// beyond any real data, so it holds between opens in one process and across
// processes, and follows the file itself whatever name reaches it:
//
//   kReadAccess   every open with read access holds a shared lock on it
//   kWriteAccess  every open with write access holds a shared lock on it
//   kDenyRead     every open that does not share reading holds it
//   kDenyWrite    every open that does not share writing holds it
//
// A new open conflicts when it wants an access that somebody denies, or
// denies an access that somebody has; it then fails with a code of its own
// (kSharingViolation), whose text tells the user what to do about it.
//
// A handle carries the descriptor and the access the open asked for. The
// descriptor may do more than that (a writer's is opened for reading too,
// to hold its sharing locks; a reader that empties the file needs write
// access for that), so calls are checked against the asked access and
// refused as Windows refuses them: with the access-denied error.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>

#include "platform/FileEnv.h"

namespace platform {

namespace {

constexpr off_t kLockBase = std::numeric_limits<off_t>::max() - 16;
constexpr off_t kReadAccess = kLockBase + 0;
constexpr off_t kWriteAccess = kLockBase + 1;
constexpr off_t kDenyRead = kLockBase + 2;
constexpr off_t kDenyWrite = kLockBase + 3;

constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

// Beyond every errno value: the emulated sharing violation.
constexpr int kSharingViolation = 0x20000020;
constexpr char kSharingViolationText[] =
    "The file is in use: another program, or this run, has it open";

// The low bits of a handle: the access its open asked for.
constexpr FileHandle kMayRead = 1;
constexpr FileHandle kMayWrite = 2;
constexpr int kAccessBits = 2;

FileHandle MakeHandle(int fd, bool read, bool write) {
  return (static_cast<FileHandle>(fd) << kAccessBits) | (read ? kMayRead : 0) |
         (write ? kMayWrite : 0);
}
int Descriptor(FileHandle Handle) { return static_cast<int>(Handle >> kAccessBits); }
bool MayRead(FileHandle Handle) { return (Handle & kMayRead) != 0; }
bool MayWrite(FileHandle Handle) { return (Handle & kMayWrite) != 0; }

int LockByte(int fd, off_t at, short type) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = at;
  fl.l_len = 1;
  int rc;
  do {
    rc = fcntl(fd, F_OFD_SETLK, &fl);
  } while (rc == -1 && errno == EINTR);
  return rc;
}

// True when another open file description holds a lock on byte at.
bool Taken(int fd, off_t at) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = at;
  fl.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &fl) == -1) return false;
  return fl.l_type != F_UNLCK;
}

// Applies the sharing rules to the freshly opened fd. Returns 0, or an errno.
// The locks are taken first and the conflicts looked for afterwards: a lock
// test never sees the caller's own locks, and of two opens that race, each
// sees the other's locks, so neither can slip past a conflict. An open that
// empties the file writes to it once, also without write access: it
// conflicts with a handle that does not share writing.
int ClaimSharing(int fd, bool read, bool write, bool shareRead, bool shareWrite, bool canLock,
                 bool empties) {
  // Shared locks need a descriptor open for reading.
  if (canLock) {
    if ((read && LockByte(fd, kReadAccess, F_RDLCK) == -1) ||
        (write && LockByte(fd, kWriteAccess, F_RDLCK) == -1) ||
        (!shareRead && LockByte(fd, kDenyRead, F_RDLCK) == -1) ||
        (!shareWrite && LockByte(fd, kDenyWrite, F_RDLCK) == -1))
      return errno;
  }
  if ((read && Taken(fd, kDenyRead)) || ((write || empties) && Taken(fd, kDenyWrite)) ||
      (!shareRead && Taken(fd, kReadAccess)) || (!shareWrite && Taken(fd, kWriteAccess)))
    return kSharingViolation;
  return 0;
}

FileStatus StatusOf(const struct stat& St) {
  FileStatus status;
  status.Identity = FileIdentity{static_cast<std::uint64_t>(St.st_dev),
                                 static_cast<std::uint64_t>(St.st_ino)};
  status.Kind = S_ISREG(St.st_mode)   ? fkRegular
                : S_ISDIR(St.st_mode) ? fkFolder
                : S_ISLNK(St.st_mode) ? fkLink
                                      : fkOther;
  status.Permissions = static_cast<std::uint32_t>(St.st_mode & 07777);
  status.Size = static_cast<std::int64_t>(St.st_size);
  status.ModifiedTime =
      static_cast<std::int64_t>(St.st_mtim.tv_sec) * 1000000000 + St.st_mtim.tv_nsec;
  return status;
}

int BaseOf(FolderHandle Folder) { return Folder == kNoFolder ? AT_FDCWD : static_cast<int>(Folder); }

// Sets the permission bits and the modification time of the open fd; the
// access time is left as it is.
bool SetFdAttributes(int Fd, const std::uint32_t* Permissions, const std::int64_t* ModifiedTime) {
  if (Permissions != nullptr && ::fchmod(Fd, static_cast<mode_t>(*Permissions & 07777)) != 0)
    return false;
  if (ModifiedTime != nullptr) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(*ModifiedTime / 1000000000);
    times[1].tv_nsec = static_cast<long>(*ModifiedTime % 1000000000);
    if (times[1].tv_nsec < 0) {
      times[1].tv_nsec += 1000000000;
      --times[1].tv_sec;
    }
    if (::futimens(Fd, times) != 0) return false;
  }
  return true;
}

#ifdef __linux__
// Copies the regular file In from its position to its reported size into
// Out at its position, and adds the bytes to *Copied: the kernel copies
// the parts that hold data, and the holes of a sparse file are skipped, so
// that the copy is as sparse. Stops early, with both positions where it
// stopped, where the kernel cannot copy between the two files; the caller
// copies the rest through memory. False with errno set when Out cannot be
// given the length of a hole at its end.
bool CopyInKernel(int In, int Out, std::int64_t* Copied) {
  struct stat st {};
  off_t inAt = ::lseek(In, 0, SEEK_CUR);
  off_t outAt = ::lseek(Out, 0, SEEK_CUR);
  if (inAt == -1 || outAt == -1 || ::fstat(In, &st) != 0 || !S_ISREG(st.st_mode)) return true;
  const off_t end = st.st_size;
  bool holes = true;  // the file system tells them
  while (inAt < end) {
    off_t data = holes ? ::lseek(In, inAt, SEEK_DATA) : inAt;
    if (data == -1) {
      if (errno != ENXIO) {
        holes = false;
        continue;
      }
      data = end;  // a hole up to the end
    }
    data = std::min(data, end);
    outAt += data - inAt;
    *Copied += data - inAt;
    inAt = data;
    off_t hole = holes ? ::lseek(In, inAt, SEEK_HOLE) : end;
    if (hole == -1 || hole > end) hole = end;
    bool stopped = false;
    while (inAt < hole && !stopped) {
      const ssize_t n = ::copy_file_range(In, &inAt, Out, &outAt,
                                          static_cast<std::size_t>(hole - inAt), 0);
      if (n > 0)
        *Copied += n;
      else if (n == 0 || errno != EINTR)
        stopped = true;
    }
    if (stopped) break;
  }
  // A hole at the end: the copy gets its length.
  struct stat outSt {};
  if (::fstat(Out, &outSt) == 0 && outSt.st_size < outAt && ::ftruncate(Out, outAt) != 0)
    return false;
  return ::lseek(In, inAt, SEEK_SET) != -1 && ::lseek(Out, outAt, SEEK_SET) != -1;
}
#endif

// Writes Count bytes from Buffer to Fd, however many calls that takes.
bool WriteAll(int Fd, const char* Buffer, std::size_t Count) {
  while (Count > 0) {
    const ssize_t n = ::write(Fd, Buffer, Count);
    if (n == -1) {
      if (errno == EINTR) continue;
      return false;
    }
    Buffer += n;
    Count -= static_cast<std::size_t>(n);
  }
  return true;
}

class PosixFileEnv final : public FileEnv {
public:
  Status Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
              std::uint32_t Disposition, std::uint32_t /*Attributes*/, FileHandle* Handle) override {
    *Handle = kInvalidHandle;
    const bool read = (Access & kGenericRead) != 0;
    const bool write = (Access & kGenericWrite) != 0;
    if (!read && !write) return Fail(EINVAL);
    const bool create = Disposition == kCreateAlways;
    // Never truncate here: emptying the file waits until the sharing check
    // has passed. O_NONBLOCK keeps FIFOs and devices from hanging the open.
    int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (create) flags |= O_CREAT;
    // A writer opens read-write when it may, so that it can hold its
    // sharing locks; a file it may only write is opened write-only. A
    // reader that creates empties an existing file, which takes write
    // permission, as it does on Windows.
    int fd = -1;
    bool canLockRead = true;
    if (write || create) {
      fd = ::open(Name.c_str(), flags | O_RDWR, 0666);
      if (fd == -1 && !read && errno == EACCES) {
        fd = ::open(Name.c_str(), flags | O_WRONLY, 0666);
        canLockRead = false;
      }
    } else {
      fd = ::open(Name.c_str(), flags | O_RDONLY, 0666);
    }
    if (fd == -1) return Fail(errno);
    struct stat st {};
    if (fstat(fd, &st) == -1) return CloseAndFail(fd, errno);
    if (S_ISDIR(st.st_mode)) return CloseAndFail(fd, EISDIR);
    // A file stream needs a size and a position: FIFOs, sockets and devices
    // are refused.
    if (!S_ISREG(st.st_mode)) return CloseAndFail(fd, ESPIPE);
    int err = ClaimSharing(fd, read, write, (Share & kFileShareRead) != 0,
                           (Share & kFileShareWrite) != 0, canLockRead, create);
    if (err != 0) return CloseAndFail(fd, err);
    if (create && st.st_size != 0) {
      int rc;
      do {
        rc = ftruncate(fd, 0);
      } while (rc == -1 && errno == EINTR);
      if (rc == -1) return CloseAndFail(fd, errno);
    }
    *Handle = MakeHandle(fd, read, write);
    return Status();
  }

  Status Read(FileHandle Handle, void* Buffer, std::int32_t Count, std::int32_t* Done) override {
    *Done = 0;
    if (Count < 0) return Fail(EINVAL);
    if (!MayRead(Handle)) return Fail(EACCES);
    if (Count == 0) return Status();
    // One read: a regular file delivers all that is asked unless it ends
    // (or, for a pseudo-file, its page ends) first, so a short count needs
    // no second call to find out.
    ssize_t n;
    do {
      n = ::read(Descriptor(Handle), Buffer, static_cast<std::size_t>(Count));
    } while (n == -1 && errno == EINTR);
    if (n == -1) return Fail(errno);
    *Done = static_cast<std::int32_t>(n);
    return Status();
  }

  Status Write(FileHandle Handle, const void* Buffer, std::int32_t Count,
               std::int32_t* Done) override {
    *Done = 0;
    if (Count < 0) return Fail(EINVAL);
    if (!MayWrite(Handle)) return Fail(EACCES);
    if (Count == 0) return Status();
    const int fd = Descriptor(Handle);
    const auto* p = static_cast<const char*>(Buffer);
    std::int32_t put = 0;
    while (put < Count) {
      ssize_t n = ::write(fd, p + put, static_cast<std::size_t>(Count - put));
      if (n == -1) {
        if (errno == EINTR) continue;
        return Fail(errno);
      }
      if (n == 0) break;
      put += static_cast<std::int32_t>(n);
    }
    *Done = put;
    return Status();
  }

  Status SetPosition(FileHandle Handle, std::int32_t Distance, std::uint32_t Origin,
                     std::int32_t* Position) override {
    const int fd = Descriptor(Handle);
    off_t result;
    if (Origin == kFileBegin) {
      if (Distance < 0) return Fail(EINVAL);
      result = ::lseek(fd, Distance, SEEK_SET);
    } else {
      result = ::lseek(fd, Distance, SEEK_CUR);
    }
    if (result == -1) return Fail(errno);
    if (result > kMax32) return Fail(EOVERFLOW);
    *Position = static_cast<std::int32_t>(result);
    return Status();
  }

  Status GetSize(FileHandle Handle, std::int32_t* Size) override {
    struct stat st {};
    if (fstat(Descriptor(Handle), &st) == -1) return Fail(errno);
    if (st.st_size > kMax32) return Fail(EOVERFLOW);
    *Size = static_cast<std::int32_t>(st.st_size);
    return Status();
  }

  Status SetEnd(FileHandle Handle) override {
    if (!MayWrite(Handle)) return Fail(EACCES);
    const int fd = Descriptor(Handle);
    off_t pos = ::lseek(fd, 0, SEEK_CUR);
    if (pos == -1) return Fail(errno);
    int rc;
    do {
      rc = ftruncate(fd, pos);
    } while (rc == -1 && errno == EINTR);
    if (rc == -1) return Fail(errno);
    return Status();
  }

  Status Flush(FileHandle Handle) override {
    if (::fsync(Descriptor(Handle)) == -1) return Fail(errno);
    return Status();
  }

  Status Close(FileHandle Handle) override {
    if (::close(Descriptor(Handle)) == -1 && errno != EINTR) return Fail(errno);
    return Status();
  }

  Status Delete(const std::string& Name) override {
    // Like Windows, refuse to delete a file somebody has open.
    int fd = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
    if (fd != -1) {
      struct stat st {};
      bool busy = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                  (Taken(fd, kReadAccess) || Taken(fd, kWriteAccess));
      ::close(fd);
      if (busy) return Fail(kSharingViolation);
    }
    if (::unlink(Name.c_str()) == -1) return Fail(errno);
    return Status();
  }

  bool ErrorText(SysError Code, std::string* Text) override {
    if (Code == static_cast<SysError>(kSharingViolation)) {
      *Text = kSharingViolationText;
      return true;
    }
    const char* desc = strerrordesc_np(static_cast<int>(Code));
    if (desc == nullptr) return false;
    *Text = desc;
    return true;
  }

  Status ListFolder(const std::string& Name, std::vector<std::string>* Entries,
                    FileIdentity* Listed) override {
    Entries->clear();
    // The folder is opened once: its identity is that of what is read.
    const int fd = ::open(Name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd == -1) return Fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return CloseAndFail(fd, errno);
    *Listed = StatusOf(st).Identity;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) return CloseAndFail(fd, errno);
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(dir);
      if (entry == nullptr) break;
      const char* n = entry->d_name;
      if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
      Entries->emplace_back(n);
    }
    const int err = errno;
    ::closedir(dir);
    if (err != 0) return Fail(err);
    return Status();
  }

  Status GetStatus(const std::string& Name, bool FollowLinks, FileStatus* Info) override {
    struct stat st {};
    const int rc = FollowLinks ? ::stat(Name.c_str(), &st) : ::lstat(Name.c_str(), &st);
    if (rc != 0) return Fail(errno);
    *Info = StatusOf(st);
    return Status();
  }

  Status CreateFolder(const std::string& Name) override {
    if (::mkdir(Name.c_str(), 0777) != 0) return Fail(errno);
    return Status();
  }

  Status Rename(const std::string& From, const std::string& To) override {
    if (::rename(From.c_str(), To.c_str()) != 0) return Fail(errno);
    return Status();
  }

  Status RealName(const std::string& Name, std::string* Real) override {
    char* resolved = ::realpath(Name.c_str(), nullptr);
    if (resolved == nullptr) return Fail(errno);
    *Real = resolved;
    std::free(resolved);
    return Status();
  }

  Status GetOpenStatus(FileHandle Handle, FileStatus* Info) override {
    struct stat st {};
    if (::fstat(Descriptor(Handle), &st) != 0) return Fail(errno);
    *Info = StatusOf(st);
    return Status();
  }

  Status OpenFolder(FolderHandle Base, const std::string& Name, bool FollowLinks,
                    FileStatus* Info, FolderHandle* Folder) override {
    *Folder = kNoFolder;
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (!FollowLinks) flags |= O_NOFOLLOW;
    int fd;
    do {
      fd = ::openat(BaseOf(Base), Name.c_str(), flags);
    } while (fd == -1 && errno == EINTR);
    if (fd == -1) {
      // A link refused by O_NOFOLLOW says ELOOP, or ENOTDIR where O_DIRECTORY
      // is checked first.
      if (!FollowLinks && errno == ENOTDIR) {
        struct stat st {};
        if (::fstatat(BaseOf(Base), Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(st.st_mode))
          errno = ELOOP;
      }
      return Fail(errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) return CloseAndFail(fd, errno);
    *Info = StatusOf(st);
    *Folder = fd;
    return Status();
  }

  Status CloseFolder(FolderHandle Folder) override {
    if (::close(static_cast<int>(Folder)) == -1 && errno != EINTR) return Fail(errno);
    return Status();
  }

  Status CreateFolderIn(FolderHandle Folder, const std::string& Name,
                        std::uint32_t Permissions) override {
    if (::mkdirat(BaseOf(Folder), Name.c_str(), static_cast<mode_t>(Permissions & 07777)) != 0)
      return Fail(errno);
    return Status();
  }

  Status CreateFileIn(FolderHandle Folder, const std::string& Name, std::uint32_t Permissions,
                      FileHandle* Handle) override {
    *Handle = kInvalidHandle;
    const int flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY;
    int fd;
    do {
      fd = ::openat(BaseOf(Folder), Name.c_str(), flags, static_cast<mode_t>(Permissions & 0777));
    } while (fd == -1 && errno == EINTR);
    if (fd == -1) return Fail(errno);
    const int err = ClaimSharing(fd, true, true, false, false, true, false);
    if (err != 0) {
      ::unlinkat(BaseOf(Folder), Name.c_str(), 0);
      return CloseAndFail(fd, err);
    }
    *Handle = MakeHandle(fd, true, true);
    return Status();
  }

  Status RenameIn(FolderHandle Folder, const std::string& From, const std::string& To) override {
    if (::renameat(BaseOf(Folder), From.c_str(), BaseOf(Folder), To.c_str()) != 0)
      return Fail(errno);
    return Status();
  }

  Status DeleteIn(FolderHandle Folder, const std::string& Name) override {
    if (::unlinkat(BaseOf(Folder), Name.c_str(), 0) != 0) return Fail(errno);
    return Status();
  }

  Status SetAttributes(FileHandle Handle, const std::uint32_t* Permissions,
                       const std::int64_t* ModifiedTime) override {
    if (!SetFdAttributes(Descriptor(Handle), Permissions, ModifiedTime)) return Fail(errno);
    return Status();
  }

  Status SetFolderAttributes(FolderHandle Folder, const std::uint32_t* Permissions,
                             const std::int64_t* ModifiedTime) override {
    if (!SetFdAttributes(static_cast<int>(Folder), Permissions, ModifiedTime))
      return Fail(errno);
    return Status();
  }

  Status CopyData(FileHandle From, FileHandle To, std::int64_t* Copied) override {
    *Copied = 0;
    if (!MayRead(From) || !MayWrite(To)) return Fail(EACCES);
    const int in = Descriptor(From);
    const int out = Descriptor(To);
#ifdef __linux__
    if (!CopyInKernel(in, out, Copied)) return Fail(errno);
#endif
    // Read until a read delivers nothing: the real end.
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBlock]);
    if (!buffer) return Fail(ENOMEM);
    for (;;) {
      const ssize_t n = ::read(in, buffer.get(), kBlock);
      if (n == -1) {
        if (errno == EINTR) continue;
        return Fail(errno);
      }
      if (n == 0) return Status();
      if (!WriteAll(out, buffer.get(), static_cast<std::size_t>(n))) return Fail(errno);
      *Copied += n;
    }
  }

private:
  static Status Fail(int err) { return Status::Error(static_cast<SysError>(err)); }
  static Status CloseAndFail(int fd, int err) {
    ::close(fd);
    return Fail(err);
  }
};

}  // namespace

FileEnv* FileEnv::Default() {
  static PosixFileEnv env;
  return &env;
}

SysError ErrorSharingViolation() { return static_cast<SysError>(kSharingViolation); }
SysError ErrorInvalidArgument() { return EINVAL; }
SysError ErrorFileTooLarge() { return EFBIG; }
SysError ErrorOverflow() { return EOVERFLOW; }
SysError ErrorAlreadyExists() { return EEXIST; }
SysError ErrorLinkLoop() { return ELOOP; }
bool IsMissingError(SysError Code) { return Code == ENOENT || Code == ENOTDIR; }

char PathDelimiter() { return '/'; }

std::uint32_t CreationMask() {
  // Read without changing it where the system tells it (Linux 4.7 on):
  // setting and restoring it would race with other threads creating files.
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status) != nullptr)
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return mask & 0777;
  }
  static std::mutex lock;
  std::lock_guard<std::mutex> hold(lock);
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return static_cast<std::uint32_t>(mask) & 0777;
}

}  // namespace platform
