// Tree runs before anything is written: patterns, the walk through the
// source trees, the destination mapping and the refusals.

#include "app/TreeWalk.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/BatchRun.h"
#include "app/TreeTestSupport.h"
#include "streams/Streams.h"
#include "streams/Utils.h"
#include "support/FaultFileEnv.h"
#include "support/PlatformExpect.h"

using testsupport::TempDir;
using treetest::MakeTree;
using treetest::Relative;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

platform::FileEnv& Env() { return *platform::FileEnv::Default(); }

// ---- patterns

struct GlobCase {
  const char* name;
  const char* glob;
  const char* file;
  bool match;
};

void PrintTo(const GlobCase& c, std::ostream* os) { *os << c.name; }

class Glob : public ::testing::TestWithParam<GlobCase> {};

TEST_P(Glob, MatchesFileNames) {
  const GlobCase& c = GetParam();
  EXPECT_EQ(MatchGlob(c.glob, c.file), c.match) << c.glob << " against " << c.file;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Glob,
    ::testing::Values(GlobCase{"StarSuffix", "*.htm", "index.htm", true},
                      GlobCase{"StarSuffixOtherCase", "*.htm", "INDEX.HTM", true},
                      GlobCase{"PatternUpperCase", "*.HTML", "a.html", true},
                      GlobCase{"SuffixNeedsItsDot", "*.htm", "indexhtm", false},
                      GlobCase{"LongerSuffix", "*.htm", "a.html", false},
                      GlobCase{"StarMatchesNothing", "*.htm", ".htm", true},
                      GlobCase{"StarInside", "a*z", "abcz", true},
                      GlobCase{"StarBacktracks", "*ab*ab", "xabyabab", true},
                      GlobCase{"StarsInARow", "**.asp", "x.asp", true},
                      GlobCase{"StarAlone", "*", "", true},
                      GlobCase{"EmptyGlob", "", "a", false},
                      GlobCase{"Question", "?.htm", "a.htm", true},
                      GlobCase{"QuestionNeedsAByte", "?.htm", ".htm", false},
                      GlobCase{"Set", "[abc].htm", "b.htm", true},
                      GlobCase{"SetOtherCase", "[abc].htm", "B.htm", true},
                      GlobCase{"SetMiss", "[abc].htm", "d.htm", false},
                      GlobCase{"Range", "page[0-9].htm", "page7.htm", true},
                      GlobCase{"RangeOtherCase", "[a-c]x", "Bx", true},
                      GlobCase{"NegatedSet", "[!a]x", "bx", true},
                      GlobCase{"NegatedSetMiss", "[^a]x", "ax", false},
                      GlobCase{"BracketFirstInSet", "[]a]", "]", true},
                      GlobCase{"UnclosedBracketIsPlain", "a[b", "a[b", true},
                      GlobCase{"Escape", "\\*.htm", "*.htm", true},
                      GlobCase{"EscapeIsNoStar", "\\*.htm", "a.htm", false},
                      GlobCase{"HighBytes", "caf\xE9*", "caf\xE9.htm", true},
                      GlobCase{"HighBytesDoNotFold", "caf\xC9*", "caf\xE9.htm", false},
                      GlobCase{"BlankAndBar", "a b|c.*", "a b|c.asp", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Glob, LongNameAgainstManyStarsStaysQuick) {
  // Quadratic at worst: a million steps here, not an exponential number.
  const std::string name(1000, 'a');
  EXPECT_FALSE(MatchGlob("*a*a*a*a*a*b", name));
}

TEST(Glob, DefaultPatternsAreTheWindowsOnes) {
  EXPECT_THAT(DefaultPatterns(), ElementsAre("*.htm", "*.html", "*.asp"));
}

TEST(Glob, ProblemsOfMatchPatterns) {
  EXPECT_EQ(GlobProblem("*.php"), "");
  EXPECT_EQ(GlobProblem(""), "GLOB must not be empty");
  EXPECT_THAT(GlobProblem("sub/*.htm"), HasSubstr("must not contain a path delimiter"));
  EXPECT_THAT(GlobProblem(std::string("a") + platform::PathDelimiter() + "b"),
              HasSubstr("must not contain a path delimiter"));
}

// ---- names

TEST(TreeNames, JoinNameAddsOneDelimiter) {
  const std::string d = expect::Delimiter();
  EXPECT_EQ(JoinName("out", "a.htm"), "out" + d + "a.htm");
  EXPECT_EQ(JoinName("out" + d, "a.htm"), "out" + d + "a.htm");
  EXPECT_EQ(JoinName("out/", "a.htm"), "out/a.htm");
  EXPECT_EQ(JoinName("", "a.htm"), "a.htm");
  EXPECT_EQ(JoinName("out", ""), "out");
}

TEST(TreeNames, BaseNameOfASource) {
  TempDir dir;
  testsupport::MakeDir(dir / "site");
  const std::string d = expect::Delimiter();
  EXPECT_EQ(SourceBaseName(dir / "site", Env()), "site");
  EXPECT_EQ(SourceBaseName((dir / "site") + d, Env()), "site");
  EXPECT_EQ(SourceBaseName((dir / "site") + d + d, Env()), "site");
  // "." and ".." are named by the folder they are.
  EXPECT_EQ(SourceBaseName((dir / "site") + d + ".", Env()), "site");
  std::string real;
  ASSERT_TRUE(Env().RealName(dir.Path(), &real).ok());
  EXPECT_EQ(SourceBaseName(dir / "site/..", Env()), real.substr(real.find_last_of(d) + 1));
  EXPECT_EQ(SourceBaseName(expect::RootFolder(), Env()), "");
}

// ---- the walk

// A plan's files as "source -> target (action)", relative to Root.
std::vector<std::string> FilesOf(const TempDir& Root, const TTreePlan& Plan) {
  std::vector<std::string> files;
  for (const TTreeFile& f : Plan.Files)
    files.push_back(Relative(Root, f.Source) + " -> " + Relative(Root, f.Target) +
                    (f.Action == taCompact ? "" : " (copy)"));
  return files;
}

std::vector<std::string> FoldersOf(const TempDir& Root, const TTreePlan& Plan) {
  std::vector<std::string> folders;
  for (const std::string& f : Plan.Folders) folders.push_back(Relative(Root, f));
  return folders;
}

#ifndef _WIN32
std::vector<std::string> NotesOf(const TempDir& Root, const TTreePlan& Plan) {
  static const char* const kReasons[] = {"link", "loop", "broken", "special"};
  std::vector<std::string> notes;
  for (const TTreeNote& n : Plan.Notes) notes.push_back(Relative(Root, n.Source) + " " + kReasons[n.Reason]);
  return notes;
}
#endif

TTreeOptions Options(const TempDir& Root, std::vector<std::string> Sources, const std::string& Dest) {
  TTreeOptions options;
  for (const std::string& s : Sources) options.Sources.push_back(Root / s);
  options.Destination = Root / Dest;
  return options;
}

const std::vector<std::string> kSite = {
    "site/",          "site/index.htm=a",       "site/Upper.HTML=b", "site/x.asp=c",
    "site/logo.png=p", "site/sub/",             "site/sub/deep/",    "site/sub/deep/page.htm=d",
    "site/empty/",    "site/sub/with blank.Htm=e", "site/sub/notes.txt=t"};

TEST(PlanTree, NestedFoldersSortedByPathWithUnmatchedFilesCounted) {
  TempDir dir;
  MakeTree(dir, kSite);
  const TTreePlan plan = PlanTree(Options(dir, {"site"}, "out"), Env());
  EXPECT_THAT(FilesOf(dir, plan),
              ElementsAre("site/Upper.HTML -> out/Upper.HTML", "site/index.htm -> out/index.htm",
                          "site/sub/deep/page.htm -> out/sub/deep/page.htm",
                          "site/sub/with blank.Htm -> out/sub/with blank.Htm",
                          "site/x.asp -> out/x.asp"));
  // Only the folders that receive files; the empty one is left out.
  EXPECT_THAT(FoldersOf(dir, plan), ElementsAre("out", "out/sub", "out/sub/deep"));
  EXPECT_EQ(plan.Unmatched, 2u);
  EXPECT_TRUE(plan.Notes.empty());
}

TEST(PlanTree, CopyOthersCopiesTheRestAndMirrorsEveryFolder) {
  TempDir dir;
  MakeTree(dir, kSite);
  TTreeOptions options = Options(dir, {"site"}, "out");
  options.CopyOthers = true;
  const TTreePlan plan = PlanTree(options, Env());
  EXPECT_THAT(FilesOf(dir, plan),
              ElementsAre("site/Upper.HTML -> out/Upper.HTML", "site/index.htm -> out/index.htm",
                          "site/logo.png -> out/logo.png (copy)",
                          "site/sub/deep/page.htm -> out/sub/deep/page.htm",
                          "site/sub/notes.txt -> out/sub/notes.txt (copy)",
                          "site/sub/with blank.Htm -> out/sub/with blank.Htm",
                          "site/x.asp -> out/x.asp"));
  EXPECT_THAT(FoldersOf(dir, plan), ElementsAre("out", "out/empty", "out/sub", "out/sub/deep"));
  EXPECT_EQ(plan.Unmatched, 0u);
}

TEST(PlanTree, MatchReplacesTheDefaultPatterns) {
  TempDir dir;
  MakeTree(dir, kSite);
  TTreeOptions options = Options(dir, {"site"}, "out");
  options.Patterns = {"*.TXT", "logo.*"};
  const TTreePlan plan = PlanTree(options, Env());
  EXPECT_THAT(FilesOf(dir, plan),
              ElementsAre("site/logo.png -> out/logo.png", "site/sub/notes.txt -> out/sub/notes.txt"));
  EXPECT_EQ(plan.Unmatched, 5u);
}

TEST(PlanTree, SeveralSourcesGoUnderTheirNames) {
  TempDir dir;
  MakeTree(dir, {"a/", "a/site/", "a/site/index.htm=1", "b/", "b/docs/", "b/docs/sub/",
                 "b/docs/sub/index.htm=2"});
  const TTreePlan plan = PlanTree(Options(dir, {"b/docs", "a/site"}, "out"), Env());
  // Sources in the order given.
  EXPECT_THAT(FilesOf(dir, plan), ElementsAre("b/docs/sub/index.htm -> out/docs/sub/index.htm",
                                              "a/site/index.htm -> out/site/index.htm"));
  EXPECT_THAT(FoldersOf(dir, plan), ElementsAre("out", "out/docs", "out/docs/sub", "out/site"));
}

TEST(PlanTree, SourcesWithTheSameNameAreRefused) {
  TempDir dir;
  MakeTree(dir, {"a/", "a/site/", "a/site/index.htm=1", "b/", "b/site/", "b/site/index.htm=2"});
  try {
    PlanTree(Options(dir, {"a/site", "b/site"}, "out"), Env());
    FAIL() << "no refusal";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Sources \"" + (dir / "a/site") + "\" and \"" + (dir / "b/site") +
                               "\" would both be written to \"" + (dir / "out/site") + "\"");
  }
  // The same folder twice, once with a trailing delimiter.
  EXPECT_THROW(PlanTree(Options(dir, {"a/site", "a/site/"}, "out"), Env()), Exception);
}

TEST(PlanTree, SourceMustBeAFolder) {
  TempDir dir;
  MakeTree(dir, {"page.htm=x"});
  try {
    PlanTree(Options(dir, {"page.htm"}, "out"), Env());
    FAIL() << "no refusal";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Source \"" + (dir / "page.htm") + "\" is not a folder");
  }
  try {
    PlanTree(Options(dir, {"none"}, "out"), Env());
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), Format(SErrorReadingFolder, {dir / "none", expect::Text(expect::FileNotFound())}));
  }
}

