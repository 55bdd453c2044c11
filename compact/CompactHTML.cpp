#include "compact/CompactHTML.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "compact/SafeCompact.h"
#include "compact/ScanPath.h"
#include "compact/TextBuffer.h"
#include "compact/WideScan.h"
#include "streams/MemStream.h"
#include "streams/TextStrm.h"
#include "streams/Utils.h"

// How the filter works on one buffer
//
// The filter deletes characters while it scans, and after a deletion it
// examines the character that moves into the freed position. Instead of
// shifting the text at every deletion, a scan keeps a read cursor R and a
// write cursor W over the same bytes (W <= R): a byte that stays is copied
// from R to W, a deleted byte is skipped. The text as the rules see it at
// any moment is Text[Begin, W) followed by Text[R, End): the character
// "before" the examined one is Text[W - 1] (or the scan's fallback when
// nothing was kept yet), and the look-ahead after a "<" reads the unscanned
// bytes from R on. Every byte is visited a bounded number of times, so a
// scan is linear whatever the input.
//
// Pass 1 appends each line straight behind the result built so far and
// compacts it there in place. Pass 2 follows pass 1 line by line over the
// same buffer, a few lines behind so that its look-ahead sees the text
// that follows. Where pass 2 would only repeat what pass 1 did to a line,
// it takes the line over unchanged (see TPassTwo). The result is the only
// copy of the document that is held.

namespace {

#if defined(__SSE2__)
constexpr bool kWideCompiled = true;
#else
constexpr bool kWideCompiled = false;
#endif

// Process state on purpose: which of two equivalent instruction paths the
// scanners take is a property of the machine, chosen once (tests and the
// benchmark switch it to compare the two), not of a page or a caller.
std::atomic<TScanPath> ScanPathInUse{kWideCompiled ? TScanPath::spWide : TScanPath::spPortable};

}  // namespace

bool UseWideScan() { return ScanPathInUse.load(std::memory_order_relaxed) == TScanPath::spWide; }

namespace {

constexpr unsigned char kNoChar = 255;  // "no character yet"
constexpr std::string_view kMetaTag =
    "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage Express 2.0\">";
constexpr std::string_view kEmptyComment = "!---->";  // after the "<"

struct TScanFlags {
  bool InTag = false;
  bool InQuote = false;
  bool InPre = false;
  bool InScript = false;
  bool InAsp = false;

  bool InRegion() const { return InPre || InScript || InAsp; }
  bool operator==(const TScanFlags&) const = default;
};

// Bytes that earn a joining blank when a line ends on them.
constexpr bool InJoiningSet(unsigned char C) { return C >= 33 && C <= 254 && C != '<' && C != '>'; }

constexpr unsigned char Upper(unsigned char C) {
  return C >= 'a' && C <= 'z' ? static_cast<unsigned char>(C - 'a' + 'A') : C;
}

// The words the look-ahead after a "<" is compared with.
constexpr std::string_view kTagWords[] = {"PRE>", "/PRE>", "SCRIPT", "/SCRIPT>", "!---->"};

// Whether the first byte after a "<" can start one of the words above.
constexpr bool MayStartTagWord(unsigned char C) {
  const unsigned char U = Upper(C);
  return U == 'P' || U == '/' || U == 'S' || U == '!';
}

// True when the up to Count bytes at Name, upper-cased, begin with Word.
bool NameBeginsWith(const unsigned char* Name, std::size_t Count, std::string_view Word) {
  if (Count < Word.size()) return false;
  for (std::size_t i = 0; i < Word.size(); ++i)
    if (Upper(Name[i]) != static_cast<unsigned char>(Word[i])) return false;
  return true;
}

// The region rules for a "<" that opens a tag; Name holds the Count (at
// most 8) bytes that follow it. The first rule that matches applies.
void OpenTag(const unsigned char* Name, std::size_t Count, TScanFlags& F) {
  F.InTag = true;
  if (Count == 0) return;
  if (!MayStartTagWord(Name[0])) {
    // None of the four region words can match: only the ASP rule is left.
    if (Name[0] == '%' && !F.InScript && !F.InPre) F.InAsp = true;
    return;
  }
  if (NameBeginsWith(Name, Count, "PRE>")) {
    F.InPre = true;
  } else if (F.InPre && NameBeginsWith(Name, Count, "/PRE>")) {
    F.InPre = false;
  } else if (!F.InPre && NameBeginsWith(Name, Count, "SCRIPT")) {
    F.InScript = true;
  } else if (F.InScript && NameBeginsWith(Name, Count, "/SCRIPT>")) {
    F.InScript = false;
  }
}

// Whether the region rules and the empty-comment test, given the Count
// (at most 8) bytes at Name that follow a "<", come out the same for every
// longer or compacted text that keeps the bytes they were decided by: each
// test is decided by the bytes up to its first mismatch (or its whole
// word), and those must all lie within Count and not be blanks, which a
// later deletion could take away.
bool LookAheadSettled(const unsigned char* Name, std::size_t Count) {
  if (Count == 0 || Name[0] == ' ') return false;
  if (!MayStartTagWord(Name[0])) return true;
  // No word is longer than 8 bytes: 8 bytes without a blank decide them all.
  if (Count == 8 && std::memchr(Name, ' ', 8) == nullptr) return true;
  for (std::string_view Word : kTagWords) {
    for (std::size_t I = 0; I < Word.size(); ++I) {
      if (I >= Count || Name[I] == ' ') return false;
      if (Upper(Name[I]) != static_cast<unsigned char>(Word[I])) break;
    }
  }
  return true;
}

// Block loads and stores may reach this many bytes past the end of a
// scanned text (stores put back what they found there).
constexpr std::size_t kScanPadding = 128;

// The character scan, in place over one buffer, resumable. Begin is
// where the scanned text starts; Fallback is the character before it as
// the rules see it: what the previous character is while nothing has been
// kept yet, and after a deletion at Begin. Text[End, End + kScanPadding)
// must be readable; those bytes are never used.
//
// Most bytes cannot change anything: which ones can depends only on the
// flags, and between two such bytes the flags stay as they are. So the
// scan applies the rules to one byte, and after a byte it kept, moves over
// the run of bytes up to the next one that matters (copying them when
// bytes were deleted before), sixteen bytes at a time.
class TScan {
public:
  TScan(TScanFlags& F, std::size_t Begin, unsigned char Fallback)
      : FBegin(Begin), FR(Begin), FW(Begin), F(F), FFallback(Fallback), FWide(UseWideScan()) {}

