#include "cli/CliOutput.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/TextCases.h"

using ::testing::HasSubstr;

namespace {

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

TEST(TreeLines, SummaryCopyNoteAndProgress) {
  TTreeSummary s;
  s.Compacted = 3;
  s.Copied = 1;
  s.Skipped = 2;
  s.BytesIn = 300;
  s.BytesOut = 210;
  s.Seconds = 1.234;
  EXPECT_EQ(TreeSummaryLine(s),
            "Total: 3 files compacted, 1 copied, 2 skipped; 300 -> 210 bytes (-30.0%) in 1.23 s");
  s.Compacted = 1;
  s.BytesOut = 300;
  EXPECT_THAT(TreeSummaryLine(s), HasSubstr("Total: 1 file compacted, "));
  EXPECT_EQ(CopyLine("site/logo.png", 1), "site/logo.png: copied, 1 byte");
  EXPECT_EQ(CopyLine("site/logo.png", 2048), "site/logo.png: copied, 2048 bytes");
  EXPECT_EQ(NoteLine(TTreeNote{"site/fifo", srSpecial}), "site/fifo: skipped, not a regular file");
  EXPECT_EQ(NoteLine(TTreeNote{"site/l", srLink}),
            "site/l: skipped, a symbolic link (--follow follows links)");
  EXPECT_EQ(NoteLine(TTreeNote{"site/l", srLinkLoop}),
            "site/l: skipped, a link back into its own folder tree");
  EXPECT_EQ(NoteLine(TTreeNote{"site/l", srBrokenLink}), "site/l: skipped, a link to nothing");
  TTreeProgress p;
  p.Done = 2;
  p.Total = 5;
  p.BytesIn = 100;
  p.BytesOut = 70;
  p.Current = "site/c.htm";
  EXPECT_EQ(TreeProgressText(p), "[2/5] 100 -> 70 bytes site/c.htm");
  // Names that carry control bytes never reach the terminal raw.
  EXPECT_EQ(NoteLine(TTreeNote{"site/\x1b[2J", srSpecial}),
            "'site/'$'\\033''[2J': skipped, not a regular file");
  EXPECT_EQ(CopyLine(DisplayName("a\x07.png"), 1), "'a'$'\\a''.png': copied, 1 byte");
  p.Current = "site/\x1b]0;t\x07";
  EXPECT_EQ(TreeProgressText(p), "[2/5] 100 -> 70 bytes 'site/'$'\\033'']0;t'$'\\a'");
}

TEST(VersionLine, NamesTheProgramAndItsVersion) {
  EXPECT_EQ(VersionLine("1.0.0 (build 7)"), "pagetrim-cli 1.0.0 (build 7)");
  EXPECT_EQ(VersionLine(""), "pagetrim-cli (no version information)");
}

TEST(Failure, IsTheReportTextWithOneLineEnd) {
  testsupport::ExpectEachGives(
      [](const std::string& M) { return FailureText(M); },
      {{"Error opening \"a\" - No such file or directory",
        "Error opening \"a\" - No such file or directory.\n"},
       {"Destination path must be different from source!",
        "Destination path must be different from source!\n"},
       {"Wrote less than expected", "Wrote less than expected.\n"},
       // A system text that brings its own line end keeps it alone.
       {"Error reading from stream - Access is denied.\r\n",
        "Error reading from stream - Access is denied.\r\n"},
       {"", "\n"},
       // A path in the message reaches the terminal escaped.
       {"Error opening \"a\x1B[2J\nb\" - No such file or directory",
        "Error opening \"a\\033[2J\\nb\" - No such file or directory.\n"}});
}

}  // namespace
