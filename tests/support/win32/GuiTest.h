#pragma once

// What the tests of Win32 window code share: a watchdog on every case (a
// check that fails while a modal window is open must fail the case, not
// hang the suite), other processes, the windows of a process, the system's
// message boxes, and registry keys of the current user.

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// Seconds a window test may take before the watchdog ends the program.
inline constexpr unsigned kGuiTestSeconds = 60;

// Call after testing::InitGoogleTest: arms a watchdog for every case.
void GuardEveryTest();

// ---- Windows

// The text of Window (its caption), asked for with WM_GETTEXT, also from a
// window of another thread or process.
std::string TextOf(HWND Window);

// The class name of Window.
std::string ClassOf(HWND Window);

// A top-level window of process ProcessId with class Class and caption
// Caption (null: any), or null.
HWND FindProcessWindow(DWORD ProcessId, const char* Class, const char* Caption);

// The same, waiting at most Milliseconds for it to appear.
HWND WaitForProcessWindow(DWORD ProcessId, const char* Class, const char* Caption,
                          unsigned Milliseconds = 10000);

// Window's rectangle on the screen.
RECT WindowRect(HWND Window);

// ---- Message boxes

// A message box as the user sees it.
struct TBoxSeen {
  std::string Caption;
  std::string Text;              // its message
  bool ErrorIcon = false;        // shows the system's error symbol
  std::vector<std::string> Buttons;  // the captions of its buttons
  RECT Rect{};                   // on the screen
  HWND Owner = nullptr;
};

// Reads the box Box.
TBoxSeen ReadMessageBox(HWND Box);

// Answers the dialogs of this process from a thread of its own: whenever a
// visible top-level dialog (class "#32770") captioned Caption appears,
// Answer runs for it on that thread (and should close it, for example with
// Press). Every box seen is read (ReadMessageBox) first and kept.
class DialogAnswerer {
public:
  DialogAnswerer(std::string Caption, std::function<void(HWND Dialog)> Answer);
  // Stops watching.
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  // The boxes answered so far.
  std::vector<TBoxSeen> Seen() const;

private:
  void Watch();

  std::string caption_;
  std::function<void(HWND)> answer_;
  mutable std::mutex mutex_;
  std::vector<TBoxSeen> seen_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Presses the button Id of Dialog, as a click does (posted, so that it also
// works from another thread).
void Press(HWND Dialog, int Id);

// ---- Processes

// A program started by the test, ended (killed) when the object goes if it
// still runs.
class ChildProcess {
public:
  // Program is a path as the build names it (BuildPath); Arguments are
  // added to its command line as they are.
  explicit ChildProcess(const std::string& Program, const std::string& Arguments = "");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  DWORD Id() const { return info_.dwProcessId; }
  // Waits at most Milliseconds for the program to end; its exit code, or
  // nothing when it still runs.
  std::optional<DWORD> Wait(unsigned Milliseconds);

private:
  PROCESS_INFORMATION info_{};
};

// ---- Registry of the current user

struct TRegistryValue {
  DWORD Type = REG_NONE;
  std::string Data;  // as stored, terminating zeros included
};

bool RegistryKeyExists(const std::string& Key);
// Deletes Key with everything under it; nothing when it is missing.
void DeleteRegistryKey(const std::string& Key);
// Writes Data as value Name of Key (created when missing), with type Type.
void WriteRegistryValue(const std::string& Key, const std::string& Name, DWORD Type,
                        const std::string& Data);
// Value Name of Key, or nothing when it is missing.
std::optional<TRegistryValue> ReadRegistryValue(const std::string& Key, const std::string& Name);

// A key of the current user's hive for one test, missing at first and
// deleted when the object goes.
class ScratchRegistryKey {
public:
  ScratchRegistryKey();
  ~ScratchRegistryKey() { DeleteRegistryKey(path_); }
  ScratchRegistryKey(const ScratchRegistryKey&) = delete;
  ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

// ---- The test's own thread

// Runs Action on this thread the next time it handles its window messages
// (in a message pump, a modal dialog's loop, or PumpMessages).
void RunWhenMessagesAreHandled(std::function<void()> Action);

// Handles every window message of this thread that is waiting.
void PumpMessages();

}  // namespace testsupport
