#include "compact/CssTokenizer.h"

namespace {

constexpr bool IsNewline(unsigned char C) { return C == '\n' || C == '\r' || C == '\f'; }
constexpr bool IsWhite(unsigned char C) { return IsNewline(C) || C == ' ' || C == '\t'; }
constexpr bool IsDigit(unsigned char C) { return C >= '0' && C <= '9'; }
constexpr bool IsHex(unsigned char C) { return IsDigit(C) || ((C | 0x20) >= 'a' && (C | 0x20) <= 'f'); }
constexpr bool IsLetter(unsigned char C) { return (C | 0x20) >= 'a' && (C | 0x20) <= 'z'; }
// Name start and name bytes; NUL stands for U+FFFD, a name code point.
constexpr bool IsNameStartByte(unsigned char C) { return IsLetter(C) || C == '_' || C >= 0x80 || C == 0; }
constexpr bool IsNameByte(unsigned char C) { return IsNameStartByte(C) || IsDigit(C) || C == '-'; }
constexpr bool IsNonPrintable(unsigned char C) { return C <= 0x08 || C == 0x0B || (C >= 0x0E && C <= 0x1F) || C == 0x7F; }

int HexValue(unsigned char C) { return IsDigit(C) ? C - '0' : (C | 0x20) - 'a' + 10; }

// What a byte starts, for the dispatch of Next.
enum TStart : std::uint8_t {
  stDelim,      // a delim, unless one of the others
  stWhite,
  stName,       // a name start byte
  stDigit,
  stQuote,
  stHash,
  stSingle,     // a token of its own: ( ) [ ] { } , : ;
  stSign,       // "+" or "."
  stMinus,
  stLess,
  stAt,
  stBackslash,
  stSlash,
};

struct TByteTables {
  std::uint8_t Start[256] = {};
  bool Name[256] = {};   // a name byte
  bool White[256] = {};
};

constexpr TByteTables MakeByteTables() {
  TByteTables T;
  for (int B = 0; B < 256; ++B) {
    const auto C = static_cast<unsigned char>(B);
    T.Name[B] = IsNameByte(C);
    T.White[B] = IsWhite(C);
    std::uint8_t St = stDelim;
    if (IsWhite(C)) St = stWhite;
    else if (IsNameStartByte(C)) St = stName;
    else if (IsDigit(C)) St = stDigit;
    else if (C == '"' || C == '\'') St = stQuote;
    else if (C == '#') St = stHash;
    else if (C == '+' || C == '.') St = stSign;
    else if (C == '-') St = stMinus;
    else if (C == '<') St = stLess;
    else if (C == '@') St = stAt;
    else if (C == '\\') St = stBackslash;
    else if (C == '/') St = stSlash;
    if (css_detail::kSingleKinds.Kind[B] != TCssTokenKind::ckWhitespace) St = stSingle;
    T.Start[B] = St;
  }
  return T;
}
constexpr TByteTables kBytes = MakeByteTables();

void AppendUtf8(std::string& Out, std::uint32_t Cp) {
  if (Cp == 0 || (Cp >= 0xD800 && Cp <= 0xDFFF) || Cp > 0x10FFFF) Cp = 0xFFFD;
  if (Cp < 0x80) {
    Out += static_cast<char>(Cp);
  } else if (Cp < 0x800) {
    Out += static_cast<char>(0xC0 | (Cp >> 6));
    Out += static_cast<char>(0x80 | (Cp & 0x3F));
  } else if (Cp < 0x10000) {
    Out += static_cast<char>(0xE0 | (Cp >> 12));
    Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Cp & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (Cp >> 18));
    Out += static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Cp & 0x3F));
  }
}