TEST(PlanTree, UnreadableSubFolderStopsTheWalkWithItsName) {
  TempDir dir;
  MakeTree(dir, kSite);
  FaultFileEnv faults;
  faults.FailName(FileCall::ListFolder, dir / "site/sub", expect::AccessDenied());
  try {
    PlanTree(Options(dir, {"site"}, "out"), faults);
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(),
              Format(SErrorReadingFolder, {dir / "site/sub", expect::Text(expect::AccessDenied())}));
  }
}

TEST(PlanTree, NameThatCannotBeLookedAtStopsTheWalk) {
  TempDir dir;
  MakeTree(dir, kSite);
  FaultFileEnv faults;
  faults.FailName(FileCall::GetStatus, dir / "site/x.asp", expect::IoError());
  EXPECT_THROW(PlanTree(Options(dir, {"site"}, "out"), faults), EInOutError);
}

#ifndef _WIN32
// Links and FIFOs: POSIX only (links need privileges on Windows).
const std::vector<std::string> kLinked = {
    "site/",
    "site/index.htm=a",
    "site/fifo.htm|fifo",
    "site/tofile.htm->index.htm",
    "site/dangling.htm->none.htm",
    "site/self->self",
    "outside/",
    "outside/far.htm=f",
    "site/tofolder->../outside",
    "site/sub/",
    "site/sub/up->..",
    "site/sub/page.htm=p"};

