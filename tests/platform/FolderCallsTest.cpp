// The folder calls of the file services: listing, status without and with
// links followed, creating folders, renaming over a file, real names.

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/FileEnv.h"
#include "support/PlatformExpect.h"
#include "support/TempDir.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

namespace {

platform::FileEnv& Env() { return *platform::FileEnv::Default(); }

platform::FileStatus StatusOf(const std::string& Name, bool Follow) {
  platform::FileStatus st;
  EXPECT_TRUE(Env().GetStatus(Name, Follow, &st).ok()) << Name;
  return st;
}

TEST(ListFolder, NamesEveryEntryOnceWithoutDotEntries) {
  TempDir dir;
  std::vector<std::string> names{"a.htm", "with blank.HTML", "sub", ".hidden"};
#ifndef _WIN32
  // Names the Windows file system refuses, and bytes that are no UTF-8.
  names.push_back("pipe|name.asp");
  names.push_back("caf\xE9\xFF.htm");
#endif
  for (const std::string& n : names) {
    if (n == "sub")
      ASSERT_TRUE(testsupport::MakeFolder(dir / n));
    else
      WriteFile(dir / n, "x");
  }
  std::vector<std::string> listed{"stale"};
  platform::FileIdentity id;
  ASSERT_TRUE(Env().ListFolder(dir.Path(), &listed, &id).ok());
  EXPECT_THAT(listed, UnorderedElementsAreArray(names));
  EXPECT_EQ(id, StatusOf(dir.Path(), true).Identity);
}

TEST(ListFolder, EmptyFolderGivesNoNames) {
  TempDir dir;
  std::vector<std::string> listed;
  platform::FileIdentity id;
  ASSERT_TRUE(Env().ListFolder(dir.Path(), &listed, &id).ok());
  EXPECT_TRUE(listed.empty());
}

TEST(ListFolder, MissingFolderOrFileFails) {
  TempDir dir;
  WriteFile(dir / "f", "x");
  std::vector<std::string> listed;
  platform::FileIdentity id;
  EXPECT_TRUE(platform::IsMissingError(Env().ListFolder(dir / "none", &listed, &id).code()));
  EXPECT_FALSE(Env().ListFolder(dir / "f", &listed, &id).ok());
}

TEST(GetStatus, TellsFilesFromFoldersAndGivesTheirIdentity) {
  TempDir dir;
  WriteFile(dir / "f", "x");
  ASSERT_TRUE(testsupport::MakeFolder(dir / "d"));
  for (bool follow : {false, true}) {
    EXPECT_EQ(StatusOf(dir / "f", follow).Kind, platform::fkRegular);
    EXPECT_EQ(StatusOf(dir / "d", follow).Kind, platform::fkFolder);
    // Another spelling reaches the same file.
    EXPECT_EQ(StatusOf(dir / "d/../f", follow).Identity, StatusOf(dir / "f", follow).Identity);
  }
  EXPECT_NE(StatusOf(dir / "f", false).Identity, StatusOf(dir / "d", false).Identity);
  platform::FileStatus st;
  EXPECT_TRUE(platform::IsMissingError(Env().GetStatus(dir / "none", false, &st).code()));
  EXPECT_TRUE(platform::IsMissingError(Env().GetStatus(dir / "none/deeper", true, &st).code()));
}

#ifndef _WIN32
// Symbolic links need privileges on Windows; FIFOs do not exist there.
TEST(GetStatus, LinksAreSeenOrFollowedAsAsked) {
  TempDir dir;
  WriteFile(dir / "f", "x");
  ASSERT_TRUE(testsupport::MakeFolder(dir / "d"));
  ASSERT_EQ(symlink("f", (dir / "lf").c_str()), 0);
  ASSERT_EQ(symlink("d", (dir / "ld").c_str()), 0);
  ASSERT_EQ(symlink("none", (dir / "dangling").c_str()), 0);
  ASSERT_EQ(symlink("loop", (dir / "loop").c_str()), 0);

  EXPECT_EQ(StatusOf(dir / "lf", false).Kind, platform::fkLink);
  EXPECT_EQ(StatusOf(dir / "ld", false).Kind, platform::fkLink);
  EXPECT_NE(StatusOf(dir / "lf", false).Identity, StatusOf(dir / "f", false).Identity);
  EXPECT_EQ(StatusOf(dir / "lf", true).Kind, platform::fkRegular);
  EXPECT_EQ(StatusOf(dir / "lf", true).Identity, StatusOf(dir / "f", false).Identity);
  EXPECT_EQ(StatusOf(dir / "ld", true).Kind, platform::fkFolder);
  EXPECT_EQ(StatusOf(dir / "dangling", false).Kind, platform::fkLink);

  platform::FileStatus st;
  EXPECT_TRUE(platform::IsMissingError(Env().GetStatus(dir / "dangling", true, &st).code()));
  EXPECT_EQ(Env().GetStatus(dir / "loop", true, &st).code(), platform::ErrorLinkLoop());
}

TEST(GetStatus, FifoIsOtherAndStaysUnopened) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  // Opening a FIFO without a writer would block: this returns at once.
  EXPECT_EQ(StatusOf(dir / "fifo", false).Kind, platform::fkOther);
  EXPECT_EQ(StatusOf(dir / "fifo", true).Kind, platform::fkOther);
}
#endif