// Decodes the escape whose backslash stands at P - 1 into Out; returns the
// position after it.
std::size_t DecodeEscape(std::string_view S, std::size_t P, std::string& Out) {
  if (P >= S.size()) {
    AppendUtf8(Out, 0xFFFD);
    return P;
  }
  const auto C = static_cast<unsigned char>(S[P]);
  if (!IsHex(C)) {
    if (C == 0)
      AppendUtf8(Out, 0xFFFD);
    else
      Out += static_cast<char>(C);
    return P + 1;
  }
  std::uint32_t Cp = 0;
  std::size_t Q = P;
  while (Q < S.size() && Q - P < 6 && IsHex(static_cast<unsigned char>(S[Q])))
    Cp = Cp * 16 + static_cast<std::uint32_t>(HexValue(static_cast<unsigned char>(S[Q++])));
  AppendUtf8(Out, Cp);
  if (Q < S.size() && IsWhite(static_cast<unsigned char>(S[Q]))) {
    ++Q;
    if (S[Q - 1] == '\r' && Q < S.size() && S[Q] == '\n') ++Q;
  }
  return Q;
}

// Decodes the bytes [P, End) of a name, string or url content.
std::string Decode(std::string_view S, std::size_t P, std::size_t End, bool InString) {
  std::string Out;
  Out.reserve(End - P);
  while (P < End) {
    const auto C = static_cast<unsigned char>(S[P]);
    if (C == '\\') {
      if (InString && P + 1 < End && IsNewline(static_cast<unsigned char>(S[P + 1]))) {
        P += 2;
        if (S[P - 1] == '\r' && P < End && S[P] == '\n') ++P;
        continue;
      }
      if (P + 1 >= End) {
        // A backslash at the end of a string is dropped, elsewhere U+FFFD.
        if (!InString) AppendUtf8(Out, 0xFFFD);
        ++P;
        continue;
      }
      P = DecodeEscape(S.substr(0, End), P + 1, Out);
      continue;
    }
    if (C == 0)
      AppendUtf8(Out, 0xFFFD);
    else
      Out += static_cast<char>(C);
    ++P;
  }
  return Out;
}

}  // namespace

bool TCssTokenizer::ValidEscape(std::size_t Q) const {
  return Has(Q) && S[Q] == '\\' && !(Has(Q + 1) && IsNewline(At(Q + 1)));
}

bool TCssTokenizer::StartsName(std::size_t Q) const {
  if (!Has(Q)) return false;
  const unsigned char C = At(Q);
  if (C == '-') return (Has(Q + 1) && (IsNameStartByte(At(Q + 1)) || At(Q + 1) == '-')) || ValidEscape(Q + 1);
  if (IsNameStartByte(C)) return true;
  return ValidEscape(Q);
}

bool TCssTokenizer::StartsNumber(std::size_t Q) const {
  if (!Has(Q)) return false;
  const unsigned char C = At(Q);
  if (C == '+' || C == '-') {
    if (Has(Q + 1) && IsDigit(At(Q + 1))) return true;
    return Has(Q + 2) && At(Q + 1) == '.' && IsDigit(At(Q + 2));
  }
  if (C == '.') return Has(Q + 1) && IsDigit(At(Q + 1));
  return IsDigit(C);
}

std::size_t TCssTokenizer::PastEscape(std::size_t Q) const {
  if (!Has(Q)) return Q;
  if (!IsHex(At(Q))) return Q + 1;
  const std::size_t Start = Q;
  while (Has(Q) && Q - Start < 6 && IsHex(At(Q))) ++Q;
  if (Has(Q) && IsWhite(At(Q))) {
    ++Q;
    if (At(Q - 1) == '\r' && Has(Q) && At(Q) == '\n') ++Q;
  }
  return Q;
}

std::size_t TCssTokenizer::PastName(std::size_t Q) const {
  const auto* D = reinterpret_cast<const unsigned char*>(S.data());
  const std::size_t N = S.size();
  for (;;) {
    while (Q < N && kBytes.Name[D[Q]]) ++Q;
    if (Q < N && D[Q] == '\\' && ValidEscape(Q)) {
      Q = PastEscape(Q + 1);
      continue;
    }
    return Q;
  }
}

std::size_t TCssTokenizer::PastNumber(std::size_t Q) const {
  if (Has(Q) && (At(Q) == '+' || At(Q) == '-')) ++Q;
  while (Has(Q) && IsDigit(At(Q))) ++Q;
  if (Has(Q + 1) && At(Q) == '.' && IsDigit(At(Q + 1))) {
    Q += 2;
    while (Has(Q) && IsDigit(At(Q))) ++Q;
  }
  if (Has(Q) && (At(Q) | 0x20) == 'e') {
    std::size_t E = Q + 1;
    if (Has(E) && (At(E) == '+' || At(E) == '-')) ++E;
    if (Has(E) && IsDigit(At(E))) {
      Q = E;
      while (Has(Q) && IsDigit(At(Q))) ++Q;
    }
  }
  return Q;
}

