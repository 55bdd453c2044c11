// Best mode on any input: every server block is found unchanged in the
// output, in order; the output is never longer than the input; a second
// run changes nothing; and with every reduction kept off the output is
// safe mode's. The reductions kept off in the second half of the check
// come from the input's last byte, one bit each.
//
// Server blocks are found with the library's own ServerBlockEnd, which the
// safe_compact target checks against a model of its own.
//
// Stability is checked only where safe mode is stable itself: its rules
// come from a quick look at the page's bytes that also reads a "<style" in
// text or markup it then compacts, so that a second safe run can read
// other rules (the seed unstable-safe-mode.htm is such a page).


#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compact/CompactHTML.h"
#include "compact/SafeCompact.h"
#include "compact/ScanPath.h"
#include "compact/ServerBlocks.h"
#include "fuzz/FuzzSupport.h"
#include "support/MemText.h"

namespace {

constexpr bool TBestKeep::*kKeeps[] = {&TBestKeep::Comments, &TBestKeep::OptionalTags, &TBestKeep::Quotes,
                                       &TBestKeep::Attributes, &TBestKeep::Css, &TBestKeep::Js,
                                       &TBestKeep::Entities, &TBestKeep::Doctype, &TBestKeep::BlockSpace};

TCompactOptions Best(unsigned Bits) {
  TCompactOptions O = BestOptions();
  O.ReadLinkedSheets = false;
  for (std::size_t I = 0; I < std::size(kKeeps); ++I)
    if (Bits & (1u << I)) O.BestKeep.*kKeeps[I] = true;
  return O;
}

// Each server block of In is found in Out, one after the other.
void ExpectBlocks(std::string_view In, std::string_view Out) {
  const auto* T = reinterpret_cast<const unsigned char*>(In.data());
  std::size_t From = 0;
  for (std::size_t P = 0; P < In.size();) {
    if (!AtServerBlock(T, In.size(), P)) {
      ++P;
      continue;
    }
    const std::size_t End = ServerBlockEnd(T, In.size(), P);
    const std::string_view Block = In.substr(P, End - P);
    const std::size_t At = Out.find(Block, From);
    FUZZ_CHECK(At != std::string_view::npos, "server block changed: " + fuzz::Show(Block) +
                                                 "\n  input: " + fuzz::Show(In) + "\n  output: " + fuzz::Show(Out));
    From = At + Block.size();
    P = End;
  }
}

void Check(const std::string& Input, unsigned Bits, bool SafeStable) {
  const TCompactOptions Options = Best(Bits);
  const std::string Output = SafeCompactString(Input, Options);
  FUZZ_CHECK(Output.size() <= Input.size(), "output longer than input: " + fuzz::Show(Input));
  ExpectBlocks(Input, Output);
  if (!SafeStable) return;
  const std::string Again = SafeCompactString(Output, Options);
  FUZZ_CHECK(Again == Output, "not stable, " + fuzz::Difference(Again, Output) + "\n  input: " + fuzz::Show(Input));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  TCompactOptions Safe = SafeOptions();
  Safe.ReadLinkedSheets = false;
  const std::string SafeOutput = SafeCompactString(Input, Safe);
  const bool SafeStable = SafeCompactString(SafeOutput, Safe) == SafeOutput;
  Check(Input, 0, SafeStable);
  if (Size > 0) Check(Input, Data[Size - 1] | (Size > 1 ? (Data[Size - 2] & 1u) << 8 : 0u), SafeStable);

  FUZZ_CHECK(SafeCompactString(Input, Best(0x1FF)) == SafeOutput,
             "keeping everything is not safe mode: " + fuzz::Show(Input));

  // The portable scanners give the wide ones' bytes.
  const std::string Wide = SafeCompactString(Input, Best(0));
  SetScanPath(TScanPath::spPortable);
  const std::string Portable = SafeCompactString(Input, Best(0));
  SetScanPath(TScanPath::spWide);
  FUZZ_CHECK(Portable == Wide, "wide and portable differ, " + fuzz::Difference(Wide, Portable) +
                                   "\n  input: " + fuzz::Show(Input));

  // Through the streams, the same bytes.
  if (WideEncoding(Input) == nullptr) {
    TMemStream In;
    TMemStream Out;
    FillMem(In, Input);
    CompactHTML(In, Out, Best(0));
    FUZZ_CHECK(MemContents(Out) == Wide, "stream to stream differs: " + fuzz::Show(Input));
  }
  return 0;
}