  // Scans from the read cursor while it is before Stop. Look-aheads and
  // runs of blanks reach up to End (Stop <= End), where the text ends as
  // far as this scan knows.
  void Run(unsigned char* Text, std::size_t Stop, std::size_t End) {
    FText = Text;
    FStop = Stop;
    FEnd = End;
    while (FR < FStop) {
#if defined(__SSE2__)
      // Lines of a few bytes are quicker byte by byte.
      if (FWide && FStop - FR >= 16) {
        Blocks();
        continue;
      }
#endif
      if (Step()) Skip();
    }
  }

  std::size_t ReadPos() const { return FR; }
  std::size_t WritePos() const { return FW; }
  // Takes Count bytes at the read cursor over as they are.
  void Keep(unsigned char* Text, std::size_t Count) {
    if (FW != FR) std::memmove(Text + FW, Text + FR, Count);
    FR += Count;
    FW += Count;
  }
  // Set when some "<" opened a tag whose look-ahead was not settled
  // within the scanned text (see LookAheadSettled).
  bool Unsettled() const { return FUnsettled; }

private:
  unsigned char Prev() const { return FW > FBegin ? FText[FW - 1] : FFallback; }

  // Applies the rules to the byte at the read cursor; true when it stays.
  bool Step() {
    const unsigned char C = FText[FR];
    switch (C) {
      case ' ':
        if (!F.InQuote && !F.InRegion()) {
          const unsigned char P = Prev();
          const bool Deleted = P == ' ' || P == '<' || (F.InTag && (P == '"' || P == '-'));
          // Deleting a blank changes neither the flags nor the previous
          // character, and keeping one makes a blank the previous
          // character: either way the blanks that follow all go.
          FR = SkipBlanks(FR + 1);
          if (Deleted) return false;
          FText[FW++] = ' ';
          return true;
        }
        break;
      case '"':
        if (F.InTag) F.InQuote = !F.InQuote;
        break;
      case '<':
        if (!F.InQuote && !F.InTag) {
          const std::size_t Ahead = FEnd - FR - 1;
          const std::size_t Count = Ahead < 8 ? Ahead : 8;
          // The empty comment outside regions, at once: a name that starts
          // with "!" changes no region, and the whole word decides it.
          if (!F.InRegion() && Ahead >= kEmptyComment.size() &&
              std::memcmp(FText + FR + 1, kEmptyComment.data(), kEmptyComment.size()) == 0) {
            FR += 1 + kEmptyComment.size();
            return false;
          }
          if (!FUnsettled && !LookAheadSettled(FText + FR + 1, Count)) FUnsettled = true;
          OpenTag(FText + FR + 1, Count, F);
        }
        break;
      case '>':
        if (!F.InQuote) {
          F.InTag = false;
          F.InAsp = false;
        }
        break;
      default:
        break;
    }
    FText[FW++] = C;
    ++FR;
    return true;
  }

  // Lets a following blank be deleted (outside quotes and regions).
  static bool LetsBlankGo(unsigned char P, bool InTag) {
    return P == ' ' || P == '<' || (InTag && (P == '"' || P == '-'));
  }

