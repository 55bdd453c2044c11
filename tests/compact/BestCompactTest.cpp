#include "compact/BestCompact.h"

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <string>

#include "compact/CompactHTML.h"
#include "compact/SafeCompact.h"
#include "streams/MemStream.h"
#include "support/MemText.h"
#include "support/TempDir.h"

namespace {

// A row: the page, what best mode makes of it, and the reduction (if any)
// that the row's options keep off.
struct BestCase {
  const char* Name;
  std::string Input;
  std::string Output;
  bool TBestKeep::*Keep = nullptr;
};

void PrintTo(const BestCase& C, std::ostream* Os) { *Os << C.Name; }

struct ByName {
  std::string operator()(const testing::TestParamInfo<BestCase>& Info) const { return Info.param.Name; }
};

TCompactOptions Options(bool TBestKeep::*Keep) {
  TCompactOptions O = BestOptions();
  O.ReadLinkedSheets = false;
  if (Keep != nullptr) O.BestKeep.*Keep = true;
  return O;
}

TCompactOptions KeepAll() {
  TCompactOptions O = Options(nullptr);
  for (bool TBestKeep::*K : {&TBestKeep::Comments, &TBestKeep::OptionalTags, &TBestKeep::Quotes,
                             &TBestKeep::Attributes, &TBestKeep::Css, &TBestKeep::Js, &TBestKeep::Entities,
                             &TBestKeep::Doctype, &TBestKeep::BlockSpace})
    O.BestKeep.*K = true;
  return O;
}

class BestTable : public testing::TestWithParam<BestCase> {};

TEST_P(BestTable, GivesExactBytes) {
  const BestCase& C = GetParam();
  const std::string Out = SafeCompactString(C.Input, Options(C.Keep));
  EXPECT_EQ(Out, C.Output);
  // A second run changes nothing.
  EXPECT_EQ(SafeCompactString(Out, Options(C.Keep)), Out);
}

// With every reduction kept off, best mode is safe mode.
TEST_P(BestTable, KeepingEverythingIsSafeMode) {
  TCompactOptions Safe = SafeOptions();
  Safe.ReadLinkedSheets = false;
  EXPECT_EQ(SafeCompactString(GetParam().Input, KeepAll()), SafeCompactString(GetParam().Input, Safe));
}

INSTANTIATE_TEST_SUITE_P(
    Comments, BestTable,
    testing::Values(
        BestCase{"CommentGoes", "<p>a<!-- note --><b>b</b></p>", "<p>a<b>b</b>"},
        // Between two texts a comment stays: one text of two moves glyphs.
        BestCase{"CommentBetweenTextsStays", "<p>a<!-- note -->b</p>", "<p>a<!--note -->b"},
        BestCase{"BlanksAroundBecomeOne", "<p><i>a</i> <!-- note --> b</p>", "<p><i>a</i> b"},
        BestCase{"SeveralInARow", "<p><i>a</i> <!--x--> <!--y--> b</p>", "<p><i>a</i> b"},
        BestCase{"LineEdgeAfterwards", "<td> <!--x--></td>", "<td></td>"},
        BestCase{"ShortForms", "<b>a</b><!-->b<!--->", "<b>a</b>b"},
        BestCase{"ConditionalStays", "<!--[if IE]><p>x</p><![endif]-->", "<!--[if IE]><p>x</p><![endif]-->"},
        BestCase{"RevealedFormsStay", "<!--[if !IE]><!--><p>x</p><!--<![endif]--><![if !IE]>y<![endif]>",
                 "<!--[if !IE]><!--><p>x</p><!--<![endif]--><![if !IE]>y<![endif]>"},
        BestCase{"IncludeStays", "a<!--#include file=\"x\"-->b", "a<!--#include file=\"x\"-->b"},
        BestCase{"BangStays", "a<!--! licence -->b", "a<!--! licence -->b"},
        BestCase{"ServerCodeInsideStays", "a<!-- <% x %> -->b", "a<!--<% x %> -->b"},
        BestCase{"BesideServerStays", "<%= a %><!--x-->b<!--y--><?php f(); ?>", "<%= a %><!--x-->b<!--y--><?php f(); ?>"},
        BestCase{"WouldMakeATag", "<<!--x-->b>", "<<!--x-->b>"},
        BestCase{"WouldMakeAReference", "&am<!--x-->p;", "&am<!--x-->p;"},
        BestCase{"UnendedStays", "a<!-- open", "a<!--open"},
        BestCase{"InPreStays", "<pre> <!--x--> </pre>", "<pre> <!--x--> </pre>"},
        BestCase{"InScriptIsScript", "<script type=\"text/x-t\"><!-- x --></script>",
                 "<script type=text/x-t><!-- x --></script>"},
        BestCase{"SheetInsideStays", "a<!-- <link rel=stylesheet href=a.css> -->b<!--<style>p{}</style>-->c<!--x-->",
                 "a<!--<link rel=stylesheet href=a.css> -->b<!--<style>p{}</style>-->c"},
        BestCase{"OpenStyleInsideFreezesToItsEnd", "<!-- <style> --><!--x-->&quot;</style><!--y-->&quot;",
                 "<!--<style> --><!--x-->&quot;</style>\""},
        BestCase{"KeptByOption", "<p>a<!-- note -->b</p>", "<p>a<!--note -->b", &TBestKeep::Comments}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    Scripts, BestTable,
    testing::Values(
        BestCase{"NoType", "<script>\n  var a = 1 ;\n</script>", "<script>var a=1;</script>"},
        BestCase{"JsTypeAnyCase", "<script type=\"Text/JavaScript; charset=utf-8\">f( 1 )</script>",
                 "<script type=\"Text/JavaScript; charset=utf-8\">f(1)</script>"},
        BestCase{"Module", "<script type=\"module\">import { a } from \"./a.js\" ;</script>",
                 "<script type=module>import{a}from\"./a.js\";</script>"},
        BestCase{"Json", "<script type=\"application/ld+json\">{ \"a\" : [ 1, 2 ] }</script>",
                 "<script type=application/ld+json>{\"a\":[1,2]}</script>"},
        BestCase{"ImportMap", "<script type=\"importmap\">{ \"imports\" : {} }</script>",
                 "<script type=importmap>{\"imports\":{}}</script>"},
        BestCase{"OtherTypeStays", "<script type=\"text/template\"><p>  a  </p></script>",
                 "<script type=text/template><p>  a  </p></script>"},
        BestCase{"VbScriptStays", "<script language=\"vbscript\">a = 1</script>",
                 "<script language=vbscript>a = 1</script>"},
        BestCase{"ServerCodeStays", "<script>var a = <%= x %> ;</script>", "<script>var a = <%= x %> ;</script>"},
        BestCase{"ServerCodeInTagStays", "<script <%= t %>>var a = 1 ;</script>",
                 "<script <%= t %>>var a = 1 ;</script>"},
        BestCase{"KeptByOption", "<script>var a = 1 ;</script>", "<script>var a = 1 ;</script>", &TBestKeep::Js}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    Styles, BestTable,
    testing::Values(
        BestCase{"Sheet", "<style>\n p { color : red ; }\n</style>", "<style>p{color:red}</style>"},
        BestCase{"OtherTypeStays", "<style type=\"text/less\">p { a : b }</style>",
                 "<style type=text/less>p { a : b }</style>"},
        BestCase{"AttributeQuotesStayWithBlanks", "<p style=\"color : red ; margin : 0 auto ;\">x</p>",
                 "<p style=\"color:red;margin:0 auto\">x"},
        BestCase{"AttributeQuotesGo", "<p style='color : red ;'>x</p>", "<p style=color:red>x"},
        BestCase{"NotInSvg", "<svg><style>p { color : red }</style></svg><style>p { color : red }</style>",
                 "<svg><style>p { color : red }</style></svg><style>p{color:red}</style>"},
        BestCase{"ServerCodeStays", "<style>p { color : <%= c %> }</style>", "<style>p { color : <%= c %> }</style>"},
        BestCase{"KeptByOption", "<p style=\"color : red\">x</p>", "<p style=\"color : red\">x", &TBestKeep::Css}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    Quotes, BestTable,
    testing::Values(
        BestCase{"Go", "<a href=\"x.htm\" class='a'>x</a>", "<a href=x.htm class=a>x</a>"},
        BestCase{"StayForBlanksAndSigns",
                 "<a title=\"a b\" alt=\"a=b\" b=\"\" c=\"'\" d='\"' e=\"a`\" f=\"<\" g=\"a>\">x</a>",
                 "<a title=\"a b\"alt=\"a=b\"b=\"\"c=\"'\"d='\"'e=\"a`\"f=\"<\"g=\"a>\">x</a>"},
        BestCase{"StayBeforeSlash", "<a href=\"x/\">x</a><br class=\"a\"/>", "<a href=\"x/\">x</a><br class=a />"},
        BestCase{"BlankBetweenJoinedValues", "<a href=\"x\"id=\"y\">x</a>", "<a href=x id=y>x</a>"},
        BestCase{"ServerCodeStays", "<a href=\"<%= u %>\" class=\"a\">x</a>", "<a href=\"<%= u %>\"class=\"a\">x</a>"},
        BestCase{"InPreStay", "<pre class=\"a\"><b class=\"c\">x</b></pre>", "<pre class=a><b class=\"c\">x</b></pre>"},
        BestCase{"KeptByOption", "<a href=\"x.htm\">x</a>", "<a href=\"x.htm\">x</a>", &TBestKeep::Quotes}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    Attributes, BestTable,
    testing::Values(
        BestCase{"ScriptType", "<script type=\"text/javascript\" src=\"a.js\"></script>", "<script src=a.js></script>"},
        BestCase{"ScriptTypeWithParametersStays", "<script type=\"text/javascript;x=1\" src=a.js></script>",
                 "<script type=\"text/javascript;x=1\"src=a.js></script>"},
        BestCase{"ScriptLanguage", "<script language=\"JavaScript\" src=a.js></script>", "<script src=a.js></script>"},
        BestCase{"TypeStaysForOtherLanguage", "<script type=\"text/javascript\" language=\"vbscript\">x</script>",
                 "<script type=text/javascript language=vbscript>x</script>"},
        BestCase{"ModuleTypeStays", "<script type=\"module\" src=a.js></script>", "<script type=module src=a.js></script>"},
        BestCase{"StyleType", "<style type=\"text/css\">p{}</style>", "<style>p{}</style>"},
        BestCase{"LinkOtherRelKeepsType", "<link rel=\"icon\" type=\"text/css\" href=\"a\">",
                 "<link rel=icon type=text/css href=a>"},
        BestCase{"FormGet", "<form method=\"GET\" action=\"a\"></form><form method=post></form>",
                 "<form action=a></form><form method=post></form>"},
        BestCase{"BooleanValues", "<input checked=\"checked\" disabled=\"\" readonly=READONLY value=\"checked\">",
                 "<input checked disabled readonly value=checked>"},
        BestCase{"BooleanOtherValueStays", "<input checked=\"yes\">", "<input checked=yes>"},
        BestCase{"BooleanOnCustomElementStays", "<x-box open=\"open\"></x-box>", "<x-box open=open></x-box>"},
        BestCase{"SelectorNamesTheAttribute",
                 "<style>input[checked]{color:red}</style><input checked=\"checked\"><form method=get></form>",
                 "<style>input[checked]{color:red}</style><input checked=checked><form></form>"},
        BestCase{"UnreadSheetMayTestAny", "<link rel=\"stylesheet\" href=\"http://example.org/a.css\"><form method=get>",
                 "<link rel=stylesheet href=http://example.org/a.css><form method=get>"},
        BestCase{"NamedTwiceStays", "<script type=\"text/javascript\" type=\"text/x\">x</script>",
                 "<script type=text/javascript type=text/x>x</script>"},
        BestCase{"AnchorNameEqualToId", "<a name=\"top\" id=\"top\">t</a><a name=\"x\" id=\"y\">u</a>",
                 "<a id=top>t</a><a name=x id=y>u</a>"},
        BestCase{"AnchorNameStaysForIdTwice", "<a name=\"t\" id=\"t\">t</a><p id=\"t\">",
                 "<a name=t id=t>t</a><p id=t>"},
        BestCase{"AnchorNameStaysForServerId", "<a name=\"t\" id=\"t\">t</a><p id=\"<%= i %>\">",
                 "<a name=t id=t>t</a><p id=\"<%= i %>\">"},
        BestCase{"AnchorNameStaysForSelector", "<style>[name]{color:red}</style><a name=\"t\" id=\"t\">t</a>",
                 "<style>[name]{color:red}</style><a name=t id=t>t</a>"},
        BestCase{"KeptByOption", "<form method=\"get\"></form>", "<form method=get></form>", &TBestKeep::Attributes}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    Doctypes, BestTable,
    testing::Values(
        BestCase{"Html5", "<!DOCTYPE   HTML>", "<!doctype html>"},
        BestCase{"XhtmlStrict",
                 "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
                 "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">",
                 "<!doctype html>"},
        BestCase{"Html401Strict",
                 "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">",
                 "<!doctype html>"},
        BestCase{"Html401StrictWithoutSystemIdStays", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">",
                 "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">"},
        BestCase{"LegacyCompat", "<!DOCTYPE html SYSTEM \"about:legacy-compat\">", "<!doctype html>"},
        BestCase{"TransitionalStays",
                 "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
                 "\"http://www.w3.org/TR/html4/loose.dtd\">",
                 "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
                 "\"http://www.w3.org/TR/html4/loose.dtd\">"},
        BestCase{"XhtmlTransitionalStays",
                 "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" \"x\">",
                 "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" \"x\">"},
        BestCase{"OldStays", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">",
                 "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">"},
        BestCase{"OtherNameStays", "<!DOCTYPE svg>", "<!DOCTYPE svg>"},
        BestCase{"ServerCodeStays", "<!DOCTYPE <%= d %>>", "<!DOCTYPE <%= d %>>"},
        BestCase{"KeptByOption", "<!DOCTYPE html>", "<!DOCTYPE html>", &TBestKeep::Doctype}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    References, BestTable,
    testing::Values(
        BestCase{"InText", "&quot;a&#39;b&apos;c&#x22;d&gt;e&#62;", "\"a'b'c\"d>e>"},
        BestCase{"Ampersand", "a &amp; b &amp;c &amp;#1; &amp;", "a & b &amp;c &amp;#1; &"},
        BestCase{"OthersStay", "&lt;&nbsp;&eacute;&#233;&quot", "&lt;&nbsp;&eacute;&#233;&quot"},
        BestCase{"InQuotedValues", "<a title=\"a&quot;b&#39;c &gt;\" alt='&quot;&#39;'>x</a>",
                 "<a title=\"a&quot;b'c >\"alt='\"&#39;'>x</a>"},
        BestCase{"ClassAndIdStayAsWritten", "<p class=\"a&#39;\" id='b&quot;'>x</p>",
                 "<p class=a&#39; id=b&quot;>x"},
        BestCase{"QuotesGoAfterwards", "<a href=\"a?b=1&amp;c=2\" title=\"x&amp;\">x</a>",
                 "<a href=\"a?b=1&amp;c=2\"title=x&>x</a>"},
        BestCase{"TitleAndTextarea", "<title>&quot;a&quot;</title><textarea>&gt; &amp;</textarea>",
                 "<title>\"a\"</title><textarea>> &</textarea>"},
        BestCase{"NotInScriptOrStyle", "<script type=text/x>&quot;</script><style>&quot;</style>",
                 "<script type=text/x>&quot;</script><style>&quot;</style>"},
        BestCase{"BesideServerStay", "<%= a %>&quot;&amp;<%= b %>", "<%= a %>&quot;&amp;<%= b %>"},
        BestCase{"InPreStay", "<pre>&quot;</pre>&quot;", "<pre>&quot;</pre>\""},
        BestCase{"KeptByOption", "&quot;", "&quot;", &TBestKeep::Entities}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    Regions, BestTable,
    testing::Values(
        BestCase{"StyleAttributeKeepsWhiteSpace", "<div style=\"white-space:pre\"><!--x--> &quot;</div><!--y-->",
                 "<div style=white-space:pre><!--x--> &quot;</div>"},
        BestCase{"SheetKeepsWhiteSpace",
                 "<style>.k{white-space:pre}</style><p class=\"k\"><!--x--></p><p class=\"j\"><!--x--></p>",
                 "<style>.k{white-space:pre}</style><p class=k><!--x--></p><p class=j>"},
        BestCase{"ServerCodeInNameKeepsTheRest", "<scr<%= x %>>a <!--y--> b", "<scr<%= x %>>a <!--y--> b"},
        BestCase{"PlaintextStays", "<plaintext><!--x-->&quot;", "<plaintext><!--x-->&quot;"}),
    ByName());

// Safe mode keeps the blank between two elements that style sheets often
// make inline; best mode takes it away where one of them is surely a block.
INSTANTIATE_TEST_SUITE_P(
    BlockSpace, BestTable,
    testing::Values(
        BestCase{"NoSheet", "<div>a</div> <div>b</div>\n<p>c</p> <p>d</p><ul><li>e</li> <li>f</li></ul>",
                 "<div>a</div><div>b</div><p>c<p>d<ul><li>e<li>f</ul>"},
        BestCase{"CommentBetween", "<p>a</p> <!--x--> <p>b</p>", "<p>a<p>b"},
        BestCase{"EmptyLooseElement", "<ul><li> </li></ul>", "<ul><li></ul>"},
        BestCase{"KeptByOption", "<div>a</div> <div>b</div>", "<div>a</div> <div>b</div>", &TBestKeep::BlockSpace},
        BestCase{"BothInlineStays", "<style>.i{display:inline-block}</style><div class=i>a</div> <div class=\"i\">b</div>",
                 "<style>.i{display:inline-block}</style><div class=i>a</div> <div class=i>b</div>"},
        BestCase{"OneBlockIsEnough", "<style>.i{display:inline-block}</style><div class=i>a</div> <div>b</div> "
                                     "<div class=i>c</div>",
                 "<style>.i{display:inline-block}</style><div class=i>a</div><div>b</div><div class=i>c</div>"},
        BestCase{"ByName", "<style>li{float:left}</style><ul><li>a</li> <li>b</li></ul><p>c</p> <p>d</p>",
                 "<style>li{float:left}</style><ul><li>a</li> <li>b</ul><p>c<p>d"},
        BestCase{"OwnStyleOrHidden", "<div style=\"display:inline\">a</div> <div style=\"FLOAT:left\">b</div> "
                                     "<div hidden>c</div> <div hidden>d</div>",
                 "<div style=display:inline>a</div> <div style=FLOAT:left>b</div> <div hidden>c</div> "
                 "<div hidden>d</div>"},
        BestCase{"EndTagEndsTheLastOpen", "<style>.i{display:inline}</style><div class=i><div>a</div> "
                                          "<div class=i>b</div></div> <div class=i>c</div>",
                 "<style>.i{display:inline}</style><div class=i><div>a</div><div class=i>b</div></div> "
                 "<div class=i>c</div>"},
        BestCase{"UnmatchedEndTag", "<style>.i{display:inline}</style><b>x</b></div> <div class=i>a</div>",
                 "<style>.i{display:inline}</style><b>x</b></div> <div class=i>a</div>"},
        BestCase{"ServerCodeInNameStays", "<d<%= x %>>a</div> <div>b</div>", "<d<%= x %>>a</div> <div>b</div>"},
        BestCase{"SheetNotReadStays", "<link rel=stylesheet href=a.css><div>a</div> <div>b</div>",
                 "<link rel=stylesheet href=a.css><div>a</div> <div>b</div>"}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    OptionalTags, BestTable,
    testing::Values(
        BestCase{"ListItems", "<ul><li>a</li><li>b</li></ul>", "<ul><li>a<li>b</ul>"},
        BestCase{"Paragraphs", "<div><p>a</p><p>b</p><h2>c</h2></div>", "<div><p>a<p>b<h2>c</h2></div>"},
        BestCase{"ParagraphInListItem", "<ul><li><p>a</p></li><li>b</li></ul>", "<ul><li><p>a<li>b</ul>"},
        BestCase{"WholePage",
                 "<html><head><title>t</title></head><body><p>a</p></body></html>", "<title>t</title><p>a"},
        BestCase{"AttributesKeepTheirTags", "<html lang=\"en\"><body class=\"a\"><p>a</p></body></html>",
                 "<html lang=en><body class=a><p>a"},
        BestCase{"BodyBeforeScriptStays", "<head></head><body><script>f()</script><p>a</p></body>",
                 "<body><script>f()</script><p>a"},
        BestCase{"HtmlBeforeCommentStays", "<html><!--[if IE]>x<![endif]--><head><title>t</title>",
                 "<html><!--[if IE]>x<![endif]--><title>t</title>"},
        BestCase{"HeadEndBeforeCommentStays", "<head><title>t</title></head><!--[if IE]>x<![endif]--><p>a",
                 "<title>t</title></head><!--[if IE]>x<![endif]--><p>a"},
        // A comment after the body's end tag belongs to the html element.
        BestCase{"CommentAfterBodyKeepsItsEnd", "<p>a</p></body><!--[if IE]>x<![endif]-->",
                 "<p>a</body><!--[if IE]>x<![endif]-->"},
        BestCase{"CommentThatGoesIsNone", "<ul><li>a</li><!-- x --><li>b</li></ul></body><!-- y -->",
                 "<ul><li>a<li>b</ul>"},
        BestCase{"TableInNoQuirksMode", "<!DOCTYPE html><p>a</p><table><tr><td>x</td></tr></table>",
                 "<!doctype html><p>a<table><tr><td>x</table>"},
        // In quirks mode the table goes into the open p.
        BestCase{"TableInQuirksMode", "<p>a</p><table><tr><td>x</td></tr></table>",
                 "<p>a</p><table><tr><td>x</table>"},
        BestCase{"TableInTransitionalMode",
                 "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"><p>a</p><table></table>",
                 "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"><p>a</p><table></table>"},
        // An a (like span or ins) leaves a p open at its end tag.
        BestCase{"ParagraphInAnchorStays", "<a href=\"x\"><p>a</p></a><p>b</p>", "<a href=x><p>a</p></a><p>b"},
        BestCase{"DefinitionList", "<dl><dt>a</dt><dd>b</dd><dt>c</dt><dd>d</dd></dl><dl><dt>e</dt></dl>",
                 "<dl><dt>a<dd>b<dt>c<dd>d</dl><dl><dt>e</dt></dl>"},
        BestCase{"Options", "<select><option>a</option><option>b</option></select>",
                 "<select><option>a<option>b</select>"},
        BestCase{"Optgroups",
                 "<select><optgroup label=\"x\"><option>a</option></optgroup><optgroup label=\"y\"><option>b</option>"
                 "</optgroup></select>",
                 "<select><optgroup label=x><option>a<optgroup label=y><option>b</select>"},
        BestCase{"TableSections",
                 "<table><thead><tr><th>h</th></tr></thead><tbody><tr><td>a</td><td>b</td></tr></tbody></table>",
                 "<table><thead><tr><th>h<tbody><tr><td>a<td>b</table>"},
        BestCase{"TbodyAndColgroupStarts",
                 "<table><colgroup><col></colgroup></table><table><tbody><tr><td>a</td></tr></tbody></table>",
                 "<table><col></table><table><tr><td>a</table>"},
        // Right after an end tag that went a start tag stays (after a
        // section's end tag the rows would join that section).
        BestCase{"StartAfterEndThatWentStays",
                 "<table><colgroup><col></colgroup><tbody><tr><td>a</td></tr></tbody></table>",
                 "<table><col><tbody><tr><td>a</table>"},
        BestCase{"ColgroupBeforeColStays", "<table><colgroup><col></colgroup><col><tr><td>a</td></tr></table>",
                 "<table><col></colgroup><col><tr><td>a</table>"},
        BestCase{"NestedTableKeepsItsTags",
                 "<table><tr><td><table><tr><td>a</td></tr></table></td></tr></table>",
                 "<table><tr><td><table><tr><td>a</td></tr></table></table>"},
        BestCase{"BlankAfterTextStays", "<ul><li>a </li><li>b</li></ul>", "<ul><li>a <li>b</ul>"},
        // The blank is all that the p holds: without its end tag safe mode
        // would take it away.
        BestCase{"BlankAfterTagKeepsTheTag", "<div><p> </p><div>x</div></div>", "<div><p> </p><div>x</div></div>",
                 &TBestKeep::BlockSpace},
        BestCase{"HtmlAgain", "<!doctype html><html><html><head><title>t</title></head><body><p>a<html>b</p>",
                 "<!doctype html><title>t</title><p>a<html>b</p>"},
        BestCase{"InSvg", "<ul><li><svg><g></g></svg></li><li>b</li></ul>", "<ul><li><svg><g></g></svg><li>b</ul>"},
        BestCase{"SvgHtmlIslandStopsThem",
                 "<ul><li><svg><foreignObject><p>x</p></foreignObject></svg></li><li>b</li></ul>",
                 "<ul><li><svg><foreignObject><p>x</p></foreignObject></svg></li><li>b</li></ul>"},
        // The b stays on the list of formatting elements and comes back.
        BestCase{"MisnestedStopsThem", "<p><b>a</p><p>c</p><p>d</p>", "<p><b>a</p><p>c</p><p>d</p>"},
        BestCase{"TemplateStopsThem", "<ul><li>a</li><template><li>b</li></template><li>c</li></ul>",
                 "<ul><li>a</li><template><li>b</li></template><li>c</li></ul>"},
        BestCase{"NestedFormStays", "<form><p>a</p><form>b</form></form>", "<form><p>a</p><form>b</form></form>"},
        BestCase{"ServerCodeStopsThem", "<ul><li>a</li><li><%= b %></li><li>c</li></ul>",
                 "<ul><li>a<li><%= b %></li><li>c</li></ul>"},
        BestCase{"BesideServerCodeStays", "<ul><li>a</li><%= x %><li>b</li></ul>",
                 "<ul><li>a</li><%= x %><li>b</li></ul>"},
        BestCase{"InPreStay", "<pre><ul><li>a</li><li>b</li></ul></pre>", "<pre><ul><li>a</li><li>b</li></ul></pre>"},
        BestCase{"KeptByOption", "<ul><li>a</li><li>b</li></ul>", "<ul><li>a</li><li>b</li></ul>",
                 &TBestKeep::OptionalTags}),
    ByName());

// A linked sheet that is read: its type goes unless the sheet tests it.
TEST(BestCompact, LinkedSheetType) {
  testsupport::TempDir Dir;
  {
    std::ofstream(Dir / "a.css") << "p{color:red}";
    std::ofstream(Dir / "b.css") << "[type]{color:red}";
  }
  TCompactOptions O = BestOptions();
  O.BaseFolder = Dir.Path() + "/";
  EXPECT_EQ(SafeCompactString("<link rel=\"stylesheet\" type=\"text/css\" href=\"a.css\">", O),
            "<link rel=stylesheet href=a.css>");
  EXPECT_EQ(SafeCompactString("<link rel=\"stylesheet\" type=\"text/css\" href=\"b.css\">", O),
            "<link rel=stylesheet type=text/css href=b.css>");
}

TEST(BestCompact, ThroughTheStreams) {
  TMemStream In;
  TMemStream Out;
  FillMem(In, "<p class=\"a\"><!-- y --> z</p>");
  CompactHTML(In, Out, Options(nullptr));
  EXPECT_EQ(MemContents(Out), "<p class=a> z");
}

}  // namespace
