#include "compact/SafeCompact.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "compact/CompactCases.h"
#include "compact/CompactHTML.h"
#include "compact/CompactTestStreams.h"
#include "compact/ScanPath.h"
#include "streams/MemStream.h"
#include "streams/Utils.h"
#include "support/FakeStreams.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

// The lines, each ended by LF.
std::string Lines(std::initializer_list<std::string> L) { return LinesEndedBy(L, "\n"); }

class SafeTable : public testing::TestWithParam<Case> {};

TEST_P(SafeTable, GivesExactBytes) {
  EXPECT_EQ(SafeCompactString(GetParam().Input), GetParam().Output);
}

// Where a line break and the blanks around it become one blank, and where
// they go because both sides stand at the edge of a line.
INSTANTIATE_TEST_SUITE_P(
    LineJoins, SafeTable,
    testing::Values(
        Case{"WordsKeepABlank", Lines({"abc", "def"}), "abc def"},
        Case{"RunsShrink", "a  \t \r\n  b", "a b"},
        Case{"DocumentEdgesGo", "  \n a \n ", "a"},
        Case{"InlineTagsKeepABlank", Lines({"<b>x</b>", "word", "<i>y</i>"}), "<b>x</b> word <i>y</i>"},
        Case{"TableStructureJoins",
             Lines({"<table>", "  <tr>", "    <td>a</td>", "    <td>b</td>", "  </tr>", "</table>"}),
             "<table><tr><td>a</td><td>b</td></tr></table>"},
        Case{"TextInCellKeepsBlanks", Lines({"<td>", "  text", "</td>"}), "<td> text </td>"},
        Case{"ListItemsKeepTheirBlank", Lines({"<ul>", "  <li>a</li>", "  <li>b</li>", "</ul>"}),
             "<ul><li>a</li> <li>b</li></ul>"},
        Case{"SiblingDivsKeepTheirBlank", Lines({"<div>", "<div>a</div>", "<div>b</div>", "</div>"}),
             "<div><div>a</div> <div>b</div></div>"},
        Case{"SiblingParagraphsKeepTheirBlank", Lines({"<p>a</p>", "<p>b</p>"}), "<p>a</p> <p>b</p>"},
        Case{"ParagraphAndTableJoin", Lines({"<p>a</p>", "<table>", "</table>", "<h2>t</h2>"}),
             "<p>a</p><table></table><h2>t</h2>"},
        Case{"BlockInsideListItemJoins", Lines({"<li>", "  <p>x</p>", "</li>"}), "<li><p>x</p></li>"},
        Case{"WhiteSpaceAloneInALooseElementStays", "<ul><li>a</li><li>\n  </li><li>b</li>\n<td>\n</td></ul>",
             "<ul><li>a</li><li> </li><li>b</li><td></td></ul>"},
        Case{"RuleAndBreak", Lines({"<hr>", "<br>", "text", "<br>"}), "<hr><br> text <br>"},
        Case{"HeadJoins",
             Lines({"<!DOCTYPE html>", "<html>", "<head>", "  <meta charset=\"utf-8\">",
                    "  <title>T</title>", "  <link rel=\"stylesheet\" href=\"a.css\">", "</head>",
                    "<body>", "  <p>x</p>", "</body>", "</html>"}),
             "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>T</title>"
             "<link rel=\"stylesheet\"href=\"a.css\"></head><body><p>x</p></body></html>"},
        Case{"TextEndsTheHead", Lines({"<title>T</title>", "Hello", "<meta x>", "there"}),
             "<title>T</title>Hello <meta x> there"},
        Case{"CommentsAreSeenThrough", Lines({"<td>", "<!-- c -->", "<p>"}), "<td> <!--c --><p>"},
        Case{"AspSideKeepsABlank", Lines({"<p>a</p>", "<% x %>", "<p>b</p>"}), "<p>a</p> <% x %> <p>b</p>"},
        Case{"CrAndLfCrLineEnds", "one\rtwo\n\rthree\r\n", "one two three"},
        Case{"TabsAreWhiteSpace", "\t\t<div>\n\t\t\ta\tb\n\t\t</div>", "<div> a b </div>"}),
    ByName());

