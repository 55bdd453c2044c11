// File services on Windows: the kernel's own file calls, one for each
// operation. Sharing, access checks and the error codes are the system's.

#include <windows.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/FileEnv.h"
#include "platform/WinFind.h"

namespace platform {

namespace {

constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

// The size of the buffer FormatMessageA writes the system text into.
constexpr DWORD kErrorTextSize = 256;

HANDLE ToHandle(FileHandle Handle) { return reinterpret_cast<HANDLE>(Handle); }

FileHandle FromHandle(HANDLE Handle) { return reinterpret_cast<FileHandle>(Handle); }

// Opens Name for its attributes only (no access asked for, every kind of
// sharing allowed); folders too. Without FollowLinks a symbolic link or
// junction is opened itself.
HANDLE OpenForStatus(const std::string& Name, bool FollowLinks) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
  if (!FollowLinks) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  return ::CreateFileA(Name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, flags, nullptr);
}

// True when the reparse point Name stands for another name (a symbolic
// link or a junction) rather than for data kept elsewhere.
bool IsNameSurrogate(const std::string& Name) {
  WIN32_FIND_DATAA data{};
  HANDLE find = ::FindFirstFileA(Name.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  ::FindClose(find);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (data.dwReserved0 & 0x20000000u) != 0;
}

// GetFinalPathNameByHandleA, where the system has it (from Windows Vista on).
using FinalPathNameFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
FinalPathNameFn FinalPathName() {
  static const FinalPathNameFn fn = reinterpret_cast<FinalPathNameFn>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
  return fn;
}

// "\\?\C:\x" and "\\?\UNC\server\x" in their usual spelling.
std::string WithoutLongPrefix(std::string Name) {
  if (Name.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + Name.substr(8);
  if (Name.rfind("\\\\?\\", 0) == 0) return Name.substr(4);
  return Name;
}

Status Fail(DWORD Code) { return Status::Error(Code); }

// The outcome of a system call that returned Succeeded; its error code is
// the calling thread's last one.
Status Check(BOOL Succeeded) { return Succeeded ? Status() : Fail(::GetLastError()); }

// Combines the two halves of a 64-bit file offset.
std::int64_t Join(DWORD Low, LONG High) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(static_cast<DWORD>(High)) << 32 |
                                   Low);
}

// 100-nanosecond ticks from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochTicks = 116444736000000000;

std::int64_t FromFileTime(const FILETIME& Time) {
  const std::int64_t ticks = static_cast<std::int64_t>(
      std::uint64_t{Time.dwHighDateTime} << 32 | Time.dwLowDateTime);
  return (ticks - kEpochTicks) * 100;
}

FILETIME ToFileTime(std::int64_t Nanoseconds) {
  const std::uint64_t ticks = static_cast<std::uint64_t>(Nanoseconds / 100 + kEpochTicks);
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return time;
}

FileStatus StatusOf(const BY_HANDLE_FILE_INFORMATION& Info) {
  FileStatus status;
  status.Identity = FileIdentity{Info.dwVolumeSerialNumber,
                                 std::uint64_t{Info.nFileIndexHigh} << 32 | Info.nFileIndexLow};
  const bool folder = (Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status.Kind = folder ? fkFolder : fkRegular;
  const bool readOnly = (Info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  status.Permissions = folder ? 0777 : readOnly ? 0444 : 0666;
  status.Size = static_cast<std::int64_t>(std::uint64_t{Info.nFileSizeHigh} << 32 |
                                          Info.nFileSizeLow);
  status.ModifiedTime = FromFileTime(Info.ftLastWriteTime);
  return status;
}

// Stores what the open handle Folder is in *Info; NO_ERROR, the system's
// error, or ERROR_DIRECTORY when it is no folder.
DWORD FolderInfo(HANDLE Folder, BY_HANDLE_FILE_INFORMATION* Info) {
  if (!::GetFileInformationByHandle(Folder, Info)) return ::GetLastError();
  return (Info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? ERROR_DIRECTORY : NO_ERROR;
}

// A folder held open: its handle, which does not share deletion, so that
// the folder keeps its name meanwhile, and that name, to which the calls
// "in" the folder add theirs.
struct HeldFolder {
  HANDLE Handle;
  std::string Name;
};

HeldFolder* Held(FolderHandle Folder) { return reinterpret_cast<HeldFolder*>(Folder); }

std::string NameIn(FolderHandle Folder, const std::string& Name) {
  if (Folder == kNoFolder) return Name;
  const std::string& base = Held(Folder)->Name;
  if (base.empty() || base.back() == '\\' || base.back() == '/') return base + Name;
  return base + '\\' + Name;
}

class WinFileEnv final : public FileEnv {
public:
  Status Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
              std::uint32_t Disposition, std::uint32_t Attributes, FileHandle* Handle) override {
    *Handle = kInvalidHandle;
    HANDLE h = ::CreateFileA(Name.c_str(), Access, Share, nullptr, Disposition, Attributes,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(::GetLastError());
    // A file stream needs a size and a position, and reading a console,
    // pipe or device could wait for ever: only disk files are accepted.
    // (Directories never get here: CreateFileA refuses them.)
    if (::GetFileType(h) != FILE_TYPE_DISK) {
      ::CloseHandle(h);
      return Fail(ERROR_INVALID_FUNCTION);
    }
    *Handle = FromHandle(h);
    return Status();
  }

  Status Read(FileHandle Handle, void* Buffer, std::int32_t Count, std::int32_t* Done) override {
    *Done = 0;
    // ReadFile takes an unsigned count: a negative one would be huge.
    if (Count < 0) return Fail(ERROR_INVALID_PARAMETER);
    DWORD got = 0;
    if (!::ReadFile(ToHandle(Handle), Buffer, static_cast<DWORD>(Count), &got, nullptr))
      return Fail(::GetLastError());
    *Done = static_cast<std::int32_t>(got);
    return Status();
  }

  Status Write(FileHandle Handle, const void* Buffer, std::int32_t Count,
               std::int32_t* Done) override {
    *Done = 0;
    if (Count < 0) return Fail(ERROR_INVALID_PARAMETER);
    if (Count == 0) return Status();
    DWORD put = 0;
    if (!::WriteFile(ToHandle(Handle), Buffer, static_cast<DWORD>(Count), &put, nullptr))
      return Fail(::GetLastError());
    *Done = static_cast<std::int32_t>(put);
    return Status();
  }

  Status SetPosition(FileHandle Handle, std::int32_t Distance, std::uint32_t Origin,
                     std::int32_t* Position) override {
    // The high part carries the sign of Distance, so that a negative move
    // is a move backwards and a position past 4 GiB is reported, not
    // wrapped.
    LONG high = Distance < 0 ? -1 : 0;
    ::SetLastError(NO_ERROR);
    DWORD low = ::SetFilePointer(ToHandle(Handle), Distance, &high, Origin);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR)
      return Fail(::GetLastError());
    std::int64_t position = Join(low, high);
    if (position > kMax32) return Fail(ERROR_ARITHMETIC_OVERFLOW);
    *Position = static_cast<std::int32_t>(position);
    return Status();
  }

  Status GetSize(FileHandle Handle, std::int32_t* Size) override {
    DWORD high = 0;
    ::SetLastError(NO_ERROR);
    DWORD low = ::GetFileSize(ToHandle(Handle), &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return Fail(::GetLastError());
    if (high != 0 || low > static_cast<DWORD>(kMax32)) return Fail(ERROR_ARITHMETIC_OVERFLOW);
    *Size = static_cast<std::int32_t>(low);
    return Status();
  }

  Status SetEnd(FileHandle Handle) override { return Check(::SetEndOfFile(ToHandle(Handle))); }

  Status Flush(FileHandle Handle) override { return Check(::FlushFileBuffers(ToHandle(Handle))); }

  Status Close(FileHandle Handle) override { return Check(::CloseHandle(ToHandle(Handle))); }

  Status Delete(const std::string& Name) override { return Check(::DeleteFileA(Name.c_str())); }

  bool ErrorText(SysError Code, std::string* Text) override {
    // The system's message table, in the default language, taken as it
    // is: the text keeps the line break it ends with.
    char buffer[kErrorTextSize];
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, Code, 0, buffer,
                                    kErrorTextSize, nullptr);
    if (length == 0) return false;
    *Text = buffer;
    return true;
  }

  Status ListFolder(const std::string& Name, std::vector<std::string>* Entries,
                    FileIdentity* Listed) override {
    Entries->clear();
    // Held open without sharing deletion while it is read: the folder
    // whose identity is taken is the one listed.
    HANDLE folder = ::CreateFileA(Name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return Fail(::GetLastError());
    BY_HANDLE_FILE_INFORMATION info{};
    DWORD err = FolderInfo(folder, &info);
    if (err == NO_ERROR)
      err = ForEachFound(Name, [&](const WIN32_FIND_DATAA& Found) {
        Entries->emplace_back(Found.cFileName);
      });
    ::CloseHandle(folder);
    if (err != NO_ERROR) return Fail(err);
    *Listed = StatusOf(info).Identity;
    return Status();
  }

  Status GetStatus(const std::string& Name, bool FollowLinks, FileStatus* Info) override {
    HANDLE h = OpenForStatus(Name, FollowLinks);
    if (h == INVALID_HANDLE_VALUE) return Fail(::GetLastError());
    if (::GetFileType(h) != FILE_TYPE_DISK) {
      ::CloseHandle(h);
      *Info = FileStatus{fkOther, FileIdentity{}};
      return Status();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) {
      const DWORD err = ::GetLastError();
      ::CloseHandle(h);
      return Fail(err);
    }
    ::CloseHandle(h);
    *Info = StatusOf(info);
    if (!FollowLinks && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        IsNameSurrogate(Name))
      Info->Kind = fkLink;
    return Status();
  }

  Status CreateFolder(const std::string& Name) override {
    return Check(::CreateDirectoryA(Name.c_str(), nullptr));
  }

  Status Rename(const std::string& From, const std::string& To) override {
    return Check(::MoveFileExA(From.c_str(), To.c_str(), MOVEFILE_REPLACE_EXISTING));
  }

  Status RealName(const std::string& Name, std::string* Real) override {
    HANDLE h = OpenForStatus(Name, true);
    if (h == INVALID_HANDLE_VALUE) return Fail(::GetLastError());
    std::string name;
    if (FinalPathNameFn final = FinalPathName()) {
      std::vector<char> buffer(MAX_PATH + 1);
      DWORD n = final(h, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
      if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = final(h, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
      }
      if (n == 0 || n >= buffer.size()) {
        const DWORD err = n == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER;
        ::CloseHandle(h);
        return Fail(err);
      }
      name = WithoutLongPrefix(std::string(buffer.data(), n));
    } else {
      // Before Vista: the full name by text; links are rare there.
      char buffer[MAX_PATH + 1];
      const DWORD n = ::GetFullPathNameA(Name.c_str(), sizeof buffer, buffer, nullptr);
      if (n == 0 || n >= sizeof buffer) {
        const DWORD err = n == 0 ? ::GetLastError() : ERROR_FILENAME_EXCED_RANGE;
        ::CloseHandle(h);
        return Fail(err);
      }
      name.assign(buffer, n);
    }
    ::CloseHandle(h);
    // "C:\" keeps its delimiter; "C:\Web\" loses it.
    if (name.size() > 3 && name.back() == '\\') name.pop_back();
    *Real = name;
    return Status();
  }

  Status GetOpenStatus(FileHandle Handle, FileStatus* Info) override {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(ToHandle(Handle), &info)) return Fail(::GetLastError());
    *Info = StatusOf(info);
    return Status();
  }

  Status OpenFolder(FolderHandle Base, const std::string& Name, bool FollowLinks,
                    FileStatus* Info, FolderHandle* Folder) override {
    *Folder = kNoFolder;
    const std::string name = NameIn(Base, Name);
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    if (!FollowLinks) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE h = ::CreateFileA(name.c_str(), FILE_LIST_DIRECTORY | FILE_WRITE_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      // Without the right to change its times: a folder on a medium that
      // cannot be written is still a folder to read.
      h = ::CreateFileA(name.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, flags, nullptr);
      if (h == INVALID_HANDLE_VALUE) return Fail(::GetLastError());
    }
    BY_HANDLE_FILE_INFORMATION info{};
    DWORD err = FolderInfo(h, &info);
    if (err == NO_ERROR && !FollowLinks &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsNameSurrogate(name))
      err = ERROR_CANT_RESOLVE_FILENAME;
    if (err != NO_ERROR) {
      ::CloseHandle(h);
      return Fail(err);
    }
    *Info = StatusOf(info);
    HeldFolder* held = new (std::nothrow) HeldFolder{h, name};
    if (held == nullptr) {
      ::CloseHandle(h);
      return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    *Folder = reinterpret_cast<FolderHandle>(held);
    return Status();
  }

  Status CloseFolder(FolderHandle Folder) override {
    std::unique_ptr<HeldFolder> held(Held(Folder));
    return Check(::CloseHandle(held->Handle));
  }

  Status CreateFolderIn(FolderHandle Folder, const std::string& Name,
                        std::uint32_t /*Permissions*/) override {
    return Check(::CreateDirectoryA(NameIn(Folder, Name).c_str(), nullptr));
  }

  Status CreateFileIn(FolderHandle Folder, const std::string& Name, std::uint32_t Permissions,
                      FileHandle* Handle) override {
    *Handle = kInvalidHandle;
    // A new file created read-only may still be written through the handle
    // that created it.
    const DWORD attributes =
        (Permissions & 0222) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    HANDLE h = ::CreateFileA(NameIn(Folder, Name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                             nullptr, CREATE_NEW, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      // A name that is taken is reported alike on every platform.
      const DWORD err = ::GetLastError();
      return Fail(err == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : err);
    }
    *Handle = FromHandle(h);
    return Status();
  }

  Status RenameIn(FolderHandle Folder, const std::string& From, const std::string& To) override {
    return Check(::MoveFileExA(NameIn(Folder, From).c_str(), NameIn(Folder, To).c_str(),
                               MOVEFILE_REPLACE_EXISTING));
  }

  Status DeleteIn(FolderHandle Folder, const std::string& Name) override {
    return Check(::DeleteFileA(NameIn(Folder, Name).c_str()));
  }

  Status SetAttributes(FileHandle Handle, const std::uint32_t* /*Permissions*/,
                       const std::int64_t* ModifiedTime) override {
    if (ModifiedTime == nullptr) return Status();
    const FILETIME time = ToFileTime(*ModifiedTime);
    return Check(::SetFileTime(ToHandle(Handle), nullptr, nullptr, &time));
  }

  Status SetFolderAttributes(FolderHandle Folder, const std::uint32_t* /*Permissions*/,
                             const std::int64_t* ModifiedTime) override {
    if (ModifiedTime == nullptr) return Status();
    const FILETIME time = ToFileTime(*ModifiedTime);
    return Check(::SetFileTime(Held(Folder)->Handle, nullptr, nullptr, &time));
  }

  Status CopyData(FileHandle From, FileHandle To, std::int64_t* Copied) override {
    *Copied = 0;
    constexpr DWORD kBlock = 1u << 20;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBlock]);
    if (!buffer) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(ToHandle(From), buffer.get(), kBlock, &got, nullptr))
        return Fail(::GetLastError());
      if (got == 0) return Status();
      for (DWORD put = 0; put < got;) {
        DWORD n = 0;
        if (!::WriteFile(ToHandle(To), buffer.get() + put, got - put, &n, nullptr))
          return Fail(::GetLastError());
        if (n == 0) return Fail(ERROR_WRITE_FAULT);
        put += n;
      }
      *Copied += got;
    }
  }
};

}  // namespace

// The kernel's own codes for what the portable code names, and its path
// delimiter.
SysError ErrorSharingViolation() { return ERROR_SHARING_VIOLATION; }
SysError ErrorInvalidArgument() { return ERROR_INVALID_PARAMETER; }
SysError ErrorFileTooLarge() { return ERROR_FILE_TOO_LARGE; }
SysError ErrorOverflow() { return ERROR_ARITHMETIC_OVERFLOW; }
SysError ErrorAlreadyExists() { return ERROR_ALREADY_EXISTS; }
SysError ErrorLinkLoop() { return ERROR_CANT_RESOLVE_FILENAME; }
bool IsMissingError(SysError Code) {
  return Code == ERROR_FILE_NOT_FOUND || Code == ERROR_PATH_NOT_FOUND;
}
char PathDelimiter() { return '\\'; }
std::uint32_t CreationMask() { return 0; }

FileEnv* FileEnv::Default() {
  static WinFileEnv env;
  return &env;
}

}  // namespace platform
