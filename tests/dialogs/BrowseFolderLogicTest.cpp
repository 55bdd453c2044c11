#include "dialogs/BrowseFolderLogic.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/FileEnv.h"
#include "support/PlatformExpect.h"
#include "support/ScopedHandler.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

TEST(TrimFolderPathTest, DropsOneTrailingDelimiterButNotFromARoot) {
  const struct {
    const char* Path;
    char Delimiter;
    const char* Trimmed;
  } Cases[] = {
      {"/", '/', "/"},           {"/srv/web/", '/', "/srv/web"}, {"/srv/web", '/', "/srv/web"},
      {"", '/', ""},             {"//", '/', "/"},               {"/srv//", '/', "/srv/"},
      {"C:/", '/', "C:"},        {"C:\\", '\\', "C:\\"},         {"z:\\", '\\', "z:\\"},
      {"C:\\Web\\", '\\', "C:\\Web"}, {"\\\\server\\share\\", '\\', "\\\\server\\share"},
      {"\\", '\\', "\\"},        {"1:\\", '\\', "1:"},           {"[:\\", '\\', "[:"},
      {"C:\\\\", '\\', "C:\\"},  {"/srv\\", '/', "/srv\\"},
  };
  for (const auto& C : Cases) EXPECT_EQ(TrimFolderPath(C.Path, C.Delimiter), C.Trimmed) << C.Path;
  // Without a delimiter given, the platform's.
  const std::string d(1, platform::PathDelimiter());
  const std::string other = d == "/" ? "\\" : "/";
  EXPECT_EQ(TrimFolderPath("srv" + d + "web" + d), "srv" + d + "web");
  EXPECT_EQ(TrimFolderPath("srv" + other + "web" + other), "srv" + other + "web" + other);
}

TEST(DirectoryExistsTest, TellsDirectoriesFromTheRest) {
  TempDir Dir;
  const std::string Base = Dir.Path();
  MakeDir(Dir / "sub");
  MakeDir(Dir / "caf\xe9");  // not UTF-8, still a name
  WriteFile(Dir / "file", "");
  std::vector<std::pair<std::string, bool>> Cases = {
      {Dir / "sub/", true},         {Dir / "caf\xe9", true},  {expect::RootFolder(), true},
      {Dir / "file", false},        {Dir / "missing", false}, {"", false},
      {Dir / std::string("sub\0x", 5), false}};
#ifndef _WIN32
  ASSERT_EQ(::symlink((Base + "/sub").c_str(), (Base + "/link").c_str()), 0);
  ASSERT_EQ(::symlink((Base + "/none").c_str(), (Base + "/dangling").c_str()), 0);
  Cases.push_back({Base + "/link", true});
  Cases.push_back({Base + "/dangling", false});
#endif
  for (const auto& [Path, Exists] : Cases) EXPECT_EQ(DirectoryExists(Path), Exists) << Path;
}

TEST(BrowseFlagsTest, ComputersOrFoldersAndTheirValues) {
  EXPECT_EQ(int(bkDesktop) + 10 * int(bkComputers) + 100 * int(dpScreenCenter), 120);
  EXPECT_EQ(sizeof(TBrowseKind) + sizeof(TDialogPosition), 2u);
  EXPECT_EQ(BrowseFlags(bkDesktop), 0x0009u);
  EXPECT_EQ(BrowseFlags(bkMyComputer), 0x0009u);
  EXPECT_EQ(BrowseFlags(bkComputers), 0x1000u);
}

TEST(HelpButtonRectTest, AtTwelveWithTheFirstButtonsRow) {
  EXPECT_EQ(HelpButtonRect({170, 380, 245, 410}), (TRect{12, 380, 87, 410}));
}

TEST(HelpContextTest, ShowsThroughTheInstalledHandlerOnly) {
  EXPECT_FALSE(ShowHelpContext(3));
  std::vector<THelpContext> Shown;
  {
    const testsupport::ScopedHandler<THelpHandler> Help(
        SetHelpHandler, [&Shown](THelpContext Context) { Shown.push_back(Context); });
    EXPECT_TRUE(ShowHelpContext(7));
  }
  EXPECT_FALSE(ShowHelpContext(8));
  EXPECT_EQ(Shown, std::vector<THelpContext>{7});
}

}  // namespace
