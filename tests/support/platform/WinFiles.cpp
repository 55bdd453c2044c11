// The file helpers of the tests on Windows.

#include <windows.h>

#include <random>
#include <stdexcept>

#include "support/TempDir.h"

namespace testsupport {

std::string MakeTempFolder() {
  // No mkdtemp here: try fresh random names until one can be created.
  char base[MAX_PATH + 1];
  const DWORD n = ::GetTempPathA(sizeof base, base);
  if (n == 0 || n > MAX_PATH) throw std::runtime_error("no temporary folder");
  std::string folder(base, n);
  if (folder.back() == '\\') folder.pop_back();
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = folder + "\\pagetrim-" + std::to_string(random());
    if (::CreateDirectoryA(candidate.c_str(), nullptr)) return candidate;
  }
  throw std::runtime_error("cannot create a temporary folder");
}

bool PathExists(const std::string& Name) {
  return ::GetFileAttributesA(Name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(const std::string& Name) { return ::CreateDirectoryA(Name.c_str(), nullptr) != FALSE; }

std::string BuildPath(std::string Name) {
  if (!Name.empty() && Name[0] == '/') {
    for (char& c : Name)
      if (c == '/') c = '\\';
    return "Z:" + Name;
  }
  return Name;
}

}  // namespace testsupport
