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

class TCssTokenizer {
public:
  explicit TCssTokenizer(std::string_view Css) : S(Css) {}

  // The next token; false at the end of the input.
  bool Next(TCssToken& Token);

private:
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
