// Tree runs with their workers: what they write, in which order they
// report, and how they stop at the first failure without leaving a partly
// written file under its final name.

#include "app/TreeRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include "app/BatchRun.h"
#include "app/TreeTestSupport.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"
#include "streams/Utils.h"
#include "support/FaultFileEnv.h"
#include "support/PlatformExpect.h"

using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using treetest::Compacted;
using treetest::MakeTree;
using treetest::Relative;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

// Records what a run reports, and that it reports from the caller's thread.
class RecordingHost : public TTreeHost {
public:
  void Planned(const TTreePlan& Plan) override {
    CheckThread();
    ++planned;
    notes = Plan.Notes.size();
  }
  void Progress(const TTreeProgress& State) override {
    CheckThread();
    EXPECT_GE(State.Done, last.Done) << "progress went back";
    last = State;
    ++progress;
  }
  void FileDone(const TTreeFile& File, std::int64_t BytesIn, std::int64_t BytesOut) override {
    CheckThread();
    done.push_back(File.Source);
    bytesIn += BytesIn;
    bytesOut += BytesOut;
  }

  int planned = 0;
  int progress = 0;
  std::size_t notes = 0;
  TTreeProgress last;
  std::vector<std::string> done;
  std::int64_t bytesIn = 0;
  std::int64_t bytesOut = 0;

private:
  void CheckThread() { EXPECT_EQ(std::this_thread::get_id(), caller_); }
  std::thread::id caller_ = std::this_thread::get_id();
};

// A document of blanks, line ends of every kind, tags, quotes and regions,
// drawn from Seed.
std::string Document(unsigned Seed) {
  static const char* const kPieces[] = {
      "<p>",   "</p>",   "  ",   "\t",       "\r\n",     "\n",     "\r",      "\n\r",
      "text",  "<b> x", "\"a  b\"", "<a href=\"x  y\">", "<pre>", "</pre>", "<script>",
      "</script>", "<%",  "%>",   "<!---->",  "- ",       "<",      ">",       "\xE9\xFF"};
  return treetest::RandomText(Seed, kPieces, 400);
}

TTreeOptions Options(const TempDir& Root, const std::string& Source, const std::string& Dest,
                     unsigned Jobs = 1) {
  TTreeOptions options;
  options.Sources = {Root / Source};
  options.Destination = Root / Dest;
  options.Jobs = Jobs;
  return options;
}

// Every name below Folder that looks like a temporary file of a run.
std::vector<std::string> Temporaries(const std::string& Folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) found.push_back(name);
  }
  return found;
}

class TreeRunJobs : public ::testing::TestWithParam<unsigned> {};

TEST_P(TreeRunJobs, OutputsEqualTheSingleFileCompactionAndReportInOrder) {
  TempDir dir;
  std::vector<std::string> spec{"site/", "site/a/", "site/a/b/", "site/c/"};
  std::vector<std::string> docs;
  const char* const kFolders[] = {"site/", "site/a/", "site/a/b/", "site/c/"};
  for (unsigned i = 0; i < 48; ++i) {
    docs.push_back(Document(i));
    spec.push_back(std::string(kFolders[i % 4]) + "p" + std::to_string(i) +
                   (i % 3 == 0 ? ".HTM" : i % 3 == 1 ? ".html" : ".asp") + "=" + docs.back());
  }
  spec.push_back("site/c/image.gif=GIF89a\r\n\x01\x02  \n");
  MakeTree(dir, spec);
  TTreeOptions options = Options(dir, "site", "out", GetParam());
  options.CopyOthers = true;
  RecordingHost host;
  const TTreeSummary summary = RunTree(options, host);

  ASSERT_THAT(summary.Failures, IsEmpty());
  EXPECT_EQ(summary.Compacted, 48u);
  EXPECT_EQ(summary.Copied, 1u);
  EXPECT_EQ(summary.Skipped, 0u);
  for (unsigned i = 0; i < 48; ++i) {
    const std::string rel = std::string(kFolders[i % 4]).substr(5) + "p" + std::to_string(i) +
                            (i % 3 == 0 ? ".HTM" : i % 3 == 1 ? ".html" : ".asp");
    EXPECT_EQ(ReadFile(dir / ("out/" + rel)), Compacted(docs[i])) << rel;
  }
  EXPECT_EQ(ReadFile(dir / "out/c/image.gif"), "GIF89a\r\n\x01\x02  \n");
  EXPECT_THAT(Temporaries(dir / "out"), IsEmpty());

  // Reported once each, sorted by path, whatever order the workers took.
  std::vector<std::string> sorted = host.done;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(host.done, sorted);
  EXPECT_EQ(host.done.size(), 49u);
  EXPECT_EQ(host.planned, 1);
  EXPECT_EQ(host.last.Done, 49u);
  EXPECT_EQ(host.last.Total, 49u);
  EXPECT_EQ(summary.BytesIn, host.last.BytesIn);
  EXPECT_EQ(summary.BytesOut, host.last.BytesOut);
  EXPECT_EQ(summary.CopiedBytes, 13);
}