void TCssTokenizer::Numeric(TCssToken& Token) {
  P = PastNumber(P);
  if (StartsName(P)) {
    P = PastName(P);
    Token.Kind = TCssTokenKind::ckDimension;
  } else if (Has(P) && At(P) == '%') {
    ++P;
    Token.Kind = TCssTokenKind::ckPercentage;
  } else {
    Token.Kind = TCssTokenKind::ckNumber;
  }
}

void TCssTokenizer::NameLike(TCssToken& Token) {
  const std::size_t Start = P;
  P = PastName(P);
  if (!Has(P) || At(P) != '(') {
    Token.Kind = TCssTokenKind::ckIdent;
    return;
  }
  const std::size_t NameEnd = P;
  ++P;
  // Without escapes a name is "url" only as its three bytes.
  const std::string_view Raw = S.substr(Start, NameEnd - Start);
  const bool IsUrl = Raw.find('\\') == std::string_view::npos
                         ? Raw.size() == 3 && (Raw[0] | 0x20) == 'u' && (Raw[1] | 0x20) == 'r' && (Raw[2] | 0x20) == 'l'
                         : CssLower(Decode(S, Start, NameEnd, false)) == "url";
  if (!IsUrl) {
    Token.Kind = TCssTokenKind::ckFunction;
    return;
  }
  // url( with a quoted address is a function; unquoted, one url token.
  std::size_t Q = P;
  while (Has(Q) && IsWhite(At(Q))) ++Q;
  if (Has(Q) && (At(Q) == '"' || At(Q) == '\'')) {
    // The function token takes all but one of the blanks before the quote.
    P = Q > P ? Q - 1 : P;
    Token.Kind = TCssTokenKind::ckFunction;
    return;
  }
  Url(Token);
}

void TCssTokenizer::Url(TCssToken& Token) {
  Token.Kind = TCssTokenKind::ckUrl;
  while (Has(P) && IsWhite(At(P))) ++P;
  bool Bad = false;
  while (Has(P)) {
    const unsigned char C = At(P);
    if (C == ')') {
      ++P;
      break;
    }
    if (!Bad && IsWhite(C)) {
      while (Has(P) && IsWhite(At(P))) ++P;
      if (!Has(P) || At(P) == ')') continue;
      Bad = true;
      continue;
    }
    if (!Bad && (C == '"' || C == '\'' || C == '(' || IsNonPrintable(C))) {
      Bad = true;
      ++P;
      continue;
    }
    if (C == '\\') {
      if (ValidEscape(P)) {
        P = PastEscape(P + 1);
      } else {
        Bad = true;
        ++P;
      }
      continue;
    }
    ++P;
  }
  if (Bad) Token.Kind = TCssTokenKind::ckBadUrl;
}

void TCssTokenizer::String(TCssToken& Token, unsigned char Quote) {
  Token.Kind = TCssTokenKind::ckString;
  ++P;
  while (Has(P)) {
    const unsigned char C = At(P);
    if (C == Quote) {
      ++P;
      return;
    }
    if (IsNewline(C)) {
      // The line end is not part of the string.
      Token.Kind = TCssTokenKind::ckBadString;
      return;
    }
    if (C == '\\') {
      if (!Has(P + 1)) {
        ++P;
      } else if (IsNewline(At(P + 1))) {
        P += 2;
        if (At(P - 1) == '\r' && Has(P) && At(P) == '\n') ++P;
      } else {
        P = PastEscape(P + 1);
      }
      continue;
    }
    ++P;
  }
}

