#include "compact/JsMinify.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "compact/WideScan.h"

// How the minifier works
//
// One pass with a read cursor P over the source. Between two tokens lies a
// gap of white space and comments; the scanner reads the gap, then the
// token after it, and only then decides what the gap becomes, since that
// depends on the tokens on both sides. Tokens are never rewritten: the
// result is the source with some gaps replaced by one byte or by nothing,
// so it never grows. The scanner keeps the stretch of source bytes that go
// to the result unchanged and not yet copied (from FRunStart) and copies it
// only when a gap changes; a gap that stays as it is ("return x") costs no
// copy at all.
//
// Telling a regular expression from division needs the token before the
// "/": after an expression's end (a name, a literal, ")", "]") it divides,
// elsewhere it starts a regular expression. Three things the previous token
// alone does not settle are handled here:
// - ")" closing the head of if, while, for or with is followed by a
//   statement, so a "/" there starts a regular expression: each open
//   parenthesis remembers on the bracket stack whether it opened such a
//   head (a keyword right after "." or "?." is a property name, not a
//   keyword);
// - "}" may end a block (a regular expression may follow) or an object
//   literal or function expression (division follows), and "++" and "--"
//   may be prefix or postfix; "of", and "yield" and "await" outside
//   modules, may be names or operators. A "/" after any of these needs a
//   parser, so the script is left alone;
// - "}" closing a template substitution goes on with the template literal:
//   the bracket stack says which kind of bracket each "}" closes.
//
// Line breaks. Dropping a line terminator between two tokens changes
// nothing unless automatic semicolon insertion would put a semicolon there
// (the next token cannot follow the previous one) or a restricted
// production ("return", "break", "continue", "throw", "yield", postfix
// "++"/"--", "async", "=>") reads it. Neither can happen after a punctuator
// that cannot end an expression or statement, nor before one that can
// neither start a statement nor be read by a restricted production; and a
// token that continues an expression ("(", "[", "+", "-", "*", a template)
// continues the one that ")", a template or a regular expression ends
// whether a line break stands between them or not. Every other line break
// stays, as one LF.

