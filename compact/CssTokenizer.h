#pragma once

// A tokenizer for style sheets, as browsers split them: the token kinds,
// escapes, strings, comments, numbers and url() of the CSS syntax that
// browsers follow. It works on bytes: any byte of 0x80 or more (UTF-8
// sequences, other code pages) and NUL are name bytes, CR, LF and FF end
// lines. Every byte of the input belongs to exactly one token, so the
// tokens laid end to end give the input back; a comment is a token too.
// Linear in the input: every byte is looked at a bounded number of times.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TCssTokenKind : std::uint8_t {
  ckWhitespace,
  ckComment,      // "/* ... */" (or to the end of the sheet)
  ckIdent,
  ckFunction,     // a name and "("
  ckAtKeyword,    // "@" and a name
  ckHash,         // "#" and name bytes
  ckString,       // quoted, the quotes included
  ckBadString,    // a string cut by a line end (which is not in it)
  ckUrl,          // url( unquoted address )
  ckBadUrl,
  ckDelim,        // one byte that is nothing else
  ckNumber,
  ckPercentage,
  ckDimension,
  ckCdo,          // "<!--"
  ckCdc,          // "-->"
  ckColon,
  ckSemicolon,
  ckComma,
  ckOpenSquare,
  ckCloseSquare,
  ckOpenParen,
  ckCloseParen,
  ckOpenCurly,
  ckCloseCurly,
};

struct TCssToken {
  TCssTokenKind Kind = TCssTokenKind::ckDelim;
  std::size_t Begin = 0;  // the token's bytes: [Begin, End) of the input
  std::size_t End = 0;
  bool IdHash = false;    // a hash whose name could be an identifier (an id selector)
};

namespace css_detail {
// For each byte, the kind of the token of one byte it is, or ckWhitespace.
struct TSingleKinds {
  TCssTokenKind Kind[256];
  constexpr TSingleKinds() : Kind() {
    using K = TCssTokenKind;
    for (auto& X : Kind) X = K::ckWhitespace;
    const char Bytes[] = "()[]{},:;";
    const K Kinds[] = {K::ckOpenParen, K::ckCloseParen, K::ckOpenSquare, K::ckCloseSquare, K::ckOpenCurly,
                       K::ckCloseCurly, K::ckComma, K::ckColon, K::ckSemicolon};
    for (int I = 0; I < 9; ++I) Kind[static_cast<unsigned char>(Bytes[I])] = Kinds[I];
  }
};
inline constexpr TSingleKinds kSingleKinds{};
}  // namespace css_detail

class TCssTokenizer {
public:
  explicit TCssTokenizer(std::string_view Css) : S(Css) {}

  // The next token; false at the end of the input. The tokens of one byte
  // ("(", ")", "[", "]", "{", "}", ",", ":", ";") are read here, the
  // others by NextOther.
  bool Next(TCssToken& Token) {
    if (P >= S.size()) return false;
    const TCssTokenKind Kind = SingleKind(static_cast<unsigned char>(S[P]));
    if (Kind == TCssTokenKind::ckWhitespace) return NextOther(Token);
    Token.Kind = Kind;
    Token.Begin = P;
    Token.End = ++P;
    Token.IdHash = false;
    return true;
  }

  // Passes over the whitespace token at this point, if there is one, as
  // Next would read it; says whether there was one.
  bool SkipWhitespace() {
    const std::size_t Start = P;
    while (P < S.size() && (S[P] == ' ' || S[P] == '\n' || S[P] == '\t' || S[P] == '\r' || S[P] == '\f')) ++P;
    return P != Start;
  }

private:
  // The kind of the token of one byte that C is, or ckWhitespace.
  static TCssTokenKind SingleKind(unsigned char C) { return css_detail::kSingleKinds.Kind[C]; }
  bool NextOther(TCssToken& Token);
  unsigned char At(std::size_t P) const { return P < S.size() ? static_cast<unsigned char>(S[P]) : 0; }
  bool Has(std::size_t P) const { return P < S.size(); }
  bool ValidEscape(std::size_t P) const;
  bool StartsName(std::size_t P) const;
  bool StartsNumber(std::size_t P) const;
  std::size_t PastEscape(std::size_t P) const;  // P just after the backslash
  std::size_t PastName(std::size_t P) const;
  std::size_t PastNumber(std::size_t P) const;
  void NameLike(TCssToken& Token);
  void Numeric(TCssToken& Token);
  void String(TCssToken& Token, unsigned char Quote);
  void Url(TCssToken& Token);

  std::string_view S;
  std::size_t P = 0;
};

// Every token of Css, in order.
std::vector<TCssToken> TokenizeCss(std::string_view Css);

// The value a token stands for, escapes resolved (code points written as
// UTF-8; NUL, surrogates and code points past U+10FFFF as U+FFFD): the
// name of an ident, function (without "("), at-keyword (without "@") or
// hash (without "#"); the content of a string (without its quotes, an
// escaped line end removed) or of a url token; a delim's byte; otherwise
// the token's bytes.
std::string CssTokenValue(std::string_view Css, const TCssToken& Token);

// ASCII letters lowered; other bytes as they are.
std::string CssLower(std::string_view Text);
