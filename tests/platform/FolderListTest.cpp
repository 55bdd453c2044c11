#include "platform/FolderList.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <string>

#include "support/TempDir.h"

using namespace testsupport;

namespace {

TEST(FolderListTest, NamesFoldersAndSizesAsTheSystemHasThem) {
  TempDir dir;
  MakeDir(dir / "sub");
  WriteFile(dir / "a.htm", "12345");
  WriteFile(dir / "empty.htm", "");
  auto entries = platform::ListFolder(dir.Path());
  ASSERT_TRUE(entries.has_value());
  std::sort(entries->begin(), entries->end(),
            [](const auto& A, const auto& B) { return A.Name < B.Name; });
  ASSERT_EQ(entries->size(), 3u);
  EXPECT_EQ((*entries)[0].Name, "a.htm");
  EXPECT_FALSE((*entries)[0].Folder);
  EXPECT_EQ((*entries)[0].Size, 5);
  EXPECT_GT((*entries)[0].Modified, 1000000000);  // some time after 2001
  EXPECT_EQ((*entries)[1].Name, "empty.htm");
  EXPECT_EQ((*entries)[1].Size, 0);
  EXPECT_EQ((*entries)[2].Name, "sub");
  EXPECT_TRUE((*entries)[2].Folder);
  EXPECT_FALSE(platform::ListFolder(dir / "missing").has_value());
  EXPECT_FALSE(platform::ListFolder(dir / "a.htm").has_value());
}

#ifndef _WIN32
TEST(FolderListTest, PosixNamesOfAnyEncodingHiddenNamesAndLinks) {
  TempDir dir;
  MakeDir(dir / "real");
  WriteFile(dir / "caf\xE9.htm", "x");
  WriteFile(dir / ".hidden.htm", "x");
  ASSERT_EQ(::symlink((dir / "real").c_str(), (dir / "to-real").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "dangling").c_str()), 0);
  auto entries = platform::ListFolder(dir.Path());
  ASSERT_TRUE(entries.has_value());
  std::sort(entries->begin(), entries->end(),
            [](const auto& A, const auto& B) { return A.Name < B.Name; });
  std::string seen;
  for (const auto& e : *entries)
    seen += e.Name + (e.Folder ? "/" : "") + (e.Hidden ? " hidden" : "") + "; ";
  EXPECT_EQ(seen, ".hidden.htm hidden; caf\xE9.htm; dangling; real/; to-real/; ");
}
#endif

}  // namespace