  // Whether byte C, following the kept byte P, needs Step under the
  // present flags. A blank matters only after one of the bytes that let it
  // be deleted; "<" only where it opens a tag; ">" and the double quote
  // only inside a tag.
  bool Matters(unsigned char C, unsigned char P) const {
    if (F.InQuote) return C == '"';
    if (F.InRegion()) return F.InTag ? (C == '"' || C == '>') : C == '<';
    if (F.InTag) return C == '"' || C == '>' || (C == ' ' && LetsBlankGo(P, true));
    return C == '<' || (C == ' ' && LetsBlankGo(P, false));
  }

  // Moves over the bytes from the read cursor on that need no Step. The
  // byte before the read cursor has just been kept, so the byte before
  // each byte of the run is the previous character the rules would see.
  void Skip() {
    if (FR >= FStop) return;
#if defined(__SSE2__)
    if (FWide) {
      if (F.InQuote)
        SkipBlocks<kInQuote>();
      else if (F.InRegion())
        F.InTag ? SkipBlocks<kRegionTag>() : SkipBlocks<kRegionText>();
      else
        F.InTag ? SkipBlocks<kTag>() : SkipBlocks<kText>();
      return;
    }
#endif
    std::size_t R = FR;
    std::size_t W = FW;
    while (R < FStop && !Matters(FText[R], FText[R - 1])) FText[W++] = FText[R++];
    FR = R;
    FW = W;
  }

  // The end of the run of blanks from R on (up to End).
  std::size_t SkipBlanks(std::size_t R) const {
#if defined(__SSE2__)
    if (FWide) {
      const __m128i Blank = _mm_set1_epi8(' ');
      while (FEnd - R >= 16) {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(FText + R));
        const unsigned Other =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, Blank))) ^ 0xFFFFu;
        if (Other != 0) return R + static_cast<std::size_t>(__builtin_ctz(Other));
        R += 16;
      }
    }
#endif
    while (R < FEnd && FText[R] == ' ') ++R;
    return R;
  }

#if defined(__SSE2__)
  enum TMode { kInQuote, kRegionTag, kRegionText, kTag, kText };

  static unsigned Mask(__m128i V, char C) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, _mm_set1_epi8(C))));
  }

  // The bytes of V that matter in Mode, as bits. Carry (bit 0) tells
  // whether the byte before V lets a blank go; it is updated for the
  // next block.
  template <TMode Mode>
  static unsigned Hits(__m128i V, unsigned& Carry) {
    switch (Mode) {
      case kInQuote:
        return Mask(V, '"');
      case kRegionTag:
        return Mask(V, '"') | Mask(V, '>');
      case kRegionText:
        return Mask(V, '<');
      case kTag: {
        const unsigned Blanks = Mask(V, ' ');
        const unsigned Quotes = Mask(V, '"');
        const unsigned Lets = Blanks | Mask(V, '<') | Quotes | Mask(V, '-');
        const unsigned H = Quotes | Mask(V, '>') | (Blanks & ((Lets << 1) | Carry));
        Carry = (Lets >> 15) & 1;
        return H;
      }
      case kText: {
        const unsigned Blanks = Mask(V, ' ');
        const unsigned Lts = Mask(V, '<');
        const unsigned Lets = Blanks | Lts;
        const unsigned H = Lts | (Blanks & ((Lets << 1) | Carry));
        Carry = (Lets >> 15) & 1;
        return H;
      }
    }
    return 0;
  }

  template <TMode Mode>
  void SkipBlocks() {
    std::size_t R = FR;
    std::size_t W = FW;
    unsigned Carry = LetsBlankGo(FText[R - 1], Mode == kTag);
    for (;;) {
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(FText + R));
      unsigned H = Hits<Mode>(V, Carry);
      const std::size_t Left = FStop - R;
      if (Left < 16) H |= 1u << Left;  // the stop ends the run too
      if (H != 0) {
        const std::size_t N = static_cast<std::size_t>(__builtin_ctz(H));
        if (W != R) {
          // The block goes to W whole, and the 16 bytes from W + N on,
          // taken before, go back over what it wrote beyond its first N
          // bytes: unscanned bytes stay as they were. All of it lies
          // within End + kScanPadding.
          const __m128i Rest = _mm_loadu_si128(reinterpret_cast<const __m128i*>(FText + W + N));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(FText + W), V);
          _mm_storeu_si128(reinterpret_cast<__m128i*>(FText + W + N), Rest);
        }
        FR = R + N;
        FW = W + N;
        return;
      }
      // The whole block is consumed, so storing it over bytes that it
      // came from is safe.
      if (W != R) _mm_storeu_si128(reinterpret_cast<__m128i*>(FText + W), V);
      R += 16;
      W += 16;
    }
  }
#endif

