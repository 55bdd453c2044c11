#include "app/SourceList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

struct SplitCase {
  const char* name;
  const char* text;
  std::vector<std::string> entries;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SourceListSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SourceListSplit, EntriesLieBetweenSeparators) {
  const SplitCase& c = GetParam();
  const TSourceList list(c.text);
  EXPECT_EQ(list.Text(), c.text);
  EXPECT_THAT(list.Entries(), ElementsAreArray(c.entries));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SourceListSplit,
    ::testing::Values(SplitCase{"Single", "/w/a.htm", {"/w/a.htm"}},
                      SplitCase{"Two", "/w/a.htm|b.htm", {"/w/a.htm", "b.htm"}},
                      // The first entry is always there.
                      SplitCase{"Empty", "", {""}},
                      SplitCase{"LoneSeparator", "|", {""}},
                      // A separator at the very end makes no entry.
                      SplitCase{"TrailingSeparator", "a|", {"a"}},
                      SplitCase{"TwoTrailingSeparators", "a||", {"a", ""}},
                      SplitCase{"DoubleSeparator", "a||b", {"a", "", "b"}},
                      SplitCase{"LeadingSeparator", "|a", {"", "a"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SourceListFromFiles, JoinsWithSeparatorsBetweenOnly) {
  EXPECT_EQ(TSourceList::FromFiles({})->Text(), "");
  EXPECT_EQ(TSourceList::FromFiles({"/w/a.htm"})->Text(), "/w/a.htm");
  const auto list = TSourceList::FromFiles({"/w/a.htm", "b.htm", "/x/c.asp"});
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(list->Text(), "/w/a.htm|b.htm|/x/c.asp");
  EXPECT_THAT(list->Entries(), ElementsAre("/w/a.htm", "b.htm", "/x/c.asp"));
}

TEST(SourceListFromFiles, RefusesAPathHoldingTheSeparator) {
  const std::vector<std::string> files{"/w/a.htm", "/w/b|c.htm", "/w/d|e.htm"};
  EXPECT_FALSE(TSourceList::FromFiles(files).has_value());
  ASSERT_NE(TSourceList::FirstRefused(files), nullptr);
  EXPECT_EQ(*TSourceList::FirstRefused(files), "/w/b|c.htm");
  EXPECT_EQ(TSourceList::FirstRefused({"/w/a.htm", ""}), nullptr);
  EXPECT_FALSE(TSourceList::CanHold("|"));
  EXPECT_TRUE(TSourceList::CanHold("/w/a b.htm"));
}

}  // namespace
