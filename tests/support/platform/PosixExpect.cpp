// The expectations of the tests on POSIX systems.

#include <cerrno>

#include "support/PlatformExpect.h"

namespace expect {

platform::SysError FileNotFound() { return ENOENT; }
platform::SysError AccessDenied() { return EACCES; }
platform::SysError PathNotFound() { return ENOENT; }
platform::SysError IsADirectory() { return EISDIR; }
bool UnderWine() { return false; }
platform::SysError TruncateReadOnly() { return EACCES; }
platform::SysError DiskFull() { return ENOSPC; }
platform::SysError IoError() { return EIO; }
std::string RootFolder() { return "/"; }
const bool kFoldsBeyondAscii = false;

}  // namespace expect
