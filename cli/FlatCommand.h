#pragma once

// pagetrim-cli without -r: FILEs into a folder, as the window's batch run
// does, or standard input to standard output.

#include <cstdio>

#include "cli/CliArgs.h"

// Whether a progress line is shown: several files, not quiet, and the error
// output is a terminal.
bool WantProgress(const TCliArgs& Args, bool ErrIsTerminal);

// Runs the flat command Args asks for (checked by UsageProblem): compacts
// In to Out in the filter mode, else the FILEs into the destination, with
// a line a file and the total on Out and (when ErrIsTerminal) progress on
// Err. A failure is told on Err. Returns the exit status.
int RunFlatCommand(const TCliArgs& Args, std::FILE* In, std::FILE* Out, std::FILE* Err, bool ErrIsTerminal);