// Regions whose content is kept byte for byte.
INSTANTIATE_TEST_SUITE_P(
    Regions, SafeTable,
    testing::Values(
        Case{"PreWithAttributes", "<pre class=\"x\">\n  a   b\n</pre>\n<p>", "<pre class=\"x\">\n  a   b\n</pre><p>"},
        Case{"PreAnyCaseAnyBreak", "<PRE\r\n  id=a>  x  </Pre  >  y", "<PRE id=a>  x  </Pre  > y"},
        Case{"PreContentWithTags", "<pre><b  class=x>a  b</b>\n<!--  c  --></pre>",
             "<pre><b  class=x>a  b</b>\n<!--  c  --></pre>"},
        Case{"NestedPre", "<pre>a<pre>b</pre>  c  </pre>  d", "<pre>a<pre>b</pre>  c  </pre> d"},
        Case{"EndTagInQuotedValueIsNoEnd", "<pre><a title=\"</pre>\">  x  </a></pre>  y",
             "<pre><a title=\"</pre>\">  x  </a></pre> y"},
        Case{"PrefixIsNoPre", "<prefix>  a  </prefix>", "<prefix> a </prefix>"},
        Case{"Listing", "<listing>  a\n  b</listing>", "<listing>  a\n  b</listing>"},
        Case{"Xmp", "<xmp><b>  x  </b></xmp>  y", "<xmp><b>  x  </b></xmp> y"},
        Case{"Textarea", "<textarea name=t>\n  a   b\n</textarea>", "<textarea name=t>\n  a   b\n</textarea>"},
        Case{"PlaintextRunsToTheEnd", "<plaintext>  a  </plaintext>  b", "<plaintext>  a  </plaintext>  b"},
        Case{"ScriptWithLessThan", "<script>if (a < b)\n  f();</script>\n<p>", "<script>if (a < b)\n  f();</script><p>"},
        Case{"ScriptEndNeedsDelimiter", "<script>x = '</scripts>';  y</script >",
             "<script>x = '</scripts>';  y</script>"},
        Case{"ScriptEscapes",
             "x <script><!--\ndocument.write('<script>a</script>');\n  b  //--></script>  c",
             "x <script><!--\ndocument.write('<script>a</script>');\n  b  //--></script> c"},
        Case{"ScriptEscapeEndsAtArrow", "x <script><!-- a --> </script>  b", "x <script><!-- a --> </script> b"},
        Case{"HeadScriptsJoin", "<script>a</script>\n  <style>b</style>\n  c", "<script>a</script><style>b</style>c"},
        Case{"ScriptRunatServer", "<script runat=\"server\">\n  Sub A()\n  End Sub\n</script>",
             "<script runat=\"server\">\n  Sub A()\n  End Sub\n</script>"},
        Case{"Style", "<style>\n  p  { x: y }\n</style>", "<style>\n  p  { x: y }\n</style>"},
        Case{"TitleKeepsItsText", "<title>  a  &amp;  b </title>", "<title>  a  &amp;  b </title>"},
        Case{"StyledWhiteSpace", "<div style=\"white-space: pre\">a  b<div>c</div>  d</div>  e  f",
             "<div style=\"white-space: pre\">a  b<div>c</div>  d</div> e f"},
        Case{"StyledNowrapIsCompacted", "<td style=\"white-space:nowrap\">a  b</td>",
             "<td style=\"white-space:nowrap\">a b</td>"},
        Case{"UnclosedPreRunsToTheEnd", "<pre>  a\n\n", "<pre>  a\n\n"}),
    ByName());

