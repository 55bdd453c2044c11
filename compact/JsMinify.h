#pragma once

// Minification of what a page's SCRIPT elements hold: JavaScript (classic
// and module scripts) and JSON (data blocks, import maps). The caller picks
// which by the element's type; nothing here knows HTML.
//
// JavaScript. A tokenizer that follows the language's lexical grammar
// (strings, template literals with nested substitutions, regular
// expressions told apart from division, numbers, identifiers with escapes
// and UTF-8 letters, punctuators) walks the script once; tokens are copied
// byte for byte, only what lies between them changes:
// - comments go, except "/*!" comments and source-map comments
//   ("//# sourceMappingURL=", "//@ sourceMappingURL=", "//# sourceURL=",
//   "//@ sourceURL=", and the same as "/*# ... */"), which stay byte for
//   byte, a kept "//" comment with one line break after it; a hashbang line
//   at the very start stays too;
// - a run of white space and comments becomes nothing, one blank where the
//   tokens on its sides would otherwise read as one ("return x", "a + +b",
//   "1 .toString()", "/a/ in b"), or one line feed where it held a line
//   terminator (LF, CR, CR LF, U+2028, U+2029, or a comment with one) and
//   automatic semicolon insertion or a restricted production ("return",
//   "x\n++y", ...) could depend on it. A line break goes only where it
//   provably cannot matter: after a punctuator that cannot end a statement
//   ("{", ";", ",", "=", ...), before one that cannot start one ("}", ")",
//   ",", ".", "=", ...), and before "(", "[", "+", "-", "*" or a template
//   after ")", a template or a regular expression. Line breaks are written
//   as LF whatever the script used;
// - the result never holds "<!--", "-->", "<script" or "</script" (in any
//   letter case), "<%" or "%>" that the source did not: a blank stays where
//   joining two tokens would make one.
// White space inside strings, template literals and regular expressions is
// never touched. The result is never longer than the source, and minifying
// it again changes nothing.
//
// When the tokenizer cannot be sure, the script is left as it is (see
// TScriptOutcome): HTML-like text or an ASP block ("<%", "%>") in it,
// something unterminated, brackets
// that do not pair, a "/" whose reading needs a parser, or a byte that no
// script may hold where it stands.
//
// JSON. White space outside strings goes (one blank stays between two
// numbers or words, which valid JSON never has side by side). Anything but
// JSON's own bytes outside strings, a line break inside a string, or an
// unterminated string leaves the text as it is.
//
// Bytes are read as UTF-8 where it matters (non-ASCII white space and line
// terminators between tokens, non-ASCII letters in identifiers); a byte
// that is not part of a UTF-8 sequence outside strings, comments, template
// literals and regular expressions leaves the script as it is. The text
// must be in an encoding in which every byte below 0x80 is the ASCII
// character (UTF-8, the ISO 8859 and Windows single-byte code pages), not
// in one whose multibyte characters may hold such bytes (Shift_JIS, GBK,
// Big5): the caller must not pass those.
//
// Every function is linear in the source's length, uses no recursion (the
// brackets and template literals open at a point live on a stack of one
// byte each) and is safe on any bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Why a script was left as it is, or that it was minified.
enum class TScriptOutcome : std::uint8_t {
  Minified,      // the result is the minified text (it may equal the source)
  HtmlLike,      // "<!--", "-->", "<script", "</script", "<%" or "%>" in the source
  Unterminated,  // a string, template, regular expression or comment without its end
  Unbalanced,    // brackets or braces that do not pair
  Ambiguous,     // a "/" that could be division or a regular expression here
  Invalid,       // a byte or sequence that no script may hold where it stands
};

// The outcome's name, for reports ("minified", "html-like", ...).
const char* ScriptOutcomeName(TScriptOutcome Outcome);

struct TScriptResult {
  std::size_t Size = 0;  // bytes written to Out
  TScriptOutcome Outcome = TScriptOutcome::Minified;
  bool Changed = false;  // Out differs from the source
};

// Minifies Source, the text of a classic script or, when Module, of a
// module script, into Out, which has room for Source.size() bytes and must
// not overlap Source. When the outcome is not Minified, Out holds Source
// unchanged. The result is at most Source.size() bytes.
//
// This is the form for a caller that compacts a page in place: minify the
// script into a scratch buffer it keeps, then move the result to where the
// script goes (it is never longer). MinifyJavaScript below is the same with
// a new string.
TScriptResult MinifyJavaScriptTo(std::string_view Source, bool Module, char* Out);

std::string MinifyJavaScript(std::string_view Source, bool Module);

// The same for the text of a JSON script ("application/json",
// "application/ld+json", "importmap").
TScriptResult MinifyJsonTo(std::string_view Source, char* Out);

std::string MinifyJson(std::string_view Source);
