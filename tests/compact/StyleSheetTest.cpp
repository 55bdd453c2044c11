// Style sheets as safe mode reads them: the tokenizer, the rules that keep
// white space, sheet addresses, and linked sheets read from files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compact/CompactCases.h"
#include "compact/CompactHTML.h"
#include "compact/CssTokenizer.h"
#include "compact/SafeCompact.h"
#include "compact/StyleSheets.h"
#include "platform/FileEnv.h"
#include "streams/MemStream.h"
#include "support/MemText.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

// The tokens of Css, each as KIND(value) or its bytes, one after the other.
std::string Tokens(const std::string& Css) {
  static const char* const kNames[] = {"ws", "comment", "ident", "fn", "at", "hash", "str", "badstr", "url",
                                       "badurl", "delim", "num", "pct", "dim", "cdo", "cdc", ":", ";", ",",
                                       "[", "]", "(", ")", "{", "}"};
  std::string Out;
  std::size_t Next = 0;
  for (const TCssToken& T : TokenizeCss(Css)) {
    // The tokens lie end to end over the whole input.
    EXPECT_EQ(T.Begin, Next) << Css;
    Next = T.End;
    if (!Out.empty()) Out += ' ';
    Out += kNames[static_cast<int>(T.Kind)];
    if (T.Kind == TCssTokenKind::ckIdent || T.Kind == TCssTokenKind::ckFunction ||
        T.Kind == TCssTokenKind::ckAtKeyword || T.Kind == TCssTokenKind::ckHash ||
        T.Kind == TCssTokenKind::ckString || T.Kind == TCssTokenKind::ckUrl)
      Out += "(" + CssTokenValue(Css, T) + (T.IdHash ? ",id" : "") + ")";
  }
  EXPECT_EQ(Next, Css.size()) << Css;
  return Out;
}

class CssTokens : public testing::TestWithParam<Case> {};

TEST_P(CssTokens, AreTheBrowsers) { EXPECT_EQ(Tokens(GetParam().Input), GetParam().Output); }

INSTANTIATE_TEST_SUITE_P(
    Table, CssTokens,
    testing::Values(
        Case{"Rule", "div.line{white-space:pre}", "ident(div) delim ident(line) { ident(white-space) : ident(pre) }"},
        Case{"HashesAndNumbers", "#a1 #1a -2.5e3px 50% +.5", "hash(a1,id) ws hash(1a) ws dim ws pct ws num"},
        Case{"EscapesInNames", ".a\\:b .\\31 x \\66oo", "delim ident(a:b) ws delim ident(1x) ws ident(foo)"},
        Case{"Strings", "'a\\'b' \"c\\\nd\" 'e\nf", "str(a'b) ws str(cd) ws badstr ws ident(f)"},
        Case{"StringToTheEnd", "'abc", "str(abc)"},
        Case{"Comments", "a/* } */b/* open", "ident(a) comment ident(b) comment"},
        Case{"Urls", "url( x.css ) url(\"y.css\") URL(a b)", "url(x.css) ws fn(url) str(y.css) ) ws badurl"},
        Case{"Functions", "var(--ws) calc(1px)", "fn(var) ident(--ws) ) ws fn(calc) dim )"},
        Case{"AtRules", "@media screen{@import 'a'}", "at(media) ws ident(screen) { at(import) ws str(a) }"},
        Case{"CdoCdc", "<!-- a -->", "cdo ws ident(a) ws cdc"},
        Case{"LoneBackslash", "a\\\nb\\", "ident(a) delim ws ident(b\xEF\xBF\xBD)"},
        Case{"NonAsciiAndNul", std::string("\xC3\xA9t\xC3\xA9 a\0b", 9), "ident(\xC3\xA9t\xC3\xA9) ws ident(a\xEF\xBF\xBD" "b)"},
        Case{"HexEscapeRange", "\\110000 \\0 \\D800", "ident(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD)"}),
    ByName());