TEST(PlanTree, LinksAreSkippedWithANoteUnlessFollowed) {
  TempDir dir;
  MakeTree(dir, kLinked);
  const TTreePlan plan = PlanTree(Options(dir, {"site"}, "out"), Env());
  EXPECT_THAT(FilesOf(dir, plan),
              ElementsAre("site/index.htm -> out/index.htm", "site/sub/page.htm -> out/sub/page.htm"));
  EXPECT_THAT(NotesOf(dir, plan),
              ElementsAre("site/dangling.htm link", "site/fifo.htm special", "site/self link",
                          "site/sub/up link", "site/tofile.htm link", "site/tofolder link"));
}

TEST(PlanTree, FollowedLinksReachFilesAndFoldersAndLoopsAreCut) {
  TempDir dir;
  MakeTree(dir, kLinked);
  TTreeOptions options = Options(dir, {"site"}, "out");
  options.FollowLinks = true;
  const TTreePlan plan = PlanTree(options, Env());
  EXPECT_THAT(FilesOf(dir, plan),
              ElementsAre("site/index.htm -> out/index.htm", "site/sub/page.htm -> out/sub/page.htm",
                          "site/tofile.htm -> out/tofile.htm",
                          "site/tofolder/far.htm -> out/tofolder/far.htm"));
  EXPECT_THAT(NotesOf(dir, plan), ElementsAre("site/dangling.htm broken", "site/fifo.htm special",
                                              "site/self loop", "site/sub/up loop"));
  ASSERT_EQ(plan.LinkedFolders.size(), 1u);
  EXPECT_EQ(plan.LinkedFolders[0].first, dir / "site/tofolder");
}

