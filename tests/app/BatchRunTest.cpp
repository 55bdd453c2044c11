#include "app/BatchRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/TreeTestSupport.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"
#include "streams/Utils.h"
#include "support/PlatformExpect.h"
#include "support/RecordingHost.h"

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

// A document whose compacted form is known: two lines joined by one blank.
constexpr char kDoc[] = "abc\r\ndef\r\n";  // 10 bytes
constexpr char kDocOut[] = "abc def";      // 7 bytes

std::string Done(const std::string& Source) { return "done " + Source + " 10 7"; }
std::string Start(const std::string& Source) { return "start " + Source; }

// Runs RunBatch and returns the message of the error that left it, or "".
std::string RunCatching(const std::string& List, const std::string& Dest, TBatchWindow& Host,
                        platform::FileEnv* Env = nullptr) {
  try {
    RunBatch(List, Dest, Host, {}, Env);
  } catch (const EInOutError& e) {
    return e.Message();
  }
  return {};
}

// The folders the runs read from and write to: web/ with a.htm and b.htm
// (both kDoc), and an empty out/.
void MakeSite(const TempDir& Dir) {
  treetest::MakeTree(Dir, {"web/", "out/", std::string("web/a.htm=") + kDoc, std::string("web/b.htm=") + kDoc});
}

std::string OpenError(const std::string& Name, const std::string& Reason) {
  return "Error opening \"" + Name + "\" - " + Reason;
}

class BatchRunTest : public ::testing::Test {
protected:
  void SetUp() override { MakeSite(dir); }
  TempDir dir;
  RecordingHost host;
};

TEST_F(BatchRunTest, WritesEveryFileInOrderAndReplacesExistingOnes) {
  WriteFile(dir / "out/a.htm", "old");
  std::vector<std::string> seenAtPump;
  host.OnPump = [&] {
    seenAtPump.push_back(ReadFile(dir / "out/a.htm") + (Exists(dir / "out/b.htm") ? "+b" : ""));
  };
  const std::string a = dir / "web/a.htm";
  const std::string b = dir / "web/b.htm";
  RunBatch(a + "|" + b, dir / "out/", host);
  EXPECT_THAT(host.Calls, ElementsAre("disable", "pump", Start(a), Done(a), "pump", Start(b),
                                      Done(b), "enable"));
  // The pump runs before the entry's files are opened.
  EXPECT_THAT(seenAtPump, ElementsAre("old", kDocOut));
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
  EXPECT_EQ(ReadFile(dir / "out/b.htm"), kDocOut);
  EXPECT_EQ(ReadFile(a), kDoc);
}

TEST_F(BatchRunTest, AStopRequestEndsTheRunAfterTheFileAtHand) {
  WriteFile(dir / "web/c.htm", kDoc);
  const std::string a = dir / "web/a.htm";
  const std::string b = dir / "web/b.htm";
  // The request comes while a.htm is compacted: b.htm is not started.
  host.StopAfter = [&] { return Exists(dir / "out/a.htm"); };
  RunBatch(a + "|" + b + "|" + (dir / "web/c.htm"), dir / "out/", host);
  EXPECT_THAT(host.Calls,
              ElementsAre("disable", "pump", "stop?", Start(a), Done(a), "pump", "stop?", "enable"));
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
  EXPECT_FALSE(Exists(dir / "out/b.htm"));
}

struct DestinationCase {
  const char* name;
  const char* destination;  // relative to the temporary folder, '/' joined
  bool writtenBack;
};

void PrintTo(const DestinationCase& c, std::ostream* os) { *os << c.name; }

class DestinationNormalisation : public ::testing::TestWithParam<DestinationCase> {};

