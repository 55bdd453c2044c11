#include "compact/CompactHTML.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "streams/MemStream.h"
#include "streams/TextStrm.h"
#include "streams/Utils.h"

// How the filter works on one buffer
//
// The filter deletes characters while it scans, and after a deletion it
// examines the character that moves into the freed position. Instead of
// shifting the text at every deletion, each scan keeps a read cursor R and
// a write cursor W over the same bytes (W <= R): a byte that stays is copied
// from R to W, a deleted byte is skipped. The text as the rules see it at
// any moment is Text[Begin, W) followed by Text[R, End): the character
// "before" the examined one is Text[W - 1] (or the scan's fallback when
// nothing was kept yet), and the look-ahead after a "<" reads the unscanned
// bytes from R on. Every byte is visited a bounded number of times, so a
// scan is linear whatever the input.
//
// Pass 1 appends each line straight behind the result built so far and
// compacts it there in place; pass 2 compacts the whole result in place.
// The result is the only copy of the document that is held.

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
};

// Bytes that earn a joining blank when a line ends on them.
constexpr bool InJoiningSet(unsigned char C) { return C >= 33 && C <= 254 && C != '<' && C != '>'; }

constexpr unsigned char Upper(unsigned char C) {
  return C >= 'a' && C <= 'z' ? static_cast<unsigned char>(C - 'a' + 'A') : C;
}

// True when the up to Count bytes at Name, upper-cased, begin with Word.
bool NameBeginsWith(const unsigned char* Name, std::size_t Count, std::string_view Word) {
  if (Count < Word.size()) return false;
  for (std::size_t i = 0; i < Word.size(); ++i)
    if (Upper(Name[i]) != static_cast<unsigned char>(Word[i])) return false;
  return true;
}

// The region rules for a "<" that opens a tag; Name holds the Count (at
// most 8) bytes that follow it.
void OpenTag(const unsigned char* Name, std::size_t Count, TScanFlags& F) {
  F.InTag = true;
  if (NameBeginsWith(Name, Count, "PRE>")) {
    F.InPre = true;
  } else if (F.InPre && NameBeginsWith(Name, Count, "/PRE>")) {
    F.InPre = false;
  } else if (!F.InPre && NameBeginsWith(Name, Count, "SCRIPT")) {
    F.InScript = true;
  } else if (F.InScript && NameBeginsWith(Name, Count, "/SCRIPT>")) {
    F.InScript = false;
  } else if (!F.InScript && !F.InPre && Count > 0 && Name[0] == '%') {
    F.InAsp = true;
  }
}

