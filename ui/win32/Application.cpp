#include "ui/win32/Application.h"

namespace {

std::string& Title() {
  static std::string title = [] {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
    const std::size_t slash = name.find_last_of("\\/:");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
  }();
  return title;
}

HWND applicationWindow = nullptr;

}  // namespace

std::string ApplicationTitle() { return Title(); }

void SetApplicationTitle(const std::string& Title_) { Title() = Title_; }

HWND ApplicationWindow() { return applicationWindow; }

void SetApplicationWindow(HWND Window) { applicationWindow = Window; }
