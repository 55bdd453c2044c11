#include "about/win32/FileUtils.h"

#include <shellapi.h>

#include "ui/win32/Application.h"

namespace {

void SystemShellExecute(HWND Owner, const char* Verb, const char* FileName, const char* Parameters,
                        const char* Directory, int ShowCommand) {
  ::ShellExecuteA(Owner, Verb, FileName, Parameters, Directory, ShowCommand);
}

TShellExecuteFunc& ShellExecuteFunc() {
  static TShellExecuteFunc Func = SystemShellExecute;
  return Func;
}

}  // namespace

TShellExecuteFunc SetShellExecute(TShellExecuteFunc Func) {
  TShellExecuteFunc Previous = std::move(ShellExecuteFunc());
  ShellExecuteFunc() = Func ? std::move(Func) : TShellExecuteFunc(SystemShellExecute);
  return Previous;
}

void OpenWithShell(const std::string& FileName, const std::string& Parameters,
                   const std::string& Directory, int ShowCommand) {
  ShellExecuteFunc()(ApplicationWindow(), nullptr, FileName.c_str(), Parameters.c_str(),
                     Directory.c_str(), ShowCommand);
}
