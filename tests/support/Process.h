#pragma once

// Running a built program from a test and collecting what it did (one
// implementation a platform: platform/PosixProcess.cpp, platform/WinProcess.cpp).

#include <string>
#include <vector>

namespace testsupport {

struct ProcessOptions {
  // Standard input: the file InputFile when it is set, else the bytes Input.
  std::string Input;
  std::string InputFile;
  // Standard output goes to the file OutputFile when it is set (and is then
  // not captured).
  std::string OutputFile;
  // POSIX only: standard error is a pseudo terminal.
  bool ErrTerminal = false;
  // POSIX only, as root: the child runs as the user "nobody".
  bool Unprivileged = false;
  // A child still running after this long is killed.
  unsigned Seconds = 60;

  // The defaults, with a time limit of its own.
  static ProcessOptions Within(unsigned Limit) {
    ProcessOptions O;
    O.Seconds = Limit;
    return O;
  }
};

struct ProcessResult {
  int status = -1;  // the exit status; -1 killed or not started, -2 timed out
  std::string out;
  std::string err;  // on Windows with the console's CR LF turned back into LF
};

// Runs Program with Args.
ProcessResult RunProcess(const std::string& Program, const std::vector<std::string>& Args,
                         const ProcessOptions& Options = {});

}  // namespace testsupport