INSTANTIATE_TEST_SUITE_P(Workers, TreeRunJobs, ::testing::Values(1u, 2u, 7u),
                         [](const auto& info) { return "Jobs" + std::to_string(info.param); });

TEST(TreeRun, ReplacesEarlierCopiesAndKeepsOtherFiles) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/a.htm=a  b", "out/", "out/a.htm=older and longer", "out/mine.txt=m"});
  RecordingHost host;
  ASSERT_THAT(RunTree(Options(dir, "site", "out"), host).Failures, IsEmpty());
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), "a b");
  EXPECT_EQ(ReadFile(dir / "out/mine.txt"), "m");
}

TEST(TreeRun, EmptyTreeMakesTheDestinationAndReportsNothing) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/empty/", "site/logo.png=x"});
  RecordingHost host;
  const TTreeSummary summary = RunTree(Options(dir, "site", "new/out", 4), host);
  EXPECT_THAT(summary.Failures, IsEmpty());
  EXPECT_EQ(summary.Compacted, 0u);
  EXPECT_EQ(summary.Skipped, 1u);
  EXPECT_THAT(host.done, IsEmpty());
  EXPECT_TRUE(Exists(dir / "new/out"));
  EXPECT_FALSE(Exists(dir / "new/out/empty"));
}

TEST(TreeRun, RefusalWritesNothing) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/a.htm=x"});
  RecordingHost host;
  const TTreeSummary summary = RunTree(Options(dir, "site", "site/out"), host);
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_EQ(summary.Failures[0].Source, "");
  EXPECT_THAT(summary.Failures[0].Message, HasSubstr("must not lie inside a source folder"));
  EXPECT_FALSE(Exists(dir / "site/out"));
  EXPECT_EQ(host.planned, 0);
}

TEST(TreeRun, EmptyDestinationIsRefused) {
  TempDir dir;
  MakeTree(dir, {"site/"});
  TTreeOptions options = Options(dir, "site", "out");
  options.Destination.clear();
  RecordingHost host;
  const TTreeSummary summary = RunTree(options, host);
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_EQ(summary.Failures[0].Message, SDestinationEmpty);
}

TEST(TreeRun, DestinationThatIsALinkToASourceFileIsRefused) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/a.htm=a  a", "site/b.htm=b  b", "out/"});
  std::filesystem::create_hard_link(dir / "site/a.htm", dir / "out/b.htm");
  RecordingHost host;
  const TTreeSummary summary = RunTree(Options(dir, "site", "out"), host);
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_EQ(summary.Failures[0].Source, dir / "site/b.htm");
  EXPECT_EQ(summary.Failures[0].Message,
            Format(SDestinationIsSourceFile, {dir / "out/b.htm", dir / "site/a.htm"}));
  EXPECT_EQ(ReadFile(dir / "site/a.htm"), "a  a");
  EXPECT_EQ(ReadFile(dir / "site/b.htm"), "b  b");
  EXPECT_THAT(host.done, ElementsAre(dir / "site/a.htm"));
}

