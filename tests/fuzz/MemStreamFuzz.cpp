// The memory stream driven by an operation sequence read from the input,
// checked after every step against a plain byte string with a position,
// and against the rules of its block chain.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "streams/MemStream.h"

namespace {

// Reads the operation sequence; runs dry as zeros.
class TOps {
public:
  TOps(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  bool Done() const { return FPos >= FSize; }
  std::uint32_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
  std::uint32_t Word() { return Byte() << 8 | Byte(); }

private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

// What the stream should hold.
struct TModel {
  std::string Bytes;
  std::size_t Pos = 0;
  bool Exact = true;

  void Write(const std::string& Data) {
    if (Bytes.size() < Pos + Data.size()) Bytes.resize(Pos + Data.size());
    Bytes.replace(Pos, Data.size(), Data);
    Pos += Data.size();
  }
};

// Keeps the streams small enough to compare after every step.
constexpr std::size_t kMaxSize = 1 << 18;
constexpr std::size_t kCompareEveryStepBelow = 1 << 14;

std::string Pattern(std::size_t Count, std::uint32_t Seed) {
  std::string s(Count, '\0');
  for (std::size_t i = 0; i < Count; ++i) s[i] = static_cast<char>((i * 31 + Seed * 7 + 1) & 0xFF);
  return s;
}

// The block chain against the model: every block but the last full, the
// last holding the rest; the current block and offset where the position
// lies (at a boundary, the end of the earlier block); new blocks never
// smaller than MemBlockSize; and, when Bytes is set, the stored bytes.
void CheckChain(TMemStream& S, const TModel& M, bool Bytes, const std::string& Where) {
  const TMemBlock* first = S.FirstBlock();
  if (first == nullptr) {
    FUZZ_CHECK(M.Bytes.empty() && S.CurrentBlock() == &EmptyBlock && S.BlockOffset() == 0,
               "empty stream not on the empty block; " + Where);
    return;
  }
  std::size_t before = 0;  // bytes in the blocks before the one at hand
  bool seenCurrent = false;
  std::size_t currentStart = 0;
  for (const TMemBlock* b = first; b != nullptr; b = b->Next) {
    FUZZ_CHECK(b->Capacity >= MemBlockSize, "block below the block size; " + Where);
    const std::size_t cap = static_cast<std::size_t>(b->Capacity);
    if (b->Next != nullptr)
      FUZZ_CHECK(before + cap <= M.Bytes.size(), "a block before the last is not full; " + Where);
    else
      FUZZ_CHECK(M.Bytes.size() >= before && M.Bytes.size() - before <= cap,
                 "the last block does not hold the rest; " + Where);
    if (b == S.CurrentBlock()) {
      seenCurrent = true;
      currentStart = before;
    }
    if (Bytes) {
      const std::size_t used = std::min(cap, M.Bytes.size() - before);
      const std::string_view stored(
          reinterpret_cast<const char*>(const_cast<TMemBlock*>(b)->Data()), used);
      FUZZ_CHECK(stored == std::string_view(M.Bytes).substr(before, used),
                 "block bytes at " + std::to_string(before) + ": " +
                     fuzz::Difference(stored, std::string_view(M.Bytes).substr(before, used)) +
                     "; " + Where);
    }
    before += cap;
  }
  FUZZ_CHECK(seenCurrent, "the current block is not in the chain; " + Where);
  const std::size_t offset = static_cast<std::size_t>(S.BlockOffset());
  FUZZ_CHECK(offset <= static_cast<std::size_t>(S.CurrentBlock()->Capacity) &&
                 currentStart + offset == M.Pos,
             "current block and offset do not give the position; " + Where);
  FUZZ_CHECK(offset > 0 || M.Pos == 0, "position at the start of a later block; " + Where);
}

void CheckStream(TMemStream& S, const TModel& M, const std::string& Where) {
  FUZZ_CHECK(S.GetSize() == static_cast<std::int32_t>(M.Bytes.size()),
             "size " + std::to_string(S.GetSize()) + ", model " + std::to_string(M.Bytes.size()) +
                 "; " + Where);
  FUZZ_CHECK(S.GetPosition() == static_cast<std::int32_t>(M.Pos),
             "position " + std::to_string(S.GetPosition()) + ", model " + std::to_string(M.Pos) +
                 "; " + Where);
  FUZZ_CHECK(S.Available() == static_cast<std::int32_t>(M.Bytes.size() - M.Pos),
             "Available; " + Where);
  FUZZ_CHECK(S.EndOfStream() == (M.Pos == M.Bytes.size()), "EndOfStream; " + Where);
  FUZZ_CHECK(S.CanRead() && S.CanWrite() && S.ExactTransfer() == M.Exact, "flags; " + Where);
  CheckChain(S, M, M.Bytes.size() < kCompareEveryStepBelow, Where);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TOps ops(Data, Size);
  TMemStream s;
  TModel m;
  for (std::uint32_t step = 0; !ops.Done(); ++step) {
    const std::uint32_t op = ops.Byte() % 10;
    const std::string where = "step " + std::to_string(step) + " (operation " +
                              std::to_string(op) + ")";
    switch (op) {
      case 0:    // a write of any size, often across blocks
      case 7: {  // a small write
        std::size_t count = op == 0 ? ops.Word() % 12000 : ops.Byte() % 16;
        if (m.Pos + count > kMaxSize) count = 0;
        const std::string bytes = Pattern(count, step);
        const std::int32_t n = s.Write(bytes.data(), static_cast<std::int32_t>(count));
        FUZZ_CHECK(n == static_cast<std::int32_t>(count), "Write's count; " + where);
        m.Write(bytes);
        break;
      }
      case 1: {  // a read, possibly past the end
        const std::size_t count = ops.Word() % 10000;
        std::string got(count, '\0');
        const std::size_t avail = m.Bytes.size() - m.Pos;
        const std::string expected = m.Bytes.substr(m.Pos, count);
        bool raised = false;
        std::int32_t n = -1;
        try {
          n = s.Read(got.data(), static_cast<std::int32_t>(count));
        } catch (const EInOutError& e) {
          raised = true;
          FUZZ_CHECK(e.Message() == "Error reading from stream - ", "read error text; " + where);
        }
        FUZZ_CHECK(raised == (m.Exact && count > avail), "read error raised wrongly; " + where);
        if (!raised) FUZZ_CHECK(n == static_cast<std::int32_t>(expected.size()), "Read's count; " + where);
        // Also on the error, the bytes there were are copied and passed.
        FUZZ_CHECK(got.compare(0, expected.size(), expected) == 0,
                   "Read's bytes: " + fuzz::Difference(got.substr(0, expected.size()), expected) +
                       "; " + where);
        m.Pos += expected.size();
        break;
      }
      case 2: {  // a seek anywhere from -1 to one past the end
        const std::int64_t to =
            static_cast<std::int64_t>(ops.Word() % (m.Bytes.size() + 3)) - 1;
        bool raised = false;
        try {
          s.Seek(static_cast<std::int32_t>(to));
        } catch (const EInOutError& e) {
          raised = true;
          FUZZ_CHECK(e.Message() == SErrorMovingStreamPointer, "seek error text; " + where);
        }
        const bool bad = to < 0 || to > static_cast<std::int64_t>(m.Bytes.size());
        FUZZ_CHECK(raised == bad, "seek to " + std::to_string(to) + " raised wrongly; " + where);
        if (!bad) m.Pos = static_cast<std::size_t>(to);
        break;
      }
      case 3:
        s.Truncate();
        m.Bytes.resize(m.Pos);
        break;
      case 4:
        s.Clear();
        m.Bytes.clear();
        m.Pos = 0;
        break;
      case 5:
        m.Exact = !m.Exact;
        s.SetExactTransfer(m.Exact);
        break;
      case 6: {  // copy the rest of the stream into another one
        TMemStream copy;
        copy.CopyFrom(s);
        const std::string rest = m.Bytes.substr(m.Pos);
        m.Pos = m.Bytes.size();
        const std::string got = MemContents(copy);
        FUZZ_CHECK(got == rest, "CopyFrom out: " + fuzz::Difference(got, rest) + "; " + where);
        break;
      }
      case 8: {  // copy another stream in at the position
        std::size_t count = ops.Word() % 9000;
        if (m.Pos + count > kMaxSize) count = 0;
        const std::string bytes = Pattern(count, step + 1000);
        TMemStream source;
        FillMem(source, bytes);
        s.CopyFrom(source);
        FUZZ_CHECK(source.EndOfStream() && source.ExactTransfer(), "CopyFrom's source; " + where);
        m.Write(bytes);
        break;
      }
      case 9:  // seeks that must change nothing, or only go to the end
        s.Seek(s.GetPosition());
        s.Seek(s.GetSize());
        m.Pos = m.Bytes.size();
        break;
    }
    CheckStream(s, m, where);
  }
  CheckChain(s, m, true, "at the end");
  return 0;
}