// Server code: every block byte for byte, wherever it stands.
INSTANTIATE_TEST_SUITE_P(
    Asp, SafeTable,
    testing::Values(
        Case{"ComparisonInCode", Lines({"<% If x > 3 Then %>", "  yes", "<% End If %>"}),
             "<% If x > 3 Then %> yes <% End If %> "},
        Case{"BlockOverLines", "<%\r\n  Dim a  ' a comment\r\n  a = 1\r\n%>\r\nnext",
             "<%\r\n  Dim a  ' a comment\r\n  a = 1\r\n%> next"},
        Case{"ArrowInCode", "<% $r->Form('a  b') %>  x", "<% $r->Form('a  b') %> x"},
        Case{"InQuotedValue", "<a  href=\"<%= Url(\"a\") %>\"  title='<% x %>'>", "<a href=\"<%= Url(\"a\") %>\"title='<% x %>'>"},
        Case{"InTag", "<input <% If c Then %>checked<% End If %>  name=x>",
             "<input <% If c Then %>checked<% End If %> name=x>"},
        Case{"InTagName", "<td<%= a %>  >x</td>", "<td<%= a %>>x</td>"},
        Case{"InScriptHidesEndTag", "<script><% w(\"</script>\") %>  a</script>",
             "<script><% w(\"</script>\") %>  a</script>"},
        Case{"InComment", "<!-- <% a  b %>  c -->", "<!--<% a  b %> c -->"},
        Case{"TextRightAfter", "<%= Name %>, welcome", "<%= Name %>, welcome"},
        Case{"Directive", "<%@ Language=\"VBScript\" %>\r\n<html>", "<%@ Language=\"VBScript\" %> <html>"},
        Case{"Unterminated", "<% a\n  b", "<% a\n  b"},
        Case{"ServerSideInclude", "x <!--#include file=\"x.inc\"  -->\n  a",
             "x <!--#include file=\"x.inc\"  --> a"}),
    ByName());

// PHP and the rest of the server code family: every block byte for byte
// (with the line end PHP takes after "?>" and ERB after "-%>"), wherever
// it stands; white space beside a block becomes one blank, never nothing.
INSTANTIATE_TEST_SUITE_P(
    ServerCode, SafeTable,
    testing::Values(
        Case{"PhpArrowsAndLineComment",
             "<?php if ($post->ID => 1) {\n  echo \"x\"; // note\n}\n?>\n<p>  a  </p>",
             "<?php if ($post->ID => 1) {\n  echo \"x\"; // note\n}\n?>\n<p> a </p>"},
        Case{"PhpTakesOneLineEndAfterItsEnd", "<a><?= $x ?>\n</a>\n\n<b>", "<a><?= $x ?>\n</a> <b>"},
        Case{"PhpCrLfAfterItsEnd", "<?php x(); ?>\r\n  <td>", "<?php x(); ?>\r\n <td>"},
        Case{"PhpEndInStringIsNoEnd", "<?php echo '?>'; // c\n f(); ?>  x  ", "<?php echo '?>'; // c\n f(); ?> x"},
        Case{"PhpEndInBlockCommentIsNoEnd", "<?php /* ?> */ a(); ?>  x", "<?php /* ?> */ a(); ?> x"},
        Case{"PhpEndInLineCommentEnds", "<?php // a ?>  b  c", "<?php // a ?> b c"},
        Case{"PhpHeredoc", "<?php $a = <<<EOT\n?> x\n  EOT;\n?>  y", "<?php $a = <<<EOT\n?> x\n  EOT;\n?> y"},
        Case{"PhpEscapedQuote", "<?php echo \"a\\\"?>\"; ?>  b", "<?php echo \"a\\\"?>\"; ?> b"},
        Case{"PhpAttributeIsCode", "<?php #[A('?>')]\nfunction f() {} ?>  x", "<?php #[A('?>')]\nfunction f() {} ?> x"},
        Case{"ShortTag", "<p>\n<? echo $a ?>\n</p>", "<p> <? echo $a ?>\n</p>"},
        Case{"XmlDeclarationIsNoCode", "<?xml version=\"1.0\"?>\n<html>", "<?xml version=\"1.0\"?><html>"},
        Case{"PhpUnterminatedRunsToTheEnd", "<?php\n  a();\n\n  b();", "<?php\n  a();\n\n  b();"},
        Case{"PhpInQuotedValue", "<a  href=\"<?= $u[\"x\"] ?>\"  title='<?php e(\"'\") ?>'>",
             "<a href=\"<?= $u[\"x\"] ?>\"title='<?php e(\"'\") ?>'>"},
        Case{"PhpInUnquotedValue", "<td width=<?= $w ?>  class=x>", "<td width=<?= $w ?> class=x>"},
        Case{"PhpBetweenAttributes", "<option <?php if ($a > 1) echo 'selected'; ?>  value=1>",
             "<option <?php if ($a > 1) echo 'selected'; ?> value=1>"},
        Case{"PhpInTagName", "<h<?= $n ?>  >x", "<h<?= $n ?>>x"},
        Case{"PhpInScript", "<script>var a = '<?= $a ?>';\n  b();</script>", "<script>var a = '<?= $a ?>';\n  b();</script>"},
        Case{"PhpHidesScriptEnd", "<script><?php echo '</script>'; ?>  a</script>",
             "<script><?php echo '</script>'; ?>  a</script>"},
        Case{"PhpInStyle", "<style>\n p { color: <?= $c ?> }\n</style>", "<style>\n p { color: <?= $c ?> }\n</style>"},
        Case{"PhpInComment", "<!-- a <?php b(); ?>  c -->", "<!--a <?php b(); ?> c -->"},
        Case{"PhpInTextarea", "<textarea><?= $t ?>\n</textarea>", "<textarea><?= $t ?>\n</textarea>"},
        Case{"BlankBesideBlockAtTheEdges", "\n  <?php a(); ?> \n<html>\n<body>\n<% b %>\n</body>\n <% c %>\n",
             " <?php a(); ?> <html><body> <% b %> </body> <% c %> "},
        Case{"BlankBesideBlockInTheHead", "<head>\n<?php x(); ?>\n\n<title>t</title>", "<head> <?php x(); ?>\n <title>t</title>"},
        Case{"ErbTrimTakesTheLineEnd", "<ul>\n  <% items.each do |i| -%>\n  <li><%= i %></li>\n<% end -%>\r\n</ul>",
             "<ul> <% items.each do |i| -%>\n <li><%= i %></li> <% end -%>\r\n</ul>"},
        Case{"JspComment", "<%-- a %> b --%>\n<p>  x", "<%-- a %> b --%> <p> x"},
        Case{"AspNetDirectiveAndComment", "<%@ Page Language=\"C#\" %>\n<%-- <% x %> --%>\n<html>",
             "<%@ Page Language=\"C#\" %> <%-- <% x %> --%> <html>"}),
    ByName());

