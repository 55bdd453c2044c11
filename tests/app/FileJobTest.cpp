#include "app/FileJob.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compact/CompactHTML.h"
#include "platform/FileEnv.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

constexpr char kDoc[] = "abc\r\ndef\r\n";  // 10 bytes, compacted "abc def"
const std::string kWide("\xFF\xFE<\0p\0>\0", 8);

// File services whose open files report Size (a pseudo-file's 0, a page
// past the limit), whatever they hold.
class SizeEnv : public platform::FileEnvWrapper {
public:
  explicit SizeEnv(std::int64_t Size) : FileEnvWrapper(platform::FileEnv::Default()), size_(Size) {}
  platform::Status GetOpenStatus(platform::FileHandle Handle, platform::FileStatus* Info) override {
    const platform::Status s = FileEnvWrapper::GetOpenStatus(Handle, Info);
    if (s.ok() && size_ >= 0) Info->Size = size_;
    return s;
  }

private:
  std::int64_t size_;
};

// Writes in place and tells which steps the job reached.
class LoggingSink : public TInPlaceSink {
public:
  TFileStream& Open(const TFileJob& Job, const platform::FileStatus& Source) override {
    log += "open ";
    return TInPlaceSink::Open(Job, Source);
  }
  void Commit(const TFileJob& Job, const platform::FileStatus& Source) override {
    log += "commit";
    TInPlaceSink::Commit(Job, Source);
  }
  std::string log;
};

struct JobCase {
  const char* name;
  TFileAction action;
  std::int64_t reportedSize;  // -1: the real one
  bool wide;                  // the source is UTF-16 and the mode safe
  bool refuseWideFirst;
  const char* steps;          // what the sink saw
  const char* message;        // the start of the failure's message, or "" with the bytes below
  std::int64_t bytesIn, bytesOut;
};

void PrintTo(const JobCase& c, std::ostream* os) { *os << c.name; }

class FileJobKinds : public ::testing::TestWithParam<JobCase> {};

// Every refusal comes before the destination is opened; the bytes are what
// was really read and written, not the sizes reported.
TEST_P(FileJobKinds, RefuseBeforeOpeningAndCountWhatWasRead) {
  const JobCase& c = GetParam();
  TempDir dir;
  const std::string source = dir / "a.htm";
  WriteFile(source, c.wide ? kWide : kDoc);
  SizeEnv env(c.reportedSize);
  const TCompactOptions safe = SafeOptions();
  TFileJob job;
  job.Source = source;
  job.Target = dir / "b.htm";
  job.Action = c.action;
  job.Options = c.wide ? &safe : nullptr;
  job.RefuseWideFirst = c.refuseWideFirst;
  std::string message, steps;
  TFileJobResult result;
  {
    // The sink holds the destination open (shared with nobody on Windows).
    LoggingSink sink;
    try {
      result = RunFileJob(job, sink, env);
    } catch (const Exception& e) {
      message = e.Message();
    }
    steps = sink.log;
  }
  EXPECT_EQ(steps, c.steps);
  EXPECT_EQ(message.substr(0, std::string(c.message).size()), c.message) << message;
  if (*c.message != '\0') return;
  EXPECT_EQ(result.BytesIn, c.bytesIn);
  EXPECT_EQ(result.BytesOut, c.bytesOut);
  EXPECT_EQ(static_cast<std::int64_t>(ReadFile(dir / "b.htm").size()), c.bytesOut);
}

constexpr std::int64_t kPastLimit = 2147483648LL;

INSTANTIATE_TEST_SUITE_P(
    Cases, FileJobKinds,
    ::testing::Values(
        JobCase{"CompactPseudoFile", faCompact, 0, false, false, "open commit", "", 10, 7},
        JobCase{"CopyPseudoFile", faCopy, 0, false, false, "open commit", "", 10, 10},
        JobCase{"CompactPastLimit", faCompact, kPastLimit, false, false, "", "Page \"", 0, 0},
        JobCase{"CopyPastLimit", faCopy, kPastLimit, false, false, "open commit", "", 10, 10},
        JobCase{"WideFirst", faCompact, -1, true, true, "", "\"", 0, 0},
        JobCase{"WideInTheFilter", faCompact, -1, true, false, "open ", "The page is UTF-16LE", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