// The compounds of Set, as "name.class#id" (a "*" when every element
// matches), in the order they were added.
std::string Names(const TCompoundSet& Set) {
  if (Set.All()) return "*";
  std::string Out;
  for (const auto& C : Set.Compounds()) {
    if (!Out.empty()) Out += ' ';
    Out += C.Name;
    for (const auto& Class : C.Classes) Out += "." + Class;
    for (const auto& Id : C.Ids) Out += "#" + Id;
  }
  return Out;
}

// The keeping compounds of Css, then its imports; or (Boxes) the
// compounds whose box a rule may change.
std::string Compounds(const std::string& Css, bool Boxes = false) {
  TKeepRules Rules;
  std::vector<std::string> Imports;
  CollectKeepRules(Css, Rules, &Imports);
  if (Boxes) return Names(Rules.Boxes());
  std::string Out = Names(Rules);
  if (Out == "*") return Out;
  for (const auto& I : Imports) Out += " @" + I;
  return Out;
}

class KeepingCompounds : public testing::TestWithParam<Case> {};

TEST_P(KeepingCompounds, AreTheSubjectsOfKeepingRules) {
  EXPECT_EQ(Compounds(GetParam().Input), GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(
    Table, KeepingCompounds,
    testing::Values(
        Case{"Doxygen", "div.line{white-space:-moz-pre-wrap;white-space:pre-wrap}div.line:after{content:'\\A';"
                        "white-space:pre}span.lineno{white-space:pre}.memItemLeft{white-space:nowrap}",
             "div.line span.lineno"},
        Case{"LastCompoundOnly", ".a > .b ~ c + D.E .f#G, h|i, *|j, |k || l {white-space:pre}", ".f#g i j l"},
        Case{"NamespacedUniversal", "svg|* {white-space:pre}", "*"},
        Case{"PseudoClassesNarrow", "td:hover:not(.x), a[href]:is(.y) {white-space:break-spaces}", "td a"},
        Case{"EmptySelectorIsDropped", ".a, {white-space:pre}", ".a"},
        Case{"Values", ".a{white-space:normal}.b{white-space:inherit}.c{white-space:nowrap!important}"
                       ".d{white-space:pre-line !important}.e{white-space-collapse:preserve-breaks}"
                       ".f{WHITE-SPACE:PRE}.g{white-space:env(x)}.h{white-space:collapse balance}",
             ".d .e .f .g"},
        Case{"Nesting", ".a{color:red;.b{white-space:pre}&.c{white-space:pre}& > .d{white-space:pre}"
                        "@media x{white-space:pre}}",
             ".b .c .d .a"},
        Case{"NestingAloneIsTheParent", ".a{&{white-space:pre}}", ".a"},
        Case{"ConditionalGroups", "@media print{@supports (x:y){p{white-space:pre}}}@layer l{q{white-space:pre}}",
             "p q"},
        Case{"OtherAtRules", "@page{white-space:pre}@font-face{white-space:pre}@counter-style x{white-space:pre}", ""},
        Case{"Imports", "@import url(a.css);@import \"b c.css\" screen;@import url('d.css') layer(x);p{}",
             " @a.css @b c.css @d.css"},
        // A declaration with a block is read as a nested rule: it can only keep more.
        Case{"BadDeclarationsAreSkipped", "p{white-space;white-space pre;;white-space:pre}q{x:{white-space:pre}}",
             "p x"},
        Case{"UnclosedRuleAtTheEnd", "p{white-space:pre", "p"},
        Case{"RootAndScope", ":root{white-space:pre}", "*"},
        Case{"NestedTooDeep", std::string(100, '{') + "p{white-space:normal}", "*"}),
    ByName());

class BoxCompounds : public testing::TestWithParam<Case> {};

TEST_P(BoxCompounds, AreTheSubjectsOfRulesThatMayMakeABoxOtherThanABlock) {
  EXPECT_EQ(Compounds(GetParam().Input, true), GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BoxCompounds,
    testing::Values(
        Case{"BlockValuesDoNot", "a{display:block}b{display:list-item!important}c{display:flex}d{display:block flow-root}"
                                 "e{float:none}f{DISPLAY:GRID}g{display:table}",
             ""},
        Case{"OtherValuesDo", "a{display:inline-block}b{display:none}c{display:inherit}d{float:left}e{display:var(--d)}"
                              "f{display:contents}g{float:inline-start}h{display:}",
             "a b c d e f g h"},
        Case{"LastCompoundAndMedia", "@media (max-width:40em){nav .menu > li.item{display:inline}}", "li.item"},
        Case{"KeyframesReachEveryElement", "@keyframes k{from{display:none}}", "*"},
        Case{"UniversalReachesEveryElement", "*{float:left}", "*"},
        Case{"WhiteSpaceIsAnotherSet", "p{white-space:pre}", ""}),
    ByName());

struct AddressCase {
  const char* Name;
  std::string Folder;
  std::string Address;
  bool Local;
  std::string Path;
};

class SheetAddresses : public testing::TestWithParam<AddressCase> {};

// Path with the platform's delimiter.
std::string Native(std::string Path) {
  for (char& C : Path)
    if (C == '/') C = platform::PathDelimiter();
  return Path;
}

TEST_P(SheetAddresses, NameTheFile) {
  std::string Path;
  EXPECT_EQ(SheetFile(GetParam().Folder, GetParam().Address, Path), GetParam().Local);
  if (GetParam().Local) {
    EXPECT_EQ(Path, Native(GetParam().Path));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SheetAddresses,
    testing::Values(AddressCase{"Relative", "site/a/", "b.css", true, "site/a/b.css"},
                    AddressCase{"Up", "/srv/site/a", "../css/./b.css", true, "/srv/site/css/b.css"},
                    AddressCase{"UpPastTheStart", "", "../../b.css", true, "../../b.css"},
                    AddressCase{"UpPastTheRoot", "/a", "../../b.css", true, "/b.css"},
                    AddressCase{"QueryAndFragmentGo", "d", "b.css?v=2#x", true, "d/b.css"},
                    AddressCase{"PercentDecoded", "d", "my%20style.css", true, "d/my style.css"},
                    AddressCase{"BlanksAroundAndLineEndsInside", "d", " \tb\n.css ", true, "d/b.css"},
                    AddressCase{"Absolute", "d", "/usr/x.css", true, "/usr/x.css"},
                    AddressCase{"FileAddress", "d", "file:///usr/x.css", true, "/usr/x.css"},
                    AddressCase{"FileLocalhost", "d", "FILE://localhost/x.css", true, "/x.css"},
                    AddressCase{"FileRelative", "d", "file:x.css", true, "d/x.css"},
                    AddressCase{"FileOtherHost", "d", "file://host/x.css", false, ""},
                    AddressCase{"Http", "d", "https://example.org/x.css", false, ""},
                    AddressCase{"SchemeRelative", "d", "//example.org/x.css", false, ""},
                    AddressCase{"Data", "d", "data:text/css,p{}", false, ""},
                    AddressCase{"Empty", "d", "  ", false, ""}),
    [](const testing::TestParamInfo<AddressCase>& I) { return std::string(I.param.Name); });

// Notes as a list.
class TRecordedNotes : public TStyleSheetNotes {
public:
  void NotRead(const std::string& Sheet, const std::string& Reason) override {
    (void)Reason;
    Sheets.push_back(Sheet);
  }
  std::vector<std::string> Sheets;
};

// A page and its sheets in a folder of their own: the linked sheet (and
// what it imports) is read from the page's folder, through the file
// services; sheets that cannot be read are told, and nothing else changes.
TEST(LinkedSheets, AreReadFromThePagesFolder) {
  TempDir Dir;
  MakeDir(Dir / "site");
  MakeDir(Dir / "site/css");
  MakeDir(Dir / "out");
  WriteFile(Dir / "site/css/main.css", "@import 'code.css'; @import url(gone.css); @import 'main.css';");
  WriteFile(Dir / "site/css/code.css", ".listing { white-space: pre }");
  const std::string Page =
      "<link rel=\"Alternate StyleSheet\" href=\"css/main.css\"><link rel=stylesheet href=\"http://x/y.css\">"
      "<link rel=icon href=\"missing.ico\">\n<div class=listing>  a  </div>\n<div>  b  </div>";
  WriteFile(Dir / "site/page.htm", Page);
  TRecordedNotes Notes;
  TCompactOptions Options = SafeOptions();
  Options.Notes = &Notes;
  {
    TFileStream In(Dir / "site/page.htm", omRead);
    TFileStream Out(Dir / "out/page.htm", omRead | omWrite | omCreate);
    CompactHTML(In, Out, Options);
  }
  EXPECT_EQ(ReadFile(Dir / "out/page.htm"),
            "<link rel=\"Alternate StyleSheet\"href=\"css/main.css\"><link rel=stylesheet href=\"http://x/y.css\">"
            "<link rel=icon href=\"missing.ico\"><div class=listing>  a  </div> <div> b </div>");
  EXPECT_EQ(Notes.Sheets, (std::vector<std::string>{"http://x/y.css", Dir / "site/css/gone.css"}));

  // From a memory stream, relative addresses start from BaseFolder.
  Notes.Sheets.clear();
  Options.BaseFolder = Dir / "site";
  TMemStream In;
  TMemStream Out;
  FillMem(In, Page);
  CompactHTML(In, Out, Options);
  EXPECT_EQ(MemContents(Out), ReadFile(Dir / "out/page.htm"));

  // Without it the page is read as if it lay in the current folder.
  Options.BaseFolder.clear();
  Notes.Sheets.clear();
  EXPECT_EQ(SafeCompactString(Page, Options),
            "<link rel=\"Alternate StyleSheet\"href=\"css/main.css\"><link rel=stylesheet href=\"http://x/y.css\">"
            "<link rel=icon href=\"missing.ico\"><div class=listing> a </div> <div> b </div>");
  EXPECT_EQ(Notes.Sheets, (std::vector<std::string>{Native("css/main.css"), "http://x/y.css"}));
}

// Extra sheets (--css) count for every page; a base element moves where
// the page's addresses start, and a base on another host makes them remote.
TEST(LinkedSheets, ExtraSheetsAndBase) {
  TempDir Dir;
  MakeDir(Dir / "lib");
  WriteFile(Dir / "extra.css", "pre-like { white-space: pre-wrap }");
  WriteFile(Dir / "lib/b.css", "#x { white-space: pre }");
  TCompactOptions Options = SafeOptions();
  Options.ExtraSheets = {Dir / "extra.css"};
  Options.BaseFolder = Dir.Path();
  EXPECT_EQ(SafeCompactString("<pre-like>  a  </pre-like>", Options), "<pre-like>  a  </pre-like>");
  EXPECT_EQ(SafeCompactString("<base href=\"lib/\"><link rel=stylesheet href=b.css><p id=x>  a  </p>", Options),
            "<base href=\"lib/\"><link rel=stylesheet href=b.css><p id=x>  a  </p>");
  TRecordedNotes Notes;
  Options.Notes = &Notes;
  EXPECT_EQ(SafeCompactString("<base href=\"http://h/\"><link rel=stylesheet href=lib/b.css><p id=x>  a  </p>",
                              Options),
            "<base href=\"http://h/\"><link rel=stylesheet href=lib/b.css><p id=x> a </p>");
  EXPECT_EQ(Notes.Sheets, std::vector<std::string>{"lib/b.css"});
  // A sheet that is no file (a folder) is told, not read.
  Options.ExtraSheets = {Dir / "lib"};
  Notes.Sheets.clear();
  EXPECT_EQ(SafeCompactString("<p>  a  </p>", Options), "<p> a </p>");
  EXPECT_EQ(Notes.Sheets, std::vector<std::string>{Dir / "lib"});
}

}  // namespace
