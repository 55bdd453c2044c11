#pragma once

// The batch run behind the "&Go!" button, free of any window.

#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "app/FileJob.h"
#include "compact/CompactHTML.h"

// What the caller of a run supplies. A window supplies the first three
// operations and StopRequested; a caller without one (the command line, the
// benchmark, the tests) overrides only what it needs. How the run ended is
// its result, never a call.
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

// A window's part in a run: it is told a refusal in an error box.
class TBatchWindow : public TBatchHost {
public:
  // The run refuses to go on: shows a modal error box captioned "Error"
  // with Text and one "OK".
  virtual void ErrorBox(const std::string& Text) = 0;
};

// How a run ended.
struct TBatchResult {
  enum TKind {
    Done,     // every file compacted
    Stopped,  // StopRequested ended it between two files
    Refused,  // nothing more was written: Message says why
    Failed,   // File failed (empty: before the first file): Message says why
  };
  TKind Kind = Done;
  std::string Message;
  std::string File;
  // Failed: the error as it was raised, for a caller that raises it on.
  std::exception_ptr Error;

  static TBatchResult Refusal(std::string Message) {
    return {Refused, std::move(Message), {}, nullptr};
  }
  static TBatchResult Failure(std::string Message, std::string File = {},
                              std::exception_ptr Error = nullptr) {
    return {Failed, std::move(Message), std::move(File), std::move(Error)};
  }
};

inline constexpr char SDestinationMustDiffer[] = "Destination path must be different from source!";
inline constexpr char SDestinationEmpty[] = "Destination path must not be empty!";

// Compacts every file of Sources (full paths), in their order, into
// Destination, by Options, each one a file job written in place (see
// FileJob.h) through the file services Env (null: the system's), and says
// how it ended. An Exception from a file ends the run
// as Failed, after clean-up; only what is no file's error (running out of
// memory) travels on. The controls are disabled while files are worked on;
// enabling them again is the caller's (RunBatch does).
TBatchResult RunFiles(const std::vector<std::string>& Sources, const std::string& Destination,
                      TBatchHost& Host, const TCompactOptions& Options = {},
                      platform::FileEnv* Env = nullptr);

// The window's run of the files of SourceList (full paths joined by '|',
// see TSourceList), as its source field holds them: a refusal is shown in
// Window's error box, and a failure raises its error again, for the
// window's error report. Every ending enables the controls again.
void RunBatch(const std::string& SourceList, const std::string& Destination, TBatchWindow& Window,
              const TCompactOptions& Options = {}, platform::FileEnv* Env = nullptr);
