#pragma once

// A temporary folder for a test, removed with everything in it at the end.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/TempFolder.h"

class TempDir {
public:
  TempDir() : path_(testsupport::MakeTempFolder()) {}
  ~TempDir() { testsupport::RemoveFolder(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // The full name of File inside the folder ('/' in File stands for the
  // platform's delimiter).
  std::string operator/(const std::string& File) const { return testsupport::JoinPath(path_, File); }

private:
  std::string path_;
};

inline void WriteFile(const std::string& Name, const std::string& Bytes) {
  std::ofstream out(Name, std::ios::binary | std::ios::trunc);
  out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

inline std::string ReadFile(const std::string& Name) {
  std::ifstream in(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
