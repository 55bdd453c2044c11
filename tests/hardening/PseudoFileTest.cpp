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
#include "app/FileTestSupport.h"
#include "hardening/HostileSupport.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"
#include "support/CompactedText.h"
#include "support/FaultFileEnv.h"

using testsupport::Compacted;
using testsupport::Exists;
using testsupport::MakeDir;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Records every finished file with its byte counts.
class CountingHost : public TBatchHost {
public:
  void WriteBackDestination(const std::string&) override {}
  void EnableControls(bool) override {}
  void ProcessMessages() override {}
  void ErrorBox(const std::string& Text) override { Refusal = Text; }
  void FileDone(const std::string& Source, std::int64_t BytesIn, std::int64_t BytesOut) override {
    Done.push_back(Source + ": " + std::to_string(BytesIn) + " -> " + std::to_string(BytesOut));
    Read.push_back(BytesIn);
  }
  std::vector<std::string> Done;
  std::vector<std::int64_t> Read;  // the bytes read of each file
  std::string Refusal;
};

std::string DoneLine(const std::string& Source, const std::string& Doc) {
  return Source + ": " + std::to_string(Doc.size()) + " -> " + std::to_string(Compacted(Doc).size());
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
  hostile::Watchdog watchdog(60);
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
  CountingHost host;
  {
    platform::ScopedFileEnv scope(&env);
    RunBatch(list, dir / "out", host);
  }
  std::vector<std::int64_t> read;
  for (std::size_t i = 0; i < kDocs.size(); ++i) {
    const std::string name = std::to_string(i) + ".htm";
    EXPECT_EQ(ReadFile(dir / ("out/" + name)), Compacted(kDocs[i])) << name;
    read.push_back(static_cast<std::int64_t>(kDocs[i].size()));
  }
  // (The copies' sizes are reported through the same lie.)
  EXPECT_EQ(host.Read, read);
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
    {"ProcVersion", "/proc/version"},                      // reports 0 bytes
    {"ProcOsRelease", "/proc/sys/kernel/osrelease"},       // reports 0 bytes
    {"SysCpusOnline", "/sys/devices/system/cpu/online"},   // reports 4096 bytes
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
  if (contents.empty()) *Skip = Path + " is empty";
  else if (hostile::FileSize(Path) == static_cast<off_t>(contents.size()))
    *Skip = Path + " reports its true size here";
  return contents;
}

std::string BaseName(const std::string& Path) { return Path.substr(Path.rfind('/') + 1); }

class PseudoFile : public ::testing::TestWithParam<PseudoCase> {};

TEST_P(PseudoFile, TheBatchRunCopiesWhatTheFileHolds) {
  hostile::Watchdog watchdog(60);
  std::string skip;
  const std::string contents = PseudoContents(GetParam().path, &skip);
  if (!skip.empty()) GTEST_SKIP() << skip;
  TempDir dir;
  CountingHost host;
  RunBatch(GetParam().path, dir.Path(), host);
  EXPECT_EQ(host.Refusal, "");
  EXPECT_EQ(ReadFile(dir / BaseName(GetParam().path)), Compacted(contents));
  EXPECT_THAT(host.Done, ::testing::ElementsAre(DoneLine(GetParam().path, contents)));
}

TEST_P(PseudoFile, TheCommandLineCopiesWhatTheFileHolds) {
  std::string skip;
  const std::string contents = PseudoContents(GetParam().path, &skip);
  if (!skip.empty()) GTEST_SKIP() << skip;
  TempDir dir;
  const hostile::ProcessResult r =
      hostile::RunProcess(PAGETRIM_CLI_PATH, {"-d", dir.Path(), GetParam().path}, false,
                          "/dev/null", "", 30);
  ASSERT_NE(r.status, -2) << "the program hung";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(dir / BaseName(GetParam().path)), Compacted(contents));
  EXPECT_THAT(r.out, ::testing::StartsWith(DoneLine(GetParam().path, contents) + " bytes ("));
}

INSTANTIATE_TEST_SUITE_P(Cases, PseudoFile, ::testing::ValuesIn(kPseudoFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// A pseudo-file whose contents belong to the process that reads it: the
// copy is whatever that process saw, but never empty.
TEST(PseudoFile, TheCommandLineNeverCopiesAStatusFileAsEmpty) {
  if (!Exists("/proc/self/status")) GTEST_SKIP() << "/proc/self/status is missing";
  TempDir dir;
  const hostile::ProcessResult r = hostile::RunProcess(
      PAGETRIM_CLI_PATH, {"-d", dir.Path(), "/proc/self/status"}, false, "/dev/null", "", 30);
  ASSERT_NE(r.status, -2) << "the program hung";
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string copy = ReadFile(dir / "status");
  EXPECT_THAT(copy, ::testing::HasSubstr("Name:"));
  EXPECT_THAT(r.out, ::testing::Not(::testing::HasSubstr(": 0 -> ")));
}

}  // namespace