// Style sheets in the page: the elements whose name, class or id a rule
// that keeps white space names keep their content byte for byte.
INSTANTIATE_TEST_SUITE_P(
    StyleSheets, SafeTable,
    testing::Values(
        Case{"DoxygenLines",
             "<style>div.line { white-space: pre-wrap }</style>\n<div class=\"fragment\">\n"
             "<div class=\"line\"><span class=\"lineno\">    1</span>  int  a;</div>\n</div>",
             "<style>div.line { white-space: pre-wrap }</style><div class=\"fragment\">"
             "<div class=\"line\"><span class=\"lineno\">    1</span>  int  a;</div></div>"},
        Case{"CompoundNeedsEveryPart", "<style>div.line{white-space:pre}</style><p class=line>  a  </p><div>  b  </div>",
             "<style>div.line{white-space:pre}</style><p class=line> a </p><div> b </div>"},
        Case{"ClassAmongOthers", "<style>.code{white-space:pre}</style><p class=\"x  CODE y\">  a  </p>",
             "<style>.code{white-space:pre}</style><p class=\"x  CODE y\">  a  </p>"},
        Case{"ById", "<style>#poem { white-space: pre-line }</style><div id=poem>  a\n  b</div>",
             "<style>#poem { white-space: pre-line }</style><div id=poem>  a\n  b</div>"},
        Case{"ByNameAndDescendant", "<style>.box td > code { white-space: break-spaces }</style><code>  a  </code>",
             "<style>.box td > code { white-space: break-spaces }</style><code>  a  </code>"},
        Case{"SelectorList", "<style>p.a, .b::first-line, x { white-space: pre }</style><i class=b>  a  </i>",
             "<style>p.a, .b::first-line, x { white-space: pre }</style><i class=b>  a  </i>"},
        Case{"PseudoElementRuleDoesNotKeep", "<style>div.line:after, p::before{content:'\\A';white-space:pre}</style>"
             "<div class=line>  a  </div>",
             "<style>div.line:after, p::before{content:'\\A';white-space:pre}</style><div class=line> a </div>"},
        Case{"CollapsingValuesDoNotKeep", "<style>.a{white-space:nowrap}.b{white-space:normal !important}</style>"
             "<p class=a>  x  </p><p class=b>  y  </p>",
             "<style>.a{white-space:nowrap}.b{white-space:normal !important}</style><p class=a> x </p><p class=b> y </p>"},
        Case{"VariableKeeps", "<style>.a{white-space:var(--ws)}</style><p class=a>  x  </p>",
             "<style>.a{white-space:var(--ws)}</style><p class=a>  x  </p>"},
        Case{"CollapseLonghand", "<style>pre2{white-space-collapse:preserve}</style><pre2>  x  </pre2>",
             "<style>pre2{white-space-collapse:preserve}</style><pre2>  x  </pre2>"},
        Case{"InsideMediaAndNesting", "<style>@media print{.a{.b{white-space:pre}}}</style><u class=b>  x  </u>",
             "<style>@media print{.a{.b{white-space:pre}}}</style><u class=b>  x  </u>"},
        Case{"EscapedClassName", "<style>.a\\:b{white-space:pre}</style><p class=a:b>  x  </p>",
             "<style>.a\\:b{white-space:pre}</style><p class=a:b>  x  </p>"},
        Case{"CommentsAndStringsAreNoRules", "<style>/* .a{white-space:pre} */ .b{content:\".a{white-space:pre}\"}</style>"
             "<p class=a>  x  </p>",
             "<style>/* .a{white-space:pre} */ .b{content:\".a{white-space:pre}\"}</style><p class=a> x </p>"},
        Case{"UniversalKeepsEverything", "<style>* { white-space: pre }</style>\n<p>  a  </p>",
             "<style>* { white-space: pre }</style>\n<p>  a  </p>"},
        Case{"BodyKeepsEverything", "<style>body.x { white-space: pre }</style>\n<p>  a  </p>",
             "<style>body.x { white-space: pre }</style>\n<p>  a  </p>"},
        Case{"KeyframesKeepEverything", "<style>@keyframes k { to { white-space: pre } }</style>\n<p>  a  </p>",
             "<style>@keyframes k { to { white-space: pre } }</style>\n<p>  a  </p>"},
        Case{"FontFaceIsNoElementRule", "<style>@font-face { white-space: pre }</style>\n<p>  a  </p>",
             "<style>@font-face { white-space: pre }</style><p> a </p>"},
        Case{"StyleLaterInTheBody", "<p class=k>  a  </p>\n<style>.k{white-space:pre}</style>",
             "<p class=k>  a  </p> <style>.k{white-space:pre}</style>"},
        Case{"ServerCodeInClass", "<style>.k{white-space:pre}</style><p class=\"<?= $c ?>\">  a  </p><p>  b  </p>",
             "<style>.k{white-space:pre}</style><p class=\"<?= $c ?>\">  a  </p><p> b </p>"},
        Case{"FirstClassAttributeCounts", "<style>.k{white-space:pre}</style><p class=x class=k>  a  </p>",
             "<style>.k{white-space:pre}</style><p class=x class=k> a </p>"}),
    ByName());

