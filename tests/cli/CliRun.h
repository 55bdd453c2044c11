#pragma once

// Runs the built pagetrim-cli from a CLI test.

#include <string>
#include <vector>

#include "support/Process.h"

// Runs pagetrim-cli with Args and Input on its standard input. With
// ErrTerminal (POSIX), its standard error is a pseudo terminal.
inline testsupport::ProcessResult RunProgram(const std::vector<std::string>& Args,
                                             const std::string& Input, bool ErrTerminal = false) {
  testsupport::ProcessOptions options;
  options.Input = Input;
  options.ErrTerminal = ErrTerminal;
  return testsupport::RunProcess(PAGETRIM_CLI_PATH, Args, options);
}
