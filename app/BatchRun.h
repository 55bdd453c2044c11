#pragma once

// The batch run behind the "&Go!" button, free of any window.

#include <cstdint>
#include <string>
#include <vector>

#include "app/FileJob.h"
#include "compact/CompactHTML.h"

// What the caller of a run supplies. A window supplies the first four
// operations; a caller without one (the command line, the benchmark, the
// tests) overrides only what it needs, and at least ErrorBox, since a
// refused run must not pass unnoticed.
class TBatchHost {
public:
  virtual ~TBatchHost() = default;

  // The destination was normalised; show NewDestination in its field.
  virtual void WriteBackDestination(const std::string& NewDestination) { (void)NewDestination; }
  // Disables (false) or enables (true) "&Go!", "&Close" and both pickers.
  // Must not raise: the run calls it while an error is on its way out.
  virtual void EnableControls(bool Enable) { (void)Enable; }
  // Handles every waiting window message, then returns.
  virtual void ProcessMessages() {}
  // The run refuses to go on: shows a modal error box captioned "Error"
  // with Text and one "OK".
  virtual void ErrorBox(const std::string& Text) = 0;
  // Asked after each pass of the message pump: true when the program is to
  // end (the system asked it to, say at a log-off). The run then ends
  // before the next file, as after the last one; the file at hand was
  // finished.
  virtual bool StopRequested() { return false; }

  // Events. Source is about to be opened (after the message pump).
  virtual void FileStarting(const std::string& Source) { (void)Source; }
  // Source was compacted: BytesIn read, BytesOut written.
  virtual void FileDone(const std::string& Source, std::int64_t BytesIn, std::int64_t BytesOut) {
    (void)Source;
    (void)BytesIn;
    (void)BytesOut;
  }
};

inline constexpr char SDestinationMustDiffer[] = "Destination path must be different from source!";
inline constexpr char SDestinationEmpty[] = "Destination path must not be empty!";

// Compacts every file of Sources (full paths), in their order, into
// Destination, by Options, each one a file job written in place (see
// FileJob.h). Errors from the streams travel on after clean-up; every
// ending enables the controls again.
void RunBatch(const std::vector<std::string>& Sources, const std::string& Destination, TBatchHost& Host,
              const TCompactOptions& Options = {});

// The same for the files of SourceList (full paths joined by '|', see
// TSourceList), as the window's source field holds them.
void RunBatch(const std::string& SourceList, const std::string& Destination, TBatchHost& Host,
              const TCompactOptions& Options = {});