TEST(CreateFolder, CreatesOnceAndNeedsItsParent) {
  TempDir dir;
  ASSERT_TRUE(Env().CreateFolder(dir / "new").ok());
  EXPECT_EQ(StatusOf(dir / "new", true).Kind, platform::fkFolder);
  EXPECT_EQ(Env().CreateFolder(dir / "new").code(), platform::ErrorAlreadyExists());
  WriteFile(dir / "file", "x");
  EXPECT_EQ(Env().CreateFolder(dir / "file").code(), platform::ErrorAlreadyExists());
  EXPECT_TRUE(platform::IsMissingError(Env().CreateFolder(dir / "none/new").code()));
}

TEST(Rename, ReplacesTheTargetInOneStep) {
  TempDir dir;
  WriteFile(dir / "new.tmp", "new text");
  WriteFile(dir / "page.htm", "old text that was longer");
  ASSERT_TRUE(Env().Rename(dir / "new.tmp", dir / "page.htm").ok());
  EXPECT_EQ(ReadFile(dir / "page.htm"), "new text");
  platform::FileStatus st;
  EXPECT_FALSE(Env().GetStatus(dir / "new.tmp", false, &st).ok());

  WriteFile(dir / "other.tmp", "x");
  ASSERT_TRUE(Env().Rename(dir / "other.tmp", dir / "fresh.htm").ok());
  EXPECT_EQ(ReadFile(dir / "fresh.htm"), "x");
}

TEST(Rename, FailureLeavesBothNamesAlone) {
  TempDir dir;
  EXPECT_TRUE(platform::IsMissingError(Env().Rename(dir / "none.tmp", dir / "page.htm").code()));
  WriteFile(dir / "new.tmp", "new");
  ASSERT_TRUE(testsupport::MakeFolder(dir / "folder"));
  WriteFile(dir / "folder/inside", "kept");
  EXPECT_FALSE(Env().Rename(dir / "new.tmp", dir / "folder").ok());
  EXPECT_EQ(ReadFile(dir / "new.tmp"), "new");
  EXPECT_EQ(ReadFile(dir / "folder/inside"), "kept");
}

TEST(RealName, ResolvesDotsAndIsAbsolute) {
  TempDir dir;
  ASSERT_TRUE(testsupport::MakeFolder(dir / "a"));
  ASSERT_TRUE(testsupport::MakeFolder(dir / "a/b"));
  std::string real;
  std::string viaDots;
  ASSERT_TRUE(Env().RealName(dir / "a", &real).ok());
  ASSERT_TRUE(Env().RealName(dir / "a/b/..", &viaDots).ok());
  EXPECT_EQ(viaDots, real);
  std::string withDelimiter;
  ASSERT_TRUE(Env().RealName(dir / "a/", &withDelimiter).ok());
  EXPECT_EQ(withDelimiter, real);
  EXPECT_NE(real.back(), platform::PathDelimiter());
  std::string root;
  ASSERT_TRUE(Env().RealName(expect::RootFolder(), &root).ok());
  EXPECT_EQ(root.back(), platform::PathDelimiter());
  EXPECT_FALSE(Env().RealName(dir / "none", &real).ok());
}