// The options reach the filter for every file of the run.
TEST_F(BatchRunTest, PassesTheOptionsToEveryFile) {
  const std::string Page = "<pre class=x>\r\n  a\r\n</pre>\r\n<% If b > 1 Then %>\r\n";
  WriteFile(dir / "web/a.htm", Page);
  WriteFile(dir / "web/b.htm", Page);
  const std::string a = dir / "web/a.htm";
  const std::string b = dir / "web/b.htm";
  RunBatch(a + "|" + b, dir / "out/", host, SafeOptions());
  for (const char* Name : {"out/a.htm", "out/b.htm"})
    EXPECT_EQ(ReadFile(dir / Name), "<pre class=x>\r\n  a\r\n</pre> <% If b > 1 Then %> ") << Name;
  RunBatch(a, dir / "out/", host);
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), "<pre class=x> a </pre><% If b > 1 Then %>");
}

TEST_P(DestinationNormalisation, EndsWithTheDelimiterAndIsWrittenBackOnlyWhenChanged) {
  const DestinationCase& c = GetParam();
  TempDir dir;
  MakeDir(dir / "web");
  MakeDir(dir / "out");
  WriteFile(dir / "web/a.htm", kDoc);
  RecordingHost host;
  const std::string dest = dir / c.destination;
  RunBatch(dir / "web/a.htm", dest, host);
  std::vector<std::string> expected;
  if (c.writtenBack) expected.push_back("writeback " + dest + expect::Delimiter());
  for (const char* call : {"disable", "pump"}) expected.push_back(call);
  expected.push_back(Start(dir / "web/a.htm"));
  expected.push_back(Done(dir / "web/a.htm"));
  expected.push_back("enable");
  EXPECT_THAT(host.Calls, ElementsAreArray(expected));
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DestinationNormalisation,
    ::testing::Values(DestinationCase{"NoDelimiter", "out", true},
                      DestinationCase{"WithDelimiter", "out/", false},
                      DestinationCase{"ThroughDotDot", "web/../out", true}),
    [](const auto& info) { return std::string(info.param.name); });

// Safe mode refuses a UTF-16 or UTF-32 page before its copy is made; the
// default rules take it as bytes.
TEST_F(BatchRunTest, SafeModeRefusesWideTextWithoutMakingItsCopy) {
  WriteFile(dir / "web/b.htm", std::string("\xFF\xFE\0\0<\0\0\0", 8));
  const std::string list = (dir / "web/a.htm") + "|" + (dir / "web/b.htm");
  try {
    RunBatch(list, dir / "out", host, SafeOptions());
    FAIL() << "not refused";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), Format(SWideText, {'"' + (dir / "web/b.htm") + '"', "UTF-32LE"}));
  }
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
  EXPECT_FALSE(Exists(dir / "out/b.htm"));
  RunBatch(list, dir / "out", host);
  EXPECT_EQ(ReadFile(dir / "out/b.htm").size(), 8u);
}

TEST_F(BatchRunTest, EmptyDestinationIsRefusedBeforeAnythingHappens) {
  RunBatch(dir / "web/a.htm", "", host);
  EXPECT_THAT(host.Calls, ElementsAre(std::string("errorbox ") + SDestinationEmpty, "enable"));
  EXPECT_FALSE(Exists(dir / "out/a.htm"));
}