namespace {

// Byte classes outside literals and comments.
enum TByteClass : std::uint8_t {
  bcInvalid,    // a control byte: no script holds one there
  bcBlank,      // tab, vertical tab, form feed, blank
  bcLineEnd,    // LF, CR
  bcIdent,      // letter, "$", "_"
  bcDigit,
  bcQuote,      // ' or "
  bcBacktick,
  bcSlash,
  bcDot,
  bcHash,
  bcBackslash,
  bcHigh,       // >= 0x80: the lead byte of a UTF-8 sequence, or a stray byte
  bcOpen,       // "(", "[", "{"
  bcClose,      // ")", "]", "}"
  bcSingle,     // ";", ",", ":", "~", "@": punctuators of one byte that nothing extends
  bcPunct,      // any other printable ASCII byte: the start of an operator
};

// Byte flags for the inner loops.
enum : std::uint8_t {
  fIdPart = 1,         // continues an identifier (ASCII): letter, digit, "$", "_"
  fTemplateStop = 4,   // ends a run of plain template bytes: backtick, backslash, "$"
  fRegexStop = 8,      // ends a run of plain regular expression bytes
  fPunctNext = 16,     // may be the second or later byte of a punctuator, or a digit
  fHtmlTail = 32,      // may end the first part of "<!--", "-->", "<script", "</script", "<%", "%>"
  fHtmlHead = 64,      // may start the rest of one of them
  fGap = 128,          // may start white space or a comment
};

struct TTables {
  std::array<std::uint8_t, 256> Class{};
  std::array<std::uint8_t, 256> Flags{};
};

constexpr TTables MakeTables() {
  TTables T;
  for (int B = 0; B < 256; ++B) {
    std::uint8_t C = bcInvalid;
    const bool Letter = (B >= 'a' && B <= 'z') || (B >= 'A' && B <= 'Z');
    const bool Digit = B >= '0' && B <= '9';
    if (B == ' ' || B == '\t' || B == '\v' || B == '\f') C = bcBlank;
    else if (B == '\n' || B == '\r') C = bcLineEnd;
    else if (Letter || B == '$' || B == '_') C = bcIdent;
    else if (Digit) C = bcDigit;
    else if (B == '\'' || B == '"') C = bcQuote;
    else if (B == '`') C = bcBacktick;
    else if (B == '/') C = bcSlash;
    else if (B == '.') C = bcDot;
    else if (B == '#') C = bcHash;
    else if (B == '\\') C = bcBackslash;
    else if (B >= 0x80) C = bcHigh;
    else if (B == '(' || B == '[' || B == '{') C = bcOpen;
    else if (B == ')' || B == ']' || B == '}') C = bcClose;
    else if (B == ';' || B == ',' || B == ':' || B == '~' || B == '@') C = bcSingle;
    else if (B > ' ' && B < 0x7F) C = bcPunct;
    T.Class[static_cast<std::size_t>(B)] = C;

    std::uint8_t F = 0;
    if (Letter || Digit || B == '$' || B == '_') F |= fIdPart;
    if (B == '`' || B == '\\' || B == '$') F |= fTemplateStop;
    if (B == '/' || B == '\\' || B == '[' || B == ']' || B == '\n' || B == '\r' || B == 0xE2)
      F |= fRegexStop;
    if (Digit || B == '=' || B == '+' || B == '-' || B == '&' || B == '|' || B == '<' || B == '>' ||
        B == '*' || B == '.' || B == '?' || B == '/')
      F |= fPunctNext;
    const int L = B | 0x20;
    const bool ScriptLetter = L == 's' || L == 'c' || L == 'r' || L == 'i' || L == 'p' || L == 't';
    if (B == '<' || B == '!' || B == '-' || B == '/' || B == '%' || (ScriptLetter && L != 't')) F |= fHtmlTail;
    if (B == '!' || B == '-' || B == '>' || B == '/' || B == '%' || ScriptLetter) F |= fHtmlHead;
    if (B == ' ' || B == '\t' || B == '\v' || B == '\f' || B == '\n' || B == '\r' || B == '/' || B >= 0x80)
      F |= fGap;
    T.Flags[static_cast<std::size_t>(B)] = F;
  }
  return T;
}
constexpr TTables kTables = MakeTables();

inline std::uint8_t ClassOf(unsigned char C) { return kTables.Class[C]; }
inline bool IsIdPart(unsigned char C) { return (kTables.Flags[C] & fIdPart) != 0; }
inline bool IsDigit(unsigned char C) { return C >= '0' && C <= '9'; }
inline bool IsHex(unsigned char C) {
  return IsDigit(C) || ((C | 0x20) >= 'a' && (C | 0x20) <= 'f');
}

// What a UTF-8 sequence is to the tokenizer.
enum THigh : std::uint8_t {
  hIdent,     // a letter or any other character: part of an identifier
  hBlank,     // white space: U+00A0, U+1680, U+2000-U+200A, U+202F, U+205F, U+3000, U+FEFF
  hLineEnd,   // U+2028, U+2029
  hInvalid,   // not a UTF-8 sequence
};

// Reads the UTF-8 sequence at P (P < E, *P >= 0x80): what it is and, unless
// invalid, its length.
THigh ReadHigh(const unsigned char* P, const unsigned char* E, std::size_t& Len) {
  const unsigned B0 = P[0];
  auto Cont = [&](std::size_t I) { return E - P > static_cast<std::ptrdiff_t>(I) && (P[I] & 0xC0) == 0x80; };
  std::uint32_t Cp = 0;
  if (B0 >= 0xC2 && B0 <= 0xDF) {
    if (!Cont(1)) return hInvalid;
    Len = 2;
    Cp = ((B0 & 0x1Fu) << 6) | (P[1] & 0x3Fu);
  } else if (B0 >= 0xE0 && B0 <= 0xEF) {
    if (!Cont(1) || !Cont(2)) return hInvalid;
    if ((B0 == 0xE0 && P[1] < 0xA0) || (B0 == 0xED && P[1] > 0x9F)) return hInvalid;
    Len = 3;
    Cp = ((B0 & 0x0Fu) << 12) | ((P[1] & 0x3Fu) << 6) | (P[2] & 0x3Fu);
  } else if (B0 >= 0xF0 && B0 <= 0xF4) {
    if (!Cont(1) || !Cont(2) || !Cont(3)) return hInvalid;
    if ((B0 == 0xF0 && P[1] < 0x90) || (B0 == 0xF4 && P[1] > 0x8F)) return hInvalid;
    Len = 4;
    return hIdent;
  } else {
    return hInvalid;
  }
  switch (Cp) {
    case 0xA0: case 0x1680: case 0x202F: case 0x205F: case 0x3000: case 0xFEFF:
      return hBlank;
    case 0x2028: case 0x2029:
      return hLineEnd;
    default:
      return Cp >= 0x2000 && Cp <= 0x200A ? hBlank : hIdent;
  }
}

// U+2028 or U+2029 at P.
// True when a name's character stands at P (an escape, or a character
// beyond ASCII that is part of a name or no character at all): a number or
// a regular expression's flags may not run on into one.
inline bool NameGoesOn(const unsigned char* P, const unsigned char* E) {
  if (P >= E) return false;
  if (IsIdPart(*P) || *P == '\\') return true;
  if (*P < 0x80) return false;
  std::size_t Len = 0;
  const THigh H = ReadHigh(P, E, Len);
  return H == hIdent || H == hInvalid;
}

inline bool AtLsPs(const unsigned char* P, const unsigned char* E) {
  return E - P >= 3 && P[0] == 0xE2 && P[1] == 0x80 && (P[2] == 0xA8 || P[2] == 0xA9);
}

#if defined(__SSE2__)
// The bytes of the sixteen at P that continue an identifier (ASCII), as bits.
inline unsigned IdPartBits(const unsigned char* P) {
  const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
  const __m128i L = _mm_or_si128(V, _mm_set1_epi8(0x20));
  const __m128i Letter = _mm_and_si128(_mm_cmpgt_epi8(L, _mm_set1_epi8('a' - 1)),
                                       _mm_cmplt_epi8(L, _mm_set1_epi8('z' + 1)));
  const __m128i Digit = _mm_and_si128(_mm_cmpgt_epi8(V, _mm_set1_epi8('0' - 1)),
                                      _mm_cmplt_epi8(V, _mm_set1_epi8('9' + 1)));
  const __m128i Other = _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('$')), _mm_cmpeq_epi8(V, _mm_set1_epi8('_')));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(Letter, Digit), Other)));
}

// The bytes of the sixteen at P that stop a run of string bytes (Quote,
// backslash, LF, CR), as bits.
inline unsigned StringStopBits(const unsigned char* P, unsigned char Quote) {
  const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
  const __m128i Hit = _mm_or_si128(
      _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8(static_cast<char>(Quote))), _mm_cmpeq_epi8(V, _mm_set1_epi8('\\'))),
      _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('\n')), _mm_cmpeq_epi8(V, _mm_set1_epi8('\r'))));
  return static_cast<unsigned>(_mm_movemask_epi8(Hit));
}
#endif

#if defined(__SSE2__)
// The end of the run of blanks, tabs, LFs and CRs from P, sixteen bytes at
// a time while there are sixteen; Line is set when the run holds LF or CR.
inline const unsigned char* WideBlankRunEnd(const unsigned char* P, const unsigned char* E, bool& Line) {
  for (; E - P >= 16; P += 16) {
    const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
    const __m128i Blank = _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(V, _mm_set1_epi8('\t')));
    const __m128i Lines = _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('\n')), _mm_cmpeq_epi8(V, _mm_set1_epi8('\r')));
    const unsigned LineBits = static_cast<unsigned>(_mm_movemask_epi8(Lines));
    const unsigned Stop = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(Blank, Lines))) & 0xFFFFu;
    if (Stop != 0) {
      const unsigned At = static_cast<unsigned>(__builtin_ctz(Stop));
      if ((LineBits & ((1u << At) - 1)) != 0) Line = true;
      return P + At;
    }
    if (LineBits != 0) Line = true;
  }
  return P;
}
#endif

// The end of the run of ASCII identifier bytes from P.
inline const unsigned char* IdPartEnd(const unsigned char* P, const unsigned char* E, bool Wide) {
#if defined(__SSE2__)
  if (Wide) {
    for (; E - P >= 16; P += 16) {
      const unsigned Stop = ~IdPartBits(P) & 0xFFFFu;
      if (Stop != 0) return P + __builtin_ctz(Stop);
    }
  }
#else
  (void)Wide;
#endif
  while (P < E && IsIdPart(*P)) ++P;
  return P;
}

