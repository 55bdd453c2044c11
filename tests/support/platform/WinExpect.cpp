// The expectations of the tests on Windows (and under Wine).

#include <windows.h>

#include "support/PlatformExpect.h"

namespace expect {

platform::SysError FileNotFound() { return ERROR_FILE_NOT_FOUND; }
platform::SysError AccessDenied() { return ERROR_ACCESS_DENIED; }
platform::SysError PathNotFound() { return ERROR_PATH_NOT_FOUND; }
platform::SysError IsADirectory() { return ERROR_ACCESS_DENIED; }

bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

platform::SysError TruncateReadOnly() {
  return UnderWine() ? ERROR_INVALID_PARAMETER : ERROR_ACCESS_DENIED;
}

platform::SysError DiskFull() { return ERROR_DISK_FULL; }
platform::SysError IoError() { return ERROR_CRC; }
std::string RootFolder() { return "C:\\"; }
const bool kFoldsBeyondAscii = true;

}  // namespace expect
