#pragma once

// Safe compaction: makes a page smaller without changing what a browser
// shows or what its server code does.
//
// Unlike the default rules, which know only "<", ">" and the double quote,
// the safe scanner follows the way a browser splits a page into tags,
// attribute values, comments and text, and never touches:
// - server code: the blocks of ServerBlocks.h ("<% ... %>" and its kind,
//   PHP's "<?php ... ?>", "<?= ... ?>" and "<? ... ?>") anywhere (text,
//   tags, quoted and unquoted values, scripts, comments), line ends
//   included; white space beside a block becomes one blank, never nothing;
//   server-side include comments ("<!--#...-->");
// - the content of PRE, LISTING, XMP, PLAINTEXT, TEXTAREA, TITLE, SCRIPT,
//   STYLE, NOSCRIPT, IFRAME, NOEMBED and NOFRAMES elements (in any letter
//   case, with or without attributes, up to their own end tag), of an
//   element whose style attribute asks for preserved white space, and of
//   an element whose name, class or id a style sheet's rule that keeps
//   white space names (see TKeepRules);
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

#include "compact/CompactOptions.h"
#include "streams/Streams.h"

// Compacts the Size bytes at Text in place by the safe rules, with the
// elements that Rules name keeping their white space, and returns the
// length of the result (at most Size). Boxes (best mode; null: not used):
// the elements whose box a style sheet may change; the white space
// between two elements often made inline (</div> <div>, </li> <li>) goes
// when one of them is outside Boxes (a compound of Boxes that asks for an
// ancestor matches inside one only, on the tree of open elements as
// compact/OpenElements.h follows it, up to the first server block), has
// no style attribute that names display, float or position, and is not
// hidden; and so does white space
// beside one tag that surely starts or ends a line (<p> text, text </p>,
// </div> text, text <div>, <br> text) where no generated content of
// Rules.Generated(), list marker or open inline element may stand between
// the two. Linear in Size.
std::size_t SafeCompactText(unsigned char* Text, std::size_t Size, const TKeepRules& Rules,
                            const TCompoundSet* Boxes = nullptr);

// Safe mode on a byte string: the page's style sheets (its STYLE elements,
// the sheets it links, relative to Options.BaseFolder, and those of
// Options) are read first (see compact/StyleSheets.h). With Options.Level
// clBest, the reductions of compact/BestCompact.h follow.
std::string SafeCompactString(std::string_view Text, const TCompactOptions& Options = SafeOptions());

// Whether best mode's safe pass may take the white space just before a
// tag of the element LowerName (its end tag with EndTag) for white space
// at a line's edge, which goes: a block-level element's start tag, a BR,
// a block container's end tag; never a table's own tags.
bool MayGoBeforeTag(std::string_view LowerName, bool EndTag);

// CompactHTML in safe mode: reads Input from its position to its end,
// reads the page's style sheets (relative addresses start from
// Options.BaseFolder, or from the page's folder when Input is a file
// stream), compacts it and writes the result to Output with one write,
// with the same stream rules as the default mode (Input and Output may be
// the same stream; every failure is a stream exception; a sheet that
// cannot be read is told to Options.Notes). Best mode as for
// SafeCompactString.
void SafeCompactHTML(TBaseStream& Input, TBaseStream& Output, const TCompactOptions& Options);