// ---- failures

// Runs the tree site of Dir into out with the file services of Faults.
TTreeSummary RunWithFaults(FaultFileEnv& Faults, const TempDir& Dir, RecordingHost& Host) {
  TTreeOptions options = Options(Dir, "site", "out");
  options.Env = &Faults;
  return RunTree(options, Host);
}

const std::vector<std::string> kThree = {"site/", "site/a.htm=a  a", "site/b.htm=b  b",
                                         "site/c.htm=c  c", "out/", "out/b.htm=earlier b"};

TEST(TreeRunFailure, ReadErrorStopsAtThatFileAndKeepsItsEarlierCopy) {
  TempDir dir;
  MakeTree(dir, kThree);
  FaultFileEnv faults;
  faults.FailName(FileCall::Read, dir / "site/b.htm", expect::IoError());
  RecordingHost host;
  const TTreeSummary summary = RunWithFaults(faults, dir, host);
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_EQ(summary.Failures[0].Source, dir / "site/b.htm");
  EXPECT_EQ(summary.Failures[0].Message, Format(SErrorReading, {expect::Text(expect::IoError())}));
  EXPECT_THAT(host.done, ElementsAre(dir / "site/a.htm"));
  EXPECT_EQ(summary.Compacted, 1u);
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), "a a");
  // The copy of an earlier run stays whole; c was never begun.
  EXPECT_EQ(ReadFile(dir / "out/b.htm"), "earlier b");
  EXPECT_FALSE(Exists(dir / "out/c.htm"));
  EXPECT_THAT(Temporaries(dir / "out"), IsEmpty());
}

TEST(TreeRunFailure, CopyThatAnotherProgramHoldsIsNotReplaced) {
  TempDir dir;
  MakeTree(dir, kThree);
  RecordingHost host;
  TTreeSummary summary;
  {
    // Open without sharing, as another program might hold it.
    TFileStream holder(dir / "out/b.htm", omRead);
    summary = RunTree(Options(dir, "site", "out"), host);
  }
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_EQ(summary.Failures[0].Source, dir / "site/b.htm");
  EXPECT_EQ(summary.Failures[0].Message,
            Format(SErrorOpening, {dir / "out/b.htm", expect::Text(expect::SharingViolation())}));
  EXPECT_EQ(ReadFile(dir / "out/b.htm"), "earlier b");
  EXPECT_THAT(Temporaries(dir / "out"), IsEmpty());
}

TEST(TreeRunFailure, WriteErrorLeavesNoTemporaryFile) {
  TempDir dir;
  MakeTree(dir, kThree);
  FaultFileEnv faults;
  faults.FailCall(FileCall::Write, 1, expect::DiskFull());
  RecordingHost host;
  const TTreeSummary summary = RunWithFaults(faults, dir, host);
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_EQ(summary.Failures[0].Source, dir / "site/a.htm");
  EXPECT_THAT(summary.Failures[0].Message, HasSubstr(expect::Text(expect::DiskFull())));
  EXPECT_FALSE(Exists(dir / "out/a.htm"));
  EXPECT_EQ(ReadFile(dir / "out/b.htm"), "earlier b");
  EXPECT_THAT(Temporaries(dir / "out"), IsEmpty());
}

TEST(TreeRunFailure, RenameErrorNamesBothNamesAndRemovesTheTemporaryFile) {
  TempDir dir;
  MakeTree(dir, kThree);
  FaultFileEnv faults;
  faults.FailName(FileCall::Rename, dir / "out/b.htm", expect::AccessDenied());
  RecordingHost host;
  const TTreeSummary summary = RunWithFaults(faults, dir, host);
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_THAT(summary.Failures[0].Message, HasSubstr("Error renaming \""));
  EXPECT_THAT(summary.Failures[0].Message,
              HasSubstr("\" to \"" + (dir / "out/b.htm") + "\" - " + expect::Text(expect::AccessDenied())));
  EXPECT_EQ(ReadFile(dir / "out/b.htm"), "earlier b");
  EXPECT_THAT(Temporaries(dir / "out"), IsEmpty());
}

