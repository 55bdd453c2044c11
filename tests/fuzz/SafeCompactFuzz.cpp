// Safe mode on any input: what it promises to keep is found unchanged in
// its output, in order, the output is never longer than the input, and the
// wide and the portable scanners agree.
//
// What must be kept is found here by a slow, plain model written apart from
// the scanner: server blocks by a context-free search ("<%" to the next
// "%>", "<%--" to "--%>", with the line end after "-%>"; PHP's "<?" but not
// "<?xml" to the "?>" outside strings, comments and heredocs, with the line
// end after it), and the contents of PRE, LISTING, TEXTAREA, XMP, SCRIPT and STYLE by a
// small tokenizer that knows tags, quoted values, comments and other markup.
// Its script ends at the first "</script" (the scanner, which knows the
// escapes of script data, may keep more, never less).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compact/CompactHTML.h"
#include "compact/SafeCompact.h"
#include "compact/ScanPath.h"
#include "fuzz/FuzzSupport.h"
#include "support/MemText.h"

namespace {

struct TSpan {
  std::size_t Begin;
  std::size_t End;
};

std::string Lower(std::string_view S) {
  std::string L(S);
  for (char& C : L)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return L;
}

bool IsLetter(char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }
bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r'; }

bool IsNameByte(char C) {
  return IsLetter(C) || (C >= '0' && C <= '9') || C == '_' || static_cast<unsigned char>(C) >= 0x80;
}

// Past one line end at P, if there is one.
std::size_t PastLineEnd(std::string_view In, std::size_t P) {
  if (In.compare(P, 2, "\r\n") == 0) return P + 2;
  if (P < In.size() && (In[P] == '\n' || In[P] == '\r')) return P + 1;
  return P;
}

// Where the PHP code that starts at P ("<?") ends, as PHP reads it.
std::size_t PhpCodeEnd(std::string_view In, std::size_t P) {
  std::size_t Q = P + 2;
  while (Q < In.size()) {
    const std::string_view Rest = In.substr(Q);
    if (Rest.substr(0, 2) == "?>") return PastLineEnd(In, Q + 2);
    const char C = In[Q];
    if (C == '\'' || C == '"' || C == '`') {
      std::size_t E = Q + 1;
      while (E < In.size() && In[E] != C) E += In[E] == '\\' ? 2 : 1;
      Q = std::min(E + 1, In.size());
    } else if (Rest.substr(0, 2) == "/*") {
      const std::size_t E = In.find("*/", Q + 2);
      Q = E == std::string_view::npos ? In.size() : E + 2;
    } else if (Rest.substr(0, 2) == "//" || (C == '#' && Rest.substr(0, 2) != "#[")) {
      const std::size_t E = In.find_first_of("\r\n", Q);
      const std::size_t Close = In.find("?>", Q);
      if (Close != std::string_view::npos && (E == std::string_view::npos || Close < E)) return PastLineEnd(In, Close + 2);
      Q = E == std::string_view::npos ? In.size() : E;
    } else if (Rest.substr(0, 3) == "<<<") {
      // A heredoc: <<<NAME, <<<'NAME' or <<<"NAME" and a line end; it ends
      // at a line that holds NAME after blanks, not followed by a name byte.
      std::size_t A = Q + 3;
      while (A < In.size() && (In[A] == ' ' || In[A] == '\t')) ++A;
      const char Quote = A < In.size() && (In[A] == '\'' || In[A] == '"') ? In[A] : 0;
      if (Quote != 0) ++A;
      std::size_t B = A;
      while (B < In.size() && IsNameByte(In[B])) ++B;
      const std::string_view Name = In.substr(A, B - A);
      std::size_t L = B + (Quote != 0 && B < In.size() && In[B] == Quote ? 1 : 0);
      const bool Valid = !Name.empty() && !(Name[0] >= '0' && Name[0] <= '9') &&
                         (Quote == 0 || (B < In.size() && In[B] == Quote)) && L < In.size() &&
                         (In[L] == '\n' || In[L] == '\r');
      if (!Valid) {
        Q += 3;
        continue;
      }
      Q = In.size();
      while (L < In.size()) {
        L = PastLineEnd(In, L);
        std::size_t M = L;
        while (M < In.size() && (In[M] == ' ' || In[M] == '\t')) ++M;
        if (In.substr(M, Name.size()) == Name && (M + Name.size() == In.size() || !IsNameByte(In[M + Name.size()]))) {
          Q = M + Name.size();
          break;
        }
        while (L < In.size() && In[L] != '\n' && In[L] != '\r') ++L;
      }
    } else {
      ++Q;
    }
  }
  return In.size();
}

// Whether server code starts at P.
bool ServerAt(std::string_view In, std::size_t P) {
  if (In.compare(P, 2, "<%") == 0) return true;
  return In.compare(P, 2, "<?") == 0 && Lower(In.substr(P + 2, 3)) != "xml";
}

// Past the server block at P, when there is one there.
std::size_t SkipAsp(std::string_view In, std::size_t P) {
  if (!ServerAt(In, P)) return P;
  if (In[P + 1] == '?') return PhpCodeEnd(In, P);
  if (In.compare(P, 4, "<%--") == 0) {
    const std::size_t E = In.find("--%>", P + 4);
    return E == std::string_view::npos ? In.size() : E + 4;
  }
  const std::size_t E = In.find("%>", P + 2);
  if (E == std::string_view::npos) return In.size();
  return E > P + 2 && In[E - 1] == '-' ? PastLineEnd(In, E + 2) : E + 2;
}

// Every server block, in order.
std::vector<TSpan> AspBlocks(std::string_view In) {
  std::vector<TSpan> Blocks;
  for (std::size_t P = 0; P < In.size();) {
    if (ServerAt(In, P)) {
      const std::size_t End = SkipAsp(In, P);
      Blocks.push_back({P, End});
      P = End;
    } else {
      ++P;
    }
  }
  return Blocks;
}

// The first of Words at or after P outside ASP blocks, or npos.
std::size_t FindOutsideAsp(std::string_view In, std::size_t P, std::string_view Word) {
  while (P < In.size()) {
    if (ServerAt(In, P)) {
      P = SkipAsp(In, P);
      continue;
    }
    if (In.compare(P, Word.size(), Word) == 0) return P;
    ++P;
  }
  return std::string_view::npos;
}

// The end of the tag whose "<" stands at P (just past its ">"), and its
// lower-case name.
std::size_t TagEnd(std::string_view In, std::size_t P, std::string& Name) {
  std::size_t Q = P + 1 + (In[P + 1] == '/' ? 1 : 0);
  const std::size_t NameStart = Q;
  while (Q < In.size() && !IsBlank(In[Q]) && In[Q] != '/' && In[Q] != '>') {
    if (ServerAt(In, Q)) {
      Name = "?";  // server code in the name: no name this model knows
      Q = SkipAsp(In, Q);
      continue;
    }
    ++Q;
  }
  if (Name.empty() && Q > NameStart) Name = Lower(In.substr(NameStart, Q - NameStart));
  // The attribute states of a browser's tokenizer.
  enum { kBeforeAttr, kAttr, kAfterAttr, kBeforeValue, kUnquoted } State = kBeforeAttr;
  while (Q < In.size()) {
    const char C = In[Q];
    if (ServerAt(In, Q)) {
      Q = SkipAsp(In, Q);
      continue;
    }
    if (C == '>') return Q + 1;
    switch (State) {
      case kBeforeAttr:
        if (!IsBlank(C) && C != '/') State = kAttr;
        break;
      case kAttr:
        if (IsBlank(C)) State = kAfterAttr;
        else if (C == '/') State = kBeforeAttr;
        else if (C == '=') State = kBeforeValue;
        break;
      case kAfterAttr:
        if (C == '/') State = kBeforeAttr;
        else if (C == '=') State = kBeforeValue;
        else if (!IsBlank(C)) State = kAttr;
        break;
      case kBeforeValue:
        if (C == '"' || C == '\'') {
          ++Q;
          while (Q < In.size() && In[Q] != C) Q = ServerAt(In, Q) ? SkipAsp(In, Q) : Q + 1;
          if (Q >= In.size()) return In.size();
          // After the closing quote: a new attribute, "/" or ">".
          State = kBeforeAttr;
        } else if (!IsBlank(C)) {
          State = kUnquoted;
        }
        break;
      case kUnquoted:
        if (IsBlank(C)) State = kBeforeAttr;
        break;
    }
    ++Q;
  }
  return In.size();
}

// Whether "</Name" and a blank, "/" or ">" stand at P (any letter case).
bool EndTagAt(std::string_view In, std::size_t P, std::string_view Name) {
  if (P + 2 + Name.size() >= In.size() || In.compare(P, 2, "</") != 0) return false;
  if (Lower(In.substr(P + 2, Name.size())) != Name) return false;
  const char After = In[P + 2 + Name.size()];
  return IsBlank(After) || After == '/' || After == '>';
}

// Past the markup that is not a tag at P ("<!--...-->", "<!...>", "<?...>",
// "</ ...>"), or P when there is none.
std::size_t SkipOtherMarkup(std::string_view In, std::size_t P) {
  if (In.compare(P, 4, "<!--") == 0) {
    if (In.compare(P + 4, 1, ">") == 0) return P + 5;
    if (In.compare(P + 4, 2, "->") == 0) return P + 6;
    std::size_t Q = P + 4;
    while (Q < In.size()) {
      if (ServerAt(In, Q)) {
        Q = SkipAsp(In, Q);
      } else if (In.compare(Q, 3, "-->") == 0) {
        return Q + 3;
      } else if (In.compare(Q, 4, "--!>") == 0) {
        return Q + 4;
      } else {
        ++Q;
      }
    }
    return In.size();
  }
  const bool Bogus = In.compare(P, 2, "<!") == 0 || In.compare(P, 2, "<?") == 0 ||
                     (In.compare(P, 2, "</") == 0 && P + 2 < In.size() && !IsLetter(In[P + 2]));
  if (!Bogus) return P;
  const std::string_view Close = In.compare(P, 9, "<![CDATA[") == 0 ? "]]>" : ">";
  const std::size_t E = FindOutsideAsp(In, P + 2, Close);
  return E == std::string_view::npos ? In.size() : E + Close.size();
}

// The contents the scanner must keep, outermost ones only, in order.
std::vector<TSpan> KeptContents(std::string_view In) {
  static const std::vector<std::string> kRaw = {"textarea", "xmp", "script", "style", "title",
                                                "noscript", "iframe", "noembed", "noframes"};
  std::vector<TSpan> Kept;
  std::size_t P = 0;
  std::size_t PreStart = 0;
  int PreDepth = 0;
  int ListingDepth = 0;
  while (P < In.size()) {
    if (In[P] != '<' || P + 1 >= In.size()) {
      ++P;
      continue;
    }
    if (ServerAt(In, P)) {
      P = SkipAsp(In, P);
      continue;
    }
    if (const std::size_t Q = SkipOtherMarkup(In, P); Q != P) {
      P = Q;
      continue;
    }
    const bool EndTag = In[P + 1] == '/';
    if (!IsLetter(In[P + 1 + (EndTag ? 1 : 0)])) {
      ++P;
      continue;
    }
    std::string Name;
    const std::size_t End = TagEnd(In, P, Name);
    const bool Closed = End <= In.size() && In[End - 1] == '>';
    const bool InPre = PreDepth > 0 || ListingDepth > 0;
    if (EndTag && Closed && (Name == "pre" || Name == "listing")) {
      int& Depth = Name == "pre" ? PreDepth : ListingDepth;
      if (Depth > 0 && --Depth == 0 && PreDepth == 0 && ListingDepth == 0) Kept.push_back({PreStart, P});
    } else if (!EndTag && Closed && (Name == "pre" || Name == "listing")) {
      if (!InPre) PreStart = End;
      ++(Name == "pre" ? PreDepth : ListingDepth);
    } else if (!EndTag && Closed && std::find(kRaw.begin(), kRaw.end(), Name) != kRaw.end()) {
      std::size_t Q = End;
      while (Q < In.size() && !EndTagAt(In, Q, Name)) Q = ServerAt(In, Q) ? SkipAsp(In, Q) : Q + 1;
      const TSpan Content{End, Q};
      // Script data with "<!--" can hide its end tag from this model (the
      // scanner follows those escapes): nothing after it is checked.
      if (Name == "script" && In.substr(End, Q - End).find("<!--") != std::string_view::npos) {
        if (!InPre) Kept.push_back(Content);
        return Kept;
      }
      if (!InPre) Kept.push_back(Content);
      P = Q;
      continue;
    } else if (!EndTag && Closed && Name == "plaintext") {
      if (!InPre) Kept.push_back({End, In.size()});
      P = In.size();
      break;
    }
    P = End;
  }
  if (PreDepth > 0 || ListingDepth > 0) Kept.push_back({PreStart, In.size()});
  return Kept;
}

// Each span's bytes are found in Out, one after the other, in order.
void ExpectInOrder(std::string_view In, std::string_view Out, const std::vector<TSpan>& Spans,
                   const char* What) {
  std::size_t From = 0;
  for (const TSpan& S : Spans) {
    const std::string_view Piece = In.substr(S.Begin, S.End - S.Begin);
    const std::size_t At = Out.find(Piece, From);
    FUZZ_CHECK(At != std::string_view::npos,
               std::string(What) + " changed: " + fuzz::Show(Piece) + "\n  input: " + fuzz::Show(In) +
                   "\n  output: " + fuzz::Show(Out));
    From = At + Piece.size();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  const std::string Output = SafeCompactString(Input);

  FUZZ_CHECK(Output.size() <= Input.size(), "output longer than input: " + fuzz::Show(Input));
  ExpectInOrder(Input, Output, AspBlocks(Input), "server block");
  ExpectInOrder(Input, Output, KeptContents(Input), "kept content");

  // A second run finds nothing more to take away.
  const std::string Again = SafeCompactString(Output);
  FUZZ_CHECK(Again == Output, "not stable, " + fuzz::Difference(Again, Output) +
                                  "\n  input: " + fuzz::Show(Input));

  // The portable scanners give the wide ones' bytes.
  SetScanPath(TScanPath::spPortable);
  const std::string Portable = SafeCompactString(Input);
  SetScanPath(TScanPath::spWide);
  FUZZ_CHECK(Portable == Output, "wide and portable differ, " + fuzz::Difference(Output, Portable) +
                                     "\n  input: " + fuzz::Show(Input));

  // Through the streams, also from a source that hands out single bytes.
  TCompactOptions Safe = SafeOptions();
  Safe.ReadLinkedSheets = false;
  if (WideEncoding(Input) != nullptr) {
    // UTF-16 and UTF-32 pages are refused, never compacted byte by byte.
    TMemStream In;
    TMemStream Out;
    FillMem(In, Input);
    bool Refused = false;
    try {
      CompactHTML(In, Out, Safe);
    } catch (const Exception&) {
      Refused = true;
    }
    FUZZ_CHECK(Refused && MemContents(Out).empty(), "wide text not refused: " + fuzz::Show(Input));
    return 0;
  }
  {
    TMemStream In;
    TMemStream Out;
    FillMem(In, Input);
    CompactHTML(In, Out, Safe);
    FUZZ_CHECK(MemContents(Out) == Output, "stream to stream differs: " + fuzz::Show(Input));
    FUZZ_CHECK(In.EndOfStream() && In.ExactTransfer(), "source left unread or inexact");
  }
  {
    fuzz::TChunkedStream In(Input, 1);
    TMemStream Out;
    CompactHTML(In, Out, Safe);
    FUZZ_CHECK(MemContents(Out) == Output, "reads of 1 byte differ: " + fuzz::Show(Input));
  }
  return 0;
}
