#include "support/win32/GuiTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>
#include <stdexcept>

#include "support/TempDir.h"
#include "support/WatchdogListener.h"

namespace testsupport {

namespace {

struct TSearch {
  DWORD ProcessId;
  const char* Class;
  const char* Caption;
  HWND Found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND Window, LPARAM Search) {
  auto& s = *reinterpret_cast<TSearch*>(Search);
  DWORD process = 0;
  GetWindowThreadProcessId(Window, &process);
  if (process != s.ProcessId) return TRUE;
  if (s.Class != nullptr && ClassOf(Window) != s.Class) return TRUE;
  if (s.Caption != nullptr && TextOf(Window) != s.Caption) return TRUE;
  s.Found = Window;
  return FALSE;
}

void Sleep(unsigned Milliseconds) { ::Sleep(Milliseconds); }

// Win32 errors of the helpers are the test's errors.
void Check(LONG Result, const std::string& What) {
  if (Result != ERROR_SUCCESS)
    throw std::runtime_error(What + " failed with error " + std::to_string(Result));
}

// The actions RunWhenMessagesAreHandled keeps for this thread, run by a
// message-only window of its own.
constexpr UINT kRunActions = WM_APP + 1;
thread_local std::deque<std::function<void()>> pendingActions;

LRESULT CALLBACK ActionWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == kRunActions) {
    while (!pendingActions.empty()) {
      std::function<void()> action = std::move(pendingActions.front());
      pendingActions.pop_front();
      action();
    }
    return 0;
  }
  return DefWindowProcA(Window, Message, WParam, LParam);
}

HWND ActionWindow() {
  thread_local HWND window = [] {
    WNDCLASSA c{};
    c.lpfnWndProc = ActionWindowProc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = "PagetrimTestActions";
    RegisterClassA(&c);
    return CreateWindowExA(0, c.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           c.hInstance, nullptr);
  }();
  return window;
}

}  // namespace

void GuardEveryTest() { GuardEveryTest(kGuiTestSeconds); }

// ---- Windows

std::string TextOf(HWND Window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(Window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
    return std::string();
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(Window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(copied);
  return text;
}

std::string ClassOf(HWND Window) {
  char name[256] = {};
  const int length = GetClassNameA(Window, name, sizeof name);
  return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

HWND FindProcessWindow(DWORD ProcessId, const char* Class, const char* Caption) {
  TSearch search{ProcessId, Class, Caption};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

HWND WaitForProcessWindow(DWORD ProcessId, const char* Class, const char* Caption,
                          unsigned Milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Milliseconds);
  for (;;) {
    if (HWND w = FindProcessWindow(ProcessId, Class, Caption); w != nullptr && IsWindowVisible(w))
      return w;
    if (std::chrono::steady_clock::now() > end) return nullptr;
    Sleep(20);
  }
}

RECT WindowRect(HWND Window) {
  RECT r{};
  GetWindowRect(Window, &r);
  return r;
}

// ---- Message boxes

TBoxSeen ReadMessageBox(HWND Box) {
  TBoxSeen seen;
  seen.Caption = TextOf(Box);
  seen.Rect = WindowRect(Box);
  seen.Owner = GetWindow(Box, GW_OWNER);
  for (HWND child = GetWindow(Box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const std::string kind = ClassOf(child);
    if (lstrcmpiA(kind.c_str(), "Button") == 0) {
      if (IsWindowVisible(child)) seen.Buttons.push_back(TextOf(child));
    } else if (lstrcmpiA(kind.c_str(), "Static") == 0) {
      if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        seen.ErrorIcon = seen.ErrorIcon || SendMessageA(child, STM_GETICON, 0, 0) != 0;
      } else if (IsWindowVisible(child)) {
        const std::string text = TextOf(child);
        if (!text.empty()) seen.Text = text;
      }
    }
  }
  return seen;
}

DialogAnswerer::DialogAnswerer(std::string Caption, std::function<void(HWND)> Answer)
    : caption_(std::move(Caption)), answer_(std::move(Answer)), thread_([this] { Watch(); }) {}

DialogAnswerer::~DialogAnswerer() {
  stop_ = true;
  thread_.join();
}

std::vector<TBoxSeen> DialogAnswerer::Seen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return seen_;
}

void DialogAnswerer::Watch() {
  std::vector<HWND> answered;
  const DWORD self = GetCurrentProcessId();
  while (!stop_) {
    HWND dialog = FindProcessWindow(self, "#32770", caption_.c_str());
    if (dialog != nullptr && IsWindowVisible(dialog) &&
        std::find(answered.begin(), answered.end(), dialog) == answered.end()) {
      // Gives the dialog a moment to finish its set-up.
      Sleep(50);
      TBoxSeen seen = ReadMessageBox(dialog);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back(std::move(seen));
      }
      answered.push_back(dialog);
      answer_(dialog);
    }
    Sleep(20);
  }
}

void Press(HWND Dialog, int Id) {
  PostMessageA(Dialog, WM_COMMAND, MAKEWPARAM(Id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(Dialog, Id)));
}

// ---- Processes

ChildProcess::ChildProcess(const std::string& Program, const std::string& Arguments) {
  std::string line = "\"" + BuildPath(Program) + "\"";
  if (!Arguments.empty()) line += " " + Arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info_))
    throw std::runtime_error("cannot start " + line + ": error " +
                             std::to_string(GetLastError()));
  CloseHandle(info_.hThread);
  info_.hThread = nullptr;
}