TEST(TreeRunFailure, FolderThatCannotBeCreatedStopsBeforeAnyFile) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/a.htm=x", "site/sub/", "site/sub/b.htm=y"});
  FaultFileEnv faults;
  faults.FailName(FileCall::CreateFolder, dir / "out/sub", expect::DiskFull());
  RecordingHost host;
  const TTreeSummary summary = RunWithFaults(faults, dir, host);
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_EQ(summary.Failures[0].Source, "");
  EXPECT_EQ(summary.Failures[0].Message,
            Format(SErrorCreatingFolder, {dir / "out/sub", expect::Text(expect::DiskFull())}));
  EXPECT_FALSE(Exists(dir / "out/a.htm"));
  EXPECT_EQ(host.planned, 0);
}

TEST(TreeRunFailure, DestinationFolderTakenByAFile) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/sub/", "site/sub/b.htm=y", "out/", "out/sub=a file"});
  RecordingHost host;
  const TTreeSummary summary = RunTree(Options(dir, "site", "out"), host);
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_EQ(summary.Failures[0].Message, Format(STargetNotFolder, {dir / "out/sub"}));
  EXPECT_EQ(ReadFile(dir / "out/sub"), "a file");
}

TEST(TreeRunFailure, ParallelRunStopsTakingFilesAfterTheFirstFailure) {
  TempDir dir;
  std::vector<std::string> spec{"site/"};
  for (int i = 0; i < 200; ++i) spec.push_back("site/p" + std::to_string(1000 + i) + ".htm=x  " + std::to_string(i));
  MakeTree(dir, spec);
  FaultFileEnv faults;
  faults.FailName(FileCall::Read, dir / "site/p1000.htm", expect::IoError());
  TTreeOptions options = Options(dir, "site", "out", 2);
  options.Env = &faults;
  RecordingHost host;
  const TTreeSummary summary = RunTree(options, host);
  ASSERT_EQ(summary.Failures.size(), 1u);
  EXPECT_EQ(summary.Failures[0].Source, dir / "site/p1000.htm");
  // The other worker finishes what it has in hand and begins nothing new
  // once the failure is known: far fewer than all of the files.
  EXPECT_LT(host.done.size(), 100u);
  std::vector<std::string> sorted = host.done;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(host.done, sorted);
  for (const std::string& source : host.done) {
    const std::string name = source.substr(source.find_last_of(platform::PathDelimiter()) + 1);
    EXPECT_EQ(ReadFile(dir / ("out/" + name)), Compacted(ReadFile(source))) << name;
  }
  std::size_t written = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "out")) {
    (void)entry;
    ++written;
  }
  EXPECT_EQ(written, host.done.size()) << "files under their final names beyond those reported";
}

TEST(TreeRunCancel, BeforeTheFirstFileWritesNothing) {
  TempDir dir;
  MakeTree(dir, kThree);
  std::atomic<bool> cancel{true};
  TTreeOptions options = Options(dir, "site", "new");
  options.Cancel = &cancel;
  RecordingHost host;
  const TTreeSummary summary = RunTree(options, host);
  EXPECT_TRUE(summary.Cancelled);
  EXPECT_EQ(summary.NotBegun, 3u);
  EXPECT_THAT(summary.Failures, IsEmpty());
  EXPECT_FALSE(Exists(dir / "new"));
}

