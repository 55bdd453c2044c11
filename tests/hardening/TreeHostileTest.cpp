// pagetrim-cli -r in front of hostile trees: a folder it may not read,
// FIFOs and devices among the pages, a page too large for the streams, and
// a run killed in the middle.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/BatchRun.h"
#include "app/TreeTestSupport.h"
#include "hardening/HostileSupport.h"
#include "streams/Streams.h"
#include "streams/Utils.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/Watchdog.h"

using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::TempDir;
using treetest::Compacted;
using treetest::MakeTree;
using ::testing::HasSubstr;

namespace {

// Runs pagetrim-cli with Args; as "nobody" with Unprivileged (as root).
testsupport::ProcessResult RunCli(const std::vector<std::string>& Args, bool Unprivileged,
                               unsigned Seconds = 60) {
  testsupport::ProcessOptions options;
  options.Unprivileged = Unprivileged;
  options.Seconds = Seconds;
  return testsupport::RunProcess(PAGETRIM_CLI_PATH, Args, options);
}

// Makes Tree in Dir with every folder open to "nobody", gives Locked the
// mode Mode and runs the program as "nobody" with Args. Locked is open to
// everybody again afterwards.
testsupport::ProcessResult RunAsNobody(const TempDir& Dir, const std::vector<std::string>& Tree,
                                       const std::string& Locked, mode_t Mode,
                                       const std::vector<std::string>& Args) {
  MakeTree(Dir, Tree);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Dir.Path()))
    if (entry.is_directory() && !entry.is_symlink()) chmod(entry.path().c_str(), 0777);
  chmod(Dir.Path().c_str(), 0777);
  chmod((Dir / Locked).c_str(), Mode);
  const testsupport::ProcessResult r = RunCli(Args, true);
  chmod((Dir / Locked).c_str(), 0777);
  return r;
}

TEST(TreeHostile, UnreadableSubFolderStopsBeforeAnythingIsWritten) {
  const testsupport::Watchdog watchdog(60, "TreeHostile");
  TempDir dir;
  const testsupport::ProcessResult r = RunAsNobody(
      dir, {"site/", "site/a.htm=a", "site/locked/", "site/locked/b.htm=b", "site/z.htm=z"},
      "site/locked", 0, {"-r", "-d", dir / "out", dir / "site"});
  if (r.status == 125) GTEST_SKIP() << "cannot take another user's identity";
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Error reading folder \"" + (dir / "site/locked") + "\" - " +
                       ErrorCodeText(EACCES) + ".\n");
  EXPECT_FALSE(Exists(dir / "out"));
}

TEST(TreeHostile, ReadOnlyCopyIsNotReplaced) {
  const testsupport::Watchdog watchdog(60, "TreeHostile");
  TempDir dir;
  const testsupport::ProcessResult r = RunAsNobody(
      dir, {"site/", "site/a.htm=a  a", "site/b.htm=b  b", "out/", "out/a.htm=mine"}, "out/a.htm",
      0444, {"-r", "-j", "1", "-d", dir / "out", dir / "site"});
  if (r.status == 125) GTEST_SKIP() << "cannot take another user's identity";
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, (dir / "site/a.htm") + ": Error opening \"" + (dir / "out/a.htm") + "\" - " +
                       ErrorCodeText(EACCES) + ".\n");
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), "mine");
  EXPECT_FALSE(Exists(dir / "out/b.htm"));
}

TEST(TreeHostile, FifosAndDevicesAreSkippedWithoutBeingOpened) {
  const testsupport::Watchdog watchdog(60, "TreeHostile");
  TempDir dir;
  MakeTree(dir, {"site/", "site/a.htm=a  a", "site/fifo.htm|fifo", "site/zero.htm->/dev/zero",
                 "site/null.asp->/dev/null"});
  for (const std::vector<std::string>& extra :
       {std::vector<std::string>{}, {"--follow"}, {"--follow", "--copy-others", "-j", "2"}}) {
    std::vector<std::string> args = extra;
    for (const std::string& a : {std::string("-r"), std::string("-d"), dir / "out", dir / "site"})
      args.push_back(a);
    const testsupport::ProcessResult r = RunCli(args, false, 20);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr((dir / "site/fifo.htm") + ": skipped, not a regular file\n"));
    if (!extra.empty()) {
      EXPECT_THAT(r.err, HasSubstr((dir / "site/zero.htm") + ": skipped, not a regular file\n"));
      EXPECT_THAT(r.err, HasSubstr((dir / "site/null.asp") + ": skipped, not a regular file\n"));
    }
    EXPECT_EQ(ReadFile(dir / "out/a.htm"), "a a");
    EXPECT_FALSE(Exists(dir / "out/fifo.htm"));
    EXPECT_FALSE(Exists(dir / "out/zero.htm"));
  }
}

