#include "compact/OpenElements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <string_view>

namespace {

// A row: markup, and the open elements a browser's tree builder holds
// after it (from html down), or "lost" where the model gives up.
struct TreeCase {
  const char* Name;
  std::string_view Html;
  std::string_view Open;
};

void PrintTo(const TreeCase& C, std::ostream* Os) { *Os << C.Name; }

bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f'; }

// Hands the tags and texts of well-formed markup (no quotes holding ">")
// to Tree; the text of a raw text element up to its end tag is skipped.
void Feed(TOpenElements& Tree, std::string_view Html) {
  std::size_t P = 0;
  while (P < Html.size()) {
    if (Html[P] != '<') {
      const std::size_t E = std::min(Html.find('<', P), Html.size());
      bool Blank = true;
      for (std::size_t I = P; I < E; ++I) Blank = Blank && IsBlank(Html[I]);
      Tree.Text(Blank);
      P = E;
      continue;
    }
    if (Html.substr(P, 4) == "<!--") {
      P = Html.find("-->", P) + 3;
      continue;
    }
    const std::size_t E = Html.find('>', P) + 1;
    const std::string_view Tag = Html.substr(P, E - P);
    P = E;
    if (Tag.substr(0, 2) == "<!") {
      Tree.Doctype(Tag == "<!doctype html>");
      continue;
    }
    const bool End = Tag[1] == '/';
    std::size_t N = End ? 2 : 1;
    std::string Name;
    while (N < Tag.size() && !IsBlank(Tag[N]) && Tag[N] != '/' && Tag[N] != '>')
      Name += static_cast<char>(std::tolower(static_cast<unsigned char>(Tag[N++])));
    if (End) {
      Tree.EndTag(Name);
      continue;
    }
    Tree.StartTag(Name, Tag.substr(Tag.size() - 2) == "/>");
    if (Name == "script" || Name == "style" || Name == "title" || Name == "textarea") P = Html.find("</", P);
  }
}

class TreeTable : public testing::TestWithParam<TreeCase> {};

TEST_P(TreeTable, HoldsTheBrowsersOpenElements) {
  TOpenElements Tree;
  Feed(Tree, GetParam().Html);
  EXPECT_EQ(Tree.Lost() ? std::string("lost") : Tree.Path(), GetParam().Open);
}

INSTANTIATE_TEST_SUITE_P(
    Flow, TreeTable,
    testing::Values(TreeCase{"BlockClosesParagraph", "<p>a<div>b", "html body div "},
                    TreeCase{"ListItemClosesListItem", "<ul><li>a<li>b", "html body ul li "},
                    TreeCase{"DefinitionClosesTerm", "<dl><dt>a<dd>b", "html body dl dd "},
                    TreeCase{"ListItemThroughDiv", "<li><div>a<li>", "html body li "},
                    TreeCase{"HeadingClosesHeading", "<h1>a<h2>b", "html body h2 "},
                    TreeCase{"EndTagClosesImplied", "<div><p>a</div>", "html body "},
                    TreeCase{"SpanLeavesParagraphOpen", "<span><p>a</span>", "lost"},
                    TreeCase{"FormatClosedByOther", "<p><b>a</p>", "lost"},
                    TreeCase{"FormatClosedByListItem", "<li><b>a<li>", "lost"},
                    TreeCase{"AnchorInAnchor", "<a>x<a>", "lost"},
                    TreeCase{"FormInFormIsDropped", "<form><form>", "html body form "},
                    TreeCase{"StrayParagraphEnd", "<p>a</p></p>", "lost"},
                    TreeCase{"Template", "<template>", "lost"},
                    TreeCase{"BodyEndLeavesThemOpen", "<body><p>a</body>", "html body p "},
                    TreeCase{"TextAfterBody", "<body></body>x", "lost"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    Head, TreeTable,
    testing::Values(TreeCase{"InHead", "<head><title>t</title><meta>", "html head "},
                    TreeCase{"HeadEndsAtBody", "<title>t</title><p>", "html body p "},
                    TreeCase{"TextStartsTheBody", "<meta>x", "html body "},
                    TreeCase{"BlankStaysInHead", "<head> ", "html head "},
                    TreeCase{"ScriptAfterHead", "<head></head><script>f()</script>", "html "}),
    [](const auto& Info) { return std::string(Info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    Tables, TreeTable,
    testing::Values(TreeCase{"NoQuirksTableClosesParagraph", "<!doctype html><p>a<table>", "html body table "},
                    TreeCase{"QuirksTableInParagraph", "<p>a<table>", "html body p table "},
                    TreeCase{"UnknownModeGivesUp", "<!DOCTYPE HTML PUBLIC \"x\"><p>a<table>", "lost"},
                    TreeCase{"ImpliedSectionAndRow", "<table><td>a", "html body table tbody tr td "},
                    TreeCase{"CellClosesCell", "<table><td>a<th>b", "html body table tbody tr th "},
                    TreeCase{"TableEndClosesAll", "<table><td>a<td>b</table>", "html body "},
                    TreeCase{"ImpliedColgroup", "<table><col><tr>", "html body table tbody tr "},
                    TreeCase{"SectionClosesSection", "<table><thead><tr><th>a<tbody>", "html body table tbody "},
                    TreeCase{"RowEndClosesCell", "<table><tr><td><p>a</tr>", "html body table tbody "},
                    TreeCase{"BlankInTable", "<table> ", "html body table "},
                    TreeCase{"TextIsFosterParented", "<table>x", "lost"},
                    TreeCase{"DivIsFosterParented", "<table><div>", "lost"},
                    TreeCase{"NestedInCell", "<table><td><table><td>a</table>", "html body table tbody tr td "}),
    [](const auto& Info) { return std::string(Info.param.Name); });

INSTANTIATE_TEST_SUITE_P(
    SelectAndForeign, TreeTable,
    testing::Values(TreeCase{"OptionClosesOption", "<select><option>a<option>b", "html body select option "},
                    TreeCase{"OptgroupClosesBoth", "<select><optgroup><option>a<optgroup>",
                             "html body select optgroup "},
                    TreeCase{"SelectEndClosesAll", "<select><optgroup><option>a</select>", "html body "},
                    TreeCase{"OtherInSelect", "<select><div>", "lost"},
                    TreeCase{"Svg", "<svg><g><path/></g>", "html body svg "},
                    TreeCase{"SvgEnds", "<svg><g></g></svg><p>", "html body p "},
                    TreeCase{"SvgHtmlIsland", "<svg><foreignObject>", "lost"},
                    TreeCase{"HtmlBreaksOut", "<svg><p>", "lost"},
                    TreeCase{"MisnestedInSvg", "<svg><g></svg>", "lost"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