// Cancels the run when a worker opens a file whose name ends in Trigger, as an
// interrupt that arrives while the files before it are done and others are
// in hand.
class CancelOnOpen : public platform::FileEnvWrapper {
public:
  CancelOnOpen(std::string Trigger, std::atomic<bool>& Cancel)
      : platform::FileEnvWrapper(platform::FileEnv::Default()),
        trigger_(std::move(Trigger)),
        cancel_(Cancel) {}
  platform::Status Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
                        std::uint32_t Disposition, std::uint32_t Attributes,
                        platform::FileHandle* Handle) override {
    if (Name.size() >= trigger_.size() &&
        Name.compare(Name.size() - trigger_.size(), trigger_.size(), trigger_) == 0)
      cancel_.store(true);
    return FileEnvWrapper::Open(Name, Access, Share, Disposition, Attributes, Handle);
  }

private:
  std::string trigger_;
  std::atomic<bool>& cancel_;
};

TEST(TreeRunCancel, MidwayFinishesTheFilesInHandAndBeginsNoMore) {
  TempDir dir;
  std::vector<std::string> spec{"site/"};
  for (int i = 0; i < 100; ++i) spec.push_back("site/p" + std::to_string(100 + i) + ".htm=x  x");
  MakeTree(dir, spec);
  std::atomic<bool> cancel{false};
  TTreeOptions options = Options(dir, "site", "out", 2);
  options.Cancel = &cancel;
  CancelOnOpen env("p150.htm", cancel);
  options.Env = &env;
  RecordingHost host;
  const TTreeSummary summary = RunTree(options, host);
  EXPECT_TRUE(summary.Cancelled);
  EXPECT_THAT(summary.Failures, IsEmpty());
  // The 50 files before the trigger, the trigger itself, and at most the
  // one the other worker had in hand.
  EXPECT_GE(host.done.size(), 51u);
  EXPECT_LE(host.done.size(), 52u);
  EXPECT_EQ(summary.Compacted, host.done.size());
  EXPECT_EQ(summary.NotBegun + summary.Compacted, 100u);
  EXPECT_THAT(Temporaries(dir / "out"), IsEmpty());
}

// Names alike in their first 64 bytes, many workers: each file's copy holds
// its own text, run after run.
TEST(TreeRunJobs, LongNamesAlikeGiveTheSameTreeWithAnyNumberOfWorkers) {
  TempDir dir;
  std::vector<std::string> spec{"site/"};
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) {
    names.push_back(std::string(70, 'p') + "_" + std::to_string(10 + i) + ".htm");
    spec.push_back("site/" + names.back() + "=<p>  page " + std::to_string(i) + "  </p>");
  }
  MakeTree(dir, spec);
  // Each run into a folder of its own: replacing files costs a flush each.
  // Under Wine every file call is slow; the names are the same there.
#ifdef _WIN32
  constexpr int kRuns = 10;
#else
  constexpr int kRuns = 200;
#endif
  for (int run = 0; run < kRuns; ++run) {
    const unsigned jobs = run == 0 ? 1 : 8;
    const std::string out = "out/" + std::to_string(run);
    RecordingHost host;
    const TTreeSummary summary = RunTree(Options(dir, "site", out, jobs), host);
    ASSERT_THAT(summary.Failures, IsEmpty()) << "run " << run;
    for (int i = 0; i < 40; ++i)
      ASSERT_EQ(ReadFile(dir / (out + "/" + names[i])), "<p> page " + std::to_string(i) + " </p>")
          << "run " << run << ", file " << i;
  }
  EXPECT_THAT(Temporaries(dir / "out"), IsEmpty());
}

#ifndef _WIN32
// A name changed under the run, just before the run reaches it: the run
// works only on what its walk found, and writes only into the folders it
// made ready. Each row changes one name and must fail naming it.
struct TSwapCase {
  const char* name;
  FileCall call;       // the call that the change comes just before
  const char* at;      // the name that call is about, relative to the folder
  const char* from;    // the name changed,
  const char* to;      // turned into a link to this
  const char* format;  // the failure, with the changed name
  bool planned;        // the run got as far as its files
};

