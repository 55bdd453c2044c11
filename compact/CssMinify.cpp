#include "compact/CssMinify.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "compact/CssTokenizer.h"

// How the minifier works
//
// One pass over the tokens. Between two tokens that matter lies a gap of
// white space and comments; the gap is read, then the token after it, and
// only then is it decided what the gap becomes: nothing, one blank, "/**/",
// or the "/*!" comments it holds (and a blank after them). Tokens are never
// rewritten, so the result is the source with some gaps replaced by shorter
// ones, and a ";" or two left out. The bytes that go to the result
// unchanged are copied only when a gap changes (from FRun on).
//
// Two questions decide a gap:
// - would the tokens on its sides read differently side by side? That is
//   decided by the token before and the first byte of the one after
//   (Apart): the tokenizer never looks further past a token's end than one
//   byte when that byte cannot continue it. The HTML-like sequences are
//   looked for across the meeting point (FormsHtml);
// - does the presence of white space mean something here? That depends on
//   the item of the sheet the gap lies in (TItem): a selector, an at-rule's
//   prelude, a declaration, a custom property, or a value whose reading
//   depends on where it stands (kept as written, but one blank a run).
// Items follow the sheet's structure: at the top of a sheet an item is a
// rule (at-rule or qualified rule); inside a block, and in a declaration
// list, an item that starts with an at-keyword is an at-rule and any other
// is a declaration if it ends (";" or "}") before any "{", else a rule.
// Such an item is read as a declaration; when a "{" turns up at its level,
// the result is cut back to where the item began and the item is read
// again as a rule's prelude (FMark). Each item is read at most twice.

