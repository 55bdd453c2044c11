#include "ui/win32/Application.h"

#include "platform/VersionRes.h"

namespace {

struct TApplicationState {
  bool TitleSet = false;
  std::string Title;
  HWND Window = nullptr;
};

TApplicationState& State() {
  static TApplicationState Application;
  return Application;
}

// The program file's name without its folder and its extension.
std::string ProgramBaseName() {
  std::string Name = platform::ProgramFileName();
  const std::size_t Slash = Name.find_last_of("\\/:");
  if (Slash != std::string::npos) Name.erase(0, Slash + 1);
  const std::size_t Dot = Name.rfind('.');
  if (Dot != std::string::npos && Dot > 0) Name.erase(Dot);
  return Name;
}

}  // namespace

std::string ApplicationTitle() { return State().TitleSet ? State().Title : ProgramBaseName(); }

void SetApplicationTitle(const std::string& Title) {
  State().Title = Title;
  State().TitleSet = true;
}

HWND ApplicationWindow() { return State().Window; }

void SetApplicationWindow(HWND Window) { State().Window = Window; }