// The first quote of the kind Quote, backslash, LF or CR from P on, or E.
inline const unsigned char* StringStop(const unsigned char* P, const unsigned char* E, unsigned char Quote,
                                       bool Wide) {
#if defined(__SSE2__)
  if (Wide) {
    for (; E - P >= 16; P += 16) {
      const unsigned Stop = StringStopBits(P, Quote);
      if (Stop != 0) return P + __builtin_ctz(Stop);
    }
  }
#else
  (void)Wide;
#endif
  while (P < E && *P != Quote && *P != '\\' && *P != '\n' && *P != '\r') ++P;
  return P;
}

// The length of the punctuator at P, whose four bytes may all be read (a
// zero byte ends nothing), or 0 when none starts there ("." before a digit
// starts a number). "/" and "/=" are division here.
std::size_t PunctLength4(const unsigned char* P) {
  const unsigned char C = P[0];
  const unsigned char C1 = P[1];
  const unsigned char C2 = P[2];
  switch (C) {
    case '{': case '}': case '(': case ')': case '[': case ']':
    case ';': case ',': case '~': case ':': case '@':
      return 1;
    case '.':
      if (IsDigit(C1)) return 0;
      return C1 == '.' && C2 == '.' ? 3 : 1;
    case '?':
      if (C1 == '?') return C2 == '=' ? 3 : 2;
      return C1 == '.' && !IsDigit(C2) ? 2 : 1;
    case '<':
      if (C1 == '<') return C2 == '=' ? 3 : 2;
      return C1 == '=' ? 2 : 1;
    case '>':
      if (C1 == '>') {
        if (C2 == '>') return P[3] == '=' ? 4 : 3;
        return C2 == '=' ? 3 : 2;
      }
      return C1 == '=' ? 2 : 1;
    case '=':
      if (C1 == '=') return C2 == '=' ? 3 : 2;
      return C1 == '>' ? 2 : 1;
    case '!':
      if (C1 == '=') return C2 == '=' ? 3 : 2;
      return 1;
    case '+': case '-':
      return C1 == C || C1 == '=' ? 2 : 1;
    case '*':
      if (C1 == '*') return C2 == '=' ? 3 : 2;
      return C1 == '=' ? 2 : 1;
    case '&': case '|':
      if (C1 == C) return C2 == '=' ? 3 : 2;
      return C1 == '=' ? 2 : 1;
    case '%': case '^': case '/':
      return C1 == '=' ? 2 : 1;
    default:
      return 0;
  }
}

// The same for the punctuator at P < E.
inline std::size_t PunctLength(const unsigned char* P, const unsigned char* E) {
  if (E - P >= 4) return PunctLength4(P);
  unsigned char Buf[4] = {0, 0, 0, 0};
  std::memcpy(Buf, P, static_cast<std::size_t>(E - P));
  return PunctLength4(Buf);
}

// Whether the text holds "<!--", "-->", "<script" or "</script" (the
// letters in any case), "<%" or "%>": HTML reads the first four inside a
// script, browsers read "<!--" and "-->" in classic scripts as comments,
// and "<%" starts server code that must stay byte for byte.
bool HoldsHtmlLike(std::string_view Text) {
  const auto* const B = reinterpret_cast<const unsigned char*>(Text.data());
  const std::size_t N = Text.size();
  if (N == 0) return false;  // an empty view may have no data at all
  for (const unsigned char* P = B; (P = static_cast<const unsigned char*>(
                                        std::memchr(P, '<', static_cast<std::size_t>(B + N - P)))) != nullptr;
       ++P) {
    const std::size_t Left = static_cast<std::size_t>(B + N - P);
    if (Left >= 4 && P[1] == '!' && P[2] == '-' && P[3] == '-') return true;
    if (Left >= 2 && P[1] == '%') return true;
    const std::size_t Name = Left >= 2 && P[1] == '/' ? 2 : 1;
    if (Left >= Name + 6) {
      bool Same = true;
      for (std::size_t K = 0; K < 6 && Same; ++K)
        Same = (P[Name + K] | 0x20) == static_cast<unsigned char>("script"[K]);
      if (Same) return true;
    }
  }
  for (const unsigned char* P = B; (P = static_cast<const unsigned char*>(
                                        std::memchr(P, '-', static_cast<std::size_t>(B + N - P)))) != nullptr;
       ++P)
    if (B + N - P >= 3 && P[1] == '-' && P[2] == '>') return true;
  for (const unsigned char* P = B; (P = static_cast<const unsigned char*>(
                                        std::memchr(P, '%', static_cast<std::size_t>(B + N - P)))) != nullptr;
       ++P)
    if (B + N - P >= 2 && P[1] == '>') return true;
  return false;
}

// Whether the bytes Tail (the end of the result) followed by Head (what
// comes next) hold one of the sequences of HoldsHtmlLike across the point
// where they meet.
bool MeetingFormsHtml(const unsigned char* Tail, std::size_t TailLen, const unsigned char* Head,
                      std::size_t HeadLen) {
  TailLen = std::min<std::size_t>(TailLen, 7);
  HeadLen = std::min<std::size_t>(HeadLen, 7);
  const unsigned char* TailStart = Tail - TailLen;
  // Each sequence starts with "<", "-" or "%", which must stand in the tail.
  bool Candidate = false;
  for (std::size_t I = 0; I < TailLen && !Candidate; ++I)
    Candidate = TailStart[I] == '<' || TailStart[I] == '-' || TailStart[I] == '%';
  if (!Candidate || HeadLen == 0) return false;
  unsigned char Buf[14];
  std::memcpy(Buf, TailStart, TailLen);
  std::memcpy(Buf + TailLen, Head, HeadLen);
  const std::size_t Len = TailLen + HeadLen;
  static constexpr std::string_view kSequences[] = {"<!--", "-->", "<script", "</script", "<%", "%>"};
  for (const std::string_view Seq : kSequences) {
    const std::size_t L = Seq.size();
    const std::size_t First = TailLen >= L - 1 ? TailLen - (L - 1) : 0;
    for (std::size_t S = First; S < TailLen && S + L <= Len; ++S) {
      bool Same = true;
      for (std::size_t K = 0; K < L && Same; ++K) {
        unsigned char B = Buf[S + K];
        if (B >= 'A' && B <= 'Z') B = static_cast<unsigned char>(B | 0x20);
        Same = B == static_cast<unsigned char>(Seq[K]);
      }
      if (Same) return true;
    }
  }
  return false;
}

