#include "support/win32/WinGuiTest.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace testsupport {

namespace {

std::map<UINT_PTR, TModalScript*>& Scripts() {
  static std::map<UINT_PTR, TModalScript*> Running;
  return Running;
}

struct TDialogSearch {
  const char* Caption;
  HWND Found;
};

BOOL CALLBACK MatchDialog(HWND Window, LPARAM Data) {
  auto* Search = reinterpret_cast<TDialogSearch*>(Data);
  char ClassName[16] = {};
  ::GetClassNameA(Window, ClassName, sizeof ClassName);
  if (std::string(ClassName) != "#32770" || !::IsWindowVisible(Window)) return TRUE;
  if (Search->Caption && WindowText(Window) != Search->Caption) return TRUE;
  Search->Found = Window;
  return FALSE;
}

bool CanCreateWindows() {
  const HWND Probe = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       ::GetModuleHandleA(nullptr), nullptr);
  if (!Probe) return false;
  ::DestroyWindow(Probe);
  return true;
}

bool UnderWine() {
  const HMODULE Ntdll = ::GetModuleHandleA("ntdll.dll");
  return Ntdll && ::GetProcAddress(Ntdll, "wine_get_version");
}

}  // namespace

TModalScript::TModalScript(std::function<bool()> Step, std::string What, UINT IntervalMs)
    : step_(std::move(Step)), watchdog_(std::make_unique<Watchdog>(kModalSeconds, std::move(What))) {
  timer_ = ::SetTimer(nullptr, 0, IntervalMs, Tick);
  if (timer_) Scripts()[timer_] = this;
}

TModalScript::~TModalScript() {
  if (timer_) {
    ::KillTimer(nullptr, timer_);
    Scripts().erase(timer_);
  }
}

void CALLBACK TModalScript::Tick(HWND, UINT, UINT_PTR Id, DWORD) {
  const auto At = Scripts().find(Id);
  if (At == Scripts().end()) return;
  TModalScript* Script = At->second;
  // A step that opens a message loop of its own (a message box) does not
  // run again inside it.
  if (Script->done_ || Script->running_) return;
  Script->running_ = true;
  Script->done_ = Script->step_();
  Script->running_ = false;
  if (Script->done_) {
    ::KillTimer(nullptr, Script->timer_);
    Scripts().erase(Script->timer_);
    Script->timer_ = 0;
  }
}

HWND FindThreadDialog(const char* Caption) {
  TDialogSearch Search{Caption, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&Search));
  return Search.Found;
}

RECT ChildRect(HWND Child) {
  RECT Bounds{};
  ::GetWindowRect(Child, &Bounds);
  ::MapWindowPoints(nullptr, ::GetParent(Child), reinterpret_cast<POINT*>(&Bounds), 2);
  return Bounds;
}

std::string WindowText(HWND Window) {
  const int Length = ::GetWindowTextLengthA(Window);
  std::string Text(static_cast<std::size_t>(Length) + 1, '\0');
  Text.resize(static_cast<std::size_t>(::GetWindowTextA(Window, Text.data(), Length + 1)));
  return Text;
}

void EnsureWindows(int, char**) {
  if (CanCreateWindows() || !UnderWine()) return;
  // The run that was started to draw with the null driver could not either.
  static const char kMarker[] = "PAGETRIM_TEST_NULL_DISPLAY";
  if (::GetEnvironmentVariableA(kMarker, nullptr, 0) != 0) {
    std::fprintf(stderr, "cannot create windows, not even with Wine's null graphics driver\n");
    std::exit(2);
  }
  // Wine draws through the driver its registry names; the null driver needs
  // no display. A desktop reads that name when it starts, so the tests run
  // again on a desktop of their own, which starts with it.
  HKEY Key;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Drivers", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &Key, nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot choose Wine's null graphics driver\n");
    std::exit(2);
  }
  static const char kNull[] = "null";
  ::RegSetValueExA(Key, "Graphics", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNull), sizeof kNull);
  ::RegCloseKey(Key);
  ::SetEnvironmentVariableA(kMarker, "1");

  STARTUPINFOA Startup{};
  Startup.cb = sizeof Startup;
  char Desktop[] = "PagetrimTests";
  Startup.lpDesktop = Desktop;
  PROCESS_INFORMATION Process{};
  std::string CommandLine = ::GetCommandLineA();
  if (!::CreateProcessA(nullptr, CommandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &Startup, &Process)) {
    std::fprintf(stderr, "cannot run the tests again with Wine's null graphics driver\n");
    std::exit(2);
  }
  ::WaitForSingleObject(Process.hProcess, INFINITE);
  DWORD ExitCode = 2;
  ::GetExitCodeProcess(Process.hProcess, &ExitCode);
  std::exit(static_cast<int>(ExitCode));
}

}  // namespace testsupport
