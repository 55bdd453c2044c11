#include "platform/FileIdentity.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "support/TempDir.h"

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Two names, made in a folder holding the files a and b and the folder d.
struct IdentityCase {
  const char* name;
  std::function<void(const TempDir&)> make;  // extra links
  const char* first;
  const char* second;
  bool same;
};

void PrintTo(const IdentityCase& c, std::ostream* os) { *os << c.name; }

class IdentifyFileTest : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(IdentifyFileTest, SameFileWhateverNameReachesIt) {
  const IdentityCase& c = GetParam();
  TempDir dir;
  WriteFile(dir / "a", "x");
  WriteFile(dir / "b", "x");
  ASSERT_TRUE(testsupport::MakeFolder(dir / "d"));
  if (c.make) c.make(dir);
  const auto first = platform::IdentifyFile(dir / c.first);
  const auto second = platform::IdentifyFile(dir / c.second);
  ASSERT_TRUE(first.has_value());
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(*first == *second, c.same);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IdentifyFileTest,
    ::testing::Values(
        IdentityCase{"SameName", nullptr, "a", "a", true},
        IdentityCase{"OtherSpelling", nullptr, "a", "d/../a", true},
#ifndef _WIN32
        // Symbolic links need privileges on Windows.
        IdentityCase{"SymbolicLink",
                     [](const TempDir& d) { ASSERT_EQ(symlink((d / "a").c_str(), (d / "l").c_str()), 0); },
                     "l", "a", true},
        IdentityCase{"LinkedFolder",
                     [](const TempDir& d) {
                       WriteFile(d / "d/f", "y");
                       ASSERT_EQ(symlink((d / "d").c_str(), (d / "e").c_str()), 0);
                     },
                     "e/f", "d/f", true},
#else
        // Windows names files without regard to letter case.
        IdentityCase{"OtherLetterCase", nullptr, "A", "a", true},
#endif
        IdentityCase{"HardLink",
                     [](const TempDir& d) { std::filesystem::create_hard_link(d / "a", d / "h"); },
                     "h", "a", true},
        IdentityCase{"EqualContentsAreNotEnough", nullptr, "a", "b", false},
        IdentityCase{"CopyIsAnotherFile",
                     [](const TempDir& d) { WriteFile(d / "c", "x"); },
                     "c", "a", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IdentifyFileTest, NothingForMissingFilesAndDanglingLinks) {
  TempDir dir;
  EXPECT_FALSE(platform::IdentifyFile(dir / "gone").has_value());
  EXPECT_FALSE(platform::IdentifyFile(dir / "gone/a").has_value());
  EXPECT_FALSE(platform::IdentifyFile("").has_value());
#ifndef _WIN32
  ASSERT_EQ(symlink((dir / "gone").c_str(), (dir / "l").c_str()), 0);
  EXPECT_FALSE(platform::IdentifyFile(dir / "l").has_value());
#endif
}

#ifndef _WIN32
TEST(IdentifyFileTest, AFifoIsLookedAtWithoutBlocking) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir / "p").c_str(), 0600), 0);
  EXPECT_TRUE(platform::IdentifyFile(dir / "p").has_value());
}
#endif

}  // namespace
