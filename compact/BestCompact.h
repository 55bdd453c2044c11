#pragma once

// Best mode: after safe mode (compact/SafeCompact.h), a second pass over
// the page that takes away what a browser does not need, each reduction
// switched off by its field of TBestKeep:
// - Comments: comments go, except conditional comments ("<!--[if ...]>",
//   "<!--<![endif]-->", "<!--[endif]-->"), server-side includes
//   ("<!--#...-->"), comments that start with "<!--!", comments that hold
//   server code or touch a server block, and a comment whose removal would
//   make markup or a character reference of the text around it (after a
//   "<", inside "&name"). Where a blank stood on both sides, one stays.
// - Js: the text of a SCRIPT element whose type is absent, empty, a
//   JavaScript MIME type (any letter case, parameters ignored) or "module"
//   goes through MinifyJavaScriptTo; "application/json",
//   "application/ld+json" and "importmap" through MinifyJsonTo; a script
//   of any other type, or with server code in it or in its tag, stays.
// - Css: the text of a STYLE element (no type, or "text/css") goes through
//   MinifyCssSheetTo, a quoted style attribute's value through
//   MinifyCssDeclarationsTo. Inside SVG and MATH (where a browser reads
//   a SCRIPT's or STYLE's text as markup) neither Js nor Css is done.
// - Quotes: a value loses its quotes when it is not empty, holds no
//   white space, quote, "=", "<", ">" or "`", and does not end in "/"
//   right before the tag's end; an empty one goes with its "=".
// - Attributes: "type" on SCRIPT when it is exactly a JavaScript MIME
//   type, "language" on SCRIPT when the script stays JavaScript without it,
//   type="text/css" on STYLE and on a stylesheet LINK, method="get" on
//   FORM, and the value of a boolean attribute ("checked", "disabled", ...,
//   and the obsolete "compact", "nowrap", "noshade" and the like, which
//   style by their presence) that is empty or the attribute's own name
//   (not on custom elements),
//   the name of an "a" element that equals its id when no other "id="
//   of that value stands in the page (and it has no server code). Each
//   only when no selector of the page's style sheets may test that
//   attribute on that element (TKeepRules::SelectorMayTest), and never in
//   a tag that names an attribute twice. The "/" before the ">" of a start
//   tag, except in SVG and MATH (and on their own tags), where it closes
//   the element.
// - Doctype: a DOCTYPE that puts the browser in no-quirks mode (no public
//   identifier; XHTML 1.0 Strict, XHTML 1.1, or HTML 4.01 Strict with a
//   system identifier) becomes "<!doctype html>"; one that gives quirks
//   or limited-quirks mode, or that is not plainly written, stays.
// - Entities: "&quot;", "&apos;", "&gt;", "&amp;" and their numeric forms
//   become the character itself where it reads the same there: quotes and
//   ">" in text and in TITLE and TEXTAREA, ">" and the other quote in a
//   quoted value, "&" wherever the byte after the reference is no ASCII
//   letter, digit or "#"; any other numeric reference, and a named one of
//   HTML 4 longer than its number, as "&#N;" where that is shorter
//   ("&eacute;", "&#x2013;" as "&#233;", "&#8211;"), which gives the same
//   character. A reference beside a server block stays, and
//   so do class and id values, values that hold "<", and the href of a
//   LINK or BASE.
// - OptionalTags: a start or end tag goes where HTML lets a page leave it
//   out and the browser's tree builder (as compact/OpenElements.h follows
//   it) then makes the same document tree, white space text included:
//   "</li>" before "<li>", "</dt>" and "</dd>" before "<dt>" or "<dd>",
//   "</p>" before the start tag of address, article, aside, blockquote,
//   details, dialog, div, dl, fieldset, figcaption, figure, footer, form
//   (when no form is open), h1-h6, header, hgroup, hr, main, menu, nav, ol,
//   p, pre, search, section or ul, and before "<table>" only in no-quirks
//   mode (an unchanged or short no-quirks DOCTYPE first in the page: in
//   quirks mode a table does not close a p); "</option>" before an option
//   or optgroup, "</optgroup>" before an optgroup; "</td>" and "</th>"
//   before a cell, "</tr>" before a row, "</thead>" before a tbody or
//   tfoot, "</tbody>" before a tbody or tfoot, "</colgroup>" before what
//   may follow a colgroup in a table (no col, white space or comment);
//   each of these, except "</dt>" and "</thead>", also where its parent
//   ends, when the parent's end tag closes it (that of a div, li, td, ul
//   ... but not of a, span, ins, audio or a custom element, which leave a
//   p open) or where only "</body>", "</html>" and comments follow to
//   the end of the page. "</head>" before what starts the
//   body (no white space, comment, or element the head takes), "</body>"
//   and "</html>" when nothing at all follows them. Start tags without
//   attributes: "<html>" not followed by a comment, "<head>" before an
//   element or "</head>", "<body>" before what starts the body (not in a
//   page with a FRAMESET), "<tbody>" before "<tr>" and "<colgroup>"
//   before "<col>" (not right after a section's or colgroup's end tag that
//   went). Whether a tag goes is decided on what follows it in the
//   result (a comment that goes is no comment there). A tag stays when a
//   blank stands before it that safe mode would read otherwise without it
//   (with Keep.BlockSpace off: before any tag where the blank might go,
//   see MayGoBeforeTag). Nothing
//   goes from the first server block of the page on, nor where the tree
//   builder does what the model does not follow (a misnested end tag,
//   foster parenting, TEMPLATE, SVG's and MATH's HTML islands, ...): from
//   there on every tag stays.
// A tag with server code in it stays byte for byte, and so does every
// server block (see ServerBlocks.h); inside PRE, LISTING and the elements
// whose white space safe mode keeps, no white space, comment or tag goes
// and scripts and sheets stay, but tags are rewritten (Quotes, Attributes,
// Entities in values) and references in the text written as characters
// (Entities), which leaves the text the same. Tags end where safe
// mode's scanner ends them, and tags it reads otherwise than a browser
// would (a form feed in them) stay. What safe mode's quick look for style
// sheets reads (a "<style", "<link" or "<base" in a comment, a script, a
// value) stays, and so does all that look reads on from there (the tag's
// attributes, a sheet up to its "</style"). The result is never longer
// than the input, and the pass changes nothing in its own output.

#include <cstddef>

#include "compact/CompactOptions.h"

// Applies the reductions Keep leaves on to the Size bytes at Text (a page
// safe mode has compacted, and Rules what GatherKeepRules reads from the
// compacted page), in place, and returns the length of
// the result (at most Size); Removed (when not null) is set to whether a
// comment went (then safe mode may find white space to take away again).
// Linear in Size.
std::size_t BestCompactText(unsigned char* Text, std::size_t Size, const TKeepRules& Rules, const TBestKeep& Keep,
                            bool* Removed = nullptr);
