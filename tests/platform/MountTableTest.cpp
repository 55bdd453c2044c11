// Places in file systems by the mount table: bind mounts and mounts of the
// same file system elsewhere show the folders they reach.

#include "platform/MountTable.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr char kTable[] =
    "21 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "22 21 0:5 / /dev rw,nosuid shared:2 - devtmpfs udev rw\n"
    "30 21 8:1 /srv/site/sub /mnt/b rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "31 21 8:2 / /home rw - ext4 /dev/sda2 rw\n"
    "32 31 8:1 /srv /home/with\\040blank rw - ext4 /dev/sda1 rw\n"
    "33 21 0:40 / /mnt/b rw - tmpfs tmpfs rw\n"  // mounted over the bind mount
    "34 21 8:1 /srv/site /mnt/site rw - ext4 /dev/sda1 rw\n"
    "not a mount line\n";

struct TPlaceCase {
  const char* real;
  std::optional<platform::FileSystemPlace> place;
};

TEST(MountTable, GivesTheDeviceAndThePathFromTheFileSystemsRoot) {
  const TPlaceCase cases[] = {
      {"/srv/site", platform::FileSystemPlace{"8:1", "/srv/site"}},
      {"/", platform::FileSystemPlace{"8:1", "/"}},
      {"/dev/null", platform::FileSystemPlace{"0:5", "/null"}},
      {"/devices", platform::FileSystemPlace{"8:1", "/devices"}},
      {"/home/with blank/site/x", platform::FileSystemPlace{"8:1", "/srv/site/x"}},
      {"/home/user", platform::FileSystemPlace{"8:2", "/user"}},
      {"/mnt/b/x", platform::FileSystemPlace{"0:40", "/x"}},
      {"/mnt/site/sub/y", platform::FileSystemPlace{"8:1", "/srv/site/sub/y"}},
      {"relative", std::nullopt},
  };
  for (const TPlaceCase& c : cases) EXPECT_EQ(platform::PlaceInMountTable(kTable, c.real), c.place) << c.real;
  EXPECT_EQ(platform::PlaceInMountTable("", "/x"), std::nullopt);
}

TEST(MountTable, InsideNeedsTheSameFileSystemAndALeadingPath) {
  const platform::FileSystemPlace site{"8:1", "/srv/site"};
  EXPECT_TRUE(platform::PlaceInside({"8:1", "/srv/site/sub"}, site));
  EXPECT_TRUE(platform::PlaceInside({"8:1", "/x"}, {"8:1", "/"}));
  EXPECT_FALSE(platform::PlaceInside(site, site));
  EXPECT_FALSE(platform::PlaceInside({"8:1", "/srv/sites"}, site));
  EXPECT_FALSE(platform::PlaceInside({"8:2", "/srv/site/sub"}, site));
}

}  // namespace