const TSwapCase kSwaps[] = {
    {"PageToSecret", FileCall::Open, "site/b.htm", "site/b.htm", "secret/key.htm", SSourceReplaced,
     true},
    {"FolderOfPagesToSecretFolder", FileCall::Open, "site/sub/c.htm", "site/sub", "secret",
     SSourceReplaced, true},
    {"FolderBeforeItIsRead", FileCall::ListFolder, "site/sub", "site/sub", "secret",
     SSourceReplaced, false},
    {"DestinationFolderAfterItWasMade", FileCall::Open, "site/sub/c.htm", "out/sub", "elsewhere",
     SDestinationReplaced, true},
    {"DestinationFolderAsItIsMade", FileCall::OpenFolder, "out/sub", "out/sub", "elsewhere",
     SDestinationReplaced, false},
};

class TreeRunSwap : public ::testing::TestWithParam<TSwapCase> {};

TEST_P(TreeRunSwap, IsRefusedAndNothingElseIsReadOrWritten) {
  const TSwapCase& c = GetParam();
  TempDir dir;
  MakeTree(dir, {"site/", "site/a.htm=a  a", "site/b.htm=b  b", "site/sub/", "site/sub/c.htm=c  c",
                 "secret/", "secret/key.htm=KEY", "secret/c.htm=KEY", "elsewhere/"});
  FaultFileEnv faults;
  faults.BeforeCall(c.call, dir / c.at, [&] {
    std::filesystem::rename(dir / c.from, dir / (std::string(c.from) + ".old"));
    std::filesystem::create_symlink(dir / c.to, dir / c.from);
  });
  RecordingHost host;
  const TTreeSummary summary = RunWithFaults(faults, dir, host);
  ASSERT_EQ(summary.Failures.size(), 1u);
  // A source is named as the run met it, a destination folder as changed.
  const char* named = c.format == SSourceReplaced ? c.at : c.from;
  EXPECT_EQ(summary.Failures[0].Message, Format(c.format, {dir / named}));
  EXPECT_EQ(host.planned, c.planned ? 1 : 0);
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "out", ec))
    if (entry.is_regular_file()) {
      EXPECT_NE(ReadFile(entry.path().string()), "KEY") << entry.path();
    }
  EXPECT_TRUE(std::filesystem::is_empty(dir / "elsewhere"));
  EXPECT_THAT(Temporaries(dir.Path()), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, TreeRunSwap, ::testing::ValuesIn(kSwaps),
                         [](const auto& info) { return std::string(info.param.name); });

// Written files and created folders get their sources' permission bits,
// less the creation mask as cp gives them, or as they are and with their
// times with Preserve. Folders that were there keep theirs.
TEST(TreeRun, PermissionBitsAndTimesFollowTheSources) {
  const std::uint32_t mask = platform::CreationMask();
  for (bool preserve : {false, true}) {
    TempDir dir;
    MakeTree(dir, {"site/", "site/private.htm=p", "site/cgi.asp=c", "site/data.bin=d",
                   "site/locked/", "site/locked/x.htm=x", "site/open/", "site/open/y.htm=y",
                   "out/", "out/open/"});
    const std::vector<std::pair<const char*, mode_t>> modes{
        {"site/private.htm", 0600}, {"site/cgi.asp", 04775}, {"site/data.bin", 0444},
        {"site/locked/x.htm", 0640}, {"site/locked", 0700}, {"site/open", 0777}, {"site", 0751}};
    const std::int64_t time = 1234567890;
    for (const auto& [name, mode] : modes) {
      ASSERT_EQ(chmod((dir / name).c_str(), mode), 0);
      const struct timespec times[2] = {{time, 0}, {time, 0}};
      ASSERT_EQ(utimensat(AT_FDCWD, (dir / name).c_str(), times, 0), 0);
    }
    ASSERT_EQ(chmod((dir / "out/open").c_str(), 0705), 0);
    TTreeOptions options = Options(dir, "site", "out");
    options.CopyOthers = true;
    options.Preserve = preserve;
    RecordingHost host;
    ASSERT_THAT(RunTree(options, host).Failures, IsEmpty());
    for (const auto& [name, mode] : modes) {
      const std::string copy = dir / ("out" + std::string(name).substr(4));
      struct stat st {};
      ASSERT_EQ(stat(copy.c_str(), &st), 0) << copy;
      // The destination and out/open were there before the run.
      const bool existed = std::string(name) == "site" || std::string(name) == "site/open";
      // Never a set-user-ID bit: the copy has another owner.
      const mode_t want = existed ? (std::string(name) == "site" ? st.st_mode & 0777 : 0705)
                                  : preserve ? mode & 0777 : mode & 0777 & ~mask;
      EXPECT_EQ(st.st_mode & 07777, want) << copy << (preserve ? " preserved" : "");
      if (preserve && !existed) {
        EXPECT_EQ(st.st_mtim.tv_sec, time) << copy;
      } else if (!preserve) {
        EXPECT_GT(st.st_mtim.tv_sec, time) << copy;
      }
    }
  }
}

