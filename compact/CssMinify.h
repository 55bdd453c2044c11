#pragma once

// Minification of the style a page holds: the text of its STYLE elements
// (a style sheet) and the values of its style attributes (a declaration
// list). Nothing here knows HTML beyond the few sequences named below.
//
// The tokenizer of compact/CssTokenizer.h walks the text once; tokens are
// copied byte for byte, only what lies between them changes:
// - comments go, except "/*!" comments, which stay byte for byte;
// - a run of white space and comments becomes nothing where no white space
//   is needed, else one blank. White space is needed where the tokens on
//   its sides would otherwise read as others ("1px solid", "a -b",
//   "and (", "\31 a"), and where its presence means something: in a
//   selector it is the descendant combinator ("div p", "a :hover"), so it
//   goes there only next to ",", a combinator (">", "~", "+" outside
//   brackets), "(" or ")", inside "[...]" only next to the brackets; in
//   values it stays between two words ("0 auto", "1px solid", "'a' 'b'",
//   "f(x) y") and always around "+" and "-" (calc() needs them); at-rule
//   preludes keep it between words and after the at-keyword (not before
//   "("), and lose it next to ",", after "(", before ")" and, directly
//   inside parentheses, after ":" and between "<", ">" or "=" and a
//   word. A
//   comment between two tokens that would run together, where no white
//   space was, becomes "/**/": a blank would read as white space, which
//   in a selector is a combinator. The blank is a space whatever the
//   source had: outside strings and url()s, which keep their bytes, CSS
//   reads every white space byte alike, and a line end is no safer;
// - the ";" (or ";" run) before the "}" that closes a rule's or at-rule's
//   block goes, and in a declaration list the ";" at its end;
// - custom properties ("--x: ...") keep a blank after their colon when
//   their value is empty, and a value that holds a "{}" block keeps all
//   its white space as one blank a run: whether such a thing is a
//   declaration or a rule depends on where it stands;
// - the result never holds "<!--", "-->", "</style" (in any letter case),
//   "<%", "%>" or "<?" that the source did not: a separator stays where
//   joining two tokens would make one.
// An item of a block is a declaration if it ends (";" or "}") before any
// "{", else a nested rule: it is read as a declaration, and read again as
// a rule's prelude when a "{" turns up.
// Nothing else changes: values, colours, numbers and order stay as
// written, and the tokens of the result, without white space and
// comments, are those of the source but for the ";" that went. The result
// is never longer than the source, and minifying it again changes nothing.
//
// When it cannot be sure, the text is left as it is (see TCssOutcome):
// "</style", a server block ("<%", "%>", "<?") or NUL in it, a string, url
// or comment without its end, brackets that do not pair (blocks left open
// at the end too), an escape with nothing to escape ("\" before a line end
// or at the end of the text), and in a declaration list any "&" (the value
// may hold character references; the caller decodes and quotes).
//
// Every function is linear in the text's length, uses no recursion (the
// brackets open at a point live on a stack of one byte each) and is safe
// on any bytes. Bytes are read as the tokenizer reads them: 0x80 and above
// are name bytes, so the text may be UTF-8 or a single-byte code page, not
// an encoding whose multibyte characters hold ASCII bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Why a text was left as it is, or that it was minified.
enum class TCssOutcome : std::uint8_t {
  Minified,      // the result is the minified text (it may equal the source)
  HtmlLike,      // "</style", "<%", "%>" or "<?" in the source
  Unterminated,  // a string, url or comment without its end
  Unbalanced,    // brackets or braces that do not pair, or left open
  Invalid,       // NUL, a bad url, or an escape of nothing
  Reference,     // "&" in a declaration list
};

// The outcome's name, for reports ("minified", "html-like", ...).
const char* CssOutcomeName(TCssOutcome Outcome);

struct TCssResult {
  std::size_t Size = 0;  // bytes written to Out
  TCssOutcome Outcome = TCssOutcome::Minified;
  bool Changed = false;  // Out differs from the source
};

// Minifies Source, the text of a STYLE element, into Out, which has room
// for Source.size() bytes and must not overlap Source. When the outcome is
// not Minified, Out holds Source unchanged. The result is at most
// Source.size() bytes.
TCssResult MinifyCssSheetTo(std::string_view Source, char* Out);

std::string MinifyCssSheet(std::string_view Source);

// The same for a style attribute's value as it stands in the tag (without
// its quotes): a list of declarations.
TCssResult MinifyCssDeclarationsTo(std::string_view Source, char* Out);

std::string MinifyCssDeclarations(std::string_view Source);
