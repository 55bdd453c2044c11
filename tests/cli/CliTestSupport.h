#pragma once

// What the CLI tests share: the built pagetrim-cli run as a process, paths
// in the platform's spelling, the progress line's erase.

#include <string>
#include <vector>

#include "platform/FileEnv.h"
#include "support/Process.h"

// Carriage return and "erase to end of line", as the program rewinds its
// progress line.
inline constexpr char kEraseLine[] = "\r\x1b[K";

// Path with every '/' as the platform's path delimiter.
inline std::string Native(std::string Path) {
  for (char& c : Path)
    if (c == '/') c = platform::PathDelimiter();
  return Path;
}

// Runs pagetrim-cli with Args and Input on its standard input. With
// ErrTerminal (POSIX), its standard error is a pseudo terminal.
inline testsupport::ProcessResult RunProgram(const std::vector<std::string>& Args,
                                             const std::string& Input, bool ErrTerminal = false) {
  testsupport::ProcessOptions options;
  options.Input = Input;
  options.ErrTerminal = ErrTerminal;
  return testsupport::RunProcess(PAGETRIM_CLI_PATH, Args, options);
}
