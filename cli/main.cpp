// pagetrim-cli: the batch run for shells and build scripts.

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/PagetrimCli.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // Documents are bytes: no line-end translation on the standard streams.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  return RunCli(argc, argv, stdin, stdout, stderr);
}
