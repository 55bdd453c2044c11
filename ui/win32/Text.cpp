#include "ui/win32/Text.h"

#include <vector>

std::string WindowText(HWND Window) {
  // The length may be larger than the text (double-byte conversions), never
  // smaller.
  const int length = GetWindowTextLengthA(Window);
  if (length <= 0) return std::string();
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  const int copied = GetWindowTextA(Window, buffer.data(), length + 1);
  return std::string(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

bool SetWindowTextBytes(HWND Window, const std::string& Text) {
  return SetWindowTextA(Window, Text.c_str()) != FALSE;
}
