// The style minifier on any input, as a sheet and as a declaration list:
// - the result is never longer than the input; a text left alone comes
//   back byte for byte, and the result says whether it changed;
// - minifying the result again changes nothing;
// - no "</style", "<!--", "-->", "<%", "%>" or "<?" appears more often than
//   in the input;
// - the tokens of the result without white space and comments are those
//   of the input, kind and bytes, but for ";" that stood just before a "}"
//   (or at the end of a declaration list); the "/*!" comments are the
//   input's, in order, and any other comment left is "/**/";
// - a plain model of selectors: in the preludes of the sheet's top-level
//   rules, wherever the input has white space between two tokens of which
//   neither is a combinator, comma, bracket or parenthesis, the result has
//   white space there too.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "compact/CssMinify.h"
#include "compact/CssTokenizer.h"
#include "fuzz/FuzzSupport.h"

namespace {

struct TSeen {
  std::vector<TCssToken> Tokens;   // without white space and comments
  std::vector<bool> WhiteBefore;   // white space in the gap before each
  std::vector<std::string_view> Comments;
};

TSeen Read(std::string_view Css) {
  TSeen R;
  bool White = false;
  for (const TCssToken& T : TokenizeCss(Css)) {
    if (T.Kind == TCssTokenKind::ckWhitespace) {
      White = true;
    } else if (T.Kind == TCssTokenKind::ckComment) {
      R.Comments.push_back(Css.substr(T.Begin, T.End - T.Begin));
    } else {
      R.Tokens.push_back(T);
      R.WhiteBefore.push_back(White);
      White = false;
    }
  }
  return R;
}

std::size_t Count(std::string_view Text, std::string_view Seq, bool Fold) {
  std::size_t N = 0;
  for (std::size_t I = 0; I + Seq.size() <= Text.size(); ++I) {
    bool Same = true;
    for (std::size_t K = 0; K < Seq.size() && Same; ++K) {
      char C = Text[I + K];
      if (Fold && C >= 'A' && C <= 'Z') C = static_cast<char>(C + 32);
      Same = C == Seq[K];
    }
    N += Same ? 1 : 0;
  }
  return N;
}

bool IsByte(std::string_view Css, const TCssToken& T, char C) {
  return T.End - T.Begin == 1 && Css[T.Begin] == C;
}

// Whether white space next to T may go in a selector, by the model.
bool ModelMayDrop(std::string_view Css, const TCssToken& T) {
  using K = TCssTokenKind;
  switch (T.Kind) {
    case K::ckComma: case K::ckOpenParen: case K::ckCloseParen: case K::ckFunction: case K::ckOpenSquare:
    case K::ckCloseSquare: case K::ckOpenCurly: case K::ckCloseCurly: case K::ckSemicolon: case K::ckCdo:
    case K::ckCdc:
      return true;
    case K::ckDelim:
      return IsByte(Css, T, '>') || IsByte(Css, T, '+') || IsByte(Css, T, '~');
    default:
      return false;
  }
}

void Check(std::string_view In, bool List) {
  using K = TCssTokenKind;
  std::vector<char> Buf(In.size());
  const TCssResult R = List ? MinifyCssDeclarationsTo(In, Buf.data()) : MinifyCssSheetTo(In, Buf.data());
  FUZZ_CHECK(R.Size <= In.size(), "result longer than the input");
  const std::string_view Out(Buf.data(), R.Size);
  const std::string Where = std::string(List ? "list " : "sheet ") + fuzz::Show(In) + "\n  result: " + fuzz::Show(Out);
  FUZZ_CHECK(R.Changed == (Out != In), Where);
  if (R.Outcome != TCssOutcome::Minified) {
    FUZZ_CHECK(Out == In, "a text left alone came back changed: " + Where);
    return;
  }
  const std::string Again = List ? MinifyCssDeclarations(Out) : MinifyCssSheet(Out);
  FUZZ_CHECK(Again == Out, "minifying twice changed it again: " + fuzz::Difference(Again, Out) + "\n  " + Where);
  for (const std::string_view Seq : {"<!--", "-->", "</style", "<%", "%>", "<?"})
    FUZZ_CHECK(Count(Out, Seq, true) <= Count(In, Seq, true), "made " + std::string(Seq) + ": " + Where);

  const TSeen A = Read(In);
  const TSeen B = Read(Out);
  std::vector<std::string_view> Kept;
  for (const std::string_view C : A.Comments)
    if (C.substr(0, 3) == "/*!") Kept.push_back(C);
  std::vector<std::string_view> KeptOut;
  for (const std::string_view C : B.Comments) {
    if (C == "/**/") continue;
    FUZZ_CHECK(C.substr(0, 3) == "/*!", "a comment stayed: " + Where);
    KeptOut.push_back(C);
  }
  FUZZ_CHECK(Kept == KeptOut, "\"/*!\" comments differ: " + Where);

  // The tokens, aligned; Match[I] is the result's token for input token I.
  std::vector<std::size_t> Match(A.Tokens.size(), SIZE_MAX);
  std::size_t J = 0;
  for (std::size_t I = 0; I < A.Tokens.size(); ++I) {
    const TCssToken& T = A.Tokens[I];
    const std::string_view TB = In.substr(T.Begin, T.End - T.Begin);
    if (J < B.Tokens.size() && B.Tokens[J].Kind == T.Kind &&
        Out.substr(B.Tokens[J].Begin, B.Tokens[J].End - B.Tokens[J].Begin) == TB) {
      Match[I] = J++;
      continue;
    }
    // Only a ";" of a run that a "}" or a list's end follows may go.
    FUZZ_CHECK(T.Kind == K::ckSemicolon, "tokens differ at input token " + std::to_string(I) + " '" +
                                              fuzz::Show(TB) + "': " + Where);
    std::size_t Next = I;
    while (Next < A.Tokens.size() && A.Tokens[Next].Kind == K::ckSemicolon) ++Next;
    FUZZ_CHECK(Next == A.Tokens.size() ? List : A.Tokens[Next].Kind == K::ckCloseCurly,
               "a \";\" went that no \"}\" follows: " + Where);
  }
  FUZZ_CHECK(J == B.Tokens.size(), "the result has tokens the input lacks: " + Where);

  // The selector model: top-level preludes that do not start with an
  // at-keyword. A prelude ends at "{" or ";" outside brackets; "<!--" and
  // "-->" stand alone where a prelude would start. Depth counts the blocks
  // of rules, Nest the brackets open in a prelude.
  if (List) return;
  int Depth = 0;
  int Nest = 0;
  bool AtRule = false;
  bool PreludeStart = true;
  for (std::size_t I = 0; I < A.Tokens.size(); ++I) {
    const TCssToken& T = A.Tokens[I];
    const bool Start = PreludeStart;
    if (Depth == 0 && Start) AtRule = T.Kind == K::ckAtKeyword;
    if (Depth == 0 && !Start && !AtRule && A.WhiteBefore[I] && !ModelMayDrop(In, T) &&
        !ModelMayDrop(In, A.Tokens[I - 1]))
      FUZZ_CHECK(B.WhiteBefore[Match[I]], "white space in a selector went before input token " +
                                              std::to_string(I) + ": " + Where);
    PreludeStart = false;
    const bool Opens = T.Kind == K::ckOpenCurly || T.Kind == K::ckOpenParen || T.Kind == K::ckFunction ||
                       T.Kind == K::ckOpenSquare;
    const bool Closes = T.Kind == K::ckCloseCurly || T.Kind == K::ckCloseParen || T.Kind == K::ckCloseSquare;
    if (Depth > 0) {
      Depth += T.Kind == K::ckOpenCurly ? 1 : T.Kind == K::ckCloseCurly ? -1 : 0;
      PreludeStart = Depth == 0;
    } else if (Nest == 0 && T.Kind == K::ckOpenCurly) {
      Depth = 1;
    } else if (Opens || Closes) {
      Nest += Opens ? 1 : -1;
    } else if (Nest == 0) {
      PreludeStart = T.Kind == K::ckSemicolon || (Start && (T.Kind == K::ckCdo || T.Kind == K::ckCdc));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view In(reinterpret_cast<const char*>(Data), Size);
  Check(In, false);
  Check(In, true);
  return 0;
}
