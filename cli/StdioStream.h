#pragma once

// The standard input and output as streams, so that the compaction filter
// reads standard input as it arrives and writes its result straight out:
// no copy of the whole input is held besides the result.

#include <cstdint>
#include <cstdio>

#include "streams/Streams.h"

// A stream over an open C stream (stdin, stdout, a temporary file) that it
// does not own. Read and Write move bytes with fread and fwrite; a failure
// raises EInOutError with the stream messages and the system's text.
class TStdioStream : public TBaseStream {
public:
  // Readable or writable, as the caller opened File.
  enum TDirection { sdRead, sdWrite };
  TStdioStream(std::FILE* File, TDirection Direction);

  // Reads until Count bytes have come or the input ends; with ExactTransfer
  // on, fewer raises "Read less than expected".
  std::int32_t Read(void* Buffer, std::int32_t Count) override;
  // Writes all Count bytes or raises.
  std::int32_t Write(const void* Buffer, std::int32_t Count) override;
  // What is left of a regular file; for a pipe or a terminal, 0 once the
  // input has ended and 1 before (more may come).
  std::int32_t Available() override;
  // Hands what the C stream holds to the system; raises when it cannot.
  void Flush() override;

private:
  std::FILE* FFile;
};
