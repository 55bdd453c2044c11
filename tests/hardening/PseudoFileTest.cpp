// Sources whose reported size is not where their data ends: the kernel's
// pseudo-files (procfs reports 0 bytes, sysfs a whole page) and a file
// service that lies about the size as stale caches of network and FUSE
// file systems do. The run must end, and every copy must be the
// compaction of what the source really holds, reported with that length.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/BatchRun.h"
#include "hardening/HostileSupport.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"
#include "support/CompactedText.h"
#include "support/FaultFileEnv.h"
#include "support/Process.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/Watchdog.h"

using namespace testsupport;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// "IN -> OUT" for Doc: its length and that of its compaction.
std::string Sizes(const std::string& Doc) {
  return std::to_string(Doc.size()) + " -> " + std::to_string(Compacted(Doc).size());
}

// The bytes read of each file a run reported done.
std::vector<std::int64_t> BytesRead(const RecordingHost& Host) {
  std::vector<std::int64_t> read;
  for (const std::string& call : Host.Calls) {
    if (call.rfind("done ", 0) != 0) continue;
    const std::size_t out = call.rfind(' ');
    const std::size_t in = call.rfind(' ', out - 1);
    read.push_back(std::stoll(call.substr(in + 1, out - in - 1)));
  }
  return read;
}

// ---- A file service that reports a wrong size

// The sources: lines to join, a region that is still open at a final CR LF
// (its last, empty line adds one more line break), and a long document.
const std::vector<std::string> kDocs = {
    "<p>  one  </p>\r\n<p>two</p>\r\n",
    "<pre>\r\n  x\r\n",
    std::string(70000, 'y') + "\n<b>  z  </b>\n",
};

struct LieCase {
  const char* name;
  std::int32_t reportedSize;
};

void PrintTo(const LieCase& c, std::ostream* os) { *os << c.name; }

class LyingSize : public ::testing::TestWithParam<LieCase> {};

TEST_P(LyingSize, TheRunEndsAndEveryCopyHoldsWhatTheSourceHolds) {
  const Watchdog watchdog(60, "LyingSize");
  TempDir dir;
  MakeDir(dir / "web");
  MakeDir(dir / "out");
  std::string list;
  for (std::size_t i = 0; i < kDocs.size(); ++i) {
    WriteFile(dir / ("web/" + std::to_string(i) + ".htm"), kDocs[i]);
    list += (i > 0 ? "|" : "") + (dir / ("web/" + std::to_string(i) + ".htm"));
  }
  FaultFileEnv env;
  env.ReportSize(GetParam().reportedSize);
  RecordingHost host;
  RunBatch(list, dir / "out", host, {}, &env);
  std::vector<std::int64_t> read;
  for (std::size_t i = 0; i < kDocs.size(); ++i) {
    const std::string name = std::to_string(i) + ".htm";
    EXPECT_EQ(ReadFile(dir / ("out/" + name)), Compacted(kDocs[i])) << name;
    read.push_back(static_cast<std::int64_t>(kDocs[i].size()));
  }
  // (The copies' sizes are reported through the same lie.)
  EXPECT_EQ(BytesRead(host), read);
}

INSTANTIATE_TEST_SUITE_P(Cases, LyingSize,
                         ::testing::Values(LieCase{"ReportsNothing", 0},
                                           LieCase{"ReportsOneByte", 1},
                                           LieCase{"ReportsAPage", 4096},
                                           LieCase{"ReportsAMegabyte", 1 << 20}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The kernel's pseudo-files, where the machine has them

struct PseudoCase {
  const char* name;
  const char* path;
};

void PrintTo(const PseudoCase& c, std::ostream* os) { *os << c.name; }

// Files whose contents stay the same while a test runs.
const PseudoCase kPseudoFiles[] = {
    {"ProcVersion", "/proc/version"},                     // reports 0 bytes
    {"ProcOsRelease", "/proc/sys/kernel/osrelease"},      // reports 0 bytes
    {"SysCpusOnline", "/sys/devices/system/cpu/online"},  // reports 4096 bytes
    {"SysCpusPossible", "/sys/devices/system/cpu/possible"},
    {"SysHugePages", "/sys/kernel/mm/transparent_hugepage/enabled"},
};

// The file's contents as reading it to its end gives them, or a reason to
// skip when the machine cannot show the case.
std::string PseudoContents(const std::string& Path, std::string* Skip) {
  if (!Exists(Path)) {
    *Skip = Path + " is missing";
    return {};
  }
  const std::string contents = ReadFile(Path);
  if (contents.empty())
    *Skip = Path + " is empty";
  else if (hostile::FileSize(Path) == static_cast<off_t>(contents.size()))
    *Skip = Path + " reports its true size here";
  return contents;
}

std::string BaseName(const std::string& Path) { return Path.substr(Path.rfind('/') + 1); }

// Runs the command line to copy Source into Dir.
ProcessResult CopyByCli(const TempDir& Dir, const std::string& Source) {
  ProcessOptions options;
  options.Seconds = 30;
  return RunProcess(PAGETRIM_CLI_PATH, {"-d", Dir.Path(), Source}, options);
}

// The pseudo-file's path and contents, and a folder to copy it into.
class PseudoFile : public ::testing::TestWithParam<PseudoCase> {
protected:
  void SetUp() override {
    std::string skip;
    contents = PseudoContents(path, &skip);
    if (!skip.empty()) GTEST_SKIP() << skip;
  }
  const std::string path = GetParam().path;
  std::string contents;
  TempDir dir;
};

TEST_P(PseudoFile, TheBatchRunCopiesWhatTheFileHolds) {
  const Watchdog watchdog(60, "PseudoFile");
  RecordingHost host;
  RunBatch(path, dir.Path(), host);
  EXPECT_EQ(ReadFile(dir / BaseName(path)), Compacted(contents));
  EXPECT_THAT(host.Calls, Contains("done " + path + " " + std::to_string(contents.size()) + " " +
                                   std::to_string(Compacted(contents).size())));
  EXPECT_THAT(host.Calls, Not(Contains(StartsWith("errorbox"))));
}

TEST_P(PseudoFile, TheCommandLineCopiesWhatTheFileHolds) {
  const ProcessResult r = CopyByCli(dir, path);
  ASSERT_NE(r.status, -2) << "the program hung";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(dir / BaseName(path)), Compacted(contents));
  EXPECT_THAT(r.out, StartsWith(path + ": " + Sizes(contents) + " bytes ("));
}

INSTANTIATE_TEST_SUITE_P(Cases, PseudoFile, ::testing::ValuesIn(kPseudoFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// A pseudo-file whose contents belong to the process that reads it: the
// copy is whatever that process saw, but never empty.
TEST(PseudoFile, TheCommandLineNeverCopiesAStatusFileAsEmpty) {
  if (!Exists("/proc/self/status")) GTEST_SKIP() << "/proc/self/status is missing";
  TempDir dir;
  const ProcessResult r = CopyByCli(dir, "/proc/self/status");
  ASSERT_NE(r.status, -2) << "the program hung";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(ReadFile(dir / "status"), HasSubstr("Name:"));
  EXPECT_THAT(r.out, Not(HasSubstr(": 0 -> ")));
}

}  // namespace