namespace {

using K = TCssTokenKind;

bool IsWhite(unsigned char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f'; }
bool IsDigit(unsigned char C) { return C >= '0' && C <= '9'; }
bool IsHex(unsigned char C) { return IsDigit(C) || ((C | 0x20) >= 'a' && (C | 0x20) <= 'f'); }
// The tokenizer's name bytes.
bool IsNameByte(unsigned char C) {
  return ((C | 0x20) >= 'a' && (C | 0x20) <= 'z') || IsDigit(C) || C == '_' || C == '-' || C >= 0x80 || C == 0;
}

// The sequences a result must not gain: HTML comment marks, the end of the
// STYLE element, server blocks.
constexpr std::string_view kHtmlLike[] = {"<!--", "-->", "</style", "<%", "%>", "<?"};

bool SameFolded(const char* P, std::string_view Lower) {
  for (std::size_t I = 0; I < Lower.size(); ++I) {
    unsigned char C = static_cast<unsigned char>(P[I]);
    if (C >= 'A' && C <= 'Z') C = static_cast<unsigned char>(C + 32);
    if (C != static_cast<unsigned char>(Lower[I])) return false;
  }
  return true;
}

// Whether the source holds what makes it refused outright: "</style",
// "<%", "%>", "<?".
bool HoldsHtmlLike(const char* S, std::size_t N) {
  for (const char* P = S; (P = static_cast<const char*>(std::memchr(P, '<', static_cast<std::size_t>(S + N - P))));
       ++P) {
    const std::size_t Left = static_cast<std::size_t>(S + N - P);
    if (Left >= 2 && (P[1] == '%' || P[1] == '?')) return true;
    if (Left >= 7 && P[1] == '/' && SameFolded(P + 2, "style")) return true;
  }
  for (const char* P = S; (P = static_cast<const char*>(std::memchr(P, '%', static_cast<std::size_t>(S + N - P))));
       ++P)
    if (S + N - P >= 2 && P[1] == '>') return true;
  return false;
}

// Bytes that may end what stands of a kHtmlLike sequence before a meeting
// point, and that may start what follows of it.
constexpr bool MayEndHtmlHead(unsigned char C) {
  const unsigned char L = C | 0x20;
  return C == '<' || C == '!' || C == '-' || C == '/' || C == '%' || L == 's' || L == 't' || L == 'y' || L == 'l';
}
constexpr bool MayStartHtmlTail(unsigned char C) {
  const unsigned char L = C | 0x20;
  return C == '!' || C == '-' || C == '>' || C == '/' || C == '%' || C == '?' || L == 's' || L == 't' || L == 'y' ||
         L == 'l' || L == 'e';
}

// Whether Tail (the end of the result) followed by Head (what comes next)
// holds one of kHtmlLike across the point where they meet.
bool FormsHtml(const char* Tail, std::size_t TailLen, const char* Head, std::size_t HeadLen) {
  if (TailLen == 0 || HeadLen == 0 || !MayEndHtmlHead(static_cast<unsigned char>(Tail[-1])) ||
      !MayStartHtmlTail(static_cast<unsigned char>(Head[0])))
    return false;
  char W[12];
  TailLen = std::min<std::size_t>(TailLen, 6);
  HeadLen = std::min<std::size_t>(HeadLen, 6);
  std::memcpy(W, Tail - TailLen, TailLen);
  std::memcpy(W + TailLen, Head, HeadLen);
  for (std::size_t I = 0; I < TailLen; ++I)
    for (const std::string_view Seq : kHtmlLike)
      if (I + Seq.size() > TailLen && I + Seq.size() <= TailLen + HeadLen && SameFolded(W + I, Seq)) return true;
  return false;
}

// What the tokens around a gap belong to.
enum TItem : std::uint8_t {
  itNone,         // between items: the gap goes
  itSelector,     // a qualified rule's prelude
  itAtRule,       // an at-rule's prelude
  itDeclaration,  // a declaration
  itCustom,       // a custom property's declaration
  itVerbatim,     // read as written: one blank a run of white space
};

// What an open bracket is.
enum TOpen : std::uint8_t {
  opParen,     // "("
  opFunction,  // a function's "("
  opSquare,    // "["
  opValue,     // "{" in a value or prelude
  opBlock,     // "{" of a rule or at-rule, holding items
};

// What a token is to the rules on white space.
enum TRole : std::uint8_t {
  roWord,  // anything not below
  roComma,
  roColon,
  roSemicolon,
  roOpenCurly,
  roCloseCurly,
  roOpenParen,
  roFunction,
  roCloseParen,
  roOpenSquare,
  roCloseSquare,
  // Delims from here on.
  roPlus,
  roMinus,
  roSlashStar,  // "/" or "*"
  roBang,
  roGreater,
  roTilde,
  roLessEqual,  // "<" or "="
  roDelim,      // any other
  roCount
};

constexpr TRole RoleOfDelim(unsigned char C) {
  switch (C) {
    case '+': return roPlus;
    case '-': return roMinus;
    case '/': case '*': return roSlashStar;
    case '!': return roBang;
    case '>': return roGreater;
    case '~': return roTilde;
    case '<': case '=': return roLessEqual;
    default: return roDelim;
  }
}

// Whether white space between A and B means something in a selector (In:
// within parentheses, where "+" may be An+B), outside "[...]".
constexpr bool SelectorBlank(bool In, TRole A, TRole B) {
  if (A == roComma || B == roComma) return false;
  if (A == roOpenParen || A == roFunction || B == roCloseParen) return false;
  // A combinator on one side only.
  auto Combinator = [In](TRole R) { return R == roGreater || R == roTilde || (!In && R == roPlus); };
  return Combinator(A) == Combinator(B);
}

// The same in an at-rule's prelude (In: directly within "(", as in media
// features "(width: 1px)", "(width >= 1px)"), after its first token.
constexpr bool AtRuleBlank(bool In, TRole A, TRole B) {
  if (A == roComma || B == roComma) return false;
  if (A == roOpenParen || A == roFunction || B == roCloseParen) return false;
  if (!In) return true;
  if (A == roColon) return false;
  auto Range = [](TRole R) { return R == roGreater || R == roLessEqual; };
  return !((Range(A) && B < roPlus) || (Range(B) && A < roPlus));
}

// The same in a declaration: words stay apart, and "+" and "-" (calc()
// needs blanks around them).
constexpr bool DeclarationBlank(TRole A, TRole B) {
  if (A == roPlus || A == roMinus || B == roPlus || B == roMinus) return true;
  switch (A) {
    case roColon: case roSemicolon: case roComma: case roOpenCurly: case roCloseCurly: case roOpenParen:
    case roFunction: case roOpenSquare: case roSlashStar: case roBang:
      return false;
    default:
      break;
  }
  switch (B) {
    case roColon: case roSemicolon: case roComma: case roOpenCurly: case roCloseCurly: case roCloseParen:
    case roCloseSquare: case roSlashStar: case roBang:
      return false;
    default:
      return true;
  }
}

struct TBlankTables {
  bool Selector[2][roCount][roCount] = {};
  bool AtRule[2][roCount][roCount] = {};
  bool Declaration[roCount][roCount] = {};
  TRole Delim[256] = {};
  TRole Kind[32] = {};  // roDelim for a delim: Delim says which
};

constexpr TBlankTables MakeBlankTables() {
  TBlankTables T;
  for (int A = 0; A < roCount; ++A)
    for (int B = 0; B < roCount; ++B) {
      const auto RA = static_cast<TRole>(A);
      const auto RB = static_cast<TRole>(B);
      for (int In = 0; In < 2; ++In) {
        T.Selector[In][A][B] = SelectorBlank(In != 0, RA, RB);
        T.AtRule[In][A][B] = AtRuleBlank(In != 0, RA, RB);
      }
      T.Declaration[A][B] = DeclarationBlank(RA, RB);
    }
  for (int C = 0; C < 256; ++C) T.Delim[C] = RoleOfDelim(static_cast<unsigned char>(C));
  using K = TCssTokenKind;
  const std::pair<K, TRole> Kinds[] = {
      {K::ckComma, roComma},           {K::ckColon, roColon},           {K::ckSemicolon, roSemicolon},
      {K::ckOpenCurly, roOpenCurly},   {K::ckCloseCurly, roCloseCurly}, {K::ckOpenParen, roOpenParen},
      {K::ckFunction, roFunction},     {K::ckCloseParen, roCloseParen}, {K::ckOpenSquare, roOpenSquare},
      {K::ckCloseSquare, roCloseSquare}, {K::ckDelim, roDelim}};
  for (const auto& [Kind, Role] : Kinds) T.Kind[static_cast<int>(Kind)] = Role;
  return T;
}
constexpr TBlankTables kBlank = MakeBlankTables();

class TCssMinifier {
public:
  TCssMinifier(std::string_view Source, bool List, char* Out)
      : S(Source.data()), N(Source.size()), FList(List), FTok(Source), FOut(Out), O(Out) {}

  TCssResult Run() {
    if (N == 0) return {0, TCssOutcome::Minified, false};
    if (std::memchr(S, 0, N) != nullptr) return Refuse(TCssOutcome::Invalid);
    if (S[N - 1] == '\\') return Refuse(TCssOutcome::Invalid);
    if (HoldsHtmlLike(S, N)) return Refuse(TCssOutcome::HtmlLike);
    if (FList && std::memchr(S, '&', N) != nullptr) return Refuse(TCssOutcome::Reference);
    FOpen.reserve(32);
    FOpen.push_back(opBlock);  // the sheet or list itself: never taken off
    TCssToken T;
    for (;;) {
      if (FTok.SkipWhitespace()) FWhite = true;
      if (!FTok.Next(T)) break;
      switch (T.Kind) {
        case K::ckComment:
          if (T.End - T.Begin < 4 || S[T.End - 2] != '*' || S[T.End - 1] != '/')
            return Refuse(TCssOutcome::Unterminated);
          if (S[T.Begin + 2] == '!') FKept.push_back(T);
          continue;
        case K::ckBadString:
          return Refuse(TCssOutcome::Unterminated);
        case K::ckBadUrl:
          return Refuse(TCssOutcome::Invalid);
        case K::ckString:
        case K::ckUrl:
          if (T.End == N && !ClosedAtEnd(T)) return Refuse(TCssOutcome::Unterminated);
          break;
        case K::ckDelim:
          if (S[T.Begin] == '\\') return Refuse(TCssOutcome::Invalid);
          break;
        default:
          break;
      }
      if (!Token(T)) return Refuse(FOutcome);
      FWhite = false;
      FKept.clear();
    }
    if (!AtTop()) return Refuse(TCssOutcome::Unbalanced);
    // The end: a declaration list loses its last ";", a sheet keeps it.
    if (FPending != 0 && (!FList || !FKept.empty())) WriteSemicolons();
    // A custom property with an empty value keeps its blank here as well.
    const bool Blank = FWhite && FItem == itCustom && FCustomColon == 1;
    Flush(FGapBegin);
    for (const TCssToken& C : FKept) Write(S + C.Begin, C.End - C.Begin);
    if (Blank) *O++ = ' ';
    const std::size_t Size = static_cast<std::size_t>(O - FOut);
    return {Size, TCssOutcome::Minified, Size != N || std::memcmp(FOut, S, N) != 0};
  }

private:
  TCssResult Refuse(TCssOutcome Why) {
    std::memcpy(FOut, S, N);
    return {N, Why, false};
  }

  // Whether a string or url that reaches the end of the source has its
  // closing byte there (not escaped).
  bool ClosedAtEnd(const TCssToken& T) const {
    const char Close = T.Kind == K::ckString ? S[T.Begin] : ')';
    if (T.End - T.Begin < 2 || S[N - 1] != Close) return false;
    std::size_t Backslashes = 0;
    for (std::size_t P = N - 1; P > T.Begin && S[P - 1] == '\\'; --P) ++Backslashes;
    return Backslashes % 2 == 0;
  }

  void Write(const char* P, std::size_t Count) {
    std::memcpy(O, P, Count);
    O += Count;
  }

  // Copies the source from FRun up to To.
  void Flush(std::size_t To) {
    const std::size_t Count = To - FRun;
    if (Count <= 16 && N - FRun >= 16) {
      // Most runs are short: sixteen bytes at once. The result is never
      // ahead of the source (O - FOut <= FRun), so they fit in Out, and
      // what lies past Count is written over later.
      std::memcpy(O, S + FRun, 16);
      O += Count;
    } else {
      Write(S + FRun, Count);
    }
    FRun = To;
  }

  void WriteSemicolons() {
    std::memset(O, ';', FPending);
    O += FPending;
    FPending = 0;
  }

  bool AtItemLevel() const { return FOpen.back() == opBlock; }
  bool AtTop() const { return FOpen.size() == 1; }

  // Whether B, at this point, ends the item it stands in.
  bool EndsItem(const TCssToken& B) const {
    if (!AtItemLevel()) return false;
    if (B.Kind == K::ckSemicolon || B.Kind == K::ckCloseCurly) return true;
    return B.Kind == K::ckOpenCurly && (FItem == itSelector || FItem == itAtRule || FItem == itNone);
  }

  // Whether A followed at once by a token starting with byte B reads as
  // A and that token again.
  bool Apart(const TCssToken& A, unsigned char B) const {
    switch (A.Kind) {
      case K::ckIdent:
        return !(IsNameByte(B) || B == '\\' || B == '(');
      case K::ckAtKeyword:
      case K::ckHash:
      case K::ckDimension:
        return !(IsNameByte(B) || B == '\\');
      case K::ckNumber:
        return !(IsNameByte(B) || B == '\\' || B == '.' || B == '%');
      case K::ckDelim:
        switch (S[A.Begin]) {
          case '-': return !(IsNameByte(B) || B == '\\' || B == '.');
          case '+': return !(IsDigit(B) || B == '.');
          case '.': return !IsDigit(B);
          case '<': return B != '!';
          case '#':
          case '@': return !(IsNameByte(B) || B == '\\');
          case '/': return B != '*';
          default: return true;
        }
      default:
        return true;
    }
  }

  // Whether A ends with an escape of hex digits that a blank after it
  // would join ("\31" then " "): it can only stand before a comment.
  bool EndsInHexEscape(const TCssToken& A) const {
    if (A.Kind != K::ckIdent && A.Kind != K::ckHash && A.Kind != K::ckAtKeyword && A.Kind != K::ckDimension)
      return false;
    std::size_t P = A.End;
    while (P > A.Begin && IsHex(static_cast<unsigned char>(S[P - 1]))) --P;
    if (P == A.End || A.End - P > 6) return false;
    std::size_t Backslashes = 0;
    for (; P > A.Begin && S[P - 1] == '\\'; --P) ++Backslashes;
    return Backslashes % 2 == 1;
  }

  TRole RoleOf(const TCssToken& T) const {
    const TRole R = kBlank.Kind[static_cast<int>(T.Kind)];
    return R == roDelim ? kBlank.Delim[static_cast<unsigned char>(S[T.Begin])] : R;
  }

  // Whether the white space between A (FPrev) and B means something.
  bool Significant(const TCssToken& A, const TCssToken& B, TRole RB) const {
    const TRole RA = FPrevRole;
    // "url(" with blanks before a quoted address keeps them in its token
    // but the last, which must stay where it is.
    if (RA == roFunction && IsWhite(static_cast<unsigned char>(S[A.End - 1]))) return true;
    if (FItem == itNone) return false;
    if (EndsItem(B)) return FItem == itCustom && FCustomColon == 1;  // "--x: ;"
    switch (FItem) {
      case itVerbatim:
        return true;
      case itSelector:
        if (FSquares != 0) return RA != roOpenSquare && RB != roCloseSquare;
        return kBlank.Selector[FParens != 0][RA][RB];
      case itAtRule:
        if (FItemFirst) return RB != roOpenParen;  // after the at-keyword
        return kBlank.AtRule[FOpen.back() == opParen][RA][RB];
      default:
        if (FItem == itCustom && FCustomColon == 1 && RB == roBang) return true;
        return kBlank.Declaration[RA][RB];
    }
  }

  // Writes what the gap before B becomes.
  void Gap(const TCssToken& B) {
    const std::size_t GapBegin = FGapBegin;
    const std::size_t GapEnd = B.Begin;
    if (!FKept.empty()) {
      // The comments keep the tokens apart; a blank after them where white
      // space means something.
      const bool Blank = FHavePrev && FWhite && Significant(FPrev, B, RoleOf(B));
      Flush(GapBegin);
      for (const TCssToken& C : FKept) Write(S + C.Begin, C.End - C.Begin);
      if (Blank) *O++ = ' ';
      FRun = GapEnd;
      return;
    }
    if (!FHavePrev) {
      FRun = GapEnd;  // nothing was written yet: the leading gap goes
      return;
    }
    const TCssToken& A = FPrev;
    const bool Blank = FWhite && Significant(A, B, RoleOf(B));
    const char* G = "";
    if (Blank) {
      G = " ";
    } else if (!Apart(A, static_cast<unsigned char>(S[GapEnd]))) {
      G = FWhite ? " " : "/**/";
    } else {
      Flush(GapBegin);
      if (FormsHtml(O, static_cast<std::size_t>(O - FOut), S + GapEnd, N - GapEnd)) G = FWhite ? " " : "/**/";
    }
    // A blank after an escape of hex digits would join it: a comment
    // stood there in the source (the escape took the white space that
    // followed it), and one stays.
    if (G[0] == ' ' && S[GapBegin] == '/' && EndsInHexEscape(A)) G = Blank ? "/**/ " : "/**/";
    const std::size_t Len = G[0] == '\0' ? 0 : G[1] == '\0' ? 1 : std::strlen(G);
    if (Len == GapEnd - GapBegin && Len != 0 && S[GapBegin] == G[0] && (Len == 1 || std::memcmp(S + GapBegin, G, Len) == 0))
      return;
    Flush(GapBegin);
    for (std::size_t I = 0; I < Len; ++I) *O++ = G[I];
    FRun = GapEnd;
  }

  // Starts the item whose first token is B.
  void StartItem(const TCssToken& B) {
    FItemFirst = true;
    FCustomColon = 0;
    if (B.Kind == K::ckAtKeyword) {
      FItem = itAtRule;
    } else if (!FList && AtTop()) {
      // The top of a sheet holds rules; "<!--" and "-->" there stand alone.
      FItem = B.Kind == K::ckCdo || B.Kind == K::ckCdc ? itNone : itSelector;
    } else {
      // A declaration until a "{" says otherwise: mark the point to come
      // back to.
      const bool Custom = B.Kind == K::ckIdent && B.End - B.Begin >= 2 && S[B.Begin] == '-' && S[B.Begin + 1] == '-';
      FItem = Custom ? itCustom : itDeclaration;
      FMark = {static_cast<std::size_t>(O - FOut), FRun, FTok, B, FOpen.size(), true};
    }
  }

  // The item begun at FMark is a rule's prelude (or, a custom property's
  // name before it, a value read as written): read it again as such.
  void Rewind() {
    O = FOut + FMark.Out;
    FRun = FMark.Run;
    FTok = FMark.Tok;
    FOpen.resize(FMark.Open);
    FParens = 0;
    FSquares = 0;
    FMark.Set = false;
    const TCssToken B = FMark.First;
    FItem = FItem == itCustom ? itVerbatim : itSelector;
    FItemFirst = true;
    Brackets(B, false);
    FPrev = B;
    FPrevRole = RoleOf(B);
    FGapBegin = B.End;
  }

  bool Fail(TCssOutcome Why) {
    FOutcome = Why;
    return false;
  }

  // Takes the token B that matters: the gap before it, then its item and
  // brackets. False when the text must be left as it is.
  bool Token(const TCssToken& B) {
    const bool Level = AtItemLevel();
    if (FPending != 0) {
      if (FKept.empty()) {
        if (B.Kind == K::ckSemicolon && Level) {
          ++FPending;
          FRun = B.End;
          FGapBegin = B.End;
          FPrev = B;
          FPrevRole = roSemicolon;
          return true;
        }
        if (B.Kind == K::ckCloseCurly && Level && !AtTop()) {
          // The ";" before a block's end go, and the gaps between them.
          FPending = 0;
          FRun = B.Begin;
          FGapBegin = B.Begin;
        }
      }
      if (FPending != 0) WriteSemicolons();
    }
    if (B.Kind == K::ckOpenCurly && FMark.Set && Level && (FItem == itDeclaration || FItem == itCustom)) {
      Rewind();
      return true;
    }
    if (B.Begin != FGapBegin) Gap(B);
    if (FItem == itNone && Level && B.Kind != K::ckSemicolon && B.Kind != K::ckCloseCurly &&
        B.Kind != K::ckOpenCurly) {
      StartItem(B);
    } else {
      FItemFirst = false;
      if (FItem == itCustom && FCustomColon < 2) {
        // "--x" not followed by ":" is no custom property.
        if (FCustomColon == 0 && B.Kind != K::ckColon) FItem = itDeclaration;
        FCustomColon = FCustomColon == 0 ? 1 : 2;
      }
    }
    if (!Brackets(B, Level)) return false;
    FPrev = B;
    FPrevRole = RoleOf(B);
    FHavePrev = true;
    FGapBegin = B.End;
    return true;
  }

  // B's effect on the open brackets.
  bool Brackets(const TCssToken& B, bool Level) {
    constexpr std::uint32_t kStructure =
        1u << static_cast<int>(K::ckOpenParen) | 1u << static_cast<int>(K::ckFunction) |
        1u << static_cast<int>(K::ckOpenSquare) | 1u << static_cast<int>(K::ckOpenCurly) |
        1u << static_cast<int>(K::ckCloseParen) | 1u << static_cast<int>(K::ckCloseSquare) |
        1u << static_cast<int>(K::ckCloseCurly) | 1u << static_cast<int>(K::ckSemicolon);
    if ((kStructure >> static_cast<int>(B.Kind) & 1u) == 0) return true;
    switch (B.Kind) {
      case K::ckOpenParen:
      case K::ckFunction:
        FOpen.push_back(B.Kind == K::ckFunction ? opFunction : opParen);
        ++FParens;
        break;
      case K::ckOpenSquare:
        FOpen.push_back(opSquare);
        ++FSquares;
        break;
      case K::ckOpenCurly:
        if (Level && (FItem == itSelector || FItem == itAtRule || FItem == itNone)) {
          FOpen.push_back(opBlock);
          FItem = itNone;
          FMark.Set = false;
        } else {
          FOpen.push_back(opValue);
        }
        break;
      case K::ckCloseParen:
        if (FOpen.back() != opParen && FOpen.back() != opFunction)
          return Fail(TCssOutcome::Unbalanced);
        FOpen.pop_back();
        --FParens;
        break;
      case K::ckCloseSquare:
        if (FOpen.back() != opSquare) return Fail(TCssOutcome::Unbalanced);
        FOpen.pop_back();
        --FSquares;
        break;
      case K::ckCloseCurly:
        if (AtTop() || (FOpen.back() != opBlock && FOpen.back() != opValue))
          return Fail(TCssOutcome::Unbalanced);
        if (FOpen.back() == opBlock) {
          FItem = itNone;
          FMark.Set = false;
        }
        FOpen.pop_back();
        break;
      case K::ckSemicolon:
        if (Level) {
          // Held back: it goes if the block ends next.
          FItem = itNone;
          FMark.Set = false;
          Flush(B.Begin);
          FRun = B.End;
          FPending = 1;
        }
        break;
      default:
        break;
    }
    return true;
  }

  const char* S;
  std::size_t N;
  bool FList;  // a declaration list, not a sheet
  TCssTokenizer FTok;
  char* FOut;
  char* O;                  // the end of the result
  std::size_t FRun = 0;     // the source from here on goes to the result unchanged, up to the next gap
  std::size_t FGapBegin = 0;
  bool FWhite = false;                 // the gap holds white space
  std::vector<TCssToken> FKept;        // the gap's "/*!" comments
  TCssToken FPrev;                     // the token before the gap
  TRole FPrevRole = roWord;
  bool FHavePrev = false;
  std::size_t FPending = 0;            // ";" held back
  std::vector<std::uint8_t> FOpen;     // open brackets (TOpen), above an opBlock for the whole text
  std::size_t FParens = 0;             // open "(" of the item
  std::size_t FSquares = 0;            // open "[" of the item
  TItem FItem = itNone;
  bool FItemFirst = false;             // FPrev started the item
  std::uint8_t FCustomColon = 0;       // a custom property: 0 before its colon, 1 just after it, 2 later
  // Where the item read as a declaration began: the result's size and
  // FRun then, the tokenizer just past its first token, that token, and
  // the open brackets.
  struct TMark {
    std::size_t Out = 0;
    std::size_t Run = 0;
    TCssTokenizer Tok{std::string_view()};
    TCssToken First;
    std::size_t Open = 0;
    bool Set = false;
  } FMark;
  TCssOutcome FOutcome = TCssOutcome::Minified;
};

TCssResult Minify(std::string_view Source, bool List, char* Out) {
  return TCssMinifier(Source, List, Out).Run();
}

std::string MinifyToString(std::string_view Source, bool List) {
  std::string Result(Source.size(), '\0');
  Result.resize(Minify(Source, List, Result.data()).Size);
  return Result;
}

}  // namespace

const char* CssOutcomeName(TCssOutcome Outcome) {
  switch (Outcome) {
    case TCssOutcome::Minified: return "minified";
    case TCssOutcome::HtmlLike: return "html-like";
    case TCssOutcome::Unterminated: return "unterminated";
    case TCssOutcome::Unbalanced: return "unbalanced";
    case TCssOutcome::Invalid: return "invalid";
    case TCssOutcome::Reference: return "reference";
  }
  return "?";
}

TCssResult MinifyCssSheetTo(std::string_view Source, char* Out) { return Minify(Source, false, Out); }

std::string MinifyCssSheet(std::string_view Source) { return MinifyToString(Source, false); }

TCssResult MinifyCssDeclarationsTo(std::string_view Source, char* Out) { return Minify(Source, true, Out); }

std::string MinifyCssDeclarations(std::string_view Source) { return MinifyToString(Source, true); }