#if defined(__SSE2__)
  // 64 bytes at a time.
  //
  // Outside regions only blanks are deleted singly, and whether a blank
  // goes depends on the flags InTag and InQuote and on the byte before it.
  // The byte before it in the text as it stands is the byte before it in
  // the block, even where that one was deleted: a blank that follows a
  // deleted blank meets the flags and the previous character that let the
  // first one go. So for a block the scan follows the two flags over its
  // "<", ">" and double quotes, works out every deletion from bit masks,
  // and moves the kept bytes down at once. A "<" whose look-ahead could
  // open a region, an ASP block or an empty comment, or is not settled
  // within the scanned text, goes to Step; the block ends before it.
  // Inside a region nothing is deleted and the kept bytes move down as
  // they are; a block ends after the ">" that ends an ASP block.
  static std::uint64_t Bits(const __m128i (&V)[4], char C) {
    const __m128i X = _mm_set1_epi8(C);
    const auto M = [&](int I) {
      return static_cast<std::uint64_t>(
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V[I], X))));
    };
    return M(0) | M(1) << 16 | M(2) << 32 | M(3) << 48;
  }

  static std::uint64_t PrefixXor(std::uint64_t X) {
    X ^= X << 1;
    X ^= X << 2;
    X ^= X << 4;
    X ^= X << 8;
    X ^= X << 16;
    X ^= X << 32;
    return X;
  }

  // Whether the "<" at Lt opens a tag and nothing else. Outside regions
  // only a name beginning with "P", "S", "%" or "!" can do more; inside
  // them only one beginning with "P", "S" or "/" followed by "P" or "S".
  // Only a name beginning with a blank, with "/" followed by a blank, or
  // shorter than 2 bytes, leaves the look-ahead unsettled beyond those.
  bool PlainOpening(std::size_t Lt) const {
    if (FEnd - Lt < 3) return false;
    const unsigned char N1 = FText[Lt + 1];
    const unsigned char L1 = N1 | 0x20;
    if (L1 == 'p' || L1 == 's' || N1 == '%' || N1 == '!' || N1 == ' ') return false;
    if (N1 != '/') return true;
    const unsigned char N2 = FText[Lt + 2];
    const unsigned char L2 = N2 | 0x20;
    return L2 != 'p' && L2 != 's' && N2 != ' ';
  }

  // Stores the 64 bytes of V (of which the first Count matter) at Dst and
  // leaves the 64 bytes from Dst + Count on as they were.
  static void StoreDown(unsigned char* Dst, const __m128i (&V)[4], std::size_t Count) {
    __m128i Rest[4];
    for (int I = 0; I < 4; ++I)
      Rest[I] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + Count + 16 * I));
    for (int I = 0; I < 4; ++I) _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + 16 * I), V[I]);
    for (int I = 0; I < 4; ++I)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + Count + 16 * I), Rest[I]);
  }

  void Blocks() {
    while (FR < FStop) {
      const std::size_t Left = FStop - FR;
      const std::size_t N = Left < 64 ? Left : 64;
      const std::uint64_t Valid = N == 64 ? ~0ull : (1ull << N) - 1;
      const unsigned char* Src = FText + FR;
      __m128i V[4];
      for (int I = 0; I < 4; ++I)
        V[I] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + 16 * I));
      const std::uint64_t Lt = Bits(V, '<');
      const std::uint64_t Gt = Bits(V, '>');
      const std::uint64_t Qt = Bits(V, '"');
      // In a region nothing is deleted, and only the region words and the
      // ">" that ends an ASP block change it.
      const bool Region = F.InRegion();

      // The flags over the block; a flip at bit I + 1 changes the flag
      // from byte I + 1 on.
      bool InTag = F.InTag;
      bool InQuote = F.InQuote;
      const bool TagAtStart = InTag;
      const bool QuoteAtStart = InQuote;
      std::uint64_t TagFlips = 0;
      std::uint64_t QuoteFlips = 0;
      std::size_t M = N;  // bytes the block takes
      // Only the bytes that can change the flags in the present state are
      // visited: "<" in text, ">" and the double quote in a tag, the double
      // quote in a quoted value.
      for (std::uint64_t Rest = Valid;;) {
        const std::uint64_t E = Rest & (InQuote ? Qt : InTag ? (Qt | Gt) : Lt);
        if (E == 0) break;
        const unsigned I = static_cast<unsigned>(__builtin_ctzll(E));
        Rest &= ~((2ull << I) - 1);
        if (InQuote) {
          InQuote = false;
          QuoteFlips ^= 2ull << I;
        } else if (InTag) {
          if (Src[I] == '"') {
            InQuote = true;
            QuoteFlips ^= 2ull << I;
          } else {
            InTag = false;
            TagFlips ^= 2ull << I;
            if (F.InAsp) {
              // The ASP block ends here; the block ends with it.
              F.InAsp = false;
              M = I + 1;
              break;
            }
          }
        } else {
          if (!PlainOpening(FR + I)) {
            M = I;
            break;
          }
          InTag = true;
          TagFlips ^= 2ull << I;
        }
      }

      const std::uint64_t Taken = M == 64 ? ~0ull : (1ull << M) - 1;
      const std::uint64_t Blanks = Bits(V, ' ') & Taken;
      std::uint64_t Del = 0;
      if (Blanks != 0 && !Region) {
        const std::uint64_t TagBefore = PrefixXor(TagFlips) ^ (TagAtStart ? ~0ull : 0);
        const std::uint64_t QuoteBefore = PrefixXor(QuoteFlips) ^ (QuoteAtStart ? ~0ull : 0);
        const unsigned char P = Prev();
        const std::uint64_t AfterAny = ((Blanks | Lt) << 1) | (P == ' ' || P == '<');
        const std::uint64_t AfterInTag =
            ((Qt | Bits(V, '-')) << 1) | (P == '"' || P == '-');
        Del = Blanks & ~QuoteBefore & (AfterAny | (TagBefore & AfterInTag));
      }

      if (Del == 0) {
        if (FW != FR) StoreDown(FText + FW, V, M);
        FW += M;
      } else {
        // The kept runs, gathered in order, then stored down.
        alignas(16) unsigned char Out[64 + 16];
        std::size_t O = 0;
        std::size_t From = 0;
        auto Gather = [&](std::size_t Upto) {
          for (std::size_t K = From; K < Upto; K += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(Out + O + (K - From)),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + K)));
          O += Upto - From;
        };
        for (std::uint64_t D = Del; D != 0;) {
          const unsigned At = static_cast<unsigned>(__builtin_ctzll(D));
          Gather(At);
          const std::uint64_t After = ~(D >> At);
          const unsigned Run = After == 0 ? 64 - At : static_cast<unsigned>(__builtin_ctzll(After));
          From = At + Run;
          D = From >= 64 ? 0 : D & (~0ull << From);
        }
        Gather(M);
        __m128i Packed[4];
        for (int I = 0; I < 4; ++I)
          Packed[I] = _mm_load_si128(reinterpret_cast<const __m128i*>(Out + 16 * I));
        StoreDown(FText + FW, Packed, O);
        FW += O;
      }
      FR += M;
      F.InTag = InTag;
      F.InQuote = InQuote;
      // The "<" the block stopped at, and any like it right behind it (a
      // run of empty comments, say).
      while (M < N && FR < FStop && FText[FR] == '<' && !F.InTag && !F.InQuote &&
             !PlainOpening(FR)) {
        Step();
        if (F.InRegion() != Region) break;
      }
    }
  }
