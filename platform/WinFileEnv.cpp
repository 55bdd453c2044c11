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

template <typename T>
T Fail(DWORD Code, T Result) {
  ::SetLastError(Code);
  return Result;
}

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

// The entries of the folder Name, by the system's search.
bool ListNames(const std::string& Name, std::vector<std::string>* Entries) {
  std::string pattern = Name;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA data{};
  HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    // A folder without any entry (a drive's empty root) has nothing to match.
    return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  do {
    const char* n = data.cFileName;
    if (n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))) continue;
    Entries->emplace_back(n);
  } while (::FindNextFileA(find, &data));
  const DWORD err = ::GetLastError();
  ::FindClose(find);
  if (err != ERROR_NO_MORE_FILES) return Fail(err, false);
  return true;
}

class WinFileEnv final : public FileEnv {
public:
  FileHandle Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
                  std::uint32_t Disposition, std::uint32_t Attributes) override {
    HANDLE h = ::CreateFileA(Name.c_str(), Access, Share, nullptr, Disposition, Attributes,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return kInvalidHandle;
    // A file stream needs a size and a position, and reading a console,
    // pipe or device could wait for ever: only disk files are accepted.
    // (Directories never get here: CreateFileA refuses them.)
    if (::GetFileType(h) != FILE_TYPE_DISK) {
      ::CloseHandle(h);
      return Fail(ERROR_INVALID_FUNCTION, kInvalidHandle);
    }
    return FromHandle(h);
  }

  bool Read(FileHandle Handle, void* Buffer, std::int32_t Count, std::int32_t* Done) override {
    *Done = 0;
    // ReadFile takes an unsigned count: a negative one would be huge.
    if (Count < 0) return Fail(ERROR_INVALID_PARAMETER, false);
    DWORD got = 0;
    if (!::ReadFile(ToHandle(Handle), Buffer, static_cast<DWORD>(Count), &got, nullptr))
      return false;
    *Done = static_cast<std::int32_t>(got);
    return true;
  }

  bool Write(FileHandle Handle, const void* Buffer, std::int32_t Count,
             std::int32_t* Done) override {
    *Done = 0;
    if (Count < 0) return Fail(ERROR_INVALID_PARAMETER, false);
    if (Count == 0) return true;
    DWORD put = 0;
    if (!::WriteFile(ToHandle(Handle), Buffer, static_cast<DWORD>(Count), &put, nullptr))
      return false;
    *Done = static_cast<std::int32_t>(put);
    return true;
  }

  std::int32_t SetPosition(FileHandle Handle, std::int32_t Distance,
                           std::uint32_t Origin) override {
    // The high part carries the sign of Distance, so that a negative move
    // is a move backwards and a position past 4 GiB is reported, not
    // wrapped.
    LONG high = Distance < 0 ? -1 : 0;
    ::SetLastError(NO_ERROR);
    DWORD low = ::SetFilePointer(ToHandle(Handle), Distance, &high, Origin);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return -1;
    std::int64_t position = Join(low, high);
    if (position > kMax32) return Fail(ERROR_ARITHMETIC_OVERFLOW, -1);
    return static_cast<std::int32_t>(position);
  }

  std::int32_t GetSize(FileHandle Handle) override {
    DWORD high = 0;
    ::SetLastError(NO_ERROR);
    DWORD low = ::GetFileSize(ToHandle(Handle), &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return -1;
    if (high != 0 || low > static_cast<DWORD>(kMax32)) return Fail(ERROR_ARITHMETIC_OVERFLOW, -1);
    return static_cast<std::int32_t>(low);
  }

  bool SetEnd(FileHandle Handle) override { return ::SetEndOfFile(ToHandle(Handle)) != FALSE; }

  bool Flush(FileHandle Handle) override { return ::FlushFileBuffers(ToHandle(Handle)) != FALSE; }

  bool Close(FileHandle Handle) override { return ::CloseHandle(ToHandle(Handle)) != FALSE; }

  bool Delete(const std::string& Name) override { return ::DeleteFileA(Name.c_str()) != FALSE; }

  SysError LastError() override { return ::GetLastError(); }

  void SetLastError(SysError Code) override { ::SetLastError(Code); }

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

  bool ListFolder(const std::string& Name, std::vector<std::string>* Entries,
                  FileIdentity* Listed) override {
    Entries->clear();
    // Held open without sharing deletion while it is read: the folder
    // whose identity is taken is the one listed.
    HANDLE folder = ::CreateFileA(Name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(folder, &info)) {
      const DWORD err = ::GetLastError();
      ::CloseHandle(folder);
      return Fail(err, false);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      ::CloseHandle(folder);
      return Fail(ERROR_DIRECTORY, false);
    }
    *Listed = StatusOf(info).Identity;
    const bool done = ListNames(Name, Entries);
    const DWORD err = ::GetLastError();
    ::CloseHandle(folder);
    ::SetLastError(err);
    return done;
  }

  bool GetStatus(const std::string& Name, bool FollowLinks, FileStatus* Status) override {
    HANDLE h = OpenForStatus(Name, FollowLinks);
    if (h == INVALID_HANDLE_VALUE) return false;
    if (::GetFileType(h) != FILE_TYPE_DISK) {
      ::CloseHandle(h);
      *Status = FileStatus{fkOther, FileIdentity{}};
      return true;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) {
      const DWORD err = ::GetLastError();
      ::CloseHandle(h);
      return Fail(err, false);
    }
    ::CloseHandle(h);
    *Status = StatusOf(info);
    if (!FollowLinks && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        IsNameSurrogate(Name))
      Status->Kind = fkLink;
    return true;
  }

  bool CreateFolder(const std::string& Name) override {
    return ::CreateDirectoryA(Name.c_str(), nullptr) != FALSE;
  }

  bool Rename(const std::string& From, const std::string& To) override {
    return ::MoveFileExA(From.c_str(), To.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  }

  bool RealName(const std::string& Name, std::string* Real) override {
    HANDLE h = OpenForStatus(Name, true);
    if (h == INVALID_HANDLE_VALUE) return false;
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
        return Fail(err, false);
      }
      name = WithoutLongPrefix(std::string(buffer.data(), n));
    } else {
      // Before Vista: the full name by text; links are rare there.
      char buffer[MAX_PATH + 1];
      const DWORD n = ::GetFullPathNameA(Name.c_str(), sizeof buffer, buffer, nullptr);
      if (n == 0 || n >= sizeof buffer) {
        const DWORD err = n == 0 ? ::GetLastError() : ERROR_FILENAME_EXCED_RANGE;
        ::CloseHandle(h);
        return Fail(err, false);
      }
      name.assign(buffer, n);
    }
    ::CloseHandle(h);
    // "C:\" keeps its delimiter; "C:\Web\" loses it.
    if (name.size() > 3 && name.back() == '\\') name.pop_back();
    *Real = name;
    return true;
  }

  bool GetOpenStatus(FileHandle Handle, FileStatus* Status) override {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(ToHandle(Handle), &info)) return false;
    *Status = StatusOf(info);
    return true;
  }

  FolderHandle OpenFolder(FolderHandle Base, const std::string& Name, bool FollowLinks,
                          FileStatus* Status) override {
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
      if (h == INVALID_HANDLE_VALUE) return kNoFolder;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    DWORD err = NO_ERROR;
    if (!::GetFileInformationByHandle(h, &info))
      err = ::GetLastError();
    else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      err = ERROR_DIRECTORY;
    else if (!FollowLinks && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
             IsNameSurrogate(name))
      err = ERROR_CANT_RESOLVE_FILENAME;
    if (err != NO_ERROR) {
      ::CloseHandle(h);
      return Fail(err, kNoFolder);
    }
    *Status = StatusOf(info);
    HeldFolder* held = new (std::nothrow) HeldFolder{h, name};
    if (held == nullptr) {
      ::CloseHandle(h);
      return Fail(ERROR_NOT_ENOUGH_MEMORY, kNoFolder);
    }
    return reinterpret_cast<FolderHandle>(held);
  }

  bool CloseFolder(FolderHandle Folder) override {
    std::unique_ptr<HeldFolder> held(Held(Folder));
    return ::CloseHandle(held->Handle) != FALSE;
  }

  bool CreateFolderIn(FolderHandle Folder, const std::string& Name,
                      std::uint32_t /*Permissions*/) override {
    return ::CreateDirectoryA(NameIn(Folder, Name).c_str(), nullptr) != FALSE;
  }

  FileHandle CreateFileIn(FolderHandle Folder, const std::string& Name,
                          std::uint32_t Permissions) override {
    // A new file created read-only may still be written through the handle
    // that created it.
    const DWORD attributes =
        (Permissions & 0222) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    HANDLE h = ::CreateFileA(NameIn(Folder, Name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                             nullptr, CREATE_NEW, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      // A name that is taken is reported alike on every platform.
      if (::GetLastError() == ERROR_FILE_EXISTS) ::SetLastError(ERROR_ALREADY_EXISTS);
      return kInvalidHandle;
    }
    return FromHandle(h);
  }

  bool RenameIn(FolderHandle Folder, const std::string& From, const std::string& To) override {
    return ::MoveFileExA(NameIn(Folder, From).c_str(), NameIn(Folder, To).c_str(),
                         MOVEFILE_REPLACE_EXISTING) != FALSE;
  }

  bool DeleteIn(FolderHandle Folder, const std::string& Name) override {
    return ::DeleteFileA(NameIn(Folder, Name).c_str()) != FALSE;
  }

  bool SetAttributes(FileHandle Handle, const std::uint32_t* /*Permissions*/,
                     const std::int64_t* ModifiedTime) override {
    if (ModifiedTime == nullptr) return true;
    const FILETIME time = ToFileTime(*ModifiedTime);
    return ::SetFileTime(ToHandle(Handle), nullptr, nullptr, &time) != FALSE;
  }

  bool SetFolderAttributes(FolderHandle Folder, const std::uint32_t* /*Permissions*/,
                           const std::int64_t* ModifiedTime) override {
    if (ModifiedTime == nullptr) return true;
    const FILETIME time = ToFileTime(*ModifiedTime);
    return ::SetFileTime(Held(Folder)->Handle, nullptr, nullptr, &time) != FALSE;
  }

  bool CopyData(FileHandle From, FileHandle To, std::int64_t* Copied) override {
    *Copied = 0;
    constexpr DWORD kBlock = 1u << 20;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBlock]);
    if (!buffer) return Fail(ERROR_NOT_ENOUGH_MEMORY, false);
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(ToHandle(From), buffer.get(), kBlock, &got, nullptr)) return false;
      if (got == 0) return true;
      for (DWORD put = 0; put < got;) {
        DWORD n = 0;
        if (!::WriteFile(ToHandle(To), buffer.get() + put, got - put, &n, nullptr)) return false;
        if (n == 0) return Fail(ERROR_WRITE_FAULT, false);
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
