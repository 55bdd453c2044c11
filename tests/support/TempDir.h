#pragma once

// Temporary folders, whole files and paths for tests that touch real files,
// alike on every platform. Every helper that fails throws
// std::runtime_error, so that a test never goes on from a file it did not
// manage to write.

#include <string>

namespace testsupport {

// Creates a fresh, empty folder under the system's temporary folder and
// returns its full name, without a trailing delimiter.
std::string MakeTempFolder();

// Removes Folder with everything in it; read-only files do not stop it.
void RemoveFolder(const std::string& Folder);

// Folder + delimiter + Relative, with every '/' of Relative turned into the
// platform's delimiter.
std::string JoinPath(const std::string& Folder, std::string Relative);

// True when something (a file, a folder, a link) is called Name. Byte
// names go to the system as they are, in its ANSI code page.
bool PathExists(const std::string& Name);
inline bool Exists(const std::string& Name) { return PathExists(Name); }

// Creates the folder Name; false when it cannot.
bool MakeFolder(const std::string& Name);
// Creates the folder Name or throws.
void MakeDir(const std::string& Name);

// Writes Bytes as the whole file Name, or throws.
void WriteFile(const std::string& Name, const std::string& Bytes);
// The whole file Name, or throws.
std::string ReadFile(const std::string& Name);

// The name under which a test reaches a file that the build named. A cross
// build names its files by their Unix paths; Wine reaches those through its
// drive Z:, the Unix root.
std::string BuildPath(std::string Name);

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

// A fresh folder (as TempDir) holding one file, Name, with Contents.
class TempFile {
public:
  explicit TempFile(const std::string& Contents, const std::string& Name = "a.htm")
      : name_(dir_ / Name) {
    WriteFile(name_, Contents);
  }

  const TempDir& Dir() const { return dir_; }
  // The file's full name.
  const std::string& Name() const { return name_; }

private:
  TempDir dir_;
  std::string name_;
};

}  // namespace testsupport
