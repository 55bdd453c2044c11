#include "cli/PagetrimCli.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/NameClash.h"
#include "support/CaseName.h"
#include "support/PlatformExpect.h"

namespace {

// Path with every '/' as the platform's path delimiter.
std::string P(std::string Path) {
  for (char& c : Path)
    if (c == '/') c = platform::PathDelimiter();
  return Path;
}

struct UsageCase {
  const char* name;
  bool hasDestination;
  std::vector<std::string> files;
  std::string problem;  // empty: the command line can run
  bool stdinMode;
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class Usage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(Usage, IsCheckedBeforeAnythingRuns) {
  const UsageCase& c = GetParam();
  TCliArgs args;
  args.HasDestination = c.hasDestination;
  args.Destination = c.hasDestination ? "out" : "";
  args.Files = c.files;
  EXPECT_EQ(UsageProblem(args), c.problem);
  EXPECT_EQ(IsStdinMode(args), c.stdinMode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Usage,
    ::testing::Values(
        UsageCase{"NoFile", false, {}, "", true},
        UsageCase{"Dash", false, {"-"}, "", true},
        UsageCase{"Files", true, {"a.htm", "b.asp"}, "", false},
        UsageCase{"SingleFile", true, {"a.htm"}, "", false},
        UsageCase{"FilesWithoutDestination",
                  false,
                  {"a.htm"},
                  "FILE arguments need a destination folder: -d DIR",
                  false},
        UsageCase{"DestinationWithoutFiles", true, {}, "-d DIR needs at least one FILE", true},
        UsageCase{"DestinationWithDash", true, {"-"}, "-d DIR needs at least one FILE", true},
        UsageCase{"DashAmongFiles",
                  true,
                  {"a.htm", "-"},
                  "'-' (standard input) cannot be combined with other FILEs",
                  false},
        UsageCase{"Separator", true, {"a.htm", "b|c.htm"}, "FILE must not contain '|': b|c.htm",
                  false},
        UsageCase{"SeparatorAlone", true, {"|"}, "FILE must not contain '|': |", false},
        // An empty FILE would vanish at the end of the list or stop it
        // in the middle: neither is what the user asked for.
        UsageCase{"EmptyLast", true, {"a.htm", ""}, "FILE must not be empty", false},
        UsageCase{"EmptyOnly", true, {""}, "FILE must not be empty", false},
        // Checked before the destination: the FILE problem is reported.
        UsageCase{"SeparatorWithoutDestination",
                  false,
                  {"x|y"},
                  "FILE must not contain '|': x|y",
                  false},
        // Two copies under one name: the second would replace the first.
        UsageCase{"SameFileName",
                  true,
                  {P("a/x.htm"), P("b/y.htm"), P("b/x.htm")},
                  "FILEs " + P("a/x.htm") + " and " + P("b/x.htm") +
                      " have the same file name: one copy would replace the other",
                  false},
        UsageCase{"SameFileNameInOtherLetters",
                  true,
                  {P("a/x.htm"), P("b/X.Htm")},
                  "FILEs " + P("a/x.htm") + " and " + P("b/X.Htm") +
                      " have the same file name: one copy would replace the other",
                  false},
        UsageCase{"SameFileTwice",
                  true,
                  {"x.htm", "x.htm"},
                  "FILEs x.htm and x.htm have the same file name: one copy would replace the other",
                  false},
        // Checked last: a FILE that cannot run at all is reported first.
        UsageCase{"SameFileNameAndSeparator",
                  true,
                  {"x.htm", "x.htm", "y|z"},
                  "FILE must not contain '|': y|z",
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

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
        ClashCase{"One", {P("a/x.htm")}, std::nullopt},
        ClashCase{"DifferentNames", {P("a/x.htm"), P("a/y.htm"), P("b/z.htm")}, std::nullopt},
        // Only the name counts: the folders differ.
        ClashCase{"SameNameElsewhere", {P("a/x.htm"), P("b/y.htm"), P("c/d/x.htm")},
                  std::pair<std::size_t, std::size_t>{0, 2}},
        ClashCase{"WithoutFolder", {"x.htm", P("/w/x.htm")},
                  std::pair<std::size_t, std::size_t>{0, 1}},
        ClashCase{"LetterCase", {P("a/Page.HTM"), P("b/page.htm")},
                  std::pair<std::size_t, std::size_t>{0, 1}},
        // The pair whose second file comes first.
        ClashCase{"FirstPairByItsSecondFile",
                  {P("a/x.htm"), P("a/y.htm"), P("b/y.htm"), P("b/x.htm")},
                  std::pair<std::size_t, std::size_t>{1, 2}},
        // A name is not its own prefix, nor its folder's.
        ClashCase{"Prefix", {P("a/x.htm"), P("b/x.html"), P("x.htm/y")}, std::nullopt},
        // 0xC4 and 0xE4: A and a with diaeresis in the ANSI code page.
        ClashCase{"BeyondAscii", {P("a/\xC4.htm"), P("b/\xE4.htm")},
                  expect::kFoldsBeyondAscii
                      ? std::optional<std::pair<std::size_t, std::size_t>>{{0, 1}}
                      : std::nullopt},
        ClashCase{"BeyondAsciiBeforeAsciiCase",
                  {P("a/\xC4.htm"), P("b/\xE4.htm"), P("c/\xE4.HTM")},
                  expect::kFoldsBeyondAscii ? std::pair<std::size_t, std::size_t>{0, 1}
                                            : std::pair<std::size_t, std::size_t>{1, 2}},
        ClashCase{"AsciiAfterBeyondAscii", {P("a/\xC4.htm"), P("x.htm"), P("b/X.htm")},
                  std::pair<std::size_t, std::size_t>{1, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NameClash, TakesTheNameAfterTheLastDelimiter) {
  EXPECT_EQ(FileNamePart(P("/w/sub/a.htm")), "a.htm");
  EXPECT_EQ(FileNamePart("a.htm"), "a.htm");
  EXPECT_EQ(FileNamePart(P("/w/")), "");
}

struct SizeCase {
  std::int64_t in;
  std::int64_t out;
  std::string change;
};

class SizeChange : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeChange, IsInTenthsOfAPercentOfTheInput) {
  EXPECT_EQ(SizeChangeText(GetParam().in, GetParam().out), GetParam().change);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SizeChange,
    ::testing::Values(SizeCase{0, 0, "0.0%"}, SizeCase{100, 100, "0.0%"},
                      SizeCase{10, 7, "-30.0%"}, SizeCase{3, 2, "-33.3%"},
                      SizeCase{3, 1, "-66.7%"},       // rounds half up
                      SizeCase{2000, 1999, "-0.1%"},  // 0.05 rounds up
                      SizeCase{2001, 2000, "-0.0%"},  // shrank, but by less than 0.05%
                      SizeCase{100, 0, "-100.0%"}, SizeCase{100, 102, "+2.0%"},
                      SizeCase{100, 250, "+150.0%"}, SizeCase{0, 5, "+500.0%"},
                      SizeCase{2147483647, 1073741823, "-50.0%"},
                      SizeCase{2147483647, 0, "-100.0%"}),
    [](const auto& info) {
      return "In" + std::to_string(info.param.in) + "Out" + std::to_string(info.param.out);
    });

TEST(SizeLine, NamesTheFileAndBothSizes) {
  EXPECT_EQ(SizeLine("examples/index.htm", 1234, 1000), "examples/index.htm: 1234 -> 1000 bytes (-19.0%)");
  EXPECT_EQ(SizeLine("a b.htm", 0, 0), "a b.htm: 0 -> 0 bytes (0.0%)");
}

// A name that would set the terminal's title and clear its screen.
const char kHostileName[] = "/w/x\x1B]0;owned\a\x1B[2J.htm";
const char kHostileQuoted[] = "'/w/x'$'\\033'']0;owned'$'\\a\\033''[2J.htm'";

TEST(SizeLine, QuotesANameWithControlCharacters) {
  EXPECT_EQ(SizeLine(kHostileName, 10, 7), std::string(kHostileQuoted) + ": 10 -> 7 bytes (-30.0%)");
}

TEST(TotalLine, CountsFilesAndSums) {
  EXPECT_EQ(TotalLine(1, 10, 7), "Total: 1 file, 10 -> 7 bytes (-30.0%)");
  EXPECT_EQ(TotalLine(3, 6000000000, 3000000000), "Total: 3 files, 6000000000 -> 3000000000 bytes (-50.0%)");
  EXPECT_EQ(TotalLine(0, 0, 0), "Total: 0 files, 0 -> 0 bytes (0.0%)");
}

TEST(ProgressText, ShowsPositionAndName) {
  EXPECT_EQ(ProgressText(1, 12, "/w/a.htm"), "[1/12] /w/a.htm");
  EXPECT_EQ(ProgressText(12, 12, ""), "[12/12] ");
  EXPECT_EQ(ProgressText(2, 3, kHostileName), std::string("[2/3] ") + kHostileQuoted);
}

struct ProgressCase {
  std::size_t files;
  bool quiet;
  bool terminal;
  bool shown;
};

class Progress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(Progress, OnlyForSeveralFilesOnATerminalWhenNotQuiet) {
  TCliArgs args;
  args.HasDestination = true;
  args.Files.assign(GetParam().files, "x.htm");
  args.Quiet = GetParam().quiet;
  EXPECT_EQ(WantProgress(args, GetParam().terminal), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, Progress,
                         ::testing::Values(ProgressCase{2, false, true, true},
                                           ProgressCase{50, false, true, true},
                                           ProgressCase{1, false, true, false},
                                           ProgressCase{2, true, true, false},
                                           ProgressCase{2, false, false, false}),
                         [](const auto& info) {
                           const ProgressCase& c = info.param;
                           return "Files" + std::to_string(c.files) + (c.quiet ? "Quiet" : "") +
                                  (c.terminal ? "OnATerminal" : "ElsewhereThanATerminal");
                         });

TEST(VersionLine, NamesTheProgramAndItsVersion) {
  EXPECT_EQ(VersionLine("1.0.0 (build 7)"), "pagetrim-cli 1.0.0 (build 7)");
  EXPECT_EQ(VersionLine(""), "pagetrim-cli (no version information)");
}

struct FailureCase {
  std::string message;
  std::string text;
};

class Failure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(Failure, IsTheReportTextWithOneLineEnd) {
  EXPECT_EQ(FailureText(GetParam().message), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Failure,
    ::testing::Values(
        FailureCase{"Error opening \"a\" - No such file or directory",
                    "Error opening \"a\" - No such file or directory.\n"},
        FailureCase{"Destination path must be different from source!",
                    "Destination path must be different from source!\n"},
        FailureCase{"Wrote less than expected", "Wrote less than expected.\n"},
        // A system text that brings its own line end keeps it alone.
        FailureCase{"Error reading from stream - Access is denied.\r\n",
                    "Error reading from stream - Access is denied.\r\n"},
        FailureCase{"", "\n"},
        // A path in the message reaches the terminal escaped.
        FailureCase{"Error opening \"a\x1B[2J\nb\" - No such file or directory",
                    "Error opening \"a\\033[2J\\nb\" - No such file or directory.\n"}),
    [](const auto& info) { return testsupport::CaseName(info.param.message); });

}  // namespace