// The calls inside a held folder act on that folder, whatever its name
// reaches by now; a new file is only ever new.
TEST(HeldFolder, CallsActInTheFolderThatWasOpened) {
  TempDir dir;
  ASSERT_TRUE(testsupport::MakeFolder(dir / "out"));
  platform::FileStatus st;
  platform::FolderHandle out = platform::kNoFolder;
  ASSERT_TRUE(Env().OpenFolder(platform::kNoFolder, dir / "out", false, &st, &out).ok());
  EXPECT_EQ(st.Identity, StatusOf(dir / "out", true).Identity);
  EXPECT_EQ(st.Kind, platform::fkFolder);

  platform::FileHandle h = platform::kInvalidHandle;
  ASSERT_TRUE(Env().CreateFileIn(out, "a.tmp", 0644, &h).ok());
  std::int32_t done = 0;
  ASSERT_TRUE(Env().Write(h, "text", 4, &done).ok());
  const std::int64_t time = 1000000000LL * 86400 * 365 * 20 + 5000;  // 1990, in whole 100 ns
  ASSERT_TRUE(Env().SetAttributes(h, nullptr, &time).ok());
  ASSERT_TRUE(Env().GetOpenStatus(h, &st).ok());
  EXPECT_EQ(st.Size, 4);
  EXPECT_EQ(st.ModifiedTime, time);
  EXPECT_EQ(st.Identity, StatusOf(dir / "out/a.tmp", false).Identity);
  ASSERT_TRUE(Env().Close(h).ok());
  // Taken: by a file, and by a folder.
  platform::FileHandle taken = 0;
  EXPECT_EQ(Env().CreateFileIn(out, "a.tmp", 0644, &taken).code(), platform::ErrorAlreadyExists());
  EXPECT_EQ(taken, platform::kInvalidHandle);
  ASSERT_TRUE(Env().CreateFolderIn(out, "sub", 0777).ok());
  EXPECT_EQ(Env().CreateFileIn(out, "sub", 0644, &taken).code(), platform::ErrorAlreadyExists());
  EXPECT_EQ(Env().CreateFolderIn(out, "sub", 0777).code(), platform::ErrorAlreadyExists());

#ifndef _WIN32
  // The folder's name given to a link elsewhere: the calls stay in the folder.
  ASSERT_TRUE(testsupport::MakeFolder(dir / "elsewhere"));
  ASSERT_EQ(::rename((dir / "out").c_str(), (dir / "moved").c_str()), 0);
  ASSERT_EQ(symlink("elsewhere", (dir / "out").c_str()), 0);
  ASSERT_TRUE(Env().RenameIn(out, "a.tmp", "a.htm").ok());
  EXPECT_EQ(ReadFile(dir / "moved/a.htm"), "text");
  ASSERT_TRUE(Env().DeleteIn(out, "a.htm").ok());
  EXPECT_FALSE(testsupport::Exists(dir / "moved/a.htm"));
  platform::FolderHandle link = 0;
  EXPECT_EQ(Env().OpenFolder(platform::kNoFolder, dir / "out", false, &st, &link).code(),
            platform::ErrorLinkLoop());
  EXPECT_EQ(link, platform::kNoFolder);
  // A link is never followed to a new file.
  ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "moved/l.tmp").c_str()), 0);
  EXPECT_FALSE(Env().CreateFileIn(out, "l.tmp", 0644, &taken).ok());
  EXPECT_FALSE(testsupport::Exists(dir / "target"));
  // Permission bits: less the creation mask, then as given.
  platform::FileHandle p = platform::kInvalidHandle;
  ASSERT_TRUE(Env().CreateFileIn(out, "p.tmp", 0751, &p).ok());
  ASSERT_TRUE(Env().GetOpenStatus(p, &st).ok());
  EXPECT_EQ(st.Permissions, 0751 & ~platform::CreationMask());
  const std::uint32_t exact = 0604;
  ASSERT_TRUE(Env().SetAttributes(p, &exact, nullptr).ok());
  ASSERT_TRUE(Env().GetOpenStatus(p, &st).ok());
  EXPECT_EQ(st.Permissions, 0604u);
  ASSERT_TRUE(Env().Close(p).ok());
#endif
  EXPECT_TRUE(Env().CloseFolder(out).ok());
}

TEST(CopyData, CopiesToTheRealEndFromThePosition) {
  TempDir dir;
  std::string text(300000, 'x');
  text[123456] = '\0';
  WriteFile(dir / "in", text);
  platform::FileEnv& env = Env();
  const std::vector<std::pair<std::string, std::int32_t>> cases{{dir / "in", 7}, {dir / "in", 0}
#ifdef __linux__
      // Reports size 0, holds more.
      , {"/proc/self/status", 0}
#endif
  };
  for (const auto& [name, skip] : cases) {
    platform::FileHandle in = platform::kInvalidHandle;
    ASSERT_TRUE(env.Open(name, platform::kGenericRead, platform::kFileShareRead,
                         platform::kOpenExisting, platform::kFileAttributeNormal, &in)
                    .ok())
        << name;
    std::int32_t at = -1;
    ASSERT_TRUE(env.SetPosition(in, skip, platform::kFileBegin, &at).ok());
    ASSERT_EQ(at, skip);
    platform::FileHandle out = platform::kInvalidHandle;
    ASSERT_TRUE(env.Open(dir / "out", platform::kGenericRead | platform::kGenericWrite, 0,
                         platform::kCreateAlways, platform::kFileAttributeNormal, &out)
                    .ok());
    std::int64_t copied = -1;
    EXPECT_TRUE(env.CopyData(in, out, &copied).ok());
    EXPECT_TRUE(env.Close(in).ok());
    EXPECT_TRUE(env.Close(out).ok());
    const std::string got = ReadFile(dir / "out");
    EXPECT_EQ(copied, static_cast<std::int64_t>(got.size()));
    if (name == dir / "in")
      EXPECT_EQ(got, text.substr(skip));
    else
      EXPECT_THAT(got, ::testing::HasSubstr("Name:"));
  }
}

#ifndef _WIN32
TEST(RealName, SeesThroughLinks) {
  TempDir dir;
  ASSERT_TRUE(testsupport::MakeFolder(dir / "a"));
  ASSERT_EQ(symlink((dir / "a").c_str(), (dir / "l").c_str()), 0);
  std::string viaLink;
  std::string real;
  ASSERT_TRUE(Env().RealName(dir / "l", &viaLink).ok());
  ASSERT_TRUE(Env().RealName(dir / "a", &real).ok());
  EXPECT_EQ(viaLink, real);
}
#endif

}  // namespace
