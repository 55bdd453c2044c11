#pragma once

// The batch run behind the "&Go!" button, free of any window.

#include <cstdint>
#include <string>

#include "compact/CompactHTML.h"

// What the window supplies to a run.
class TBatchHost {
public:
  virtual ~TBatchHost() = default;
  // The destination was normalised; show NewDestination in its field.
  virtual void WriteBackDestination(const std::string& NewDestination) = 0;
  // Disables (false) or enables (true) "&Go!", "&Close" and both pickers.
  virtual void EnableControls(bool Enable) = 0;
  // Handles every waiting window message, then returns.
  virtual void ProcessMessages() = 0;
  // Shows a modal error box captioned "Error" with Text and one "OK".
  virtual void ErrorBox(const std::string& Text) = 0;
  // One source was compacted: BytesIn read, BytesOut written. Optional.
  virtual void FileDone(const std::string& Source, std::int64_t BytesIn, std::int64_t BytesOut) {
    (void)Source;
    (void)BytesIn;
    (void)BytesOut;
  }
};

inline constexpr char SDestinationMustDiffer[] = "Destination path must be different from source!";
inline constexpr char SDestinationEmpty[] = "Destination path must not be empty!";

// Compacts every file of SourceList (full paths joined by '|') into
// Destination, by Options. Errors from the streams travel on after
// clean-up; every ending enables the controls again.
void RunBatch(const std::string& SourceList, const std::string& Destination, TBatchHost& Host,
              const TCompactOptions& Options = {});