#ifdef __linux__
// A pseudo-file reports no size: the report gives what was read.
TEST(TreeRun, ReportsTheBytesReadNotTheReportedSize) {
  TempDir dir;
  MakeTree(dir, {"site/", "site/status.htm->/proc/self/status"});
  TTreeOptions options = Options(dir, "site", "out");
  options.FollowLinks = true;
  RecordingHost host;
  const TTreeSummary summary = RunTree(options, host);
  ASSERT_THAT(summary.Failures, IsEmpty());
  EXPECT_GT(summary.BytesIn, 100);
  EXPECT_EQ(summary.BytesOut, static_cast<std::int64_t>(ReadFile(dir / "out/status.htm").size()));
}
#endif
#endif

// Pages in encodings whose ASCII is not one byte: safe mode refuses each
// and writes nothing for it; the default rules take them as bytes.
TEST(TreeRun, SafeModeRefusesWideText) {
  const std::vector<std::pair<std::string, const char*>> marks{{std::string("\xFF\xFE<\0", 4), "UTF-16LE"},
                                                               {std::string("\xFE\xFF\0<", 4), "UTF-16BE"},
                                                               {std::string("\xFF\xFE\0\0", 4), "UTF-32LE"},
                                                               {std::string("\0\0\xFE\xFF", 4), "UTF-32BE"}};
  for (const auto& [mark, encoding] : marks) {
    TempDir dir;
    MakeTree(dir, {"site/"});
    WriteFile(dir / "site/wide.htm", mark + std::string("p\0 \0 \0", 6));
    TTreeOptions options = Options(dir, "site", "out");
    options.Compaction = SafeOptions();
    RecordingHost host;
    const TTreeSummary summary = RunTree(options, host);
    ASSERT_EQ(summary.Failures.size(), 1u) << encoding;
    EXPECT_EQ(summary.Failures[0].Message, Format(SWideText, {"The page", encoding}));
    EXPECT_FALSE(Exists(dir / "out/wide.htm"));
    options.Compaction = TCompactOptions();
    RecordingHost again;
    EXPECT_THAT(RunTree(options, again).Failures, IsEmpty()) << encoding;
  }
}

TEST(TemporaryName, IsHiddenUniqueToItsFileAndEndsInTmp) {
  EXPECT_EQ(TemporaryName("page.htm", "0badf00d", 0, 0), ".page.htm.0badf00d-0.tmp");
  EXPECT_EQ(TemporaryName("page.htm", "0badf00d", 12, 3), ".page.htm.0badf00d-12.3.tmp");
  // Names alike in their first 64 bytes still get names of their own.
  const std::string a = std::string(70, 'p') + "_01.htm";
  const std::string b = std::string(70, 'p') + "_02.htm";
  EXPECT_EQ(TemporaryName(a, "t", 5, 0), "." + std::string(64, 'p') + ".t-5.tmp");
  EXPECT_NE(TemporaryName(a, "t", 5, 0), TemporaryName(b, "t", 6, 0));
}

}  // namespace
