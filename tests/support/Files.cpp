#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "platform/FileEnv.h"

namespace testsupport {

void RemoveFolder(const std::string& Folder) {
  std::error_code ec;
  // Links are left alone: they may lead anywhere (such as /dev/null), and
  // what they lead to is not the test's to change.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder, ec)) {
    std::error_code linkError;
    if (entry.is_symlink(linkError) || linkError) continue;
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(Folder, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(Folder, ec);
}

std::string JoinPath(const std::string& Folder, std::string Relative) {
  const char delimiter = platform::PathDelimiter();
  for (char& c : Relative)
    if (c == '/') c = delimiter;
  return Folder + delimiter + Relative;
}

void MakeDir(const std::string& Name) {
  if (!MakeFolder(Name)) throw std::runtime_error("cannot create " + Name);
}

void WriteFile(const std::string& Name, const std::string& Bytes) {
  std::ofstream f(Name, std::ios::binary | std::ios::trunc);
  f.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  f.close();
  if (!f) throw std::runtime_error("cannot write " + Name);
}

std::string ReadFile(const std::string& Name) {
  std::ifstream f(Name, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + Name);
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) throw std::runtime_error("cannot read " + Name);
  return bytes;
}

}  // namespace testsupport