// The parser opens formatting elements (a, b, font ...) left open in its
// list again at every text, white space included: such white space stays.
INSTANTIATE_TEST_SUITE_P(
    FormattingElements, SafeTable,
    testing::Values(
        Case{"SelfClosedAnchorKeepsBlanks", "<h2><a id=\"x\"/>T</h2>\n<table>\n</table>\n<hr>",
             "<h2><a id=\"x\"/>T</h2> <table></table> <hr>"},
        Case{"ClosedAnchorDoesNot", "<h2><a id=\"x\"></a>T</h2>\n<table>\n</table>\n<hr>",
             "<h2><a id=\"x\"></a>T</h2><table></table><hr>"},
        Case{"NewAnchorReplacesTheOld", "<a name=a/><a name=b>x</a><table></table>\n<hr>",
             "<a name=a/><a name=b>x</a><table></table><hr>"},
        Case{"TableModesOpenNothing", "<font><table>\n<tr>\n<td>a</td>\n</tr>\n</table>\n<p>",
             "<font><table><tr><td>a</td></tr></table> <p>"},
        Case{"CellEndClearsItsEntries", "<table><tr><td><b>a</td>\n<td><p>b</p>\n</td></tr></table>",
             "<table><tr><td><b>a</td><td><p>b</p></td></tr></table>"},
        Case{"EndTagOutOfScopeKeepsTheEntry", "<b><table></b></table>\n<p>", "<b><table></b></table> <p>"},
        // The rows of a table inside a cell close none of the outer cell:
        // after it the browser opens <b> again for the blank.
        Case{"NestedTableKeepsTheCellsEntries", "<table><tr><td><p><b>x<table><tr><td>y</td></tr></table>\n</td></tr></table>",
             "<table><tr><td><p><b>x<table><tr><td>y</td></tr></table> </td></tr></table>"}),
    ByName());

