// pagetrim-cli -r: the built program run on real folder trees.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/TreeTestSupport.h"
#include "cli/CliOutput.h"
#include "cli/CliTestSupport.h"
#include "support/PlatformExpect.h"
#include "support/Process.h"
#include "support/TempDir.h"

using testsupport::Exists;
using testsupport::ProcessResult;
using testsupport::ReadFile;
using testsupport::TempDir;
using treetest::Compacted;
using treetest::MakeTree;
using ::testing::HasSubstr;

namespace {

const std::vector<std::string> kSite = {
    "site/",           "site/index.htm=<p>  a  </p>\r\n",  "site/B.HTML=b\r\nb",
    "site/logo.png=P  NG", "site/sub/",                    "site/sub/deep/",
    "site/sub/deep/x.asp=<%  x  %>\r\n  y", "site/empty/", "site/sub/two words.htm=t  t"};

TEST(TreeProgram, PrintsSortedLinesAndTheSummary) {
  TempDir dir;
  MakeTree(dir, kSite);
  const ProcessResult r = RunProgram({"-r", "-j", "2", "-d", dir / "out", dir / "site"}, "");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Sorted by path, bytes before lower-case letters.
  std::string lines;
  std::int64_t in = 0;
  std::int64_t out = 0;
  for (const char* rel : {"B.HTML", "index.htm", "sub/deep/x.asp", "sub/two words.htm"}) {
    const std::string page = ReadFile(dir / ("site/" + std::string(rel)));
    const std::string compacted = Compacted(page);
    EXPECT_EQ(ReadFile(dir / ("out/" + std::string(rel))), compacted) << rel;
    lines += SizeLine(dir / ("site/" + std::string(rel)), static_cast<std::int64_t>(page.size()),
                      static_cast<std::int64_t>(compacted.size())) + '\n';
    in += static_cast<std::int64_t>(page.size());
    out += static_cast<std::int64_t>(compacted.size());
  }
  ASSERT_GE(r.out.size(), lines.size());
  EXPECT_EQ(r.out.substr(0, lines.size()), lines);
  // std::regex: the matcher's own regular expressions are too simple on Windows.
  EXPECT_TRUE(std::regex_match(r.out.substr(lines.size()),
              std::regex("Total: 4 files compacted, 0 copied, 1 skipped; " + std::to_string(in) +
                           " -> " + std::to_string(out) + " bytes \\(-[0-9.]+%\\) in [0-9]+\\.[0-9][0-9] s\n")))
      << r.out;
  EXPECT_FALSE(Exists(dir / "out/logo.png"));
  EXPECT_FALSE(Exists(dir / "out/empty"));
}

TEST(TreeProgram, CopyOthersMakesADeployableCopy) {
  TempDir dir;
  MakeTree(dir, kSite);
  const ProcessResult r =
      RunProgram({"-r", "--copy-others", "-d", dir / "out", dir / "site"}, "");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr(Native(dir / "site/logo.png") + ": copied, 5 bytes\n"));
  EXPECT_THAT(r.out, HasSubstr("Total: 4 files compacted, 1 copied, 0 skipped;"));
  EXPECT_EQ(ReadFile(dir / "out/logo.png"), "P  NG");
  EXPECT_TRUE(Exists(dir / "out/empty"));
}

TEST(TreeProgram, QuietPrintsNothing) {
  TempDir dir;
  MakeTree(dir, kSite);
  const ProcessResult r = RunProgram({"-q", "-r", "-d", dir / "out", dir / "site"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(dir / "out/index.htm"), "<p> a </p>");
}

TEST(TreeProgram, SameNamesFromTwoSourcesAreRefused) {
  TempDir dir;
  MakeTree(dir, {"a/", "a/site/", "a/site/index.htm=1", "b/", "b/site/", "b/site/index.htm=2"});
  const ProcessResult r =
      RunProgram({"-r", "-d", dir / "out", dir / "a/site", dir / "b/site"}, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Sources \"" + (dir / "a/site") + "\" and \"" + (dir / "b/site") +
                       "\" would both be written to \"" + (dir / "out/site") + "\"\n");
  EXPECT_FALSE(Exists(dir / "out"));
}

TEST(TreeProgram, TwoSourcesGoUnderTheirNames) {
  TempDir dir;
  MakeTree(dir, {"a/", "a/site/", "a/site/index.htm=1  1", "b/", "b/docs/", "b/docs/index.htm=2  2"});
  const ProcessResult r =
      RunProgram({"-q", "-r", "-d", dir / "out", dir / "a/site", dir / "b/docs"}, "");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir / "out/site/index.htm"), "1 1");
  EXPECT_EQ(ReadFile(dir / "out/docs/index.htm"), "2 2");
}

