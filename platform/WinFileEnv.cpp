// File services on Windows: the kernel's own file calls, one for each
// operation. Sharing, access checks and the error codes are the system's.

#include <windows.h>

#include <cstdint>
#include <limits>

#include "platform/FileEnv.h"

namespace platform {

namespace {

constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

// The size of the buffer FormatMessageA writes the system text into.
constexpr DWORD kErrorTextSize = 256;

HANDLE ToHandle(FileHandle Handle) { return reinterpret_cast<HANDLE>(Handle); }

FileHandle FromHandle(HANDLE Handle) { return reinterpret_cast<FileHandle>(Handle); }

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
    // Sizes beyond 32 bits cannot be handled by the streams: refuse to
    // grow the file past them.
    LONG high = 0;
    ::SetLastError(NO_ERROR);
    DWORD low = ::SetFilePointer(ToHandle(Handle), 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return false;
    if (Join(low, high) + Count > kMax32) return Fail(ERROR_FILE_TOO_LARGE, false);
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
};

}  // namespace

// The kernel's own codes for what the portable code names, and its path
// delimiter.
SysError ErrorSharingViolation() { return ERROR_SHARING_VIOLATION; }
SysError ErrorInvalidArgument() { return ERROR_INVALID_PARAMETER; }
SysError ErrorFileTooLarge() { return ERROR_FILE_TOO_LARGE; }
SysError ErrorOverflow() { return ERROR_ARITHMETIC_OVERFLOW; }
char PathDelimiter() { return '\\'; }

FileEnv* FileEnv::Default() {
  static WinFileEnv env;
  return &env;
}

}  // namespace platform
