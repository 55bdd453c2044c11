#pragma once

// Temporary folders and whole-file helpers for tests that touch real files.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes.
class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pagetrim-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    // Read-only files made by a test must not keep their folder alive.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing '/'.
  const std::string& Path() const { return path_; }
  // Path() + '/' + Relative.
  std::string operator/(const std::string& Relative) const { return path_ + '/' + Relative; }

private:
  std::string path_;
};

inline void WriteFile(const std::string& Name, const std::string& Bytes) {
  std::ofstream f(Name, std::ios::binary | std::ios::trunc);
  f.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + Name);
}

inline std::string ReadFile(const std::string& Name) {
  std::ifstream f(Name, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + Name);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& Name) {
  struct stat st {};
  return lstat(Name.c_str(), &st) == 0;
}

inline void MakeDir(const std::string& Name) {
  if (mkdir(Name.c_str(), 0777) != 0) throw std::runtime_error("cannot create " + Name);
}

}  // namespace testsupport