struct ProgramRefusal {
  const char* name;
  std::string dest;  // relative to the test folder
  std::string err;   // "@" for the test folder + delimiter
};

void PrintTo(const ProgramRefusal& c, std::ostream* os) { *os << c.name; }

class TreeProgramRefusal : public ::testing::TestWithParam<ProgramRefusal> {};

TEST_P(TreeProgramRefusal, WritesNothing) {
  const ProgramRefusal& c = GetParam();
  TempDir dir;
  MakeTree(dir, kSite);
  MakeTree(dir, {"other/"});
  const ProcessResult r = RunProgram({"-r", "-d", dir / c.dest, dir / "site"}, "");
  EXPECT_EQ(r.status, 1);
  std::string err;
  for (char ch : c.err) err += ch == '@' ? dir.Path() + expect::Delimiter() : std::string(1, ch);
  EXPECT_EQ(r.err, Native(err));
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(Exists(dir / "site/out"));
  EXPECT_FALSE(Exists(dir / "site/sub/index.htm"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TreeProgramRefusal,
    ::testing::Values(
        ProgramRefusal{"DestinationIsSource", "site", "Destination path must be different from source!\n"},
        ProgramRefusal{"DestinationIsSourceThroughDots", "other/../site",
                       "Destination path must be different from source!\n"},
        ProgramRefusal{"DestinationInsideSource", "site/sub",
                       "Destination path must not lie inside a source folder: \"@site/sub\" is "
                       "inside \"@site\"\n"},
        ProgramRefusal{"DestinationInsideSourceNotYetThere", "site/out",
                       "Destination path must not lie inside a source folder: \"@site/out\" is "
                       "inside \"@site\"\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TreeProgram, SourceInsideDestinationIsRefused) {
  TempDir dir;
  MakeTree(dir, kSite);
  const ProcessResult r = RunProgram({"-r", "-d", dir.Path(), dir / "site/sub"}, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Destination path must not hold a source folder: \"" + (dir / "site/sub") +
                       "\" is inside \"" + dir.Path() + "\"\n");
  EXPECT_FALSE(Exists(dir / "deep"));
}

TEST(TreeProgram, ErrorMidRunNamesItsFileAndKeepsTheFilesBefore) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/a.htm=a  a", "site/b.htm=b  b", "site/c.htm=c  c", "out/",
                 "out/b.htm/", "out/b.htm/inside=kept"});
  const ProcessResult r = RunProgram({"-r", "-j", "1", "-d", dir / "out", dir / "site"}, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, (dir / "site/a.htm") + ": 4 -> 3 bytes (-25.0%)\n");
  EXPECT_EQ(r.err.rfind((dir / "site/b.htm") + ": Error opening \"" + (dir / "out/b.htm") + "\" - ", 0),
            0u)
      << r.err;
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), "a a");
  EXPECT_EQ(ReadFile(dir / "out/b.htm/inside"), "kept");
  EXPECT_FALSE(Exists(dir / "out/c.htm"));
}

// Pages of every kind of markup the filter treats, from Seed.
std::string Page(unsigned Seed) {
  static const char* const kPieces[] = {
      "<p>", "</p>", "  ", "\t", "\r\n", "\n", "\r", "\n\r", "word", "<b > x",
      "\"q  q\"", "<a href=\"x  y\">", "<PRE>", "</pre>", "<script>", "</SCRIPT>",
      "<%", "%>", "<!---->", "- ", "<", ">",
      "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage Express 2.0\">", "\xE4\xFF"};
  return treetest::RandomText(Seed, kPieces, 2000);
}