#endif

  unsigned char* FText = nullptr;
  const std::size_t FBegin;
  std::size_t FStop = 0;
  std::size_t FEnd = 0;
  std::size_t FR;  // read cursor: the next byte to examine
  std::size_t FW;  // write cursor: where the next kept byte goes
  TScanFlags& F;
  const unsigned char FFallback;
  const bool FWide;
  bool FUnsettled = false;
};

// What pass 1 made of one line, for pass 2.
struct TLineResult {
  std::size_t Begin;          // the line's bytes in the text: [Begin, End),
  std::size_t End;            // its region line break included
  TScanFlags Before;          // the flags at the line's start
  TScanFlags After;           // and at its end
  unsigned char PrevBefore;   // the previous character at the line's start
  bool Unsettled;             // a look-ahead of the line was not settled
};

// Pass 2, run a few lines behind pass 1 over the same buffer.
//
// Scanning a line's result once more changes nothing when the second scan
// starts the line where pass 1 started it: same flags, same previous
// character (it only matters outside quotes and regions), and every
// look-ahead settled within the line. Then every byte meets the same
// flags and the same previous character as in pass 1 and is kept, and the
// flags end as pass 1 left them. Such a line is taken over as it is; every
// other line is scanned, with its look-ahead running on into the lines
// that follow it.
class TPassTwo {
public:
  TPassTwo() : FScan(FFlags, 0, kNoChar) {}

  // Takes the result of the next line and handles what the text allows.
  void Add(TTextBuffer& Text, const TLineResult& Line) {
    if (FLines.empty() && TakeOver(Text.Data(), Line)) return;
    FLines.push_back(Line);
    Pump(Text, false);
  }

  // Handles the lines added so far, as far as the text allows. Final: the
  // text is complete.
  void Pump(TTextBuffer& Text, bool Final) {
    while (!FLines.empty()) {
      const TLineResult& L = FLines.front();
      if (!TakeOver(Text.Data(), L)) {
        // Look-ahead reaches at most 8 bytes past the line.
        if (!Final && Text.Size() < L.End + 8) return;
        Text.Reserve(Text.Size() + kScanPadding);
        if (FScan.ReadPos() < L.End) FScan.Run(Text.Data(), L.End, Text.Size());
      }
      FLines.pop_front();
    }
  }

