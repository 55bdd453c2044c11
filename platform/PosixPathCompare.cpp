#include <cstddef>

#include "platform/PathCompare.h"

namespace platform {

namespace {

// ASCII letters only: the bytes of other characters depend on an encoding
// that a byte string does not carry.
char FoldAscii(char C) { return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C; }

}  // namespace

bool SameFolderName(const std::string& A, const std::string& B) {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i)
    if (FoldAscii(A[i]) != FoldAscii(B[i])) return false;
  return true;
}

}  // namespace platform