TEST(TreeProgram, SafeModeReachesEveryWorker) {
  TempDir dir;
  const std::string page = "<pre class=\"x\">\r\n  a\r\n</pre>\r\n<% If x > 3 Then\r\n  y\r\nEnd If %>";
  MakeTree(dir, {"site/", "site/sub/", "site/a.htm=" + page, "site/sub/b.asp=" + page});
  const ProcessResult r =
      RunProgram({"-r", "--safe", "-j", "2", "-d", dir / "out", dir / "site"}, "");
  ASSERT_EQ(r.status, 0) << r.err;
  TCompactOptions safe;
  safe.Level = TCompactLevel::clSafe;
  const std::string expected = Compacted(page, safe);
  ASSERT_NE(expected, Compacted(page));  // the page tells the two modes apart
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), expected);
  EXPECT_EQ(ReadFile(dir / "out/sub/b.asp"), expected);
}

TEST(TreeProgram, OutputsAreByteIdenticalWithOneAndTwoWorkers) {
  TempDir dir;
  std::vector<std::string> spec{"site/", "site/a/", "site/a/b/", "site/c/"};
  std::vector<std::pair<std::string, std::string>> pages;
  const char* const kFolders[] = {"", "a/", "a/b/", "c/"};
  for (unsigned i = 0; i < 80; ++i) {
    const std::string rel = std::string(kFolders[i % 4]) + "page" + std::to_string(i) +
                            (i % 2 == 0 ? ".htm" : ".ASP");
    pages.emplace_back(rel, Page(i));
    spec.push_back("site/" + rel + "=" + pages.back().second);
  }
  MakeTree(dir, spec);
  const ProcessResult one = RunProgram({"-r", "-j", "1", "-d", dir / "one", dir / "site"}, "");
  const ProcessResult two = RunProgram({"-r", "-j", "2", "-d", dir / "two", dir / "site"}, "");
  ASSERT_EQ(one.status, 0) << one.err;
  ASSERT_EQ(two.status, 0) << two.err;
  for (const auto& [rel, page] : pages) {
    const std::string expected = Compacted(page);
    EXPECT_EQ(ReadFile(dir / ("one/" + rel)), expected) << rel;
    EXPECT_EQ(ReadFile(dir / ("two/" + rel)), expected) << rel;
  }
  // The same lines in the same order; only the time may differ.
  auto withoutTime = [](const std::string& Out) { return Out.substr(0, Out.rfind(" in ")); };
  EXPECT_EQ(withoutTime(one.out), withoutTime(two.out));
}

#ifndef _WIN32
TEST(TreeProgram, ProgressIsShownOnATerminalAndErasedAtTheEnd) {
  TempDir dir;
  MakeTree(dir, kSite);
  const ProcessResult r = RunProgram({"-r", "-d", dir / "out", dir / "site"}, "", true);
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.err, HasSubstr("/4] "));
  EXPECT_THAT(r.err, HasSubstr(" bytes " + (dir / "site")));
  EXPECT_TRUE(r.err.ends_with(kEraseLine)) << r.err;
  EXPECT_EQ(RunProgram({"-q", "-r", "-d", dir / "out", dir / "site"}, "", true).err, "");
}

TEST(TreeProgram, LinksAndFifosAreNotedOnStandardError) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/a.htm=a", "site/pipe.htm|fifo", "site/l.htm->a.htm", "site/loop->."});
  ProcessResult r = RunProgram({"-r", "-d", dir / "out", dir / "site"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, (dir / "site/l.htm") + ": skipped, a symbolic link (--follow follows links)\n" +
                       (dir / "site/loop") + ": skipped, a symbolic link (--follow follows links)\n" +
                       (dir / "site/pipe.htm") + ": skipped, not a regular file\n");
  EXPECT_THAT(r.out, HasSubstr("Total: 1 file compacted, 0 copied, 3 skipped;"));

  r = RunProgram({"-r", "--follow", "-d", dir / "followed", dir / "site"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, (dir / "site/loop") + ": skipped, a link back into its own folder tree\n" +
                       (dir / "site/pipe.htm") + ": skipped, not a regular file\n");
  EXPECT_EQ(ReadFile(dir / "followed/l.htm"), "a");
}
#endif

}  // namespace
