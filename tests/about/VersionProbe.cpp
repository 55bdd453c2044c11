// Prints the version read from this program's own file, the way the
// command-line front end answers --version; when there is none, says why and
// exits with 1.

#include <iostream>

#include "about/VersionInfo.h"

int main() {
  const TProgramVersion& Version = ProgramVersion();
  if (Version.Text.empty()) {
    std::cerr << Version.Error << "\n";
    return 1;
  }
  std::cout << Version.Text << "\n";
  return 0;
}