// Tags, attributes, comments and "<" as text.
INSTANTIATE_TEST_SUITE_P(
    Markup, SafeTable,
    testing::Values(
        Case{"LessThanIsText", "a < b, 1<2, a <\n b, x <= y", "a < b, 1<2, a < b, x <= y"},
        Case{"LessThanLetterIsATag", "a<b  c=1>", "a<b c=1>"},
        Case{"AroundEquals", "<a href = \"x\"  id = y >", "<a href=\"x\"id=y>"},
        Case{"SingleQuotedValueKept", "<a title='a  b'  id=x>", "<a title='a  b'id=x>"},
        Case{"DoubleQuotedValueOverLines", "<a title=\"a\n  b\">", "<a title=\"a\n  b\">"},
        Case{"UnquotedDashKeepsItsBlank", "<td class=a-  align=right>", "<td class=a- align=right>"},
        Case{"UnquotedSlashKeepsItsBlank", "<a href=x/ >", "<a href=x/ >"},
        Case{"NameBeforeSlash", "<br />  <input disabled />", "<br/> <input disabled/>"},
        Case{"AttributesOverLines", "<a\n   href=\"#y\"\n   title=\"t\">", "<a href=\"#y\"title=\"t\">"},
        Case{"EndTagBlanks", "<p>x</p  >", "<p>x</p>"},
        Case{"QuoteInNameIsNoValue", "<a b\"c  d\">", "<a b\"c d\">"},
        Case{"CommentBlanks", "<!--  a  -  b  -->", "<!--a -b -->"},
        Case{"CommentBlankBeforeEnd", "<!-- - -> x -->", "<!-- - -> x -->"},
        Case{"CommentKeepsWhatCouldEndIt", "x <!-- -- > a --!> b", "x <!-- -- > a --!> b"},
        Case{"AbruptComments", "x <!-->  a <!--->  b", "x <!--> a <!---> b"},
        Case{"EmptyCommentGoesBesideMarkup", "<p><!----></p>\n<!---->\n<p>", "<p></p> <p>"},
        Case{"EmptyCommentStaysBetweenTexts", "a<!---->b  c <!----> d", "a<!---->b c <!----> d"},
        Case{"EmptyCommentGoesBeforeMarkup", "x <!---->\n<p>y<!----></p>", "x <p>y</p>"},
        Case{"MetaTagGoes", "<head>\n" + kMeta + "\n<title>T</title>", "<head><title>T</title>"},
        Case{"MetaTagOtherCaseStays", "<META name=\"GENERATOR\">", "<META name=\"GENERATOR\">"},
        Case{"Declarations", "<!DOCTYPE html  PUBLIC \"a\"\n  \"b\">", "<!DOCTYPE html  PUBLIC \"a\"\n  \"b\">"},
        Case{"ProcessingInstruction", "x <?xml  a ?>  x", "x <?xml  a ?> x"},
        Case{"CdataSection", "x <![CDATA[ a > b ]]>  x", "x <![CDATA[ a > b ]]> x"},
        Case{"BogusEndTag", "a </3  x> b </> c", "a </3  x> b </> c"},
        Case{"UnclosedTagAtTheEnd", "<a  href", "<a href"},
        Case{"LessThanStartingNothingIsText", "a << b", "a << b"},
        Case{"BlankAfterTextLessThan", "x <  y<", "x < y<"},
        Case{"TextLessThanBeforeMarkup", "<<<p>  a  </p>", "<<<p> a </p>"},
        Case{"TextLessThanAmongBlanks", "1 <2 <  3", "1 <2 < 3"},
        Case{"TextLessThanBeforeEndTag", "<< </b>  x", "<< </b> x"},
        Case{"TextLessThanBeforeLineEnd", "a <\n b", "a < b"},
        Case{"NulEndsNoName", std::string("<pre>\n a\n</pre\0>\n b", 19),
             std::string("<pre>\n a\n</pre\0>\n b", 19)},
        Case{"BytesAsTheyAre", std::string("\xe9t\xe9  \xa0 \0x", 9), std::string("\xe9t\xe9 \xa0 \0x", 8)}),
    ByName());

