#include "app/win32/CheckRunning.h"

namespace {

// The mutex's handle, kept until the process ends (which removes it).
HANDLE instanceMutex = nullptr;

}  // namespace

TInstanceRole CheckRunning(const char* Title, const char* WindowClass) {
  instanceMutex = CreateMutexA(nullptr, TRUE, Title);
  if (GetLastError() != ERROR_ALREADY_EXISTS) return TInstanceRole::First;

  // This instance has no window yet that the search could find.
  const HWND running = FindWindowA(WindowClass, Title);
  if (running != nullptr && (GetWindowLongA(running, GWL_STYLE) & WS_VISIBLE) != 0) {
    if (IsIconic(running))
      ShowWindow(running, SW_RESTORE);
    else
      SetForegroundWindow(running);
  }
  return TInstanceRole::Second;
}