// The destination check, for lists over several folders. Folder names are
// relative to the temporary folder; the expected calls name the entries by
// their index in the list.
struct CheckCase {
  const char* name;
  std::vector<std::string> sources;
  const char* destination;
  std::vector<std::string> expected;  // "pump N", "done N", "refused", "disable", ...
  std::vector<std::string> written;   // files that exist afterwards
  std::vector<std::string> absent;    // files that must not exist
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class DestinationCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(DestinationCheck, StopsAtTheFirstEntryFromTheDestinationFolder) {
  const CheckCase& c = GetParam();
  TempDir dir;
  // Where letter case beyond ASCII folds, the last two are one folder.
  for (const char* folder : {"Web", "Web/Sub", "Other", "\xC4", "\xE4"})
    if (!Exists(dir / folder)) MakeDir(dir / folder);
  std::vector<std::string> entries;
  for (const std::string& s : c.sources) {
    WriteFile(dir / s, kDoc);
    entries.push_back(dir / s);
  }
  std::string list;
  for (const std::string& e : entries) list += (list.empty() ? "" : "|") + e;
  RecordingHost host;
  RunBatch(list, dir / c.destination, host);

  std::vector<std::string> expected;
  for (const std::string& e : c.expected) {
    if (e.rfind("done ", 0) == 0) {
      expected.push_back(Done(entries[std::stoul(e.substr(5))]));
    } else if (e.rfind("pump ", 0) == 0) {
      expected.push_back("pump");
      expected.push_back(Start(entries[std::stoul(e.substr(5))]));
    }
    else if (e == "writeback")
      expected.push_back("writeback " + (dir / c.destination) + expect::Delimiter());
    else if (e == "refused")
      expected.push_back(std::string("errorbox ") + SDestinationMustDiffer);
    else
      expected.push_back(e);
  }
  EXPECT_THAT(host.Calls, ElementsAreArray(expected));
  for (const std::string& f : c.written) EXPECT_EQ(ReadFile(dir / f), kDocOut) << f;
  for (const std::string& f : c.absent) EXPECT_FALSE(Exists(dir / f)) << f;
  // The sources themselves are never touched.
  for (const std::string& e : entries) EXPECT_EQ(ReadFile(e), kDoc) << e;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DestinationCheck,
    ::testing::Values(
        CheckCase{"SameFolder", {"Web/a.htm"}, "Web/", {"disable", "refused", "enable"}, {}, {}},
        CheckCase{"SameFolderOtherAsciiCase",
                  {"Web/a.htm"},
                  "wEB",
                  {"writeback", "disable", "refused", "enable"},
                  {},
                  {}},
        CheckCase{"SecondFolderMatches",
                  {"Web/a.htm", "Web/Sub/b.htm"},
                  "Web/Sub/",
                  {"disable", "pump 0", "done 0", "refused", "enable"},
                  {"Web/Sub/a.htm"},
                  {}},
        CheckCase{"LaterEntriesNotProcessed",
                  {"Other/a.htm", "Web/b.htm", "Other/c.htm"},
                  "Web",
                  {"writeback", "disable", "pump 0", "done 0", "refused", "enable"},
                  {"Web/a.htm"},
                  {"Web/c.htm"}},
        CheckCase{"SubFolderOfSourcePasses",
                  {"Web/a.htm"},
                  "Web/Sub",
                  {"writeback", "disable", "pump 0", "done 0", "enable"},
                  {"Web/Sub/a.htm"},
                  {}},
        // On POSIX only ASCII letters are folded: 0xC4 and 0xE4 are different
        // folders. Windows lower-cases with the system's tables: the same one.
        expect::kFoldsBeyondAscii
            ? CheckCase{"NonAsciiLettersFoldWithTheSystemTables",
                        {"\xC4/a.htm"},
                        "\xE4",
                        {"writeback", "disable", "refused", "enable"},
                        {},
                        {}}
            : CheckCase{"NonAsciiBytesCompareExactly",
                        {"\xC4/a.htm"},
                        "\xE4",
                        {"writeback", "disable", "pump 0", "done 0", "enable"},
                        {"\xE4/a.htm"},
                        {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Lists whose shape makes empty entries, or none.
struct ListCase {
  const char* name;
  std::string list;  // "A" and "B" stand for the two source files
  // "A" and "B" their copies written; "pump X" the pump and the start of
  // entry X ("pump " for an empty entry).
  std::vector<std::string> expected;
  bool fails;  // with the open error for an empty file name
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class ListShape : public ::testing::TestWithParam<ListCase> {};

TEST_P(ListShape, EntriesAreTakenBetweenSeparators) {
  const ListCase& c = GetParam();
  TempDir dir;
  MakeSite(dir);
  const std::string a = dir / "web/a.htm";
  const std::string b = dir / "web/b.htm";
  std::string list;
  for (char ch : c.list) list += ch == 'A' ? a : ch == 'B' ? b : std::string(1, ch);
  RecordingHost host;
  const std::string error = RunCatching(list, dir / "out/", host);
  std::vector<std::string> expected;
  const auto file = [&](const std::string& Name) {
    return Name == "A" ? a : Name == "B" ? b : Name;
  };
  for (const std::string& e : c.expected) {
    if (e.rfind("pump ", 0) == 0) {
      expected.push_back("pump");
      expected.push_back(Start(file(e.substr(5))));
    } else {
      expected.push_back(e == "A" || e == "B" ? Done(file(e)) : e);
    }
  }
  EXPECT_THAT(host.Calls, ElementsAreArray(expected));
  EXPECT_EQ(error, c.fails ? OpenError("", expect::Text(expect::EmptyName())) : "");
  EXPECT_EQ(Exists(dir / "out/b.htm"), std::find(c.expected.begin(), c.expected.end(), "B") !=
                                           c.expected.end());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListShape,
    ::testing::Values(
        ListCase{"Single", "A", {"disable", "pump A", "A", "enable"}, false},
        ListCase{"TrailingSeparator", "A|", {"disable", "pump A", "A", "enable"}, false},
        ListCase{"TwoTrailingSeparators", "A||", {"disable", "pump A", "A", "pump ", "enable"},
                 true},
        ListCase{"DoubleSeparator", "A||B", {"disable", "pump A", "A", "pump ", "enable"}, true},
        ListCase{"LeadingSeparator", "|A", {"disable", "pump ", "enable"}, true},
        ListCase{"EmptyList", "", {"disable", "pump ", "enable"}, true},
        ListCase{"LoneSeparator", "|", {"disable", "pump ", "enable"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BatchRunTest, MissingFileStopsTheRunThere) {
  WriteFile(dir / "web/c.htm", kDoc);
  const std::string missing = dir / "web/missing.htm";
  const std::string error =
      RunCatching((dir / "web/a.htm") + "|" + missing + "|" + (dir / "web/c.htm"), dir / "out",
                  host);
  EXPECT_EQ(error, OpenError(missing, expect::Text(expect::FileNotFound())));
  EXPECT_THAT(host.Calls, ElementsAre("writeback " + (dir / "out/"), "disable", "pump",
                                      Start(dir / "web/a.htm"), Done(dir / "web/a.htm"), "pump",
                                      Start(missing), "enable"));
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
  EXPECT_FALSE(Exists(dir / "out/missing.htm"));
  EXPECT_FALSE(Exists(dir / "out/c.htm"));
}

TEST_F(BatchRunTest, EntryWithoutDelimiterIsOpenedFromTheCurrentFolder) {
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(dir / "web");
  const std::string error = RunCatching("a.htm", dir / "out", host);
  std::filesystem::current_path(old);
  EXPECT_EQ(error, "");
  EXPECT_THAT(host.Calls, ElementsAre("writeback " + (dir / "out/"), "disable", "pump",
                                      Start("a.htm"), Done("a.htm"), "enable"));
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
}

// The destination file is the source file under another name: its creation
// must fail on the source's sharing before the source is emptied.
struct AliasCase {
  const char* name;
  // Makes Dest name the same folder or file as Web by another path.
  std::function<void(const TempDir&)> link;
  const char* destination;
};

void PrintTo(const AliasCase& c, std::ostream* os) { *os << c.name; }

class DestinationAlias : public ::testing::TestWithParam<AliasCase> {};

TEST_P(DestinationAlias, IsRefusedAndLeavesTheSourceAlone) {
  const AliasCase& c = GetParam();
  TempDir dir;
  MakeDir(dir / "web");
  WriteFile(dir / "web/a.htm", kDoc);
  c.link(dir);
  RecordingHost host;
  const std::string error = RunCatching(dir / "web/a.htm", dir / c.destination, host);
  EXPECT_EQ(error, Format(SDestinationIsSourceFile,
                          {dir / c.destination + expect::Delimiter() + "a.htm", dir / "web/a.htm"}));
  EXPECT_THAT(host.Calls, ElementsAre("writeback " + (dir / c.destination) + expect::Delimiter(),
                                      "disable", "pump", Start(dir / "web/a.htm"), "enable"));
  EXPECT_EQ(ReadFile(dir / "web/a.htm"), kDoc);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DestinationAlias,
    ::testing::Values(
        AliasCase{"FolderThroughDot", [](const TempDir&) {}, "web/."},
        AliasCase{"FileHardLink",
                  [](const TempDir& d) {
                    MakeDir(d / "out");
                    std::filesystem::create_hard_link(d / "web/a.htm", d / "out/a.htm");
                  },
                  "out"}
#ifndef _WIN32
        // Symbolic links need privileges on Windows.
        ,
        AliasCase{"FolderSymlink",
                  [](const TempDir& d) {
                    std::filesystem::create_directory_symlink(d / "web", d / "alias");
                  },
                  "alias"},
        AliasCase{"FileSymlink",
                  [](const TempDir& d) {
                    MakeDir(d / "out");
                    std::filesystem::create_symlink(d / "web/a.htm", d / "out/a.htm");
                  },
                  "out"}
#endif
        ),
    [](const auto& info) { return std::string(info.param.name); });

// File services that log opens and closes, and can fail chosen calls.
class LoggingEnv : public platform::FileEnvWrapper {
public:
  LoggingEnv() : FileEnvWrapper(platform::FileEnv::Default()) {}

  platform::Status Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
                        std::uint32_t Disposition, std::uint32_t Attributes,
                        platform::FileHandle* Handle) override {
    if (Name == refuse) {
      log.push_back("refused " + Name);
      *Handle = platform::kInvalidHandle;
      return platform::Status::Error(expect::AccessDenied());
    }
    const platform::Status s = FileEnvWrapper::Open(Name, Access, Share, Disposition, Attributes, Handle);
    if (s.ok()) {
      names[*Handle] = Name;
      log.push_back("open " + Name);
    }
    return s;
  }
  platform::Status Write(platform::FileHandle Handle, const void* Buffer, std::int32_t Count,
                         std::int32_t* Done) override {
    if (failWrites) {
      *Done = 0;
      return platform::Status::Error(platform::ErrorFileTooLarge());
    }
    return FileEnvWrapper::Write(Handle, Buffer, Count, Done);
  }
  platform::Status Close(platform::FileHandle Handle) override {
    log.push_back("close " + names[Handle]);
    return FileEnvWrapper::Close(Handle);
  }

  bool failWrites = false;
  std::string refuse;  // Open fails for this name with the access-denied text
  std::map<platform::FileHandle, std::string> names;
  std::vector<std::string> log;
};

TEST_F(BatchRunTest, RootDestinationKeepsItsTextAndIsNotWrittenBack) {
  // A root folder already ends with the delimiter. The creation there is
  // refused by the file services so that nothing is written outside the
  // test folder.
  LoggingEnv env;
  const std::string root = expect::RootFolder();
  env.refuse = root + "a.htm";
  const std::string a = dir / "web/a.htm";
  const std::string error = RunCatching(a, root, host, &env);
  EXPECT_EQ(error, OpenError(root + "a.htm", expect::Text(expect::AccessDenied())));
  EXPECT_THAT(host.Calls, ElementsAre("disable", "pump", Start(a), "enable"));
  EXPECT_THAT(env.log, ElementsAre("open " + a, "refused " + root + "a.htm", "close " + a));
}

TEST_F(BatchRunTest, BothStreamsAreReleasedSourceFirstWhenCompactionFails) {
  LoggingEnv env;
  env.failWrites = true;
  const std::string a = dir / "web/a.htm";
  const std::string out = dir / "out/a.htm";
  const std::string error = RunCatching(a + "|" + (dir / "web/b.htm"), dir / "out/", host, &env);
  EXPECT_EQ(error, "Error writing to stream - " + ErrorCodeText(platform::ErrorFileTooLarge()));
  EXPECT_THAT(env.log, ElementsAre("open " + a, "open " + out, "close " + a, "close " + out));
  EXPECT_THAT(host.Calls, ElementsAre("disable", "pump", Start(a), "enable"));
  EXPECT_FALSE(Exists(dir / "out/b.htm"));
}

TEST_F(BatchRunTest, SourceIsReleasedWhenTheDestinationCannotBeCreated) {
  LoggingEnv env;
  const std::string a = dir / "web/a.htm";
  const std::string error = RunCatching(a, dir / "missing/", host, &env);
  EXPECT_EQ(error, OpenError(dir / "missing/a.htm", expect::Text(expect::PathNotFound())));
  EXPECT_THAT(env.log, ElementsAre("open " + a, "close " + a));
}

TEST_F(BatchRunTest, DestinationNameTakenByAFolderStopsTheRun) {
  MakeDir(dir / "out/a.htm");
  const std::string error =
      RunCatching((dir / "web/a.htm") + "|" + (dir / "web/b.htm"), dir / "out", host);
  EXPECT_EQ(error, OpenError(dir / "out/a.htm", expect::Text(expect::IsADirectory())));
  EXPECT_FALSE(Exists(dir / "out/b.htm"));
  EXPECT_EQ(ReadFile(dir / "web/a.htm"), kDoc);
  EXPECT_EQ(host.Calls.back(), "enable");
}

// A caller without a window implements nothing and learns how each run
// ended from its result: never also from a call.
TEST_F(BatchRunTest, ACallerWithoutAWindowHasEveryEndingAsTheResult) {
  TBatchHost quiet;
  const std::string a = dir / "web/a.htm", b = dir / "web/b.htm", gone = dir / "web/gone.htm";
  const struct {
    std::vector<std::string> Sources;
    std::string Destination;
    TBatchResult::TKind Kind;
    std::string Message, File;
  } rows[] = {
      {{a, b}, dir / "out", TBatchResult::Done, "", ""},
      {{a}, "", TBatchResult::Refused, SDestinationEmpty, ""},
      {{a}, dir / "web", TBatchResult::Refused, SDestinationMustDiffer, ""},
      {{a, gone, b}, dir / "out", TBatchResult::Failed, OpenError(gone, expect::Text(expect::FileNotFound())),
       gone},
  };
  for (const auto& row : rows) {
    const TBatchResult result = RunFiles(row.Sources, row.Destination, quiet);
    EXPECT_EQ(result.Kind, row.Kind) << row.Message;
    EXPECT_EQ(result.Message, row.Message);
    EXPECT_EQ(result.File, row.File);
    EXPECT_EQ(result.Error != nullptr, row.Kind == TBatchResult::Failed);
  }
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
  EXPECT_EQ(ReadFile(dir / "out/b.htm"), kDocOut);
}

// Enabling the controls fails: while another error leaves the run, that
// error is the one the caller gets; otherwise the failure itself is.
class FailingEnableHost : public RecordingHost {
public:
  void EnableControls(bool Enable) override {
    RecordingHost::EnableControls(Enable);
    if (Enable) throw EInOutError("cannot enable");
  }
};

TEST_F(BatchRunTest, ControlsAreEnabledOnceHoweverTheRunEnds) {
  FailingEnableHost failing;
  EXPECT_EQ(RunCatching(dir / "web/missing.htm", dir / "out/", failing),
            OpenError(dir / "web/missing.htm", expect::Text(expect::FileNotFound())));
  EXPECT_EQ(std::count(failing.Calls.begin(), failing.Calls.end(), "enable"), 1);
  FailingEnableHost again;
  EXPECT_EQ(RunCatching(dir / "web/a.htm", dir / "out/", again), "cannot enable");
  EXPECT_EQ(std::count(again.Calls.begin(), again.Calls.end(), "enable"), 1);
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
}

}  // namespace
