#include "cli/CliArgs.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/CliTestSupport.h"

namespace {

// Args (after the program's name) parsed as pagetrim-cli parses them.
TCliArgs Parsed(const std::vector<std::string>& Args) {
  std::vector<const char*> argv{"pagetrim-cli"};
  for (const std::string& a : Args) argv.push_back(a.c_str());
  TCliArgs args;
  EXPECT_EQ(ParseCliArgs(static_cast<int>(argv.size()), argv.data(), args, stdout, stderr), std::nullopt);
  return args;
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;  // after the program name
  std::string problem;            // empty: the command line can run
  bool stdinMode;
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class Usage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(Usage, IsCheckedBeforeAnythingRuns) {
  const TCliArgs args = Parsed(GetParam().args);
  EXPECT_EQ(UsageProblem(args), GetParam().problem);
  EXPECT_EQ(IsStdinMode(args), GetParam().stdinMode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Usage,
    ::testing::Values(
        UsageCase{"NoFile", {}, "", true},
        UsageCase{"Dash", {"-"}, "", true},
        UsageCase{"Files", {"-d", "out", "a.htm", "b.asp"}, "", false},
        UsageCase{"SingleFile", {"-d", "out", "a.htm"}, "", false},
        UsageCase{"FilesWithoutDestination", {"a.htm"}, "FILE arguments need a destination folder: -d DIR", false},
        UsageCase{"DestinationWithoutFiles", {"-d", "out"}, "-d DIR needs at least one FILE", true},
        UsageCase{"DestinationWithDash", {"-d", "out", "-"}, "-d DIR needs at least one FILE", true},
        UsageCase{"DashAmongFiles", {"-d", "out", "a.htm", "-"},
                  "'-' (standard input) cannot be combined with other FILEs", false},
        UsageCase{"Separator", {"-d", "out", "a.htm", "b|c.htm"}, "FILE must not contain '|': b|c.htm", false},
        UsageCase{"SeparatorAlone", {"-d", "out", "|"}, "FILE must not contain '|': |", false},
        // An empty FILE would vanish at the end of the list or stop it
        // in the middle: neither is what the user asked for.
        UsageCase{"EmptyLast", {"-d", "out", "a.htm", ""}, "FILE must not be empty", false},
        UsageCase{"EmptyOnly", {"-d", "out", ""}, "FILE must not be empty", false},
        // Checked before the destination: the FILE problem is reported.
        UsageCase{"SeparatorWithoutDestination", {"x|y"}, "FILE must not contain '|': x|y", false},
        // Two copies under one name: the second would replace the first.
        UsageCase{"SameFileName", {"-d", "out", Native("a/x.htm"), Native("b/y.htm"), Native("b/x.htm")},
                  "FILEs " + Native("a/x.htm") + " and " + Native("b/x.htm") +
                      " have the same file name: one copy would replace the other",
                  false},
        UsageCase{"SameFileNameInOtherLetters", {"-d", "out", Native("a/x.htm"), Native("b/X.Htm")},
                  "FILEs " + Native("a/x.htm") + " and " + Native("b/X.Htm") +
                      " have the same file name: one copy would replace the other",
                  false},
        UsageCase{"SameFileTwice", {"-d", "out", "x.htm", "x.htm"},
                  "FILEs x.htm and x.htm have the same file name: one copy would replace the other", false},
        // Checked last: a FILE that cannot run at all is reported first.
        UsageCase{"SameFileNameAndSeparator", {"-d", "out", "x.htm", "x.htm", "y|z"},
                  "FILE must not contain '|': y|z", false},
        UsageCase{"BaseNeedsSafe", {"--base", "web"}, "--base needs --safe or --best", true},
        UsageCase{"BestWithStyleSheets", {"--best", "--keep-js", "--css", "a.css", "--base", "web"}, "", true},
        UsageCase{"SafeAndBest", {"--safe", "--best"}, "--safe and --best are two modes: give one", true},
        UsageCase{"KeepNeedsBest", {"--safe", "--keep-doctype"}, "--keep-... options need --best", true},
        UsageCase{"KeepTagsNeedsBest", {"--keep-optional-tags"}, "--keep-... options need --best", true},
        UsageCase{"BaseWithTree", {"--safe", "--base", "web", "-r", "-d", "out", "site"},
                  "--base is for standard input (files and trees start from each page's own folder)", false},
        UsageCase{"Tree", {"-r", "-d", "out", "site"}, "", false},
        UsageCase{"TreeWithEverything",
                  {"-r", "-j", "3", "--match", "*.php", "--copy-others", "--follow", "--preserve", "-d", "out",
                   "a", "b"},
                  "", false},
        // '|' is only the separator of the flat batch's source list.
        UsageCase{"TreeBarInSource", {"-r", "-d", "out", "my|site"}, "", false},
        UsageCase{"TreeNoSource", {"-r", "-d", "out"}, "-r needs at least one SRC_DIR", true},
        UsageCase{"TreeNoDestination", {"-r", "site"}, "-r needs a destination folder: -d DIR", false},
        UsageCase{"TreeEmptySource", {"-r", "-d", "out", "site", ""}, "SRC_DIR must not be empty", false},
        UsageCase{"TreeDash", {"-r", "-d", "out", "-"}, "'-' (standard input) cannot be combined with -r", true},
        UsageCase{"TreeEmptyGlob", {"-r", "--match", "", "-d", "out", "site"}, "GLOB must not be empty", false},
        UsageCase{"TreeGlobWithFolder", {"-r", "--match", "sub/*.htm", "-d", "out", "site"},
                  "GLOB is matched against file names and must not contain a path delimiter: sub/*.htm", false},
        UsageCase{"MatchWithoutTree", {"--match", "*.php", "-d", "out", "a.php"}, "--match needs -r", false},
        UsageCase{"CopyOthersWithoutTree", {"--copy-others", "-d", "out", "a.htm"}, "--copy-others needs -r",
                  false},
        UsageCase{"FollowWithoutTree", {"--follow", "-d", "out", "a.htm"}, "--follow needs -r", false},
        UsageCase{"PreserveWithoutTree", {"--preserve", "-d", "out", "a.htm"}, "--preserve needs -r", false},
        UsageCase{"JobsWithoutTree", {"-j", "2", "-d", "out", "a.htm"}, "-j needs -r", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TreeOptions, FollowTheCommandLineWithTheCoresAsDefaultJobs) {
  const TTreeOptions options = TreeOptionsFrom(Parsed({"-r", "--safe", "--match", "*.php", "-d", "out", "a", "b"}));
  EXPECT_EQ(options.Sources, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(options.Destination, "out");
  EXPECT_EQ(options.Patterns, std::vector<std::string>{"*.php"});
  EXPECT_EQ(options.Compaction.Level, TCompactLevel::clSafe);
  EXPECT_EQ(options.Jobs, DefaultJobs());
  EXPECT_GE(DefaultJobs(), 1u);
  EXPECT_EQ(TreeOptionsFrom(Parsed({"-r", "-j", "5", "-d", "out", "a"})).Jobs, 5u);
}

// Each --keep-... flag switches off its own reduction and no other.
TEST(CompactOptions, EachKeepFlagLeavesOutOneReduction) {
  const std::pair<const char*, bool TBestKeep::*> flags[] = {
      {"--keep-comments", &TBestKeep::Comments}, {"--keep-optional-tags", &TBestKeep::OptionalTags},
      {"--keep-quotes", &TBestKeep::Quotes},
      {"--keep-attributes", &TBestKeep::Attributes}, {"--keep-css", &TBestKeep::Css},
      {"--keep-js", &TBestKeep::Js}, {"--keep-entities", &TBestKeep::Entities},
      {"--keep-doctype", &TBestKeep::Doctype}, {"--keep-block-space", &TBestKeep::BlockSpace}};
  EXPECT_EQ(CompactOptionsFrom(Parsed({"--best"})).Level, TCompactLevel::clBest);
  for (const auto& [flag, field] : flags) {
    const TCompactOptions options = CompactOptionsFrom(Parsed({"--best", flag}));
    for (const auto& [other, otherField] : flags)
      EXPECT_EQ(options.BestKeep.*otherField, other == flag) << flag << " " << other;
  }
}

}  // namespace