TEST(PlanTree, TwoLinksToOneFolderAreNoLoop) {
  TempDir dir;
  MakeTree(dir, {"lib/", "lib/a.htm=1", "site/", "site/one->../lib", "site/two->../lib"});
  TTreeOptions options = Options(dir, {"site"}, "out");
  options.FollowLinks = true;
  EXPECT_THAT(FilesOf(dir, PlanTree(options, Env())),
              ElementsAre("site/one/a.htm -> out/one/a.htm", "site/two/a.htm -> out/two/a.htm"));
}

TEST(PlanTree, NamesWithBarsAndBytesThatAreNoUtf8) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/a|b.htm=1", "site/caf\xE9/", "site/caf\xE9/\xFF\xFE.HTM=2"});
  EXPECT_THAT(FilesOf(dir, PlanTree(Options(dir, {"site"}, "out"), Env())),
              ElementsAre("site/a|b.htm -> out/a|b.htm",
                          "site/caf\xE9/\xFF\xFE.HTM -> out/caf\xE9/\xFF\xFE.HTM"));
}
#endif

// ---- refusals

struct RefusalCase {
  const char* name;
  std::vector<std::string> tree;  // besides "site/" with "site/sub/" and a page
  std::vector<std::string> sources;
  std::string dest;
  bool follow;
  std::string refusal;  // "" for none; "@" stands for the test folder
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

std::string WithRoot(std::string Text, const TempDir& Root) {
  std::string out;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != '@') {
      out += Text[i];
      continue;
    }
    // "@/a/b" is the name Root / "a/b", up to the closing quote.
    const std::size_t end = Text.find('"', i);
    out += Root / Text.substr(i + 2, end - i - 2);
    i = end - 1;
  }
  return out;
}

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, IsGivenBeforeAnythingIsWritten) {
  const RefusalCase& c = GetParam();
  TempDir dir;
  MakeTree(dir, {"site/", "site/sub/", "site/sub/a.htm=x"});
  MakeTree(dir, c.tree);
  TTreeOptions options = Options(dir, c.sources, c.dest);
  options.FollowLinks = c.follow;
  const TTreePlan plan = PlanTree(options, Env());
  EXPECT_EQ(CheckTree(options, plan, Env()), WithRoot(c.refusal, dir));
}