bool TCssTokenizer::NextOther(TCssToken& Token) {
  if (!Has(P)) return false;
  Token = TCssToken{};
  Token.Begin = P;
  const unsigned char C = At(P);
  using K = TCssTokenKind;
  auto One = [&](K Kind) {
    Token.Kind = Kind;
    ++P;
  };
  switch (kBytes.Start[C]) {
    case stWhite: {
      Token.Kind = K::ckWhitespace;
      const auto* D = reinterpret_cast<const unsigned char*>(S.data());
      const std::size_t N = S.size();
      std::size_t Q = P + 1;
      while (Q < N && kBytes.White[D[Q]]) ++Q;
      P = Q;
      break;
    }
    case stName:
      NameLike(Token);
      break;
    case stSingle:  // read by Next already, but complete here
      One(SingleKind(C));
      break;
    case stDigit:
      Numeric(Token);
      break;
    case stQuote:
      String(Token, C);
      break;
    case stSlash:
      if (Has(P + 1) && At(P + 1) == '*') {
        Token.Kind = K::ckComment;
        const std::size_t E = S.find("*/", P + 2);
        P = E == std::string_view::npos ? S.size() : E + 2;
      } else {
        One(K::ckDelim);
      }
      break;
    case stHash:
      if (Has(P + 1) && (IsNameByte(At(P + 1)) || ValidEscape(P + 1))) {
        Token.Kind = K::ckHash;
        Token.IdHash = StartsName(P + 1);
        P = PastName(P + 1);
      } else {
        One(K::ckDelim);
      }
      break;
    case stSign:
      if (StartsNumber(P))
        Numeric(Token);
      else
        One(K::ckDelim);
      break;
    case stMinus:
      if (StartsNumber(P)) {
        Numeric(Token);
      } else if (Has(P + 2) && At(P + 1) == '-' && At(P + 2) == '>') {
        Token.Kind = K::ckCdc;
        P += 3;
      } else if (StartsName(P)) {
        NameLike(Token);
      } else {
        One(K::ckDelim);
      }
      break;
    case stLess:
      if (S.substr(P, 4) == "<!--") {
        Token.Kind = K::ckCdo;
        P += 4;
      } else {
        One(K::ckDelim);
      }
      break;
    case stAt:
      if (StartsName(P + 1)) {
        Token.Kind = K::ckAtKeyword;
        P = PastName(P + 1);
      } else {
        One(K::ckDelim);
      }
      break;
    case stBackslash:
      if (ValidEscape(P))
        NameLike(Token);
      else
        One(K::ckDelim);
      break;
    default:
      One(K::ckDelim);
      break;
  }
  Token.End = P;
  return true;
}

std::vector<TCssToken> TokenizeCss(std::string_view Css) {
  std::vector<TCssToken> Tokens;
  TCssTokenizer Tokenizer(Css);
  TCssToken T;
  while (Tokenizer.Next(T)) Tokens.push_back(T);
  return Tokens;
}

std::string CssTokenValue(std::string_view Css, const TCssToken& Token) {
  using K = TCssTokenKind;
  const std::size_t B = Token.Begin;
  const std::size_t E = Token.End;
  switch (Token.Kind) {
    case K::ckIdent:
      return Decode(Css, B, E, false);
    case K::ckFunction:
      return Decode(Css, B, Css.find('(', B), false);
    case K::ckAtKeyword:
    case K::ckHash:
      return Decode(Css, B + 1, E, false);
    case K::ckString: {
      // Without its quotes; a string cut by the end of the sheet has no
      // closing one.
      const char Quote = Css[B];
      std::size_t Last = E;
      for (std::size_t P = B + 1; P < E; ++P) {
        if (Css[P] == '\\') {
          ++P;
        } else if (Css[P] == Quote) {
          Last = P;
          break;
        }
      }
      return Decode(Css, B + 1, Last, true);
    }
    case K::ckBadString:
      return Decode(Css, B + 1, E, true);
    case K::ckUrl: {
      std::size_t P = Css.find('(', B) + 1;
      std::size_t Q = E;
      if (Q > P && Css[Q - 1] == ')') --Q;
      while (P < Q && IsWhite(static_cast<unsigned char>(Css[P]))) ++P;
      while (Q > P && IsWhite(static_cast<unsigned char>(Css[Q - 1]))) --Q;
      return Decode(Css, P, Q, false);
    }
    default:
      return std::string(Css.substr(B, E - B));
  }
}

std::string CssLower(std::string_view Text) {
  std::string L(Text);
  for (char& C : L)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C + 32);
  return L;
}
