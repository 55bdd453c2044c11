#include "ui/win32/Errors.h"

#include <cstdio>

#include "platform/FileEnv.h"

std::string SystemErrorText(DWORD Code) {
  std::string Text;
  if (!platform::FileEnv::Default()->ErrorText(Code, &Text)) Text.clear();
  return Text;
}

namespace {

std::string OleErrorMessage(HRESULT Code) {
  std::string Text = SystemErrorText(static_cast<DWORD>(Code));
  if (!Text.empty()) return Text;
  char Buffer[sizeof SOleError + 16];
  std::snprintf(Buffer, sizeof Buffer, SOleError, static_cast<unsigned>(Code));
  return Buffer;
}

std::string Win32ErrorMessage(DWORD Code) {
  if (Code == 0) return SUnkWin32Error;
  const std::string Text = SystemErrorText(Code);
  // The code goes in as the system's signed number, as "%d" shows it.
  const int Number = static_cast<int>(Code);
  const int Length = std::snprintf(nullptr, 0, SWin32Error, Number, Text.c_str());
  std::string Message(static_cast<std::size_t>(Length) + 1, '\0');
  std::snprintf(Message.data(), Message.size(), SWin32Error, Number, Text.c_str());
  Message.resize(static_cast<std::size_t>(Length));
  return Message;
}

}  // namespace

EOleSysError::EOleSysError(HRESULT Code) : Exception(OleErrorMessage(Code)), code_(Code) {}

EWin32Error::EWin32Error(DWORD Code) : Exception(Win32ErrorMessage(Code)), code_(Code) {}

void RaiseLastWin32Error() { throw EWin32Error(::GetLastError()); }
