// The batch run under failing system calls: over a run of several files,
// each call of one kind fails in turn (the first, the second, ... until a
// run no longer reaches the failing call), with the errors a disk or a
// file system gives. Every failure must stop the run at that file with the
// stream's message and the system's text, enable the controls again, leave
// every source as it was and the copies of earlier entries complete.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/BatchRun.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"
#include "streams/Utils.h"
#include "support/CompactedText.h"
#include "support/FaultFileEnv.h"
#include "support/PlatformExpect.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

using namespace testsupport;
using ::testing::ElementsAreArray;

namespace {

// Three sources of different lengths, each with lines to join and a region.
const std::vector<std::string> kNames = {"a.htm", "b.htm", "c.asp"};
const std::vector<std::string> kDocs = {
    "<p>  one  </p>\r\n",
    "<html>\n  <body>\n<pre>\n  two\n</pre>\n  </body>\n</html>\n",
    "<% if x then %>\r\n  three\r\n<%\r\n  Response.Write \"a  b\"\r\n%>\r\n" +
        std::string(3000, 'x') + "\r\n"};

// Remembers which file every handle belongs to, which file the last
// failing call was about, and which handles are still open.
class TrackingEnv : public platform::FileEnvWrapper {
public:
  explicit TrackingEnv(platform::FileEnv* Target) : FileEnvWrapper(Target) {}

  platform::Status Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
                        std::uint32_t Disposition, std::uint32_t Attributes,
                        platform::FileHandle* H) override {
    const platform::Status s = FileEnvWrapper::Open(Name, Access, Share, Disposition, Attributes, H);
    if (!s.ok()) {
      FailedOn = Name;
    } else {
      names_[*H] = Name;
      Open_.insert(*H);
    }
    return s;
  }
  platform::Status Read(platform::FileHandle H, void* Buffer, std::int32_t Count,
                        std::int32_t* Done) override {
    return Note(H, FileEnvWrapper::Read(H, Buffer, Count, Done));
  }
  platform::Status Write(platform::FileHandle H, const void* Buffer, std::int32_t Count,
                         std::int32_t* Done) override {
    return Note(H, FileEnvWrapper::Write(H, Buffer, Count, Done));
  }
  platform::Status SetPosition(platform::FileHandle H, std::int32_t Distance, std::uint32_t Origin,
                               std::int32_t* Position) override {
    return Note(H, FileEnvWrapper::SetPosition(H, Distance, Origin, Position));
  }
  platform::Status GetSize(platform::FileHandle H, std::int32_t* Size) override {
    return Note(H, FileEnvWrapper::GetSize(H, Size));
  }
  platform::Status Close(platform::FileHandle H) override {
    Open_.erase(H);
    return FileEnvWrapper::Close(H);
  }

  std::string FailedOn;           // the file of the last failing call
  std::set<platform::FileHandle> Open_;  // handles not closed yet

private:
  platform::Status Note(platform::FileHandle H, platform::Status S) {
    if (!S.ok()) FailedOn = names_[H];
    return S;
  }
  std::map<platform::FileHandle, std::string> names_;
};

// One run over the three sources with the file services Env.
struct RunOutcome {
  std::string Error;  // the message of the error that left the run, or ""
  std::vector<std::string> Calls;
};

class Site {
public:
  Site() {
    MakeDir(dir_ / "web");
    MakeDir(dir_ / "out");
    for (std::size_t i = 0; i < kNames.size(); ++i) WriteFile(Source(i), kDocs[i]);
  }
  std::string Source(std::size_t I) const { return dir_ / ("web/" + kNames[I]); }
  std::string Copy(std::size_t I) const { return dir_ / ("out/" + kNames[I]); }
  std::string List() const { return Source(0) + "|" + Source(1) + "|" + Source(2); }
  std::string Destination() const { return dir_ / "out/"; }

  RunOutcome Run(platform::FileEnv& Env) const {
    RunOutcome outcome;
    RecordingHost host;
    try {
      RunBatch(List(), Destination(), host, {}, &Env);
    } catch (const EInOutError& e) {
      outcome.Error = e.Message();
    }
    outcome.Calls = host.Calls;
    return outcome;
  }

  // The index of the entry whose source or copy is Name, or -1.
  int EntryOf(const std::string& Name) const {
    for (std::size_t i = 0; i < kNames.size(); ++i)
      if (Name == Source(i) || Name == Copy(i)) return static_cast<int>(i);
    return -1;
  }

private:
  TempDir dir_;
};

// The calls the run makes when it stops at entry StopsAt (or at none, -1).
std::vector<std::string> ExpectedCalls(const Site& S, int StopsAt) {
  std::vector<std::string> calls{"disable"};
  for (int i = 0; i < static_cast<int>(kNames.size()); ++i) {
    const auto n = static_cast<std::size_t>(i);
    calls.push_back("pump");
    calls.push_back("start " + S.Source(n));
    if (i == StopsAt) break;
    calls.push_back("done " + S.Source(n) + " " + std::to_string(kDocs[n].size()) + " " +
                    std::to_string(Compacted(kDocs[n]).size()));
  }
  calls.push_back("enable");
  return calls;
}

// The message a failing call of kind Call on File raises.
std::string ExpectedMessage(FileCall Call, const std::string& File, const std::string& Text) {
  switch (Call) {
    case FileCall::Open: return Format(SErrorOpening, {File, Text});
    case FileCall::Read: return Format(SErrorReading, {Text});
    case FileCall::Write: return Format(SErrorWriting, {Text});
    default: return Format(SIOError, {Text});  // size and position
  }
}

struct FaultCase {
  std::string name;
  FileCall call;
  platform::SysError code;
};