enum TTokenKind : std::uint8_t {
  tkNone,          // no token yet
  tkWord,          // identifier, keyword or private name
  tkNumber,
  tkString,
  tkTemplate,      // a template literal ending here: `...` or }...`
  tkTemplateOpen,  // a template piece opening a substitution: `...${ or }...${
  tkRegex,
  tkPunct,
};

struct TToken {
  const unsigned char* Begin = nullptr;
  std::size_t Size = 0;
  TTokenKind Kind = tkNone;
  bool Property = false;    // a word right after "." or "?.": a name, never a keyword
  bool ClosesHead = false;  // a ")" closing the head of if, while, for or with
  bool Dot = false;         // the punctuator "." or "?."

  // Called with literals: the length is known where it is inlined.
  bool Is(std::string_view Text) const {
    if (Size != Text.size()) return false;
    for (std::size_t I = 0; I < Text.size(); ++I)
      if (Begin[I] != static_cast<unsigned char>(Text[I])) return false;
    return true;
  }
  unsigned char Last() const { return Begin[Size - 1]; }
};

// What a bracket on the stack is.
enum TOpen : std::uint8_t {
  opParen,   // "("
  opHead,    // "(" opening the head of if, while, for or with
  opSquare,  // "["
  opBrace,   // "{"
  opSubst,   // "${" of a template literal
};

// How a "/" reads after a token.
enum TSlash : std::uint8_t { slRegex, slDivision, slAmbiguous };

// How a "/" reads after the word W (not a property name).
TSlash SlashAfterWord(std::string_view W, bool Module) {
  // An escaped keyword is no keyword, but it cannot be a name either.
  if (W.find('\\') != std::string_view::npos) return slAmbiguous;
  // Words that end an expression.
  static constexpr std::string_view kValues[] = {"this", "super", "null", "true", "false"};
  for (const std::string_view V : kValues)
    if (W == V) return slDivision;
  if (W == "of") return slAmbiguous;
  if (W == "yield" || W == "await") return Module ? slRegex : slAmbiguous;
  // The other reserved words never end an expression.
  static constexpr std::string_view kReserved[] = {
      "break",  "case",   "catch",  "class",  "const",      "continue", "debugger", "default",
      "delete", "do",     "else",   "enum",   "export",     "extends",  "finally",  "for",
      "function", "if",   "import", "in",     "instanceof", "new",      "return",   "switch",
      "throw",  "try",    "typeof", "var",    "void",       "while",    "with"};
  for (const std::string_view R : kReserved)
    if (W == R) return slRegex;
  return slDivision;
}

class TJsMinifier {
public:
  TJsMinifier(std::string_view Source, bool Module, char* Out)
      : S(reinterpret_cast<const unsigned char*>(Source.data())),
        E(S + Source.size()),
        FModule(Module),
        FOut(reinterpret_cast<unsigned char*>(Out)),
        O(FOut),
        P(S),
        FRunStart(S),
        FGapStart(S) {}

  TScriptResult Run() {
    const std::size_t Size = static_cast<std::size_t>(E - S);
    if (HoldsHtmlLike(std::string_view(reinterpret_cast<const char*>(S), Size)))
      return Refuse(TScriptOutcome::HtmlLike);
    FOpen.reserve(64);
    // A hashbang line stays as it is, with its line break.
    if (Size >= 2 && S[0] == '#' && S[1] == '!') {
      const unsigned char* End = LineCommentEnd(S + 2);
      if (Failed()) return Refuse(FOutcome);
      KeepComment(S, End, true, false);
    }
    // A failure moves P to the end, which ends the loop.
    while (P < E) {
      if ((kTables.Flags[*P] & fGap) != 0) {
        Gap();
        if (P >= E) break;
      }
      Lex(*FCur);
      Junction(*FCur);
      // The token becomes the previous one; the slots turn round rather
      // than being copied.
      TToken* const Free = FPrev2;
      FPrev2 = FPrev;
      FPrev = FCur;
      FCur = Free;
      FGapStart = P;
      FLinePending = false;
      FLineOut = false;
      FAfterKept = false;
    }
    if (!Failed() && !FOpen.empty())
      Fail(FOpen.back() == opSubst ? TScriptOutcome::Unterminated : TScriptOutcome::Unbalanced);
    if (Failed()) return Refuse(FOutcome);
    // The gap after the last token goes.
    if (FGapStart != E) FEdited = true;
    Flush(FGapStart);
    return {static_cast<std::size_t>(O - FOut), TScriptOutcome::Minified, FEdited};
  }

private:
  bool Failed() const { return FOutcome != TScriptOutcome::Minified; }

  // Stops the scan: the script will be left as it is.
  void Fail(TScriptOutcome Why) {
    if (!Failed()) FOutcome = Why;
    P = E;
  }

  TScriptResult Refuse(TScriptOutcome Why) {
    const std::size_t Size = static_cast<std::size_t>(E - S);
    if (Size != 0) std::memcpy(FOut, S, Size);
    return {Size, Why, false};
  }

  // The result: FOut up to O, then the source from FRunStart up to the
  // point the scan has decided on.
  void Flush(const unsigned char* To) {
    const std::size_t Count = static_cast<std::size_t>(To - FRunStart);
    if (Count <= 16 && E - FRunStart >= 16) {
      // Most runs are short: copy sixteen bytes at once. The result is
      // never ahead of the source (O - FOut <= FRunStart - S), so they fit
      // in Out, and what lies past Count is written over later.
      std::memcpy(O, FRunStart, 16);
    } else if (Count != 0) {
      std::memcpy(O, FRunStart, Count);
    }
    O += Count;
    FRunStart = To;
  }

  // Replaces the source bytes [Begin, End) by Sep (0: by nothing).
  void ReplaceGap(const unsigned char* Begin, const unsigned char* End, unsigned char Sep) {
    if (Sep != 0 && End - Begin == 1 && *Begin == Sep) return;  // stays as it is
    Flush(Begin);
    if (Sep != 0) *O++ = Sep;
    FRunStart = End;
    FEdited = true;
  }

