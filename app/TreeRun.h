#pragma once

// The tree run: compacts (and copies) the files of a plan into the
// destination tree with several workers side by side.
//
// Each file is a file job of its own (FileJob.h), read through its own
// source stream and compacted by the same single-threaded filter as in the
// batch run, so the results do not depend on the number of workers. A file
// is written under a temporary name in its destination folder
// (TTemporarySink) and renamed when it is complete: no file
// under its final name is ever partly written, also when the process is
// killed. Only the files and folders the walk found are read (a name
// swapped for a link meanwhile is refused), and only into the destination
// folders the run created or found (held open while a file goes in). On
// the first failure no new file is begun; the files in hand are finished.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/FileJob.h"
#include "app/TreeWalk.h"

// Where a run stands.
struct TTreeProgress {
  std::size_t Done = 0;   // files finished (or failed)
  std::size_t Total = 0;  // files of the plan
  std::int64_t BytesIn = 0;
  std::int64_t BytesOut = 0;
  std::string Current;  // the source begun last
};

// What the caller of a tree run supplies. Every call comes from the thread
// that called RunTree.
class TTreeHost {
public:
  virtual ~TTreeHost() = default;
  // The trees were walked and nothing was refused; the destination folders
  // exist, and the files are about to be begun.
  virtual void Planned(const TTreePlan& Plan) = 0;
  // A file was begun or finished.
  virtual void Progress(const TTreeProgress& State) = 0;
  // File was compacted (or copied) completely: BytesIn read, BytesOut
  // written. Called in the order of the plan.
  virtual void FileDone(const TTreeFile& File, std::int64_t BytesIn, std::int64_t BytesOut) = 0;
};

// A failure: Source is the file it happened at, empty when the run failed
// as a whole (a refusal, a folder that cannot be read or created).
struct TTreeFailure {
  std::string Source;
  std::string Message;
};

struct TTreeSummary {
  std::size_t Compacted = 0;
  std::size_t Copied = 0;
  std::size_t Skipped = 0;       // matching no pattern, or noted
  std::int64_t BytesIn = 0;      // of the compacted files
  std::int64_t BytesOut = 0;     // of their results
  std::int64_t CopiedBytes = 0;  // of the copied files
  double Seconds = 0;
  std::vector<TTreeFailure> Failures;  // empty when the run succeeded; in plan order
  // Options.Cancel stopped the run: NotBegun files were left alone.
  bool Cancelled = false;
  std::size_t NotBegun = 0;
};

// Runs Options: plans the trees, refuses what CheckTree refuses, creates
// the destination folders, then works on the files with Options.Jobs
// workers (at least one, at most one per file). Never raises for a file or
// a folder: every failure is in the summary. The file services are
// Options.FileServices().
TTreeSummary RunTree(const TTreeOptions& Options, TTreeHost& Host);

// The temporary name, in the same folder, that a worker writes the file
// Name under: hidden on POSIX, made of a part of Name, the run's Token, the
// file's Index in the plan and the Attempt, ending in ".tmp". Within a run
// no two files share a name; the file is created only where nothing has
// the name yet, and Attempt counts the names tried.
std::string TemporaryName(const std::string& Name, const std::string& Token, std::size_t Index,
                          unsigned Attempt);

// Messages of the files of a tree run.
inline constexpr char SErrorSettingAttributes[] = "Error setting the attributes of \"%s\" - %s";
