#include "compact/OpenElements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "compact/CompactCases.h"

namespace {

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
    // A "data-m" attribute marks the element (see OpenMarks).
    Tree.StartTag(Name, Tag.substr(Tag.size() - 2) == "/>", Tag.find(" data-m") != std::string_view::npos ? 1 : 0);
    if (Name == "script" || Name == "style" || Name == "title" || Name == "textarea") P = Html.find("</", P);
  }
}

// A row (cases/tree.txt): markup, and the open elements a browser's tree
// builder holds after it (from html down), with "+m" when a marked one is
// among them, or "lost" where the model gives up.
class TreeTable : public testing::TestWithParam<Case> {};

TEST_P(TreeTable, HoldsTheBrowsersOpenElements) {
  TOpenElements Tree;
  Feed(Tree, GetParam().Input);
  EXPECT_EQ(Tree.Lost() ? std::string("lost") : Tree.Path() + (Tree.OpenMarks() != 0 ? "+m" : ""),
            GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(Rows, TreeTable, CaseRows("tree.txt"), ByName());

}  // namespace
