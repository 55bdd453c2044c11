#include "compact/BestCompact.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "compact/CompactCases.h"
#include "compact/CompactHTML.h"
#include "compact/SafeCompact.h"
#include "streams/MemStream.h"
#include "support/MemText.h"
#include "support/TempDir.h"

namespace {

// The rows (cases/best.txt): the page, what best mode makes of it and, in
// the fourth field, the reduction (if any) that the row's options keep off.
const std::pair<const char*, bool TBestKeep::*> kKeeps[] = {
    {"Comments", &TBestKeep::Comments}, {"OptionalTags", &TBestKeep::OptionalTags},
    {"Quotes", &TBestKeep::Quotes},     {"Attributes", &TBestKeep::Attributes},
    {"Css", &TBestKeep::Css},           {"Js", &TBestKeep::Js},
    {"Entities", &TBestKeep::Entities}, {"Doctype", &TBestKeep::Doctype},
    {"BlockSpace", &TBestKeep::BlockSpace}};

// Best mode's options, with the reduction named Keep kept off.
TCompactOptions Options(const std::string& Keep) {
  TCompactOptions O = BestOptions();
  O.ReadLinkedSheets = false;
  if (Keep.empty()) return O;
  for (const auto& [Name, Member] : kKeeps)
    if (Keep == Name) {
      O.BestKeep.*Member = true;
      return O;
    }
  throw std::invalid_argument("no reduction " + Keep);
}

TCompactOptions KeepAll() {
  TCompactOptions O = Options("");
  for (const auto& [Name, Member] : kKeeps) O.BestKeep.*Member = true;
  return O;
}

class BestTable : public testing::TestWithParam<Case> {};

TEST_P(BestTable, GivesExactBytes) {
  const Case& C = GetParam();
  const std::string Out = SafeCompactString(C.Input, Options(C.Extra));
  EXPECT_EQ(Out, C.Output);
  // A second run changes nothing.
  EXPECT_EQ(SafeCompactString(Out, Options(C.Extra)), Out);
}

// With every reduction kept off, best mode is safe mode.
TEST_P(BestTable, KeepingEverythingIsSafeMode) {
  TCompactOptions Safe = SafeOptions();
  Safe.ReadLinkedSheets = false;
  EXPECT_EQ(SafeCompactString(GetParam().Input, KeepAll()), SafeCompactString(GetParam().Input, Safe));
}

INSTANTIATE_TEST_SUITE_P(Rows, BestTable, CaseRows("best.txt"), ByName());

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

// The real pages of the tree (the render check's edge pages, the sample
// site, the ASP pages), their linked sheets read from their folders.
std::vector<std::filesystem::path> CorpusPages() {
  std::vector<std::filesystem::path> Pages;
  std::stringstream Dirs(PAGETRIM_PAGE_CORPUS);
  for (std::string Dir; std::getline(Dirs, Dir, '|');)
    for (const auto& Entry : std::filesystem::directory_iterator(Dir)) {
      const std::string Ext = Entry.path().extension().string();
      if (Ext == ".html" || Ext == ".htm" || Ext == ".asp") Pages.push_back(Entry.path());
    }
  return Pages;
}

// On each, with every reduction on and with each kept off in turn: never
// longer, and a second run changes nothing.
TEST(BestCompact, RealPagesAreStableWithEveryReductionKeptOffInTurn) {
  const std::vector<std::filesystem::path> Pages = CorpusPages();
  ASSERT_GE(Pages.size(), 10u);
  for (const auto& Page : Pages) {
    std::ifstream In(Page, std::ios::binary);
    const std::string Text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    for (std::size_t K = 0; K <= std::size(kKeeps); ++K) {
      TCompactOptions O = Options(K == 0 ? "" : kKeeps[K - 1].first);
      O.ReadLinkedSheets = true;
      O.BaseFolder = Page.parent_path().string() + "/";
      const std::string Once = SafeCompactString(Text, O);
      EXPECT_LE(Once.size(), Text.size()) << Page;
      EXPECT_EQ(SafeCompactString(Once, O), Once) << Page << " keeping " << (K == 0 ? "nothing" : kKeeps[K - 1].first);
    }
  }
}

TEST(BestCompact, ThroughTheStreams) {
  TMemStream In;
  TMemStream Out;
  FillMem(In, "<p class=\"a\"><!-- y --> z</p>");
  CompactHTML(In, Out, Options(""));
  EXPECT_EQ(MemContents(Out), "<p class=a>z");
}

}  // namespace
