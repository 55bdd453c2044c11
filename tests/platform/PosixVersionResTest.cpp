// The version resource services of the POSIX build: the version block
// reader over files read through the current FileEnv, and the program's own
// file. (Windows answers them with its own calls: WinVersionResTest.cpp.)

#include "platform/VersionRes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/FileEnv.h"
#include "support/FaultFileEnv.h"
#include "support/TempDir.h"
#include "support/VersionImages.h"

using namespace testimg;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

TEST(FileVersionDataTest, ReadsFilesThroughTheFileServices) {
  const Bytes block = VersionBlock();
  TempDir dir;
  const std::string pe = dir / "app.exe", elf = dir / "app", text = dir / "page.htm";
  WriteFile(pe, AsString(MakeVersionPe(block, true).File));
  WriteFile(elf, AsString(MakeVersionElf(block).File));
  WriteFile(text, "<p>");
  EXPECT_EQ(platform::FileVersionDataSize(pe), 3 * block.size());
  EXPECT_EQ(platform::FileVersionDataSize(elf), 3 * block.size());
  EXPECT_EQ(platform::FileVersionDataSize(text), 0u);
  EXPECT_EQ(platform::FileVersionDataSize(dir / "missing.exe"), 0u);
  EXPECT_EQ(platform::FileVersionDataSize(dir.Path()), 0u);
  EXPECT_EQ(platform::FileVersionDataSize(""), 0u);

  Bytes data(3 * block.size());
  ASSERT_TRUE(platform::ReadFileVersionData(pe, static_cast<std::uint32_t>(data.size()), data.data()));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), data.begin()));
  EXPECT_FALSE(platform::ReadFileVersionData(text, static_cast<std::uint32_t>(data.size()),
                                             data.data()));
}

TEST(FileVersionDataTest, FailingFileServicesMeanNoVersionData) {
  const Bytes block = VersionBlock();
  TempDir dir;
  const std::string pe = dir / "app.exe";
  WriteFile(pe, AsString(MakeVersionPe(block).File));
  const struct {
    FileCall Call;
    int Nth;
  } faults[] = {{FileCall::Open, 1},        {FileCall::GetSize, 1}, {FileCall::Read, 1},
                {FileCall::Read, 4},        {FileCall::Read, 9},    {FileCall::SetPosition, 1},
                {FileCall::SetPosition, 6}};
  for (const auto& f : faults) {
    FaultFileEnv env;
    env.FailCall(f.Call, f.Nth, platform::ErrorInvalidArgument());
    EXPECT_EQ(platform::FileVersionDataSize(pe, &env), 0u)
        << "call " << static_cast<int>(f.Call) << " #" << f.Nth;
  }
  // Reads that come up short.
  {
    FaultFileEnv env;
    env.LimitTransfers(10);
    EXPECT_EQ(platform::FileVersionDataSize(pe, &env), 0u);
  }
  // A read failing after the size was taken.
  FaultFileEnv env;
  const std::uint32_t size = platform::FileVersionDataSize(pe, &env);
  ASSERT_EQ(size, 3 * block.size());
  Bytes data(size);
  const int reads = env.Calls(FileCall::Read);
  // The same reads again, then the block itself.
  env.FailCall(FileCall::Read, reads + 1, platform::ErrorInvalidArgument());
  EXPECT_FALSE(platform::ReadFileVersionData(pe, size, data.data(), &env));
}

TEST(ProgramFileNameTest, NamesThisProgramsFile) {
  const std::string name = platform::ProgramFileName();
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(name.front(), '/');
  EXPECT_TRUE(std::filesystem::equivalent(name, "/proc/self/exe"));
}

}  // namespace