TEST(SafeCompact, EmptyInputGivesEmptyOutput) { EXPECT_EQ(SafeCompactString(""), ""); }

// The option reaches the filter through CompactHTML; without it the
// default rules apply.
TEST(SafeCompact, OptionSelectsTheMode) {
  const std::string Input = "<pre class=\"x\">\n  a\n</pre>\n<% If a > 1 Then\n  b\n%>";
  const TCompactOptions Safe = SafeOptions();
  for (const bool UseSafe : {false, true}) {
    TMemStream In;
    TMemStream Out;
    FillMem(In, Input);
    CompactHTML(In, Out, UseSafe ? Safe : TCompactOptions{});
    if (UseSafe)
      EXPECT_EQ(MemContents(Out), SafeCompactString(Input));
    else
      EXPECT_EQ(MemContents(Out), "<pre class=\"x\"> a </pre><% If a > 1 Then b %>");
  }
}

TEST(SafeCompact, InPlaceInOneMemoryStream) {
  TMemStream S;
  FillMem(S, "<p>\n  a   b\n</p>\n");
  CompactHTML(S, S, SafeOptions());
  EXPECT_EQ(MemContents(S), "<p> a b </p>");
}

TEST(SafeCompact, InPlaceFileIsCut) {
  TempDir Dir;
  const std::string Name = Dir / "page.htm";
  WriteFile(Name, "HEAD<p>   a   </p>   ");
  {
    TFileStream S(Name, omRead | omWrite);
    S.Seek(4);
    CompactHTML(S, S, SafeOptions());
  }
  EXPECT_EQ(ReadFile(Name), "<p> a </p>");
}

// A source that hands out a few bytes per read, as a pipe does.
TEST(SafeCompact, ReadsInSmallPiecesToTheEnd) {
  class TTrickle : public TRecordingStream {
  public:
    using TRecordingStream::TRecordingStream;
    std::int32_t Read(void* Buffer, std::int32_t Count) override {
      return TRecordingStream::Read(Buffer, std::min<std::int32_t>(Count, 3));
    }
  };
  std::string Big;
  while (Big.size() < 100000) Big += "<td>\n  x  </td>\n";
  TTrickle In(Big, true, false);
  TRecordingStream Out("", false, true);
  CompactHTML(In, Out, SafeOptions());
  EXPECT_EQ(Out.Written, SafeCompactString(Big));
  EXPECT_TRUE(In.EndOfStream());
  EXPECT_THAT(In.ExactChanges, testing::ElementsAre(false, true));
}

TEST(SafeCompact, UnreadableInputFails) {
  TRecordingStream In("abc", /*Readable=*/false, false);
  TRecordingStream Out("", false, true);
  try {
    CompactHTML(In, Out, SafeOptions());
    FAIL() << "no exception";
  } catch (const EInOutError& E) {
    EXPECT_EQ(E.Message(), SCannotReadFromStream);
  }
  EXPECT_TRUE(Out.Writes.empty());
}

