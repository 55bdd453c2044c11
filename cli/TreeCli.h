#pragma once

// pagetrim-cli -r: whole folder trees into a mirror tree, on every core.

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/TreeRun.h"
#include "cli/PagetrimCli.h"

// A file or folder name as pagetrim-cli prints it. Every name the tree run
// prints goes through here.
std::string DisplayName(const std::string& Name);

// The number of workers when -j is not given: the machine's cores.
unsigned DefaultJobs();

// What is wrong with Args for a tree run, or an empty text: SRC_DIRs and
// -d DIR needed, no empty SRC_DIR, no "-", no bad GLOB.
std::string TreeUsageProblem(const TCliArgs& Args);

// The options that only a tree run takes, given without -r: the problem
// text, or an empty one.
std::string TreeOptionsWithoutTree(const TCliArgs& Args);

TTreeOptions TreeOptionsFrom(const TCliArgs& Args);

// "NAME: copied, N bytes".
std::string CopyLine(const std::string& Name, std::int64_t Bytes);

// "NAME: skipped, REASON".
std::string NoteLine(const TTreeNote& Note);

// "Total: N files compacted, C copied, S skipped; IN -> OUT bytes (-P%) in T s".
std::string TreeSummaryLine(const TTreeSummary& Summary);

// What an interrupted run says last.
std::string InterruptedLine(std::size_t NotBegun);

// "[DONE/TOTAL] IN -> OUT bytes NAME".
std::string TreeProgressText(const TTreeProgress& State);

// Runs the tree run Args asks for, printing per-file lines and the summary
// to Out and notes, errors and (when ErrIsTerminal) progress to Err.
// Returns the exit status: 128 + the signal's number when an interrupt
// (SIGINT, SIGTERM; Ctrl-C on Windows: 130) stopped the run.
int RunTreeCli(const TCliArgs& Args, std::FILE* Out, std::FILE* Err, bool ErrIsTerminal);
