#pragma once

// The command-line front end: runs the batch run from a shell or a build
// script, or compacts standard input to standard output.

#include <cstdio>

// Runs the front end on argv with the given standard streams: parses and
// checks the command line, then runs the tree command (-r) or the flat
// one. Returns the exit status.
int RunCli(int argc, const char* const* argv, std::FILE* In, std::FILE* Out, std::FILE* Err);