TEST(SafeCompact, ReadErrorLeavesOutputUntouchedAndRestoresInput) {
  TFailingReadStream In(std::string(300000, 'a'), /*FailAtRead=*/1);
  TRecordingStream Out("", false, true);
  EXPECT_THROW(CompactHTML(In, Out, SafeOptions()), EInOutError);
  EXPECT_TRUE(Out.Writes.empty());
  EXPECT_THAT(In.ExactChanges, testing::ElementsAre(false, true));
}

TEST(SafeCompact, ResultIsWrittenInOneCall) {
  TRecordingStream In("<p>  a  </p>", true, false);
  TRecordingStream Out("", false, true);
  CompactHTML(In, Out, SafeOptions());
  EXPECT_THAT(Out.Writes, testing::ElementsAre(10));
}

// Long runs of every kind stay linear and never grow the text.
TEST(SafeCompact, NeverLongerThanTheInput) {
  for (const std::string Piece :
       {"<", "<%", "<!--", "<a ", "\"", " \n", "<pre>", "</pre>", "<script>", "<!---->", "-->", "%>"}) {
    std::string Input;
    for (int I = 0; I < 2000; ++I) Input += Piece;
    EXPECT_LE(SafeCompactString(Input).size(), Input.size()) << Piece;
  }
}

// The wide scanners skip runs of text, white space, quoted values and tag
// bytes sixteen at a time; they must give the portable scanners' bytes.
std::string SafeOn(TScanPath Path, const std::string& Input) {
  const TScanPath Saved = CurrentScanPath();
  SetScanPath(Path);
  std::string Out = SafeCompactString(Input);
  SetScanPath(Saved);
  return Out;
}

void ExpectPathsAgree(const std::string& Input) {
  ASSERT_EQ(SafeOn(TScanPath::spWide, Input), SafeOn(TScanPath::spPortable, Input))
      << "input: [" << Input.substr(0, 300) << "]";
}

TEST(SafeCompact, WideScannersGiveThePortableBytes) {
  if (!WideScanAvailable()) GTEST_SKIP() << "no wide scanners in this build";
  // Events at every offset around the first 16-byte steps of a text run,
  // of the white space after it, of a quoted value and of a tag.
  const std::vector<std::string> Events = {" ", "  ", "\t", "\n", "\r\n", " x", "x ", "<", "< ",
                                           "<b>", "</p>", "<%=a%>", "\"", "'", "<!---->", "w",
                                           "<<", "<1 ", "<?p?>", "<!d>", "< b", "<Z"};
  const std::vector<std::string> Contexts = {"", "<p>", "<div title=\"", "<td   class=x ",
                                             "<span style='white-space:pre'>", "   \n  "};
  for (const std::string& Context : Contexts)
    for (const std::string& Event : Events)
      for (std::size_t At = 0; At < 40; ++At) {
        const std::string Filler = std::string(At, 'a') + (At % 3 == 0 ? " b" : "");
        ExpectPathsAgree(Context + Filler + Event + "cd ef gh ij kl mn op\" >" + Filler + "\n");
      }
  // Generated documents of the kinds the scanner tells apart.
  const std::vector<std::string> Pieces = {
      " ", " ", "  ", "\t", "\n", "\r\n", "a", "word", "<", ">", "\"", "'", "=", "/", "<p>",
      "</p>", "<td class=\"c\">", "</td>", "<a href=x>", "<br/>", "<%", "%>", "<%= v %>",
      "<!---->", "<!--", "-->", "<pre>", "</pre>", "<script>", "</script>", "style=\"white-space: pre\"",
      "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage Express 2.0\">",
      "<?x?>", "<!x>", "<1", "<<", "plain text with single blanks", "                   ", "\"a quoted value, <b> in it\""};
  std::mt19937 Rng(17);
  for (int Doc = 0; Doc < 3000; ++Doc) {
    std::string Input;
    for (std::size_t I = 0, Count = Rng() % 60; I < Count; ++I) Input += Pieces[Rng() % Pieces.size()];
    ExpectPathsAgree(Input);
  }
}

}  // namespace