// Copies know no limit (a sparse file stays sparse); a page beyond what
// the streams hold is refused before anything is written for it.
TEST(TreeHostile, PageTooLargeForTheStreamsNamesItsFile) {
  const testsupport::Watchdog watchdog(60, "TreeHostile");
  TempDir dir;
  MakeTree(dir, {"site/", "site/a.htm=a  a", "site/z.htm=z  z"});
  ASSERT_TRUE(hostile::MakeSparse(dir / "site/big.htm", (off_t{1} << 31) + 10));
  ASSERT_TRUE(hostile::MakeSparse(dir / "site/big.bin", (off_t{1} << 32) + 3));
  const testsupport::ProcessResult r =
      RunCli({"-r", "-j", "1", "--copy-others", "-d", dir / "out", dir / "site"}, false);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, (dir / "site/a.htm") + ": 4 -> 3 bytes (-25.0%)\n" + (dir / "site/big.bin") +
                       ": copied, 4294967299 bytes\n");
  EXPECT_EQ(hostile::FileSize(dir / "out/big.bin"), (off_t{1} << 32) + 3);
  EXPECT_EQ(r.err, (dir / "site/big.htm") + ": " +
                       Format(SPageTooLarge, {dir / "site/big.htm", "2147483658"}) + ".\n");
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), "a a");
  EXPECT_FALSE(Exists(dir / "out/big.htm"));
  EXPECT_FALSE(Exists(dir / "out/z.htm"));
}

// A source folder that is a folder of the destination mounted elsewhere
// (a bind mount) is refused before anything is written. The mount lives in
// a mount namespace of the test's own, gone with it.
TEST(TreeHostile, SourceBoundIntoPlaceInsideTheDestinationIsRefused) {
  const testsupport::Watchdog watchdog(60, "TreeHostile");
  if (geteuid() != 0) GTEST_SKIP() << "bind mounts need root";
  TempDir dir;
  MakeTree(dir, {"src/", "src/sub/", "src/sub/a.htm=a  a", "b/"});
  // $0: the folder, $1: the program, then its arguments.
  const std::string script =
      "mount --bind \"$0/src/sub\" \"$0/b\" || exit 125; p=$1; shift; exec \"$p\" \"$@\"";
  const std::vector<std::vector<std::string>> runs{{"-r", "-d", dir / "src", dir / "b"},
                                                   {"-r", "-d", dir / "b/out", dir / "src"}};
  const char* const refusals[] = {"Destination path must not hold a source folder",
                                  "Destination path must not lie inside a source folder"};
  for (std::size_t i = 0; i < runs.size(); ++i) {
    std::vector<std::string> args{"--mount", "--propagation", "private", "sh", "-c", script,
                                  dir.Path(), PAGETRIM_CLI_PATH};
    args.insert(args.end(), runs[i].begin(), runs[i].end());
    testsupport::ProcessOptions options;
    const testsupport::ProcessResult r = testsupport::RunProcess("/usr/bin/unshare", args, options);
    if (r.status == 125 || r.status == 127 || r.err.rfind("unshare:", 0) == 0)
      GTEST_SKIP() << "no mount namespace here: " << r.err;
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_THAT(r.err, HasSubstr(refusals[i]));
    EXPECT_FALSE(Exists(dir / "src/a.htm"));
    EXPECT_FALSE(Exists(dir / "src/sub/out"));
  }
}