const std::string kInside = "Destination path must not lie inside a source folder: ";
const std::string kHolds = "Destination path must not hold a source folder: ";

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusal,
    ::testing::Values(
        RefusalCase{"Elsewhere", {}, {"site"}, "out", false, ""},
        RefusalCase{"ElsewhereNotYetThere", {}, {"site"}, "new/deeper/out", false, ""},
        RefusalCase{"Sibling", {"site2/"}, {"site"}, "site2", false, ""},
        RefusalCase{"SameFolder", {}, {"site"}, "site", false, SDestinationMustDiffer},
        RefusalCase{"SameThroughDots", {}, {"site"}, "site/sub/..", false, SDestinationMustDiffer},
        RefusalCase{"SameWithDelimiter", {}, {"site"}, "site/", false, SDestinationMustDiffer},
        RefusalCase{"InsideExisting", {}, {"site"}, "site/sub", false,
                    kInside + "\"@/site/sub\" is inside \"@/site\""},
        RefusalCase{"InsideNotYetThere", {}, {"site"}, "site/new/out", false,
                    kInside + "\"@/site/new/out\" is inside \"@/site\""},
        RefusalCase{"InsideThroughDotsNotThere", {}, {"site"}, "other/../site/new", false,
                    kInside + "\"@/other/../site/new\" is inside \"@/site\""},
        RefusalCase{"HoldsSource", {}, {"site/sub"}, "site", false,
                    kHolds + "\"@/site/sub\" is inside \"@/site\""},
        RefusalCase{"SecondSourceHeld", {"other/"}, {"other", "site/sub"}, "site", false,
                    kHolds + "\"@/site/sub\" is inside \"@/site\""},
        RefusalCase{"DestinationIsAFile", {"file=x"}, {"site"}, "file", false,
                    "Destination \"@/file\" exists and is not a folder"},
        RefusalCase{"DestinationBelowAFile", {"file=x"}, {"site"}, "file/out", false,
                    "Destination \"@/file\" exists and is not a folder"}
#ifndef _WIN32
        ,
        RefusalCase{"SameThroughLink", {"alias->site"}, {"site"}, "alias", false,
                    SDestinationMustDiffer},
        RefusalCase{"InsideThroughLink", {"alias->site/sub"}, {"site"}, "alias/out", false,
                    kInside + "\"@/alias/out\" is inside \"@/site\""},
        RefusalCase{"SourceThroughLinkHoldsNothing", {"alias->site"}, {"alias"}, "out", false, ""},
        RefusalCase{"DestinationReachedThroughFollowedLink", {"out/", "site/sub/up->../../out"},
                    {"site/sub"}, "out", true,
                    "Destination folder \"@/out\" is the source folder \"@/site/sub/up\" under another name"},
        RefusalCase{"DestinationInsideFollowedLink", {"far/", "site/sub/far->../../far"},
                    {"site"}, "far/out", true, kInside + "\"@/far/out\" is inside \"@/site/sub/far\""},
        RefusalCase{"FollowedLinkIntoDestinationTree",
                    {"out/", "out/inner/", "site/sub/in->../../out/inner"}, {"site"}, "out", true,
                    kHolds + "\"@/site/sub/in\" is inside \"@/out\""},
        RefusalCase{"LinkNotFollowedIsNoSource",
                    {"out/", "out/inner/", "site/sub/in->../../out/inner"}, {"site"}, "out", false,
                    ""},
        RefusalCase{"DestinationFolderIsSourceUnderAnotherName",
                    {"out/", "out/sub->../site/sub"}, {"site"}, "out", false,
                    "Destination folder \"@/out/sub\" is the source folder \"@/site/sub\" under another name"}
#endif
        ),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Refusal, EmptyDestination) {
  TempDir dir;
  MakeTree(dir, {"site/"});
  TTreeOptions options = Options(dir, {"site"}, "out");
  options.Destination.clear();
  EXPECT_EQ(CheckTree(options, TTreePlan{}, Env()), SDestinationEmpty);
}

TEST(Refusal, RelativeNamesAreResolvedFromTheCurrentFolder) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/a.htm=x"});
  TTreeOptions options;
  options.Sources = {dir / "site"};
  options.Destination = "pagetrim-relative-test-out";  // in the current folder, not there
  const TTreePlan plan = PlanTree(options, Env());
  EXPECT_EQ(CheckTree(options, plan, Env()), "");
}

}  // namespace