  // Where the text ends once every line has been handled.
  std::size_t End() const { return FScan.WritePos(); }

private:
  // Takes line L over unchanged when scanning it would change nothing.
  bool TakeOver(unsigned char* Text, const TLineResult& L) {
    if (L.Unsettled || FScan.ReadPos() != L.Begin || !(FFlags == L.Before)) return false;
    const std::size_t W = FScan.WritePos();
    const unsigned char Prev = W > 0 ? Text[W - 1] : kNoChar;
    if (Prev != L.PrevBefore && !L.Before.InQuote && !L.Before.InRegion()) return false;
    FScan.Keep(Text, L.End - L.Begin);
    FFlags = L.After;
    return true;
  }

  TScanFlags FFlags;
  TScan FScan;
  std::deque<TLineResult> FLines;
};

// The smallest index I with Start <= I < End and Buffer[I] equal to A or
// B, or -1 when there is none. Reads no byte outside [Start, End).
std::int32_t FindEither(const unsigned char* Buffer, std::int32_t Start, std::int32_t End,
                        unsigned char A, unsigned char B) {
  const unsigned char* Hit = FindEitherByte(Buffer + Start, Buffer + End, A, B, UseWideScan());
  return Hit == Buffer + End ? -1 : static_cast<std::int32_t>(Hit - Buffer);
}

// Finds the meta tag in [First, Last); returns Last when it is not there.
// Its rare "G" is looked for first (memchr, which every C library makes
// fast), and each one found is checked for the whole tag around it: every
// byte is looked at a bounded number of times.
const unsigned char* FindMetaTag(const unsigned char* First, const unsigned char* Last) {
  constexpr std::size_t kAnchor = 12;  // where "GENERATOR" starts in the tag
  static_assert(kMetaTag[kAnchor] == 'G');
  if (static_cast<std::size_t>(Last - First) < kMetaTag.size()) return Last;
  const unsigned char* From = First + kAnchor;
  const unsigned char* const Until = Last - (kMetaTag.size() - kAnchor - 1);
  while (From < Until) {
    const auto* G = static_cast<const unsigned char*>(
        std::memchr(From, 'G', static_cast<std::size_t>(Until - From)));
    if (G == nullptr) break;
    if (std::memcmp(G - kAnchor, kMetaTag.data(), kMetaTag.size()) == 0) return G - kAnchor;
    From = G + 1;
  }
  return Last;
}

// The input side: a TTextStream that appends each line to a buffer
// instead of replacing a string's contents, so that a line lands directly
// behind the result built so far. Line ends are recognised by exactly the
// rules of TTextStream::ReadLine.
class TLineAppender : public TTextStream {
public:
  explicit TLineAppender(TBaseStream& Input) : TTextStream(-1, 0, Input) {}

  // False once EndOfStream is: at the real end of the input, where a read
  // delivers nothing, whatever size the input reports.
  bool MoreLines() { return !EndOfStream(); }

  // Appends the next line, without its line-end bytes, to S. Returns the
  // position in S of the line's first meta tag, or npos when it has none.
  std::size_t AppendLine(TTextBuffer& S);

  // Takes the empty lines that come next in the read buffer (each a
  // line-end byte, perhaps after pair bytes, which are dropped), as many as
  // the buffer holds whole, and returns how many there were.
  std::int32_t TakeEmptyLines();

private:
  // Where the meta tag next occurs in the read buffer: at FMetaPos, or
  // nowhere in [FMetaFrom, ReadFill) when FMetaPos is -1. Valid while
  // FMetaRefill is the buffer's refill count. Searching onwards from the
  // last hit keeps the search linear over the whole input.
  std::int32_t FMetaPos = -1;
  std::int32_t FMetaFrom = 0;
  std::uint32_t FMetaRefill = 0;
  bool FMetaValid = false;
};

