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

INSTANTIATE_TEST_SUITE_P(Table, CssTokens, CaseRows("css-tokens.txt"), ByName());

// The compounds of Set, as "name.class#id" and "<name.class#id" for the
// ancestor one asks for (a "*" when every element matches), in the order
// they were added.
std::string Names(const TCompoundSet& Set) {
  if (Set.All()) return "*";
  std::string Out;
  auto Simple = [&Out](const TCompoundSet::TSimple& C) {
    Out += C.Name;
    for (const auto& Class : C.Classes) Out += "." + Class;
    for (const auto& Id : C.Ids) Out += "#" + Id;
  };
  for (const auto& C : Set.Compounds()) {
    if (!Out.empty()) Out += ' ';
    Simple(C);
    for (const auto& A : C.Within) Simple((Out += '<', A));
  }
  return Out;
}

// Which of a page's rule sets a table reads.
enum class TSet { Keeping, Boxes, Generated };

// The keeping compounds of Css, then its imports; or the compounds whose
// box a rule may change, or that may have generated content.
std::string Compounds(const std::string& Css, TSet Set = TSet::Keeping) {
  TKeepRules Rules;
  std::vector<std::string> Imports;
  CollectKeepRules(Css, Rules, &Imports);
  if (Set == TSet::Boxes) return Names(Rules.Boxes());
  if (Set == TSet::Generated) return Names(Rules.Generated());
  std::string Out = Names(Rules);
  if (Out == "*") return Out;
  for (const auto& I : Imports) Out += " @" + I;
  return Out;
}

// Which of a few attributes, each on an element, the selectors of Css may
// test ("type@script ...").
std::string TestedAttributes(const std::string& Css) {
  TKeepRules Rules;
  CollectKeepRules(Css, Rules, nullptr);
  std::string Out;
  for (const auto& [Attr, Element] : {std::pair{"type", "script"}, {"type", "input"}, {"type", "link"},
                                      {"name", "a"}, {"method", "form"}, {"checked", "input"}})
    if (Rules.SelectorMayTest(Attr, Element)) Out += (Out.empty() ? "" : " ") + std::string(Attr) + "@" + Element;
  return Out;
}

class KeepingCompounds : public testing::TestWithParam<Case> {};

TEST_P(KeepingCompounds, AreTheSubjectsOfKeepingRules) {
  EXPECT_EQ(Compounds(GetParam().Input), GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(Table, KeepingCompounds, CaseRows("keeping-compounds.txt"), ByName());

class BoxCompounds : public testing::TestWithParam<Case> {};

TEST_P(BoxCompounds, AreTheSubjectsOfRulesThatMayMakeABoxOtherThanABlock) {
  EXPECT_EQ(Compounds(GetParam().Input, TSet::Boxes), GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(Table, BoxCompounds, CaseRows("box-compounds.txt"), ByName());

class GeneratedCompounds : public testing::TestWithParam<Case> {};

TEST_P(GeneratedCompounds, AreTheSubjectsOfRulesForGeneratedContentAndMarkers) {
  EXPECT_EQ(Compounds(GetParam().Input, TSet::Generated), GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(Table, GeneratedCompounds, CaseRows("generated-compounds.txt"), ByName());

class SelectorAttributes : public testing::TestWithParam<Case> {};

TEST_P(SelectorAttributes, AreTestedOnTheElementsTheirCompoundsName) {
  EXPECT_EQ(TestedAttributes(GetParam().Input), GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(Table, SelectorAttributes, CaseRows("selector-attributes.txt"), ByName());

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
