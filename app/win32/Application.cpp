#include "app/win32/Application.h"

#include <utility>

#include "app/ErrorReport.h"
#include "ui/win32/Application.h"
#include "ui/win32/Screen.h"

namespace {

HWND dialogKeysWindow = nullptr;

void DefaultErrorBox(const std::string& Caption, const std::string& Text) {
  HWND owner = GetActiveWindow();
  if (owner != nullptr && !IsWindowVisible(owner)) owner = nullptr;
  MessageBoxA(owner, Text.c_str(), Caption.c_str(), MB_OK | MB_ICONERROR);
}

TErrorBoxFunc& ErrorBox() {
  static TErrorBoxFunc box = DefaultErrorBox;
  return box;
}

// The message box that CentredMessageBox is about to open, caught as it is
// activated for the first time.
thread_local HHOOK centringHook = nullptr;

LRESULT CALLBACK CentreBoxOnActivation(int Code, WPARAM WParam, LPARAM LParam) {
  const HHOOK hook = centringHook;
  if (Code == HCBT_ACTIVATE) {
    // The box is the first window this thread activates after the hook is
    // set; it is placed once, and the hook goes.
    CenterOnScreen(reinterpret_cast<HWND>(WParam));
    UnhookWindowsHookEx(hook);
    centringHook = nullptr;
    return 0;
  }
  return CallNextHookEx(hook, Code, WParam, LParam);
}

// Handles one message taken from the queue, as the loop does.
void DispatchLoopMessage(MSG& Message) {
  if (dialogKeysWindow != nullptr && IsWindow(dialogKeysWindow) &&
      IsDialogMessageA(dialogKeysWindow, &Message))
    return;
  TranslateMessage(&Message);
  DispatchMessageA(&Message);
}

}  // namespace

void SetDialogKeysWindow(HWND Window) { dialogKeysWindow = Window; }

int RunMessageLoop() {
  MSG message;
  for (;;) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);  // WM_QUIT
    if (got == -1) return 0;  // no queue left to read: nothing more can happen
    DispatchLoopMessage(message);
  }
}

void ProcessMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    DispatchLoopMessage(message);
  }
}

TErrorBoxFunc SetErrorReportBox(TErrorBoxFunc Box) {
  return std::exchange(ErrorBox(), Box ? std::move(Box) : TErrorBoxFunc(DefaultErrorBox));
}

void ShowErrorReport(const std::string& Message) {
  try {
    ErrorBox()(ApplicationTitle(), ErrorReportText(Message));
  } catch (...) {
    // A report that cannot be shown (out of memory) is lost; the loop goes on.
  }
}

int CentredMessageBox(HWND Owner, const std::string& Text, const char* Caption, UINT Type) {
  centringHook = SetWindowsHookExA(WH_CBT, CentreBoxOnActivation, nullptr, GetCurrentThreadId());
  const int answer = MessageBoxA(Owner, Text.c_str(), Caption, Type);
  if (centringHook != nullptr) {  // the box never became active
    UnhookWindowsHookEx(centringHook);
    centringHook = nullptr;
  }
  return answer;
}
