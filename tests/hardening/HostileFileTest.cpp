// The batch run and the command line in front of hostile file systems:
// sources that are folders, FIFOs, devices, unreadable or beyond 2 GiB;
// destinations that are read-only, FIFOs, devices or the source itself.
// Every case must end with a clear error at that file, without hanging,
// with the files of earlier entries complete and no source touched.

#include <sys/stat.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/BatchRun.h"
#include "hardening/HostileSupport.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"
#include "streams/Utils.h"
#include "support/PlatformExpect.h"
#include "support/Process.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "support/Watchdog.h"

using namespace testsupport;
using ::testing::ElementsAreArray;
using ::testing::Matcher;
using ::testing::StartsWith;

namespace {

constexpr char kDoc[] = "<p>  one  </p>\r\n<p>two</p>\r\n";  // 28 bytes
constexpr char kDocOut[] = "<p> one </p><p>two</p>";          // 22 bytes

// Sizes past what the file services can express.
constexpr off_t kHugeSize = (off_t{1} << 31) + 1;

// A hostile folder: web/a.htm and web/c.htm are plain sources, out/ the
// destination; Prepare adds the hostile thing and returns the entry that
// goes between them. The run is over a|entry|c into Destination.
struct THostileCase {
  const char* name;
  std::function<std::string(const TempDir&)> prepare;
  const char* destination;  // relative to the folder
  // The error: the format's placeholders get the failing file's name (for
  // the open error) and the system text of Code.
  const char* format;
  std::function<std::string(const TempDir&, const std::string& Entry)> failingFile;
  int code;
  int stopsAt;  // index of the entry at which the run stops
  bool unprivileged = false;  // permission bits must apply
  // Checks that the hostile thing itself is as it was; empty: nothing to check.
  std::function<void(const TempDir&, const std::string& Entry)> unchanged = nullptr;
  bool destinationLeftEmpty = false;  // the failing entry's copy exists, empty
  // The whole message, for refusals that carry no system text.
  std::function<std::string(const TempDir&, const std::string& Entry)> message = nullptr;
};

void PrintTo(const THostileCase& c, std::ostream* os) { *os << c.name; }

// The file Relative in the folder, whatever the entry.
auto InFolder(const char* Relative) {
  return [=](const TempDir& d, const std::string&) { return d / Relative; };
}

// The case of the entry web/b.htm where the destination file Copy is the
// source Source under another name, by a hard link or a symlink (both
// relative to the folder): refused at entry StopsAt.
THostileCase SourceAsDestination(const char* Name, bool HardLink, const char* Source,
                                 const char* Copy, int StopsAt) {
  return {Name,
          [=](const TempDir& d) {
            EXPECT_EQ((HardLink ? link : symlink)((d / Source).c_str(), (d / Copy).c_str()), 0);
            return d / "web/b.htm";
          },
          "out", SErrorOpening, InFolder(Copy), 0, StopsAt, false, nullptr, false,
          [=](const TempDir& d, const std::string&) {
            return Format(SDestinationIsSourceFile, {d / Copy, d / Source});
          }};
}

std::string Self(const TempDir&, const std::string& Entry) { return Entry; }

std::string CopyOf(const std::string& Entry) {
  return Entry.substr(Entry.rfind('/') + 1);
}

const THostileCase kCases[] = {
    {"SourceIsAFolder",
     [](const TempDir& d) {
       MakeDir(d / "web/folder.htm");
       return d / "web/folder.htm";
     },
     "out", SErrorOpening, Self, EISDIR, 1},
    {"SourceIsAFifo",
     [](const TempDir& d) {
       EXPECT_EQ(mkfifo((d / "web/pipe.htm").c_str(), 0644), 0);
       return d / "web/pipe.htm";
     },
     "out", SErrorOpening, Self, ESPIPE, 1, false,
     [](const TempDir&, const std::string& e) { EXPECT_TRUE(hostile::IsFifo(e)); }},
    {"SourceIsADevice", [](const TempDir&) { return std::string("/dev/zero"); }, "out",
     SErrorOpening, Self, ESPIPE, 1},
    {"SourceIsUnreadable",
     [](const TempDir& d) {
       WriteFile(d / "web/locked.htm", kDoc);
       chmod((d / "web/locked.htm").c_str(), 0);
       return d / "web/locked.htm";
     },
     "out", SErrorOpening, Self, EACCES, 1, true,
     [](const TempDir&, const std::string& e) { EXPECT_EQ(ReadFile(e), kDoc); }},
    {"SourceIsBeyond2GiB",
     [](const TempDir& d) {
       EXPECT_TRUE(hostile::MakeSparse(d / "web/huge.htm", kHugeSize));
       return d / "web/huge.htm";
     },
     "out", nullptr, nullptr, 0, 1, false,
     [](const TempDir&, const std::string& e) { EXPECT_EQ(hostile::FileSize(e), kHugeSize); },
     false,
     [](const TempDir&, const std::string& e) {
       return Format(SPageTooLarge, {e, std::to_string(kHugeSize)});
     }},
    {"SourceIsADanglingLink",
     [](const TempDir& d) {
       EXPECT_EQ(symlink((d / "web/gone.htm").c_str(), (d / "web/link.htm").c_str()), 0);
       return d / "web/link.htm";
     },
     "out", SErrorOpening, Self, ENOENT, 1},
    {"DestinationFolderIsReadOnly",
     [](const TempDir& d) {
       chmod((d / "out").c_str(), 0555);
       return d / "web/b.htm";
     },
     "out", SErrorOpening, InFolder("out/a.htm"), EACCES, 0, true,
     [](const TempDir& d, const std::string&) { EXPECT_FALSE(Exists(d / "out/a.htm")); }},
    {"DestinationFolderIsMissing", [](const TempDir& d) { return d / "web/b.htm"; }, "none",
     SErrorOpening, InFolder("none/a.htm"), ENOENT, 0, false,
     [](const TempDir& d, const std::string&) { EXPECT_FALSE(Exists(d / "none")); }},
    {"DestinationFileIsReadOnly",
     [](const TempDir& d) {
       WriteFile(d / "out/b.htm", "old");
       chmod((d / "out/b.htm").c_str(), 0444);
       return d / "web/b.htm";
     },
     "out", SErrorOpening, InFolder("out/b.htm"), EACCES, 1, true,
     [](const TempDir& d, const std::string&) { EXPECT_EQ(ReadFile(d / "out/b.htm"), "old"); }},
    {"DestinationFileIsAFifo",
     [](const TempDir& d) {
       EXPECT_EQ(mkfifo((d / "out/b.htm").c_str(), 0666), 0);
       return d / "web/b.htm";
     },
     "out", SErrorOpening, InFolder("out/b.htm"), ESPIPE, 1, false,
     [](const TempDir& d, const std::string&) { EXPECT_TRUE(hostile::IsFifo(d / "out/b.htm")); }},
    {"DestinationFileIsADevice",
     [](const TempDir& d) {
       EXPECT_EQ(symlink("/dev/null", (d / "out/b.htm").c_str()), 0);
       return d / "web/b.htm";
     },
     "out", SErrorOpening, InFolder("out/b.htm"), ESPIPE, 1},
    SourceAsDestination("DestinationFileIsTheSourceByHardLink", true, "web/b.htm", "out/b.htm", 1),
    SourceAsDestination("DestinationFileIsTheSourceBySymlink", false, "web/b.htm", "out/b.htm", 1),
    // A link in the destination folder that makes a copy another entry's
    // source: writing it would destroy that source before or after its turn.
    SourceAsDestination("DestinationFileIsALaterSourceBySymlink", false, "web/b.htm", "out/a.htm",
                        0),
    SourceAsDestination("DestinationFileIsAnEarlierSourceByHardLink", true, "web/a.htm",
                        "out/c.htm", 2),
};

// The folder every case starts from; open to everybody, so that the
// permission cases can run as "nobody".
void MakeSite(const TempDir& Dir) {
  chmod(Dir.Path().c_str(), 0777);
  for (const char* folder : {"web", "out"}) {
    MakeDir(Dir / folder);
    chmod((Dir / folder).c_str(), 0777);
  }
  for (const char* source : {"web/a.htm", "web/b.htm", "web/c.htm"}) WriteFile(Dir / source, kDoc);
}

std::string ExpectedMessage(const THostileCase& c, const TempDir& Dir, const std::string& Entry) {
  if (c.message) return c.message(Dir, Entry);
  const std::string text = ErrorCodeText(static_cast<std::uint32_t>(c.code));
  if (c.failingFile) return Format(c.format, {c.failingFile(Dir, Entry), text});
  return Format(c.format, {text});
}

// What must hold after the run, however it was started.
void CheckFiles(const THostileCase& c, const TempDir& Dir, const std::vector<std::string>& Entries) {
  for (const char* source : {"web/a.htm", "web/b.htm", "web/c.htm"})
    EXPECT_EQ(ReadFile(Dir / source), kDoc) << source;
  if (c.unchanged) c.unchanged(Dir, Entries[1]);
  for (int i = 0; i < static_cast<int>(Entries.size()); ++i) {
    const std::string copy = Dir / ("out/" + CopyOf(Entries[i]));
    if (i < c.stopsAt) {
      EXPECT_EQ(ReadFile(copy), kDocOut) << copy;
    } else if (i == c.stopsAt && c.destinationLeftEmpty) {
      EXPECT_EQ(ReadFile(copy), "") << copy;
    } else if (i > c.stopsAt) {
      EXPECT_FALSE(Exists(copy)) << copy;
    }
  }
  // A hostile source never gets a copy.
  if (c.stopsAt == 1 && !c.destinationLeftEmpty && Entries[1] != Dir / "web/b.htm") {
    EXPECT_FALSE(Exists(Dir / ("out/" + CopyOf(Entries[1]))));
  }
}

// A case ready to run, in the batch run or on the command line: the folder
// with the hostile thing, and the entries a|hostile|c. Skipped where the
// machine lacks the device the case needs.
class HostileRun : public ::testing::TestWithParam<THostileCase> {
protected:
  void SetUp() override {
    MakeSite(dir);
    entry = c.prepare(dir);
    if (entry.rfind("/dev/", 0) == 0 && !Exists(entry)) GTEST_SKIP() << entry << " is missing";
    entries = {dir / "web/a.htm", entry, dir / "web/c.htm"};
  }
  const THostileCase& c = GetParam();
  TempDir dir;
  std::string entry;
  std::vector<std::string> entries;
};

class HostileBatch : public HostileRun {};

TEST_P(HostileBatch, StopsAtThatFileWithAClearErrorAndLosesNothing) {
  const testsupport::Watchdog watchdog(60, "HostileBatch");
  RecordingHost host;
  std::string error = "(none)";
  {
    std::optional<hostile::Unprivileged> as;
    if (c.unprivileged) {
      as.emplace();
      if (!as->Ok()) GTEST_SKIP() << "cannot take another user's identity";
    }
    try {
      RunBatch(entries[0] + "|" + entries[1] + "|" + entries[2], dir / c.destination, host);
    } catch (const EInOutError& e) {
      error = e.Message();
    }
  }
  EXPECT_EQ(error, ExpectedMessage(c, dir, entry));
  std::vector<Matcher<const std::string&>> expected{
      "writeback " + (dir / c.destination) + expect::Delimiter(), "disable"};
  for (int i = 0; i < c.stopsAt; ++i) {
    expected.push_back("pump");
    expected.push_back("start " + entries[i]);
    expected.push_back(StartsWith("done " + entries[i] + " "));
  }
  expected.push_back("pump");
  expected.push_back("start " + entries[c.stopsAt]);
  expected.push_back("enable");
  EXPECT_THAT(host.Calls, ElementsAreArray(expected));
  CheckFiles(c, dir, entries);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileBatch, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

class HostileCli : public HostileRun {};

TEST_P(HostileCli, StopsAtThatFileWithAClearErrorAndLosesNothing) {
  testsupport::ProcessOptions options;
  options.InputFile = "/dev/null";
  options.Unprivileged = c.unprivileged;
  const testsupport::ProcessResult r = testsupport::RunProcess(
      PAGETRIM_CLI_PATH, {"-d", dir / c.destination, entries[0], entries[1], entries[2]}, options);
  if (c.unprivileged && r.status >= 125)
    GTEST_SKIP() << "cannot run the program as another user (status " << r.status << ")";
  ASSERT_NE(r.status, -2) << "the program hung";
  EXPECT_EQ(r.status, 1);
  // The command line shows the message as the window's error report does.
  EXPECT_EQ(r.err, ExpectedMessage(c, dir, entry) + ".\n");
  std::string out;
  for (int i = 0; i < c.stopsAt; ++i) out += entries[i] + ": 28 -> 22 bytes (-21.4%)\n";
  EXPECT_EQ(r.out, out);
  CheckFiles(c, dir, entries);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileCli, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The command line's standard streams on things that fail.
struct TStreamCase {
  const char* name;
  std::vector<std::string> args;  // '@' stands for the folder
  const char* in;                 // relative to the folder, or absolute
  const char* out;                // absolute
  const char* format;
  int code;
  std::vector<std::string> written;  // complete copies afterwards
};

void PrintTo(const TStreamCase& c, std::ostream* os) { *os << c.name; }

class HostileStandardStreams : public ::testing::TestWithParam<TStreamCase> {};

TEST_P(HostileStandardStreams, FailWithTheSystemsText) {
  const TStreamCase& c = GetParam();
  if (!Exists(c.out)) GTEST_SKIP() << c.out << " is missing";
  TempDir dir;
  MakeSite(dir);
  std::vector<std::string> args;
  for (const std::string& a : c.args) args.push_back(a[0] == '@' ? dir.Path() + a.substr(1) : a);
  const std::string in = c.in[0] == '/' ? c.in : dir / c.in;
  testsupport::ProcessOptions options;
  options.InputFile = in;
  options.OutputFile = c.out;
  const testsupport::ProcessResult r = testsupport::RunProcess(PAGETRIM_CLI_PATH, args, options);
  ASSERT_NE(r.status, -2) << "the program hung";
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, Format(c.format, {ErrorCodeText(static_cast<std::uint32_t>(c.code))}) + ".\n");
  for (const std::string& f : c.written) EXPECT_EQ(ReadFile(dir / f), kDocOut) << f;
  EXPECT_EQ(ReadFile(dir / "web/a.htm"), kDoc);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileStandardStreams,
    ::testing::Values(
        TStreamCase{"FilterOutputIsFull", {}, "web/a.htm", "/dev/full", SErrorWriting, ENOSPC, {}},
        TStreamCase{"FilterInputIsAFolder", {"-"}, "web", "/dev/null", SErrorReading, EISDIR, {}},
        // The copies are written; the report of them cannot be.
        TStreamCase{"BatchReportIsFull",
                    {"-d", "@/out", "@/web/a.htm", "@/web/b.htm"},
                    "/dev/null",
                    "/dev/full",
                    SErrorWriting,
                    ENOSPC,
                    {"out/a.htm", "out/b.htm"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
