#include <windows.h>

#include <limits>

#include "platform/PathCompare.h"

namespace platform {

namespace {

// The text lower-cased with the system's character tables for the ANSI
// code page.
std::string Lower(std::string Text) {
  if (!Text.empty()) ::CharLowerBuffA(Text.data(), static_cast<DWORD>(Text.size()));
  return Text;
}

}  // namespace

bool SameFolderName(const std::string& A, const std::string& B) {
  // The system calls count in int: longer texts are no file names.
  constexpr std::size_t kMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
  if (A.size() > kMax || B.size() > kMax) return A == B;
  const std::string a = Lower(A);
  const std::string b = Lower(B);
  return ::CompareStringA(LOCALE_USER_DEFAULT, 0, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace platform
