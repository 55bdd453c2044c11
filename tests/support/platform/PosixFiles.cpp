// The file helpers of the tests on POSIX systems.

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>

#include "support/TempDir.h"

namespace testsupport {

std::string MakeTempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pagetrim-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

bool PathExists(const std::string& Name) {
  struct stat st {};
  return ::lstat(Name.c_str(), &st) == 0;
}

bool MakeFolder(const std::string& Name) { return ::mkdir(Name.c_str(), 0777) == 0; }

std::string BuildPath(std::string Name) { return Name; }

}  // namespace testsupport
