#pragma once

// Safe compaction: makes a page smaller without changing what a browser
// shows or what its server code does.
//
// Unlike the default rules, which know only "<", ">" and the double quote,
// the safe scanner follows the way a browser splits a page into tags,
// attribute values, comments and text, and never touches:
// - ASP blocks: "<%" anywhere (text, tags, quoted values, scripts,
//   comments) up to the next "%>", line ends included; server-side include
//   comments ("<!--#...-->");
// - the content of PRE, LISTING, XMP, PLAINTEXT, TEXTAREA, TITLE, SCRIPT,
//   STYLE, NOSCRIPT, IFRAME, NOEMBED and NOFRAMES elements (in any letter
//   case, with or without attributes, up to their own end tag), and of an
//   element whose style attribute asks for preserved white space;
// - quoted attribute values (double or single quotes), declarations
//   ("<!DOCTYPE ...>"), processing instructions and the like.
// Elsewhere a run of white space (blanks, tabs, line ends) becomes one
// blank, or nothing where both of its sides are edges of lines (between the
// tags of block elements such as </p> and <p>, <tr> and <td>, in the head);
// inside a tag, white space around "=" and after a quoted value goes; inside
// a comment, a blank after "-" goes where that cannot end the comment. The
// exact empty comment and the FrontPage Express generator meta tag go, as
// in the default mode. The result is never longer than the input.

#include <cstddef>
#include <string>
#include <string_view>

#include "streams/Streams.h"

// Compacts the Size bytes at Text in place by the safe rules and returns
// the length of the result (at most Size). Linear in Size.
std::size_t SafeCompactText(unsigned char* Text, std::size_t Size);

// The same on a byte string, for callers that hold one.
std::string SafeCompactString(std::string_view Text);

// CompactHTML in safe mode: reads Input from its position to its end,
// compacts it and writes the result to Output with one write, with the
// same stream rules as the default mode (Input and Output may be the same
// stream; every failure is a stream exception).
void SafeCompactHTML(TBaseStream& Input, TBaseStream& Output);
