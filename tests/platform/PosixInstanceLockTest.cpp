#include "platform/PosixInstanceLock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/InstanceLock.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

// The user "nobody", as another local user.
constexpr uid_t kOtherUser = 65534;

mode_t ModeOf(const std::string& Path) {
  struct stat st {};
  return ::lstat(Path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

struct TFolderCase {
  const char* Name;
  // Prepares the two bases below Dir, for the user Uid.
  std::function<void(const TempDir& Dir, const std::string& Uid)> Prepare;
  // The folder expected, below Dir ("" when refused).
  const char* Expected;
  bool NeedsRoot;
};

// Dir / Relative, where "UID" in Relative stands for the user's number Uid.
std::string Below(const TempDir& Dir, std::string Relative, const std::string& Uid) {
  return Dir / Relative.replace(Relative.find("UID"), 3, Uid);
}

// Prepares by making the folder Relative (as for Below) and giving it Mode,
// whatever the umask.
auto Folder(const char* Relative, mode_t Mode) {
  return [=](const TempDir& Dir, const std::string& Uid) {
    const std::string folder = Below(Dir, Relative, Uid);
    ::mkdir(folder.c_str(), 0700);
    ::chmod(folder.c_str(), Mode);
  };
}

// The folder of the user's own below the temporary folder.
constexpr char kOwn[] = "tmp/pagetrim-user-UID";

const TFolderCase kFolderCases[] = {
    {"TheSystemsRuntimeFolder", Folder("run/UID", 0700), "run/UID", false},
    {"NoRuntimeFolderMakesOneInTheTemporaryFolder", [](const TempDir&, const std::string&) {},
     kOwn, false},
    {"ARuntimeFolderOthersMayWriteToIsPassedOver", Folder("run/UID", 0777), kOwn, false},
    {"AnExistingPrivateFolderIsUsed", Folder(kOwn, 0755), kOwn, false},
    {"AFolderItsGroupMayWriteToIsRefused", Folder(kOwn, 0770), "", false},
    {"AWorldWritableFolderIsRefused", Folder(kOwn, 01777), "", false},
    {"ALinkToAPrivateFolderIsRefused",
     [](const TempDir& Dir, const std::string& Uid) {
       ::mkdir((Dir / "mine").c_str(), 0700);
       (void)::symlink((Dir / "mine").c_str(), Below(Dir, kOwn, Uid).c_str());
     },
     "", false},
    {"AFileIsRefused",
     [](const TempDir& Dir, const std::string& Uid) { WriteFile(Below(Dir, kOwn, Uid), ""); }, "",
     false},
    {"AFolderAnotherUserMadeIsRefused",
     [](const TempDir& Dir, const std::string& Uid) {
       const std::string folder = Below(Dir, kOwn, Uid);
       ::mkdir(folder.c_str(), 0700);
       ASSERT_EQ(::chown(folder.c_str(), kOtherUser, kOtherUser), 0);
       WriteFile(folder + "/Pagetrim.lock", "");
     },
     "", true},
};

class InstanceLockFolderTest : public testing::TestWithParam<TFolderCase> {};

TEST_P(InstanceLockFolderTest, FoundOrRefused) {
  const TFolderCase& c = GetParam();
  if (c.NeedsRoot && ::geteuid() != 0) GTEST_SKIP() << "needs root to make another user's folder";
  TempDir dir;
  MakeDir(dir / "run");
  MakeDir(dir / "tmp");
  const std::string uid = std::to_string(::getuid());
  c.Prepare(dir, uid);
  std::string expected = c.Expected;
  if (!expected.empty()) expected = Below(dir, expected, uid);
  EXPECT_EQ(platform::InstanceLockFolder(::getuid(), dir / "run", dir / "tmp"), expected);
  if (!expected.empty()) {
    EXPECT_TRUE(platform::IsPrivateFolder(expected, ::getuid()));
    EXPECT_EQ(ModeOf(expected) & 022, 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, InstanceLockFolderTest, testing::ValuesIn(kFolderCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(InstanceLockTest, ThePlaceDoesNotDependOnTheEnvironment) {
  TempDir runtime;
  std::string withVariable, without;
  {
    const ScopedEnv set("XDG_RUNTIME_DIR", runtime.Path());
    withVariable = platform::InstanceLock::ChannelAddress("Pagetrim");
  }
  {
    const ScopedEnv unset("XDG_RUNTIME_DIR", std::nullopt);
    without = platform::InstanceLock::ChannelAddress("Pagetrim");
  }
  EXPECT_EQ(withVariable, without);
  EXPECT_EQ(withVariable.rfind(runtime.Path(), 0), std::string::npos) << withVariable;
}

TEST(InstanceLockTest, OneHolderPerUserWhateverTheEnvironment) {
  // A name of this test's own, so that no running program takes part.
  const std::string name = "PagetrimLockTest-" + std::to_string(::getpid());
  TempDir runtime;
  platform::InstanceLock::Result outcome;
  std::unique_ptr<platform::InstanceLock> first;
  {
    const ScopedEnv set("XDG_RUNTIME_DIR", runtime.Path());
    first = platform::InstanceLock::TryAcquire(name, &outcome);
  }
  ASSERT_EQ(outcome, platform::InstanceLock::Result::First);
  ASSERT_NE(first, nullptr);
  {
    const ScopedEnv unset("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_EQ(platform::InstanceLock::TryAcquire(name, &outcome), nullptr);
    EXPECT_EQ(outcome, platform::InstanceLock::Result::Held);
  }
  first.reset();
  auto again = platform::InstanceLock::TryAcquire(name, &outcome);
  EXPECT_EQ(outcome, platform::InstanceLock::Result::First);
  const std::string folder = platform::InstanceLockFolder(::getuid());
  ::unlink((folder + "/" + name + ".lock").c_str());
}

}  // namespace