// The character scan over Text[Begin, End), in place. Fallback is the
// character before Begin as the rules see it: what the previous character
// is while nothing has been kept yet, and after a deletion at Begin.
// Returns the new end of the scanned text.
std::size_t Scan(unsigned char* Text, std::size_t Begin, std::size_t End, TScanFlags& F,
                 unsigned char Fallback) {
  std::size_t R = Begin;
  std::size_t W = Begin;
  while (R < End) {
    const unsigned char C = Text[R];
    switch (C) {
      case ' ':
        if (!F.InQuote && !F.InRegion()) {
          const unsigned char Prev = W > Begin ? Text[W - 1] : Fallback;
          if (Prev == ' ' || Prev == '<' || (F.InTag && (Prev == '"' || Prev == '-'))) {
            ++R;  // deleted; the next byte moves in
            continue;
          }
        }
        break;
      case '"':
        if (F.InTag) F.InQuote = !F.InQuote;
        break;
      case '<':
        if (!F.InQuote && !F.InTag) {
          const std::size_t Ahead = End - R - 1;
          OpenTag(Text + R + 1, Ahead < 8 ? Ahead : 8, F);
          if (!F.InRegion() && Ahead >= kEmptyComment.size() &&
              std::memcmp(Text + R + 1, kEmptyComment.data(), kEmptyComment.size()) == 0) {
            F.InTag = false;
            R += 1 + kEmptyComment.size();
            continue;
          }
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
    Text[W++] = C;
    ++R;
  }
  return W;
}

// The input side: a TTextStream that appends each line to a string
// instead of replacing the string's contents, so that a line lands
// directly behind the result built so far. Line ends are recognised by
// exactly the rules of TTextStream::ReadLine.
class TLineAppender : public TTextStream {
public:
  explicit TLineAppender(TBaseStream& Input) : TTextStream(-1, 0, Input) {}

  // False once EndOfStream is. While read-ahead bytes are buffered the
  // answer is known without asking the target.
  bool MoreLines() { return FReadPos < FReadFill || !EndOfStream(); }

  // Appends the next line, without its line-end bytes, to S.
  void AppendLine(std::string& S);

private:
  std::int32_t FPairPos = -1;  // next pair byte in the buffer, -1: none
  std::uint32_t FPairRefill = 0;
  bool FPairValid = false;
};

void TLineAppender::AppendLine(std::string& S) {
  if (!FCanRead) throw EInOutError(SCannotReadFromStream);
  const unsigned char* Buf = FReadBuffer.get();
  for (;;) {
    if (FReadPos >= FReadFill) {
      const std::int32_t N = FTarget.Read(FReadBuffer.get(), FReadBufferSize);
      ++FRefills;
      FReadPos = 0;
      FReadFill = N > 0 ? N : 0;
      if (FReadFill == 0) break;
    }
    std::int32_t Stop = -1;  // the line end or a dropped pair byte
    bool LineEnds = false;
    if (FLineEndChar == -1) {
      const std::int32_t A = FindByte(Buf, FReadPos, FReadFill, 10);
      const std::int32_t E = FindByte(Buf, FReadPos, A >= 0 ? A : FReadFill, 13);
      if (A >= 0 && E < 0) {
        FLineEndChar = 10;
        if (FLineEndPairChar == -1) FLineEndPairChar = 13;
        Stop = A;
        LineEnds = true;
      } else if (E >= 0) {
        FLineEndChar = 13;
        if (FLineEndPairChar == -1) FLineEndPairChar = 10;
        Stop = E;
        LineEnds = true;
      }
    } else {
      // The pair byte's position is remembered across calls: a search that
      // found none need not be repeated for every line of the buffer.
      if (!FPairValid || FPairRefill != FRefills || (FPairPos >= 0 && FPairPos < FReadPos)) {
        FPairPos = FindByte(Buf, FReadPos, FReadFill, static_cast<std::uint8_t>(FLineEndPairChar));
        FPairRefill = FRefills;
        FPairValid = true;
      }
      const std::int32_t A = FPairPos;
      const std::int32_t E =
          FindByte(Buf, FReadPos, A >= 0 ? A : FReadFill, static_cast<std::uint8_t>(FLineEndChar));
      if (A >= 0 && E < 0) {
        Stop = A;
      } else if (E >= 0) {
        Stop = E;
        LineEnds = true;
      }
    }
    const std::int32_t Upto = Stop < 0 ? FReadFill : Stop;
    S.append(reinterpret_cast<const char*>(Buf) + FReadPos, static_cast<std::size_t>(Upto - FReadPos));
    FReadPos = Stop < 0 ? FReadFill : Stop + 1;
    if (LineEnds) break;
  }
  ++FLineCount;
}

// Pass 1: reads every line of Input and appends its compacted form to Text.
void JoinLines(TLineAppender& Lines, std::string& Text) {
  TScanFlags F;
  unsigned char PrevChar = kNoChar;
  unsigned char LastLineChar = kNoChar;
  while (Lines.MoreLines()) {
    const std::size_t LineBegin = Text.size();
    // The joining blank goes in front of the line; whether it is wanted
    // depends on the line being empty, which is known only after reading,
    // so it is put in first and taken back for an empty line.
    const bool MayJoin = !F.InRegion() && InJoiningSet(PrevChar);
    if (MayJoin) Text.push_back(' ');
    const std::size_t Body = Text.size();
    Lines.AppendLine(Text);
    if (!F.InPre && !F.InTag) {
      const std::size_t At = std::string_view(Text).find(kMetaTag, Body);
      if (At != std::string_view::npos) Text.erase(At, kMetaTag.size());
    }
    if (MayJoin && Text.size() == Body) Text.pop_back();

    auto* Bytes = reinterpret_cast<unsigned char*>(Text.data());
    const std::size_t End = Scan(Bytes, LineBegin, Text.size(), F, LastLineChar);
    PrevChar = End > LineBegin ? Bytes[End - 1] : LastLineChar;
    LastLineChar = PrevChar;
    Text.resize(End);
    if (F.InRegion()) Text.append(DefaultLineBreak);
  }
}

}  // namespace

void WriteCompactedText(TBaseStream& Input, TBaseStream& Output, std::string_view Text) {
  if (Text.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw EInOutError(Format(SErrorWriting, {ErrorCodeText(platform::ErrorFileTooLarge())}));
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

void CompactHTML(TBaseStream& Input, TBaseStream& Output) {
  std::string Text;
  {
    TLineAppender Lines(Input);
    // Reserve once for the whole result; untouched reserve costs no memory.
    // A document grows only by region line breaks of LF- or CR-ended lines.
    const std::int32_t Avail = Lines.Available();
    if (Avail > 0) {
      const std::size_t Size = static_cast<std::size_t>(Avail);
      Text.reserve(Size + Size / 4 + 64);
    }
    JoinLines(Lines, Text);
  }
  // Pass 2 catches what pass 1 could not see within one line.
  TScanFlags F;
  auto* Bytes = reinterpret_cast<unsigned char*>(Text.data());
  Text.resize(Scan(Bytes, 0, Text.size(), F, kNoChar));
  WriteCompactedText(Input, Output, Text);
}