  bool OutputEmpty() const { return O == FOut && FRunStart == FGapStart; }

  // The last byte of the result so far, with the gap from FGapStart not
  // yet decided; 0 when there is none.
  unsigned char LastOut() const {
    if (FRunStart < FGapStart) return FGapStart[-1];
    return O > FOut ? O[-1] : 0;
  }

  // White space and comments from P on, up to the next token or the end.
  void Gap() {
    while (P < E) {
      if (*P == ' ' && (E - P < 2 || (kTables.Flags[P[1]] & fGap) == 0)) {
        ++P;  // a single blank, the most common gap
        return;
      }
      switch (ClassOf(*P)) {
        case bcBlank:
        case bcLineEnd:
          // Most gaps are one blank; indentation after a line break is long.
          if (*P == '\n' || *P == '\r') FLinePending = true;
          ++P;
#if defined(__SSE2__)
          if (FWide && P < E && (ClassOf(*P) == bcBlank || ClassOf(*P) == bcLineEnd))
            P = WideBlankRunEnd(P, E, FLinePending);
#endif
          break;
        case bcSlash:
          if (E - P >= 2 && P[1] == '/') {
            LineComment();
          } else if (E - P >= 2 && P[1] == '*') {
            BlockComment();
          } else {
            return;
          }
          break;
        case bcHigh: {
          std::size_t Len = 0;
          const THigh H = ReadHigh(P, E, Len);
          if (H == hBlank) {
            P += Len;
          } else if (H == hLineEnd) {
            FLinePending = true;
            P += Len;
          } else {
            return;
          }
          break;
        }
        default:
          return;
      }
    }
  }

  // The end of the line comment whose text starts at From: the next LF or
  // CR, or the end. U+2028 and U+2029 end a comment only where the text is
  // UTF-8, so a comment holding one leaves the script alone.
  const unsigned char* LineCommentEnd(const unsigned char* From) {
    // One search for both, which stops at the first: searching for LF
    // first would read to the end of a script with CR line ends, again for
    // every comment.
    const unsigned char* End = FindEitherByte(From, E, '\n', '\r', FWide);
    for (const unsigned char* Q = From;
         (Q = static_cast<const unsigned char*>(std::memchr(Q, 0xE2, static_cast<std::size_t>(End - Q)))) != nullptr;
         ++Q) {
      if (AtLsPs(Q, E)) {
        Fail(TScriptOutcome::Invalid);
        return E;
      }
    }
    return End;
  }

  static bool StartsWith(const unsigned char* B, const unsigned char* End, std::string_view Text) {
    return static_cast<std::size_t>(End - B) >= Text.size() && std::memcmp(B, Text.data(), Text.size()) == 0;
  }

  // A source-map comment: "//# sourceMappingURL=" and the like, or the
  // same in "/*" form. Begin points at the comment's "/".
  static bool IsSourceMap(const unsigned char* Begin, const unsigned char* End) {
    if (End - Begin < 4 || (Begin[2] != '#' && Begin[2] != '@')) return false;
    return StartsWith(Begin + 3, End, " sourceMappingURL=") || StartsWith(Begin + 3, End, " sourceURL=");
  }

  void LineComment() {
    const unsigned char* Begin = P;
    const unsigned char* End = LineCommentEnd(P + 2);
    if (Failed()) return;
    if (IsSourceMap(Begin, End))
      KeepComment(Begin, End, true, false);
    else
      P = End;  // its line break is read as part of the gap
  }

  void BlockComment() {
    const unsigned char* Begin = P;
    const unsigned char* Q = P + 2;
    const unsigned char* End = nullptr;
    while (End == nullptr) {
      Q = static_cast<const unsigned char*>(std::memchr(Q, '*', static_cast<std::size_t>(E - Q)));
      if (Q == nullptr || E - Q < 2) {
        Fail(TScriptOutcome::Unterminated);
        return;
      }
      if (Q[1] == '/') End = Q + 2;
      ++Q;
    }
    const std::size_t Len = static_cast<std::size_t>(End - Begin);
    bool LineEnd = std::memchr(Begin, '\n', Len) != nullptr || std::memchr(Begin, '\r', Len) != nullptr;
    for (const unsigned char* X = Begin; !LineEnd && (X = static_cast<const unsigned char*>(
                                                          std::memchr(X, 0xE2, static_cast<std::size_t>(End - X)))) != nullptr;
         ++X)
      LineEnd = AtLsPs(X, End);
    if (Begin[2] == '!' || IsSourceMap(Begin, End)) {
      KeepComment(Begin, End, false, LineEnd);
    } else {
      if (LineEnd) FLinePending = true;
      P = End;
    }
  }

  // Keeps the comment [Begin, End) byte for byte; a line comment (Line)
  // with one LF for its line break, when it has one. The gap before it
  // becomes a line break where it held one, a blank where the result ends
  // after a division sign (whose "/" would join the comment's), nothing
  // elsewhere.
  void KeepComment(const unsigned char* Begin, const unsigned char* End, bool Line, bool LineEnd) {
    if (Begin > FGapStart) {
      unsigned char Sep = 0;
      if (!OutputEmpty()) {
        if (FLinePending && !FLineOut) {
          Sep = '\n';
          FLineOut = true;
        } else if (!FAfterKept && LastOut() == '/') {
          Sep = ' ';  // after a division sign the comment would start at its slash
        }
      }
      ReplaceGap(FGapStart, Begin, Sep);
    }
    if (LineEnd) FLineOut = true;
    P = End;
    if (Line && P < E) {
      const std::size_t Len = *P == '\r' && E - P >= 2 && P[1] == '\n' ? 2 : 1;
      ReplaceGap(P, P + Len, '\n');
      P += Len;
      FLineOut = true;
    }
    FGapStart = P;
    FAfterKept = true;
  }