std::size_t TLineAppender::AppendLine(TTextBuffer& S) {
  if (!FCanRead) throw EInOutError(SCannotReadFromStream);
  const unsigned char* Buf = FReadBuffer.get();
  const std::size_t Begin = S.Size();
  int Pieces = 0;  // appends of one or more bytes
  std::int32_t PieceStart = 0;
  std::uint32_t PieceRefill = 0;
  for (;;) {
    if (FReadPos >= FReadFill && RefillReadBuffer() == 0) break;
    // The first CR or LF decides the line-end convention; after that the
    // line-end byte ends the line and the pair byte is dropped wherever it
    // stands. Either way the first of the two bytes is what counts.
    const bool Detecting = FLineEndChar == -1;
    const unsigned char EndChar = Detecting ? 13 : static_cast<unsigned char>(FLineEndChar);
    const unsigned char PairChar = Detecting ? 10 : static_cast<unsigned char>(FLineEndPairChar);
    const std::int32_t Stop = FindEither(Buf, FReadPos, FReadFill, EndChar, PairChar);
    bool LineEnds = false;
    if (Stop >= 0) {
      if (Detecting) {
        FLineEndChar = Buf[Stop];
        if (FLineEndPairChar == -1) FLineEndPairChar = Buf[Stop] == 10 ? 13 : 10;
      }
      LineEnds = Buf[Stop] == FLineEndChar;
    }
    const std::int32_t Upto = Stop < 0 ? FReadFill : Stop;
    if (Upto > FReadPos) {
      if (Pieces++ == 0) {
        PieceStart = FReadPos;
        PieceRefill = FRefills;
      }
      S.Append(Buf + FReadPos, static_cast<std::size_t>(Upto - FReadPos));
    }
    FReadPos = Stop < 0 ? FReadFill : Stop + 1;
    if (LineEnds) break;
  }
  ++FLineCount;

  const std::size_t Length = S.Size() - Begin;
  if (Length < kMetaTag.size()) return std::string_view::npos;
  if (Pieces == 1 && PieceRefill == FRefills) {
    // The line is one piece of the read buffer: use the buffer's search.
    const std::int32_t PieceEnd = PieceStart + static_cast<std::int32_t>(Length);
    if (!FMetaValid || FMetaRefill != FRefills || FMetaFrom > PieceStart ||
        (FMetaPos >= 0 && FMetaPos < PieceStart)) {
      const unsigned char* Hit = FindMetaTag(Buf + PieceStart, Buf + FReadFill);
      FMetaPos = Hit == Buf + FReadFill ? -1 : static_cast<std::int32_t>(Hit - Buf);
      FMetaFrom = PieceStart;
      FMetaRefill = FRefills;
      FMetaValid = true;
    }
    if (FMetaPos >= 0 && FMetaPos + static_cast<std::int32_t>(kMetaTag.size()) <= PieceEnd)
      return Begin + static_cast<std::size_t>(FMetaPos - PieceStart);
    return std::string_view::npos;
  }
  // Pieced together (across refills, or around a dropped pair byte).
  const unsigned char* First = S.Data() + Begin;
  const unsigned char* Hit = FindMetaTag(First, First + Length);
  return Hit == First + Length ? std::string_view::npos : Begin + static_cast<std::size_t>(Hit - First);
}

std::int32_t TLineAppender::TakeEmptyLines() {
  if (!FCanRead || FLineEndChar == -1) return 0;
  const unsigned char* Buf = FReadBuffer.get();
  const auto EndChar = static_cast<unsigned char>(FLineEndChar);
  const auto PairChar = static_cast<unsigned char>(FLineEndPairChar);
  std::int32_t I = FReadPos;
  std::int32_t Lines = 0;
  std::int32_t Taken = FReadPos;  // one past the last line end
#if defined(__SSE2__)
  if (UseWideScan()) {
    const __m128i VE = _mm_set1_epi8(static_cast<char>(EndChar));
    const __m128i VP = _mm_set1_epi8(static_cast<char>(PairChar));
    for (; FReadFill - I >= 16; I += 16) {
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Buf + I));
      const unsigned Ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, VE)));
      const unsigned Pairs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, VP)));
      const unsigned Other = ~(Ends | Pairs) & 0xFFFFu;
      // The line-end bytes before the first byte of another kind.
      const unsigned Run = Other == 0 ? Ends : Ends & ((1u << __builtin_ctz(Other)) - 1);
      if (Run != 0) {
        Lines += __builtin_popcount(Run);
        Taken = I + 32 - __builtin_clz(Run);
      }
      if (Other != 0) {
        I = FReadFill;  // done
        break;
      }
    }
  }
#endif
  for (; I < FReadFill; ++I) {
    if (Buf[I] == EndChar) {
      ++Lines;
      Taken = I + 1;
    } else if (Buf[I] != PairChar) {
      break;
    }
  }
  FReadPos = Taken;
  FLineCount += Lines;
  return Lines;
}

