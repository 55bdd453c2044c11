// Prints the version read from this program's own file, the way the
// command-line front end answers --version; exits with 1 when there is none.

#include <iostream>

#include "about/VersionInfo.h"

int main() {
  LoadProgramVersion();
  if (ProgramVersionText.empty()) return 1;
  std::cout << ProgramVersionText << "\n";
  return 0;
}
