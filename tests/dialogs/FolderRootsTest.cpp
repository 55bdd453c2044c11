#include "dialogs/FolderRoots.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(FolderRootsTest, MountsThatCountAsDrives) {
  const struct {
    const char *Root, *Device, *Type;
    bool Browsable;
  } Cases[] = {
      {"/", "/dev/vda", "ext4", false},           {"/media/al/USB", "/dev/sdb1", "vfat", true},
      {"/run/media/al/D", "/dev/sdc1", "exfat", true}, {"/boot/efi", "/dev/sda1", "vfat", false},
      {"/bootleg", "/dev/sdd1", "ext4", true},    {"/etc/hosts", "/dev/vda", "ext4", false},
      {"/media/app", "/dev/loop3", "squashfs", false}, {"/run/lock", "/dev/sda1", "ext4", false},
      {"/tmp", "tmpfs", "tmpfs", false},          {"/mnt/win", "//server/share", "cifs", true},
  };
  for (const auto& C : Cases) EXPECT_EQ(IsBrowsableMount(C.Root, C.Device, C.Type), C.Browsable) << C.Root;
  EXPECT_EQ(MountDisplayName("/media/usb", ""), "/media/usb");
  EXPECT_EQ(MountDisplayName("/media/usb", "/media/usb"), "/media/usb");
  EXPECT_EQ(MountDisplayName("/mnt/d", "Daten \u00c4"), "Daten \u00c4 (/mnt/d)");
}

TEST(FolderRootsTest, ComputersFromAHostsFile) {
  const std::pair<const char*, std::vector<std::string>> Cases[] = {
      {"", {}},
      {"127.0.0.1 localhost\n127.0.1.1 vm.example.org vm\n::1 localhost ip6-localhost\n"
       "ff02::1 ip6-allnodes\nfe00::0 ip6-localnet\n0.0.0.0 ads.example.com\n",
       {}},
      {"192.168.1.10 nas nas.lan   # the NAS\n# 10.0.0.1 old\n\n10.0.0.9\n10.0.0.5\tbuild\r\n",
       {"nas", "nas.lan", "build"}},
      {"10.0.0.1 Alpha\n10.0.0.2 alpha beta\nfe80::1 BETA\n", {"Alpha", "beta"}},
  };
  for (const auto& [Text, Hosts] : Cases) EXPECT_EQ(HostsFileNames(Text), Hosts) << Text;
}

TEST(FolderRootsTest, PathsAtOrBelowAFolder) {
  EXPECT_TRUE(IsAtOrBelow("/media", "/media"));
  EXPECT_TRUE(IsAtOrBelow("/media/usb", "/media"));
  EXPECT_TRUE(IsAtOrBelow("/media/usb", "/"));
  EXPECT_FALSE(IsAtOrBelow("/mediathek", "/media"));
  EXPECT_FALSE(IsAtOrBelow("/med", "/media"));
}

TEST(FolderRootsTest, HiddenPartsOfAPath) {
  const std::pair<const char*, bool> Cases[] = {
      {"/home/al/.hidden/www", true}, {".config", true},        {"/srv/www/", false},
      {"/srv/./www/../x", false},     {"/srv/a.b/.c", true},    {"/srv/x./y", false},
      {"", false},                    {"/", false},             {"/..x/y", true},
  };
  for (const auto& [Path, Hidden] : Cases) EXPECT_EQ(HasHiddenPart(Path), Hidden) << Path;
}

}  // namespace
