#include "support/win32/WinGuiTest.h"

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

}  // namespace

TModalScript::TModalScript(std::function<bool()> Step, std::string What, UINT IntervalMs)
    : step_(std::move(Step)),
      watchdog_(std::make_unique<Watchdog>(kModalSeconds, std::move(What))) {
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

}  // namespace testsupport