ChildProcess::~ChildProcess() {
  if (info_.hProcess == nullptr) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hProcess);
}

std::optional<DWORD> ChildProcess::Wait(unsigned Milliseconds) {
  if (WaitForSingleObject(info_.hProcess, Milliseconds) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

// ---- Registry

bool RegistryKeyExists(const std::string& Key) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

void DeleteRegistryKey(const std::string& Key) {
  const LONG result = RegDeleteTreeA(HKEY_CURRENT_USER, Key.c_str());
  if (result != ERROR_FILE_NOT_FOUND) Check(result, "deleting " + Key);
  const LONG gone = RegDeleteKeyA(HKEY_CURRENT_USER, Key.c_str());
  if (gone != ERROR_FILE_NOT_FOUND) Check(gone, "deleting " + Key);
}

void WriteRegistryValue(const std::string& Key, const std::string& Name, DWORD Type,
                        const std::string& Data) {
  HKEY key = nullptr;
  Check(RegCreateKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr),
        "creating " + Key);
  const LONG result = RegSetValueExA(key, Name.c_str(), 0, Type,
                                     reinterpret_cast<const BYTE*>(Data.data()),
                                     static_cast<DWORD>(Data.size()));
  RegCloseKey(key);
  Check(result, "writing " + Name);
}

std::optional<TRegistryValue> ReadRegistryValue(const std::string& Key, const std::string& Name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return std::nullopt;
  TRegistryValue value;
  DWORD size = 0;
  LONG result = RegQueryValueExA(key, Name.c_str(), nullptr, &value.Type, nullptr, &size);
  if (result == ERROR_SUCCESS) {
    value.Data.assign(size, '\0');
    result = RegQueryValueExA(key, Name.c_str(), nullptr, &value.Type,
                              reinterpret_cast<BYTE*>(value.Data.data()), &size);
    value.Data.resize(size);
  }
  RegCloseKey(key);
  if (result == ERROR_FILE_NOT_FOUND) return std::nullopt;
  Check(result, "reading " + Name);
  return value;
}

ScratchRegistryKey::ScratchRegistryKey() {
  static int count = 0;
  path_ = "Software\\Brindle\\PagetrimTests\\" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(++count);
  DeleteRegistryKey(path_);
}

// ---- The test's own thread

void RunWhenMessagesAreHandled(std::function<void()> Action) {
  pendingActions.push_back(std::move(Action));
  PostMessageA(ActionWindow(), kRunActions, 0, 0);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;  // the tests end their windows' loops themselves
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace testsupport