// Both passes: reads every line of Input, compacts it behind the text
// built so far, and hands the result to pass 2. Returns the text's end.
std::size_t CompactLines(TLineAppender& Lines, TTextBuffer& Text) {
  TScanFlags F;
  TPassTwo PassTwo;
  unsigned char PrevChar = kNoChar;
  unsigned char LastLineChar = kNoChar;
  while (Lines.MoreLines()) {
    const std::size_t LineBegin = Text.Size();
    if (F.InRegion()) {
      // Empty lines change nothing but add a region line break each.
      if (const std::int32_t Empty = Lines.TakeEmptyLines(); Empty > 0) {
        const std::size_t Count = 2 * static_cast<std::size_t>(Empty);
        Text.Reserve(LineBegin + Count);
        unsigned char* Out = Text.Data() + LineBegin;
        for (std::size_t I = 0; I < Count; I += 2) {
          Out[I] = static_cast<unsigned char>(DefaultLineBreak[0]);
          Out[I + 1] = static_cast<unsigned char>(DefaultLineBreak[1]);
        }
        Text.Extend(Count);
        PassTwo.Add(Text, {LineBegin, Text.Size(), F, F, LastLineChar, false});
        continue;
      }
    }
    // The joining blank goes in front of the line; whether it is wanted
    // depends on the line being empty, which is known only after reading,
    // so it is put in first and taken back for an empty line.
    const bool MayJoin = !F.InRegion() && InJoiningSet(PrevChar);
    if (MayJoin) Text.PushBack(' ');
    const std::size_t Body = Text.Size();
    const std::size_t Meta = Lines.AppendLine(Text);
    if (Meta != std::string_view::npos && !F.InPre && !F.InTag) Text.Erase(Meta, kMetaTag.size());
    if (MayJoin && Text.Size() == Body) Text.PopBack();

    const TScanFlags Before = F;
    const std::size_t End = Text.Size();
    Text.Reserve(End + kScanPadding);
    TScan Scan(F, LineBegin, LastLineChar);
    Scan.Run(Text.Data(), End, End);
    const std::size_t Kept = Scan.WritePos();
    PrevChar = Kept > LineBegin ? Text.Data()[Kept - 1] : LastLineChar;
    Text.Shrink(Kept);
    if (F.InRegion()) Text.Append(DefaultLineBreak.data(), DefaultLineBreak.size());
    if (Text.Size() > LineBegin)
      PassTwo.Add(Text, {LineBegin, Text.Size(), Before, F, LastLineChar, Scan.Unsettled()});
    LastLineChar = PrevChar;
  }
  PassTwo.Pump(Text, true);
  return PassTwo.End();
}

}  // namespace

void WriteCompactedText(TBaseStream& Input, TBaseStream& Output, std::string_view Text) {
  if (Text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw EInOutError(Format(SResultTooLarge, {std::to_string(Text.size())}));
  TSeekableStream* Rewrite = nullptr;
  if (&Input == &Output) {
    if (auto* Mem = dynamic_cast<TMemStream*>(&Output)) {
      Mem->Clear();
    } else if (auto* Seekable = dynamic_cast<TSeekableStream*>(&Output)) {
      Seekable->Seek(0);
      Rewrite = Seekable;
    }
  }
  {
    TTextStream Out(0, 0, Output);
    Out.WriteString(Text);
  }
  // Rewritten in place: what is left of the old, longer contents goes.
  if (Rewrite != nullptr) Rewrite->Truncate();
}

const char* WideEncoding(std::string_view Head) {
  auto starts = [&](std::string_view Mark) { return Head.substr(0, Mark.size()) == Mark; };
  using namespace std::string_view_literals;
  if (starts("\xFF\xFE\0\0"sv)) return "UTF-32LE";
  if (starts("\0\0\xFE\xFF"sv)) return "UTF-32BE";
  if (starts("\xFF\xFE"sv)) return "UTF-16LE";
  if (starts("\xFE\xFF"sv)) return "UTF-16BE";
  return nullptr;
}

void RefuseWideText(TSeekableStream& Source, const std::string& Name) {
  char head[4];
  const bool exact = Source.ExactTransfer();
  Source.SetExactTransfer(false);
  std::int32_t got = 0;
  for (std::int32_t n = 1; got < 4 && n > 0; got += n) n = Source.Read(head + got, 4 - got);
  Source.SetExactTransfer(exact);
  if (const char* encoding = WideEncoding(std::string_view(head, static_cast<std::size_t>(got))))
    throw Exception(Format(SWideText, {'"' + Name + '"', encoding}));
  Source.Seek(0);
}

void CompactHTML(TBaseStream& Input, TBaseStream& Output, const TCompactOptions& Options) {
  if (Options.Safe()) {
    SafeCompactHTML(Input, Output, Options);
    return;
  }
  TTextBuffer Text;
  {
    TLineAppender Lines(Input);
    // Reserve once for the whole result; untouched reserve costs no memory.
    // A document grows only by region line breaks of LF- or CR-ended lines.
    const std::int32_t Avail = Lines.Available();
    if (Avail > 0) {
      const std::size_t Size = static_cast<std::size_t>(Avail);
      Text.Reserve(Size + Size / 4 + 64);
    }
    Text.Shrink(CompactLines(Lines, Text));
  }
  WriteCompactedText(Input, Output, Text.View());
}

bool WideScanAvailable() { return kWideCompiled; }

void SetScanPath(TScanPath Path) {
  ScanPathInUse.store(kWideCompiled ? Path : TScanPath::spPortable, std::memory_order_relaxed);
}

TScanPath CurrentScanPath() { return ScanPathInUse.load(std::memory_order_relaxed); }