// A page of about Size bytes with plenty for the filter to do.
std::string LargePage(int Number, std::size_t Size) {
  std::string page = "<html>\r\n<!-- page " + std::to_string(Number) + " -->\r\n";
  while (page.size() < Size)
    page += "  <p class=\"x  y\">  Some   text, " + std::to_string(Number) +
            "  </p>\r\n<pre>\r\n  kept   as is\r\n</pre>\r\n";
  return page;
}

struct TStopped {
  int status = 0;   // as waitpid gives it
  std::string out;  // what the run printed on standard output
  std::string err;
  int finished = 0;   // files under their final names, each checked complete
  int temporary = 0;  // temporary files left behind
};

constexpr int kPages = 200;

// Starts pagetrim-cli -r -j 2 on a tree of large pages, sends it Signal as
// soon as it reports its first file, and looks at what it left.
TStopped StopMidway(int Signal) {
  TempDir dir;
  std::vector<std::string> spec{"site/", "site/a/", "site/b/"};
  for (int i = 0; i < kPages; ++i)
    spec.push_back(std::string(i % 2 ? "site/a/" : "site/b/") + "p" + std::to_string(1000 + i) +
                   ".htm=" + LargePage(i, 150000));
  MakeTree(dir, spec);

  TStopped stopped;
  int outPipe[2];
  int errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
    ADD_FAILURE() << "pipe";
    return stopped;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    const std::string out = dir / "out";
    const std::string site = dir / "site";
    execl(PAGETRIM_CLI_PATH, PAGETRIM_CLI_PATH, "-r", "-j", "2", "-d", out.c_str(), site.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  // Stopped as soon as the first file is reported: the others are in hand
  // or not yet begun.
  char c = 0;
  while (read(outPipe[0], &c, 1) == 1) {
    stopped.out += c;
    if (c == '\n') break;
  }
  kill(pid, Signal);
  char buffer[4096];
  for (ssize_t n; (n = read(outPipe[0], buffer, sizeof buffer)) > 0;) stopped.out.append(buffer, n);
  for (ssize_t n; (n = read(errPipe[0], buffer, sizeof buffer)) > 0;) stopped.err.append(buffer, n);
  waitpid(pid, &stopped.status, 0);
  close(outPipe[0]);
  close(errPipe[0]);

  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "out")) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) {
      ++stopped.temporary;
      continue;
    }
    const std::string rel = entry.path().parent_path().filename().string() + "/" + name;
    EXPECT_EQ(ReadFile(entry.path().string()), Compacted(ReadFile(dir / ("site/" + rel)))) << rel;
    ++stopped.finished;
  }
  return stopped;
}

TEST(TreeHostile, KilledRunLeavesNoPartialFileUnderAFinalName) {
  const testsupport::Watchdog watchdog(120, "TreeHostile");
  const TStopped stopped = StopMidway(SIGKILL);
  ASSERT_TRUE(WIFSIGNALED(stopped.status)) << "the run ended before it was killed";
  EXPECT_GE(stopped.finished, 1);
  EXPECT_LT(stopped.finished, kPages);
  // At most the files the two workers had in hand.
  EXPECT_LE(stopped.temporary, 2);
}

TEST(TreeHostile, InterruptedRunFinishesTheFilesInHandAndBeginsNoMore) {
  const testsupport::Watchdog watchdog(120, "TreeHostile");
  for (int signal : {SIGINT, SIGTERM}) {
    const TStopped stopped = StopMidway(signal);
    ASSERT_TRUE(WIFEXITED(stopped.status)) << "signal " << signal;
    EXPECT_EQ(WEXITSTATUS(stopped.status), 128 + signal);
    EXPECT_GE(stopped.finished, 1);
    EXPECT_LT(stopped.finished, kPages);
    EXPECT_EQ(stopped.temporary, 0);
    // Every finished file is reported, and nothing else.
    EXPECT_EQ(std::count(stopped.out.begin(), stopped.out.end(), '\n'), stopped.finished);
    EXPECT_EQ(stopped.err, "Interrupted: the files in hand were finished, " +
                               std::to_string(kPages - stopped.finished) + " files were not begun\n");
  }
}

}  // namespace
