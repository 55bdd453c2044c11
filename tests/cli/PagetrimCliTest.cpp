#include "cli/PagetrimCli.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "support/CaseName.h"

namespace {

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
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

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

TEST(TotalLine, CountsFilesAndSums) {
  EXPECT_EQ(TotalLine(1, 10, 7), "Total: 1 file, 10 -> 7 bytes (-30.0%)");
  EXPECT_EQ(TotalLine(3, 6000000000, 3000000000), "Total: 3 files, 6000000000 -> 3000000000 bytes (-50.0%)");
  EXPECT_EQ(TotalLine(0, 0, 0), "Total: 0 files, 0 -> 0 bytes (0.0%)");
}

TEST(ProgressText, ShowsPositionAndName) {
  EXPECT_EQ(ProgressText(1, 12, "/w/a.htm"), "[1/12] /w/a.htm");
  EXPECT_EQ(ProgressText(12, 12, ""), "[12/12] ");
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
        FailureCase{"", "\n"}),
    [](const auto& info) { return testsupport::CaseName(info.param.message); });

}  // namespace
