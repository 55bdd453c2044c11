#include "cli/NameClash.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliTestSupport.h"
#include "support/PlatformExpect.h"

namespace {

struct ClashCase {
  const char* name;
  std::vector<std::string> files;
  std::optional<std::pair<std::size_t, std::size_t>> clash;
};

void PrintTo(const ClashCase& c, std::ostream* os) { *os << c.name; }

class NameClash : public ::testing::TestWithParam<ClashCase> {};

TEST_P(NameClash, FindsTheFirstTwoFilesWithOneFileName) {
  EXPECT_EQ(FindNameClash(GetParam().files), GetParam().clash);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameClash,
    ::testing::Values(
        ClashCase{"None", {}, std::nullopt},
        ClashCase{"One", {Native("a/x.htm")}, std::nullopt},
        ClashCase{"DifferentNames", {Native("a/x.htm"), Native("a/y.htm"), Native("b/z.htm")}, std::nullopt},
        // Only the name counts: the folders differ.
        ClashCase{"SameNameElsewhere", {Native("a/x.htm"), Native("b/y.htm"), Native("c/d/x.htm")},
                  std::pair<std::size_t, std::size_t>{0, 2}},
        ClashCase{"WithoutFolder", {"x.htm", Native("/w/x.htm")},
                  std::pair<std::size_t, std::size_t>{0, 1}},
        ClashCase{"LetterCase", {Native("a/Page.HTM"), Native("b/page.htm")},
                  std::pair<std::size_t, std::size_t>{0, 1}},
        // The pair whose second file comes first.
        ClashCase{"FirstPairByItsSecondFile",
                  {Native("a/x.htm"), Native("a/y.htm"), Native("b/y.htm"), Native("b/x.htm")},
                  std::pair<std::size_t, std::size_t>{1, 2}},
        // A name is not its own prefix, nor its folder's.
        ClashCase{"Prefix", {Native("a/x.htm"), Native("b/x.html"), Native("x.htm/y")}, std::nullopt},
        // 0xC4 and 0xE4: A and a with diaeresis in the ANSI code page.
        ClashCase{"BeyondAscii", {Native("a/\xC4.htm"), Native("b/\xE4.htm")},
                  expect::kFoldsBeyondAscii
                      ? std::optional<std::pair<std::size_t, std::size_t>>{{0, 1}}
                      : std::nullopt},
        ClashCase{"BeyondAsciiBeforeAsciiCase",
                  {Native("a/\xC4.htm"), Native("b/\xE4.htm"), Native("c/\xE4.HTM")},
                  expect::kFoldsBeyondAscii ? std::pair<std::size_t, std::size_t>{0, 1}
                                            : std::pair<std::size_t, std::size_t>{1, 2}},
        ClashCase{"AsciiAfterBeyondAscii", {Native("a/\xC4.htm"), Native("x.htm"), Native("b/X.htm")},
                  std::pair<std::size_t, std::size_t>{1, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NameClash, TakesTheNameAfterTheLastDelimiter) {
  EXPECT_EQ(FileNamePart(Native("/w/sub/a.htm")), "a.htm");
  EXPECT_EQ(FileNamePart("a.htm"), "a.htm");
  EXPECT_EQ(FileNamePart(Native("/w/")), "");
}

}  // namespace