  // Decides what the gap [FGapStart, N.Begin) before the token N becomes.
  void Junction(const TToken& N) {
    if (N.Begin == FGapStart) return;  // no gap: the tokens stood side by side
    if (OutputEmpty()) {
      ReplaceGap(FGapStart, N.Begin, 0);
      return;
    }
    unsigned char Sep = 0;
    if (FLinePending && !FLineOut && !LineBreakDroppable(*FPrev, N))
      Sep = '\n';
    else if (!FAfterKept && Joins(*FPrev, N))
      Sep = ' ';
    if (Sep == 0 && !FAfterKept && (kTables.Flags[LastOut()] & fHtmlTail) != 0 &&
        (kTables.Flags[*N.Begin] & fHtmlHead) != 0) {
      Flush(FGapStart);
      if (MeetingFormsHtml(O, static_cast<std::size_t>(O - FOut), N.Begin, static_cast<std::size_t>(E - N.Begin)))
        Sep = ' ';
    }
    ReplaceGap(FGapStart, N.Begin, Sep);
  }

  // Whether A and B, written side by side, would read as other tokens.
  static bool Joins(const TToken& A, const TToken& B) {
    const unsigned char B0 = B.Begin[0];
    switch (A.Kind) {
      case tkWord:
      case tkNumber:
      case tkRegex:
        // Names, numbers and a regular expression's flags run on into a
        // letter, digit, "$", "_", escape or non-ASCII character.
        if (IsIdPart(B0) || B0 == '\\' || B0 >= 0x80) return true;
        if (A.Kind == tkNumber) {
          // "1 .x" is not "1.x"; a number with a point, exponent, prefix or
          // BigInt suffix takes no second point.
          if (B0 != '.') return false;
          for (std::size_t I = 0; I < A.Size; ++I)
            if (!IsDigit(A.Begin[I]) && A.Begin[I] != '_') return false;
          return true;
        }
        if (A.Kind == tkRegex) return A.Last() == '/' && (B0 == '/' || B0 == '*');
        return false;
      case tkPunct: {
        // Only these can go on with a punctuator before them (or, after
        // "." or "?.", make a number).
        if ((kTables.Flags[B0] & fPunctNext) == 0) return false;
        if (A.Last() == '/' && (B0 == '/' || B0 == '*')) return true;  // a comment would start
        if (A.Is(".") && B0 == '.') return true;                        // ". . ." is not "..."
        unsigned char Buf[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        std::size_t Len = 0;
        for (std::size_t I = 0; I < A.Size; ++I) Buf[Len++] = A.Begin[I];
        for (std::size_t I = 0; I < B.Size && I < 4; ++I) Buf[Len++] = B.Begin[I];
        return PunctLength(Buf, Buf + Len) != A.Size;
      }
      default:
        return false;
    }
  }

  // A punctuator after which an expression or statement may end.
  static bool EndsExpression(const TToken& A) {
    if (A.Size == 1) return A.Begin[0] == ')' || A.Begin[0] == ']' || A.Begin[0] == '}';
    return A.Is("++") || A.Is("--");
  }

  // Punctuators that may start a statement or a class element, or that a
  // restricted production reads ("++", "--", "=>").
  static bool MayStartOrRestrict(const TToken& B) {
    if (B.Size == 1) {
      switch (B.Begin[0]) {
        case '(': case '[': case '{': case '+': case '-': case '*': case '!': case '~': case '@':
          return true;
        default:
          return false;
      }
    }
    return B.Is("++") || B.Is("--") || B.Is("=>") || B.Is("...");
  }

  // Punctuators that go on with an expression ended by ")", a template or
  // a regular expression: call, member, binary operator.
  static bool ContinuesExpression(const TToken& B) {
    if (B.Size != 1) return false;
    const unsigned char C = B.Begin[0];
    return C == '(' || C == '[' || C == '+' || C == '-' || C == '*';
  }

  // Whether a line break between A and B can go (see the top of the file).
  static bool LineBreakDroppable(const TToken& A, const TToken& B) {
    if (A.Kind == tkNone || A.Kind == tkTemplateOpen) return true;
    if (A.Kind == tkPunct && !EndsExpression(A)) return true;
    const unsigned char B0 = B.Begin[0];
    if (B0 == '}') return true;  // "}" or the rest of a template after its substitution
    const bool AfterCall = A.Kind == tkTemplate || A.Kind == tkRegex || A.Is(")");
    if (B.Kind == tkPunct) return !MayStartOrRestrict(B) || (AfterCall && ContinuesExpression(B));
    return AfterCall && B0 == '`';
  }

  TSlash SlashAfter(const TToken& A) const {
    switch (A.Kind) {
      case tkNone:
      case tkTemplateOpen:
        return slRegex;
      case tkWord:
        if (A.Property || A.Begin[0] == '#') return slDivision;
        return SlashAfterWord(std::string_view(reinterpret_cast<const char*>(A.Begin), A.Size), FModule);
      case tkPunct:
        if (A.Is(")")) return A.ClosesHead ? slRegex : slDivision;
        if (A.Is("]")) return slDivision;
        if (A.Is("}") || A.Is("++") || A.Is("--")) return slAmbiguous;
        return slRegex;
      default:
        return slDivision;
    }
  }

  // Whether a "(" now opens the head of if, while, for, with or for await.
  bool OpensHead() const {
    if (FPrev->Kind != tkWord || FPrev->Property) return false;
    if (FPrev->Is("if") || FPrev->Is("while") || FPrev->Is("for") || FPrev->Is("with")) return true;
    return FPrev->Is("await") && FPrev2->Kind == tkWord && !FPrev2->Property && FPrev2->Is("for");
  }

  // Reads the token at P (not white space, not a comment) into T and moves
  // past it.
  void Lex(TToken& T) {
    T.Begin = P;
    T.Property = false;
    T.ClosesHead = false;
    T.Dot = false;
    switch (ClassOf(*P)) {
      case bcIdent: {
        // The common case: ASCII letters, digits, "$" and "_" only.
        const unsigned char* Q = IdPartEnd(P + 1, E, FWide);
        if (Q < E && (*Q == '\\' || *Q >= 0x80)) {
          LexWord(T, P);
        } else {
          T.Kind = tkWord;
          T.Property = FPrev->Dot;
          P = Q;
        }
        break;
      }
      case bcBackslash:
      case bcHigh:
        LexWord(T, P);
        break;
      case bcHash:
        // A private name; a hashbang was taken at the start.
        if (E - P >= 2 && (ClassOf(P[1]) == bcIdent || P[1] == '\\' || P[1] >= 0x80))
          LexWord(T, P + 1);
        else
          Fail(TScriptOutcome::Invalid);
        break;
      case bcDigit:
        LexNumber(T);
        break;
      case bcDot:
        if (E - P >= 2 && IsDigit(P[1])) {
          LexNumber(T);
        } else {
          T.Kind = tkPunct;
          const std::size_t Len = PunctLength(P, E);
          T.Dot = Len == 1;
          P += Len;
        }
        break;
      case bcQuote:
        LexString(T);
        break;
      case bcBacktick:
        FOpen.push_back(opSubst);  // taken off again when the literal ends
        LexTemplate(T, P + 1);
        break;
      case bcSlash:
        switch (SlashAfter(*FPrev)) {
          case slRegex:
            LexRegex(T);
            break;
          case slDivision:
            T.Kind = tkPunct;
            P += PunctLength(P, E);
            break;
          default:
            Fail(TScriptOutcome::Ambiguous);
            break;
        }
        break;
      case bcSingle:
        T.Kind = tkPunct;
        ++P;
        break;
      case bcOpen:
        T.Kind = tkPunct;
        FOpen.push_back(*P == '(' ? (OpensHead() ? opHead : opParen) : *P == '[' ? opSquare : opBrace);
        ++P;
        break;
      case bcClose:
        LexClose(T);
        break;
      case bcPunct: {
        T.Kind = tkPunct;
        const std::size_t Len = PunctLength(P, E);  // never 0 for these bytes
        T.Dot = Len == 2 && P[0] == '?' && P[1] == '.';
        P += Len;
        break;
      }
      default:
        Fail(TScriptOutcome::Invalid);
        break;
    }
    T.Size = static_cast<std::size_t>(P - T.Begin);
  }

  // An identifier, keyword or private name whose name starts at From.
  void LexWord(TToken& T, const unsigned char* From) {
    T.Kind = tkWord;
    T.Property = FPrev->Dot;
    const unsigned char* Q = From;
    for (;;) {
      Q = IdPartEnd(Q, E, FWide);
      if (Q >= E) break;
      if (*Q == '\\') {
        if (!UnicodeEscape(Q)) return Fail(TScriptOutcome::Invalid);
      } else if (*Q >= 0x80) {
        std::size_t Len = 0;
        const THigh H = ReadHigh(Q, E, Len);
        if (H == hInvalid) return Fail(TScriptOutcome::Invalid);
        if (H != hIdent) break;
        Q += Len;
      } else {
        break;
      }
    }
    // A name never starts with a digit (the classes that call here see to
    // that), and "#" alone is no name.
    if (Q == From) return Fail(TScriptOutcome::Invalid);
    P = Q;
  }

  // "\uXXXX" or "\u{X...}" at Q; moves Q past it.
  bool UnicodeEscape(const unsigned char*& Q) const {
    if (E - Q < 3 || Q[1] != 'u') return false;
    const unsigned char* X = Q + 2;
    if (*X == '{') {
      ++X;
      const unsigned char* Digits = X;
      while (X < E && IsHex(*X)) ++X;
      if (X == Digits || X >= E || *X != '}') return false;
      Q = X + 1;
      return true;
    }
    for (int I = 0; I < 4; ++I, ++X)
      if (X >= E || !IsHex(*X)) return false;
    Q = X;
    return true;
  }

  void LexNumber(TToken& T) {
    T.Kind = tkNumber;
    const unsigned char* Q = P;
    auto Digits = [&](bool Hex) {
      while (Q < E && ((Hex ? IsHex(*Q) : IsDigit(*Q)) || *Q == '_')) ++Q;
    };
    if (*Q == '0' && E - Q >= 2 && ((Q[1] | 0x20) == 'x' || (Q[1] | 0x20) == 'o' || (Q[1] | 0x20) == 'b')) {
      Q += 2;
      Digits(true);
    } else {
      Digits(false);
      if (Q < E && *Q == '.') {
        ++Q;
        Digits(false);
      }
      if (Q < E && (*Q | 0x20) == 'e') {
        const unsigned char* X = Q + 1;
        if (X < E && (*X == '+' || *X == '-')) ++X;
        if (X < E && IsDigit(*X)) {
          Q = X;
          Digits(false);
        }
      }
    }
    if (Q < E && *Q == 'n') ++Q;
    // A number may not run on into a name ("3in", "1.e", "0x1g").
    if (NameGoesOn(Q, E)) return Fail(TScriptOutcome::Invalid);
    P = Q;
  }

  void LexString(TToken& T) {
    T.Kind = tkString;
    const unsigned char Quote = *P;
    const unsigned char* Q = P + 1;
    for (;;) {
      Q = StringStop(Q, E, Quote, FWide);
      if (Q >= E) return Fail(TScriptOutcome::Unterminated);
      const unsigned char C = *Q;
      if (C == Quote) {
        P = Q + 1;
        return;
      }
      if (C == '\\') {
        if (E - Q < 2) return Fail(TScriptOutcome::Unterminated);
        // A line continuation's CR LF is one line terminator.
        Q += Q[1] == '\r' && E - Q >= 3 && Q[2] == '\n' ? 3 : 2;
        continue;
      }
      if (C == '\n' || C == '\r') return Fail(TScriptOutcome::Unterminated);
      ++Q;  // the other quote
    }
  }

  // A template piece whose text starts at From (after "`" or after the "}"
  // closing a substitution); the substitution is on the stack.
  void LexTemplate(TToken& T, const unsigned char* From) {
    const unsigned char* Q = From;
    for (;;) {
      while (Q < E && (kTables.Flags[*Q] & fTemplateStop) == 0) ++Q;
      if (Q >= E) return Fail(TScriptOutcome::Unterminated);
      const unsigned char C = *Q;
      if (C == '`') {
        T.Kind = tkTemplate;
        FOpen.pop_back();
        P = Q + 1;
        return;
      }
      if (C == '\\') {
        if (E - Q < 2) return Fail(TScriptOutcome::Unterminated);
        Q += 2;
        continue;
      }
      if (E - Q >= 2 && Q[1] == '{') {  // "${"
        T.Kind = tkTemplateOpen;
        P = Q + 2;
        return;
      }
      ++Q;  // a "$" alone
    }
  }

  void LexRegex(TToken& T) {
    T.Kind = tkRegex;
    const unsigned char* Q = P + 1;
    bool InClass = false;
    for (;;) {
      while (Q < E && (kTables.Flags[*Q] & fRegexStop) == 0) ++Q;
      if (Q >= E) return Fail(TScriptOutcome::Unterminated);
      const unsigned char C = *Q;
      if (C == '\\') {
        if (E - Q < 2 || Q[1] == '\n' || Q[1] == '\r' || AtLsPs(Q + 1, E))
          return Fail(TScriptOutcome::Unterminated);
        Q += 2;
        continue;
      }
      if (C == '\n' || C == '\r' || AtLsPs(Q, E)) return Fail(TScriptOutcome::Unterminated);
      if (C == '[') {
        InClass = true;
      } else if (C == ']') {
        InClass = false;
      } else if (C == '/' && !InClass) {
        ++Q;
        break;
      }
      ++Q;
    }
    while (Q < E && IsIdPart(*Q)) ++Q;  // the flags
    if (NameGoesOn(Q, E)) return Fail(TScriptOutcome::Invalid);
    P = Q;
  }

  // ")", "]" or "}"; a "}" closing a substitution goes on with its
  // template literal.
  void LexClose(TToken& T) {
    T.Kind = tkPunct;
    const std::uint8_t Top = FOpen.empty() ? 0xFF : FOpen.back();
    switch (*P) {
      case ')':
        if (Top != opParen && Top != opHead) return Fail(TScriptOutcome::Unbalanced);
        T.ClosesHead = Top == opHead;
        break;
      case ']':
        if (Top != opSquare) return Fail(TScriptOutcome::Unbalanced);
        break;
      default:
        if (Top == opSubst) return LexTemplate(T, P + 1);
        if (Top != opBrace) return Fail(TScriptOutcome::Unbalanced);
        break;
    }
    FOpen.pop_back();
    ++P;
  }

  const unsigned char* const S;
  const unsigned char* const E;
  const bool FModule;
  const bool FWide = UseWideScan();
  unsigned char* const FOut;
  unsigned char* O;                 // where the result goes on
  const unsigned char* P;           // the read cursor
  const unsigned char* FRunStart;   // source bytes from here on go to the result unchanged
  const unsigned char* FGapStart;   // the gap not yet decided on starts here
  TToken FSlots[3];
  TToken* FPrev = &FSlots[0];       // the last token
  TToken* FPrev2 = &FSlots[1];      // the one before it
  TToken* FCur = &FSlots[2];        // the one being read
  std::vector<std::uint8_t> FOpen;  // open brackets and substitutions (TOpen)
  bool FLinePending = false;        // a line terminator since the last token
  bool FLineOut = false;            // the result has one since the last token
  bool FAfterKept = false;          // a kept comment is the last thing written
  bool FEdited = false;             // the result differs from the source
  TScriptOutcome FOutcome = TScriptOutcome::Minified;
};

inline bool IsJsonBlank(unsigned char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r'; }

// Bytes of numbers and of true, false and null.
inline bool IsJsonWord(unsigned char C) {
  return IsDigit(C) || ((C | 0x20) >= 'a' && (C | 0x20) <= 'z') || C == '+' || C == '-' || C == '.';
}

inline bool IsJsonPunct(unsigned char C) {
  return C == '{' || C == '}' || C == '[' || C == ']' || C == ':' || C == ',';
}

}  // namespace

const char* ScriptOutcomeName(TScriptOutcome Outcome) {
  switch (Outcome) {
    case TScriptOutcome::Minified: return "minified";
    case TScriptOutcome::HtmlLike: return "html-like";
    case TScriptOutcome::Unterminated: return "unterminated";
    case TScriptOutcome::Unbalanced: return "unbalanced";
    case TScriptOutcome::Ambiguous: return "ambiguous";
    case TScriptOutcome::Invalid: return "invalid";
  }
  return "?";
}

TScriptResult MinifyJavaScriptTo(std::string_view Source, bool Module, char* Out) {
  return TJsMinifier(Source, Module, Out).Run();
}

std::string MinifyJavaScript(std::string_view Source, bool Module) {
  std::string Result(Source.size(), '\0');
  Result.resize(MinifyJavaScriptTo(Source, Module, Result.data()).Size);
  return Result;
}

TScriptResult MinifyJsonTo(std::string_view Source, char* Out) {
  const auto* S = reinterpret_cast<const unsigned char*>(Source.data());
  const unsigned char* const E = S + Source.size();
  auto* const Begin = reinterpret_cast<unsigned char*>(Out);
  auto Refuse = [&](TScriptOutcome Why) {
    if (!Source.empty()) std::memcpy(Out, Source.data(), Source.size());
    return TScriptResult{Source.size(), Why, false};
  };
  if (HoldsHtmlLike(Source)) return Refuse(TScriptOutcome::HtmlLike);
  unsigned char* O = Begin;
  bool Gap = false;
  for (const unsigned char* P = S; P < E;) {
    const unsigned char C = *P;
    if (IsJsonBlank(C)) {
      Gap = true;
      ++P;
      continue;
    }
    if (C == '"') {
      const unsigned char* Q = P + 1;
      for (;;) {
        while (Q < E && *Q != '"' && *Q != '\\' && *Q != '\n' && *Q != '\r') ++Q;
        if (Q >= E || *Q == '\n' || *Q == '\r') return Refuse(TScriptOutcome::Unterminated);
        if (*Q == '"') break;
        if (E - Q < 2) return Refuse(TScriptOutcome::Unterminated);
        Q += 2;
      }
      ++Q;
      std::memcpy(O, P, static_cast<std::size_t>(Q - P));
      O += Q - P;
      P = Q;
    } else if (IsJsonWord(C)) {
      if (Gap && O > Begin && IsJsonWord(O[-1])) *O++ = ' ';
      *O++ = C;
      ++P;
    } else if (IsJsonPunct(C)) {
      *O++ = C;
      ++P;
    } else {
      return Refuse(TScriptOutcome::Invalid);
    }
    Gap = false;
  }
  const std::size_t Size = static_cast<std::size_t>(O - Begin);
  return {Size, TScriptOutcome::Minified, Size != Source.size() || (Size != 0 && std::memcmp(Begin, S, Size) != 0)};
}

std::string MinifyJson(std::string_view Source) {
  std::string Result(Source.size(), '\0');
  Result.resize(MinifyJsonTo(Source, Result.data()).Size);
  return Result;
}
