// The compaction filter against the literal model, byte for byte, on any
// input: from one memory stream into another, in place in one memory
// stream, and from a source that delivers its bytes in small pieces.

#include <cstddef>
#include <cstdint>
#include <string>

#include "compact/CompactHTML.h"
#include "compact/ScanPath.h"
#include "support/ReferenceCompact.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string input(reinterpret_cast<const char*>(Data), Size);
  const std::string expected = ReferenceCompact(input);

  // The wide scanners and the portable ones.
  for (const TScanPath path : {TScanPath::spWide, TScanPath::spPortable}) {
    SetScanPath(path);
    TMemStream in;
    TMemStream out;
    FillMem(in, input);
    CompactHTML(in, out);
    SetScanPath(TScanPath::spWide);
    const std::string actual = MemContents(out);
    FUZZ_CHECK(actual == expected, std::string(path == TScanPath::spWide ? "wide" : "portable") +
                                       ", stream to stream, " + fuzz::Difference(actual, expected) +
                                       "\n  input: " + fuzz::Show(input));
    // The source is read to its end and its exact-transfer rule given back.
    FUZZ_CHECK(in.EndOfStream() && in.ExactTransfer(), "source left unread or inexact");
  }
  {
    TMemStream same;
    FillMem(same, input);
    CompactHTML(same, same);
    const std::string actual = MemContents(same);
    FUZZ_CHECK(actual == expected, "in place, " + fuzz::Difference(actual, expected) +
                                       "\n  input: " + fuzz::Show(input));
  }
  // Lines that run across many refills of the read buffer.
  for (const std::int32_t chunk : {1, 3}) {
    fuzz::TChunkedStream in(input, chunk);
    TMemStream out;
    CompactHTML(in, out);
    const std::string actual = MemContents(out);
    FUZZ_CHECK(actual == expected, "reads of " + std::to_string(chunk) + " byte(s), " +
                                       fuzz::Difference(actual, expected) +
                                       "\n  input: " + fuzz::Show(input));
  }
  return 0;
}
