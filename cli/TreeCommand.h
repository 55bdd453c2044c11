#pragma once

// pagetrim-cli -r: whole folder trees into a mirror tree, on every core.

#include <cstdio>

#include "cli/CliArgs.h"

// Runs the tree run Args asks for (checked by UsageProblem), printing
// per-file lines and the summary to Out and notes, errors and (when
// ErrIsTerminal) progress to Err. Returns the exit status: 128 + the
// signal's number when an interrupt (SIGINT, SIGTERM; Ctrl-C on Windows:
// 130) stopped the run.
int RunTreeCommand(const TCliArgs& Args, std::FILE* Out, std::FILE* Err, bool ErrIsTerminal);
