#pragma once

// Temporary folders and whole-file helpers for tests that touch real files.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "support/TempFolder.h"

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes.
class TempDir {
public:
  TempDir() : path_(MakeTempFolder()) {}
  ~TempDir() { RemoveFolder(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing delimiter.
  const std::string& Path() const { return path_; }
  // Path() + delimiter + Relative, with every '/' of Relative turned into
  // the platform's delimiter.
  std::string operator/(const std::string& Relative) const { return JoinPath(path_, Relative); }

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

inline bool Exists(const std::string& Name) { return PathExists(Name); }

inline void MakeDir(const std::string& Name) {
  if (!MakeFolder(Name)) throw std::runtime_error("cannot create " + Name);
}

}  // namespace testsupport