// Each kind of call the run makes with each error a file system gives.
std::vector<FaultCase> FaultCases() {
  const std::pair<const char*, FileCall> calls[] = {
      {"Open", FileCall::Open}, {"Read", FileCall::Read}, {"Write", FileCall::Write},
      {"Size", FileCall::GetSize}, {"Position", FileCall::SetPosition}};
  const std::pair<const char*, platform::SysError> codes[] = {
      {"DiskFull", expect::DiskFull()}, {"IoError", expect::IoError()},
      {"AccessDenied", expect::AccessDenied()}};
  std::vector<FaultCase> cases;
  for (const auto& [callName, call] : calls)
    for (const auto& [codeName, code] : codes)
      cases.push_back({std::string(callName) + codeName, call, code});
  return cases;
}

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class BatchFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(BatchFault, EachCallInTurnStopsTheRunAtItsFileAndLosesNothing) {
  const FaultCase& c = GetParam();
  std::vector<std::string> expectedCopies;
  for (const std::string& doc : kDocs) expectedCopies.push_back(Compacted(doc));
  const std::string text = ErrorCodeText(c.code);
  std::set<int> stopsSeen;

  int nth = 1;
  for (;; ++nth) {
    ASSERT_LT(nth, 500) << "the run never stops reaching the failing call";
    SCOPED_TRACE("failing call number " + std::to_string(nth));
    const Site site;
    FaultFileEnv fault;
    fault.FailCall(c.call, nth, c.code);
    TrackingEnv env(&fault);
    const RunOutcome r = site.Run(env);
    const bool hit = fault.Calls(c.call) >= nth;

    if (!hit) {
      // One past the last call: the run goes through untouched.
      EXPECT_EQ(r.Error, "");
      EXPECT_THAT(r.Calls, ElementsAreArray(ExpectedCalls(site, -1)));
      for (std::size_t i = 0; i < kNames.size(); ++i) EXPECT_EQ(ReadFile(site.Copy(i)), expectedCopies[i]);
      break;
    }

    const int stop = site.EntryOf(env.FailedOn);
    ASSERT_GE(stop, 0) << "the failing call was about " << env.FailedOn;
    stopsSeen.insert(stop);
    EXPECT_EQ(r.Error, ExpectedMessage(c.call, env.FailedOn, text));
    EXPECT_THAT(r.Calls, ElementsAreArray(ExpectedCalls(site, stop)));
    EXPECT_TRUE(env.Open_.empty()) << env.Open_.size() << " file(s) left open";
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      const int entry = static_cast<int>(i);
      EXPECT_EQ(ReadFile(site.Source(i)), kDocs[i]) << "source " << i;
      if (entry < stop) {
        EXPECT_EQ(ReadFile(site.Copy(i)), expectedCopies[i]) << "copy " << i;
      } else if (entry > stop) {
        EXPECT_FALSE(Exists(site.Copy(i))) << "copy " << i;
      } else if (Exists(site.Copy(i))) {
        // The failing entry's copy holds at most what was written before
        // the failure.
        const std::string partial = ReadFile(site.Copy(i));
        EXPECT_EQ(expectedCopies[i].compare(0, partial.size(), partial), 0) << "copy " << i;
      }
    }
  }
  // Every file's calls were reached: the faults stopped the run at each entry.
  EXPECT_EQ(stopsSeen, (std::set<int>{0, 1, 2}));
}

INSTANTIATE_TEST_SUITE_P(Cases, BatchFault, ::testing::ValuesIn(FaultCases()),
                         [](const auto& info) { return info.param.name; });

// Reads and writes that move fewer bytes than asked: reading in small
// pieces still gives whole copies; a short write is an error at that file.
struct ShortCase {
  const char* name;
  std::int32_t limit;  // bytes one read or write may move
  int stopsAt;         // -1: the run goes through
};

void PrintTo(const ShortCase& c, std::ostream* os) { *os << c.name; }

class ShortTransfers : public ::testing::TestWithParam<ShortCase> {};

TEST_P(ShortTransfers, ShortReadsAreJoinedAndAShortWriteStopsTheRun) {
  const ShortCase& c = GetParam();
  const Site site;
  FaultFileEnv fault;
  fault.LimitTransfers(c.limit);
  TrackingEnv env(&fault);
  const RunOutcome r = site.Run(env);
  EXPECT_EQ(r.Error, c.stopsAt < 0 ? "" : SWroteLessThanExpected);
  EXPECT_THAT(r.Calls, ElementsAreArray(ExpectedCalls(site, c.stopsAt)));
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    const int entry = static_cast<int>(i);
    const std::string copy = Compacted(kDocs[i]);
    EXPECT_EQ(ReadFile(site.Source(i)), kDocs[i]);
    if (c.stopsAt < 0 || entry < c.stopsAt)
      EXPECT_EQ(ReadFile(site.Copy(i)), copy) << i;
    else if (entry == c.stopsAt)
      EXPECT_EQ(ReadFile(site.Copy(i)), copy.substr(0, static_cast<std::size_t>(c.limit))) << i;
    else
      EXPECT_FALSE(Exists(site.Copy(i))) << i;
  }
}

// The copies are 12, 44 and about 3060 bytes long.
INSTANTIATE_TEST_SUITE_P(Cases, ShortTransfers,
                         ::testing::Values(ShortCase{"OneByteStopsTheFirstFile", 1, 0},
                                           ShortCase{"TwelveBytesStopTheSecondFile", 12, 1},
                                           ShortCase{"FiftyBytesStopTheThirdFile", 50, 2},
                                           ShortCase{"LargePiecesGoThrough", 4096, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
