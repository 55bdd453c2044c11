#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

#include "QtPrint.h"
#include "dialogs/FolderTree.h"

namespace {

std::string Bytes(const QString& Text) { return QFile::encodeName(Text).toStdString(); }

// ---------------------------------------------------------------------------
// Which mounts count as drives

struct MountCase {
  const char* Root;
  const char* Device;
  const char* Type;
  bool Browsable;
};

class MountTest : public testing::TestWithParam<MountCase> {};

TEST_P(MountTest, Decides) {
  const MountCase& C = GetParam();
  EXPECT_EQ(IsBrowsableMount(C.Root, C.Device, C.Type), C.Browsable)
      << C.Root << " " << C.Device << " " << C.Type;
}

INSTANTIATE_TEST_SUITE_P(
    Mounts, MountTest,
    testing::Values(MountCase{"/", "/dev/vda", "ext4", false},
                    MountCase{"", "/dev/sdb1", "vfat", false},
                    MountCase{"/media/alice/USB", "/dev/sdb1", "vfat", true},
                    MountCase{"/run/media/alice/Disk", "/dev/sdc1", "exfat", true},
                    MountCase{"/mnt/data", "/dev/nvme0n1p3", "ext4", true},
                    MountCase{"/home", "/dev/sda2", "ext4", true},
                    MountCase{"/boot", "/dev/sda1", "ext4", false},
                    MountCase{"/boot/efi", "/dev/sda1", "vfat", false},
                    MountCase{"/bootleg", "/dev/sdd1", "ext4", true},
                    MountCase{"/etc/hosts", "/dev/vda", "ext4", false},
                    MountCase{"/snap/core/123", "/dev/loop3", "squashfs", false},
                    MountCase{"/media/cd", "/dev/loop0", "squashfs", false},
                    MountCase{"/media/cd", "/dev/sr0", "iso9660", true},
                    MountCase{"/run/user/1000", "tmpfs", "tmpfs", false},
                    MountCase{"/run/lock", "/dev/sda1", "ext4", false},
                    MountCase{"/proc", "proc", "proc", false},
                    MountCase{"/sys/fs/cgroup", "cgroup", "cgroup2", false},
                    MountCase{"/dev/shm", "tmpfs", "tmpfs", false},
                    MountCase{"/tmp", "tmpfs", "tmpfs", false},
                    MountCase{"/srv/share", "server:/export", "nfs4", true},
                    MountCase{"/mnt/win", "//server/share", "cifs", true},
                    MountCase{"/var/lib/docker/overlay2/x", "overlay", "overlay", false}));

struct MountNameCase {
  const char* Root;
  const char* Label;
  const char* Shown;
};

class MountNameTest : public testing::TestWithParam<MountNameCase> {};

TEST_P(MountNameTest, Shows) {
  const MountNameCase& C = GetParam();
  EXPECT_EQ(MountDisplayName(C.Root, QString::fromUtf8(C.Label)), QString::fromUtf8(C.Shown));
}

INSTANTIATE_TEST_SUITE_P(Names, MountNameTest,
                         testing::Values(MountNameCase{"/media/usb", "", "/media/usb"},
                                         MountNameCase{"/media/usb", "/media/usb", "/media/usb"},
                                         MountNameCase{"/media/usb", "BACKUP", "BACKUP (/media/usb)"},
                                         MountNameCase{"/mnt/d", "Daten Ä", "Daten Ä (/mnt/d)"}));

// ---------------------------------------------------------------------------
// Known computers

struct HostsCase {
  const char* Name;
  const char* Text;
  std::vector<std::string> Hosts;
};

class HostsTest : public testing::TestWithParam<HostsCase> {};

TEST_P(HostsTest, Lists) { EXPECT_EQ(HostsFileNames(GetParam().Text), GetParam().Hosts); }

INSTANTIATE_TEST_SUITE_P(
    Files, HostsTest,
    testing::Values(
        HostsCase{"Empty", "", {}},
        HostsCase{"DebianDefault",
                  "127.0.0.1\tlocalhost\n127.0.1.1\tvm.example.org vm\n\n"
                  "::1     localhost ip6-localhost ip6-loopback\n"
                  "ff02::1 ip6-allnodes\nff02::2 ip6-allrouters\n",
                  {}},
        HostsCase{"Hosts",
                  "192.168.1.10 fileserver fileserver.lan   # the NAS\n"
                  "10.0.0.5\tbuild\n",
                  {"fileserver", "fileserver.lan", "build"}},
        HostsCase{"CommentsAndBlanks", "# 10.0.0.1 old\n   \n#\n10.0.0.2 new # 10.0.0.3 gone\n",
                  {"new"}},
        HostsCase{"AddressWithoutName", "10.0.0.9\n10.0.0.8 eight\n", {"eight"}},
        HostsCase{"DuplicatesIgnoreCase", "10.0.0.1 Alpha\n10.0.0.2 alpha beta\nfe80::1 BETA\n",
                  {"Alpha", "beta"}},
        HostsCase{"CrLfLines", "10.0.0.1 one\r\n10.0.0.2 two\r\n", {"one", "two"}},
        HostsCase{"UnspecifiedAddresses", "0.0.0.0 ads.example.com\n:: nothing\n", {}}),
    [](const testing::TestParamInfo<HostsCase>& Info) { return Info.param.Name; });

// ---------------------------------------------------------------------------
// The fixed part of the tree

TFolderRoots SampleRoots() {
  TFolderRoots Roots;
  Roots.Desktop = "/home/alice/Desktop";
  Roots.Home = "/home/alice";
  Roots.Mounts = {{"/media/usb", "USB (/media/usb)"}, {"/mnt/data", "/mnt/data"}};
  Roots.Computers = {"vm", "fileserver"};
  return Roots;
}

std::vector<QString> ChildNames(const TFolderItem* Item) {
  std::vector<QString> Names;
  for (const auto& Child : Item->Children) Names.push_back(Child->Name);
  return Names;
}

TEST(FolderTreeBuild, MyComputerShowsRootAndDrives) {
  auto Top = BuildFolderTree(bkMyComputer, SampleRoots());
  ASSERT_EQ(Top->Children.size(), 1u);
  const TFolderItem* Computer = Top->Children[0].get();
  EXPECT_EQ(Computer->Name, "Computer");
  EXPECT_TRUE(Computer->Path.empty());
  EXPECT_FALSE(Computer->Browse);
  EXPECT_EQ(Computer->Image, QAbstractFileIconProvider::Computer);
  EXPECT_EQ(ChildNames(Computer),
            (std::vector<QString>{"/", "USB (/media/usb)", "/mnt/data"}));
  EXPECT_EQ(Computer->Children[0]->Path, "/");
  EXPECT_EQ(Computer->Children[1]->Path, "/media/usb");
  for (const auto& Drive : Computer->Children) {
    EXPECT_TRUE(Drive->Browse);
    EXPECT_EQ(Drive->Image, QAbstractFileIconProvider::Drive);
    EXPECT_EQ(Drive->Parent, Computer);
  }
}

TEST(FolderTreeBuild, DesktopHoldsHomeAndComputer) {
  auto Top = BuildFolderTree(bkDesktop, SampleRoots());
  ASSERT_EQ(Top->Children.size(), 1u);
  const TFolderItem* Desktop = Top->Children[0].get();
  EXPECT_EQ(Desktop->Path, "/home/alice/Desktop");
  EXPECT_TRUE(Desktop->Browse);
  EXPECT_EQ(Desktop->Image, QAbstractFileIconProvider::Desktop);
  EXPECT_EQ(ChildNames(Desktop), (std::vector<QString>{"Home", "Computer"}));
  EXPECT_EQ(Desktop->Children[0]->Path, "/home/alice");
  EXPECT_EQ(Desktop->Children[1]->Children.size(), 3u);
}

TEST(FolderTreeBuild, DesktopThatIsHomeListsHomeOnce) {
  TFolderRoots Roots = SampleRoots();
  Roots.Desktop = Roots.Home;
  auto Top = BuildFolderTree(bkDesktop, Roots);
  EXPECT_EQ(ChildNames(Top->Children[0].get()), (std::vector<QString>{"Computer"}));
}

TEST(FolderTreeBuild, ComputersHaveNoPaths) {
  auto Top = BuildFolderTree(bkComputers, SampleRoots());
  ASSERT_EQ(Top->Children.size(), 1u);
  const TFolderItem* Network = Top->Children[0].get();
  EXPECT_EQ(Network->Image, QAbstractFileIconProvider::Network);
  EXPECT_FALSE(Network->Computer);
  EXPECT_EQ(ChildNames(Network), (std::vector<QString>{"vm", "fileserver"}));
  for (const auto& Host : Network->Children) {
    EXPECT_TRUE(Host->Computer);
    EXPECT_TRUE(Host->Path.empty());
    EXPECT_FALSE(Host->Browse);
    EXPECT_EQ(Host->Image, QAbstractFileIconProvider::Computer);
  }
}

TEST(FolderTreeBuild, SystemRootsKnowTheLocalHost) {
  const TFolderRoots Roots = SystemFolderRoots();
  ASSERT_FALSE(Roots.Computers.empty());
  EXPECT_EQ(Roots.Computers.front(), QSysInfo::machineHostName());
  EXPECT_EQ(Roots.FileSystemRoot, "/");
  EXPECT_FALSE(Roots.Home.empty());
  for (const TMountPoint& Mount : Roots.Mounts) EXPECT_NE(Mount.Path, "/");
}

// ---------------------------------------------------------------------------
// The model over real folders

// Collects what QAbstractItemModelTester finds wrong.
QStringList* ModelFaults = nullptr;
void CollectModelFaults(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
  if (ModelFaults && Type != QtDebugMsg && Context.category &&
      QByteArray(Context.category) == "qt.modeltest")
    ModelFaults->append(Text);
}

class FolderModelTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    for (const char* Sub : {"root/alpha", "root/beta/deep", "root/.hidden", "root/media/usb/stick",
                            "root/media/usb/photos"})
      ASSERT_TRUE(QDir().mkpath(Dir.filePath(Sub)));
    QFile File(Dir.filePath("root/notes.txt"));
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    Root = Bytes(Dir.filePath("root"));
    Usb = Bytes(Dir.filePath("root/media/usb"));
    TFolderRoots Roots;
    Roots.FileSystemRoot = Root;
    Roots.Mounts = {{Usb, "USB"}};
    Model = std::make_unique<TFolderTreeModel>(BuildFolderTree(bkMyComputer, Roots));
    ModelFaults = &Faults;
    Previous = qInstallMessageHandler(CollectModelFaults);
    Tester = std::make_unique<QAbstractItemModelTester>(
        Model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
    Computer = Model->index(0, 0);
    RootItem = Model->index(0, 0, Computer);
    UsbItem = Model->index(1, 0, Computer);
  }

  void TearDown() override {
    Tester.reset();
    qInstallMessageHandler(Previous);
    ModelFaults = nullptr;
    EXPECT_TRUE(Faults.isEmpty()) << Faults.join('\n').toStdString();
  }

  std::vector<QString> Names(const QModelIndex& Parent) {
    std::vector<QString> Result;
    for (int Row = 0; Row < Model->rowCount(Parent); ++Row)
      Result.push_back(Model->index(Row, 0, Parent).data().toString());
    return Result;
  }

  // Fetches Parent's folders and waits until they are listed (and sorted) as
  // Expected says.
  bool WaitForNames(const QModelIndex& Parent, const std::vector<QString>& Expected) {
    if (Model->canFetchMore(Parent)) Model->fetchMore(Parent);
    if (QTest::qWaitFor([&] { return Names(Parent) == Expected; }, 5000)) return true;
    EXPECT_EQ(Names(Parent), Expected);
    return false;
  }

  QTemporaryDir Dir;
  std::string Root, Usb;
  std::unique_ptr<TFolderTreeModel> Model;
  std::unique_ptr<QAbstractItemModelTester> Tester;
  QStringList Faults;
  QtMessageHandler Previous = nullptr;
  QModelIndex Computer, RootItem, UsbItem;
};

TEST_F(FolderModelTest, FixedItemsComeFirst) {
  EXPECT_EQ(Model->rowCount(), 1);
  EXPECT_EQ(Model->columnCount(), 1);
  EXPECT_EQ(Computer.data().toString(), "Computer");
  EXPECT_EQ(Model->rowCount(Computer), 2);
  EXPECT_EQ(RootItem.data().toString(), QFile::decodeName(QByteArray::fromStdString(Root)));
  EXPECT_EQ(UsbItem.data().toString(), "USB");
  EXPECT_EQ(Model->ItemPath(Computer), "");
  EXPECT_EQ(Model->ItemPath(RootItem), Root);
  EXPECT_EQ(Model->ItemPath(UsbItem), Usb);
  EXPECT_EQ(Model->ItemImage(Computer), QAbstractFileIconProvider::Computer);
  EXPECT_EQ(Model->ItemImage(UsbItem), QAbstractFileIconProvider::Drive);
  EXPECT_EQ(Model->parent(UsbItem), Computer);
  EXPECT_FALSE(Model->parent(Computer).isValid());
  EXPECT_TRUE(Model->hasChildren(RootItem));
  EXPECT_FALSE(Model->IsComputer(Computer));
}

TEST_F(FolderModelTest, ListsFoldersOnlySortedWithoutHiddenOnes) {
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "beta", "media"}));
  const QModelIndex Beta = Model->index(1, 0, RootItem);
  EXPECT_EQ(Model->ItemPath(Beta), Root + "/beta");
  EXPECT_EQ(Model->ItemImage(Beta), QAbstractFileIconProvider::Folder);
  EXPECT_EQ(Model->parent(Beta), RootItem);
  ASSERT_TRUE(WaitForNames(Beta, {"deep"}));
  const QModelIndex Deep = Model->index(0, 0, Beta);
  EXPECT_EQ(Model->ItemPath(Deep), Root + "/beta/deep");
  EXPECT_EQ(Model->parent(Deep), Beta);
  EXPECT_EQ(Model->data(Deep, Qt::ToolTipRole).toString().toStdString(), Root + "/beta/deep");
}

TEST_F(FolderModelTest, DriveListsItsOwnFolders) {
  ASSERT_TRUE(WaitForNames(UsbItem, {"photos", "stick"}));
  EXPECT_EQ(Model->ItemPath(Model->index(1, 0, UsbItem)), Usb + "/stick");
}

struct PathCase {
  const char* Path;      // below the temporary folder
  const char* Expected;  // the item's path below it, empty: not in the tree
  bool OnDrive;          // reached through the drive rather than the root
};

class FolderPathTest : public FolderModelTest, public testing::WithParamInterface<PathCase> {};

TEST_P(FolderPathTest, FindsTheItem) {
  const PathCase& C = GetParam();
  const std::string Base = Bytes(Dir.path());
  const QModelIndex Item = Model->IndexForPath(Base + C.Path);
  if (!*C.Expected) {
    EXPECT_FALSE(Item.isValid()) << Model->ItemPath(Item);
    return;
  }
  ASSERT_TRUE(Item.isValid());
  EXPECT_EQ(Model->ItemPath(Item), Base + C.Expected);
  QModelIndex Top = Item;
  while (Model->parent(Top).isValid() && Model->parent(Top) != Computer) Top = Model->parent(Top);
  EXPECT_EQ(Top, C.OnDrive ? UsbItem : RootItem);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FolderPathTest,
    testing::Values(PathCase{"/root", "/root", false}, PathCase{"/root/", "/root", false},
                    PathCase{"/root/alpha", "/root/alpha", false},
                    PathCase{"/root/beta/deep/", "/root/beta/deep", false},
                    PathCase{"/root/./beta/../alpha", "/root/alpha", false},
                    PathCase{"/root/media", "/root/media", false},
                    PathCase{"/root/media/usb", "/root/media/usb", true},
                    PathCase{"/root/media/usb/stick", "/root/media/usb/stick", true},
                    PathCase{"/root/missing", "", false}, PathCase{"/root/.hidden", "", false},
                    PathCase{"/root/notes.txt", "", false}, PathCase{"/rootless", "", false},
                    PathCase{"", "", false}));

TEST_F(FolderModelTest, EmptyPathIsNotInTheTree) { EXPECT_FALSE(Model->IndexForPath("").isValid()); }

TEST_F(FolderModelTest, FollowsNewAndRemovedFolders) {
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "beta", "media"}));
  ASSERT_TRUE(QDir().mkdir(Dir.filePath("root/gamma")));
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "beta", "gamma", "media"}));
  ASSERT_TRUE(QDir(Dir.filePath("root/beta")).removeRecursively());
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "gamma", "media"}));
}

TEST_F(FolderModelTest, FolderReachedByPathBeforeListingStaysConsistent) {
  const QModelIndex Deep = Model->IndexForPath(Root + "/beta/deep");
  ASSERT_TRUE(Deep.isValid());
  const QPersistentModelIndex Kept(Deep);
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "beta", "media"}));
  ASSERT_TRUE(Kept.isValid());
  EXPECT_EQ(Model->ItemPath(Kept), Root + "/beta/deep");
  EXPECT_EQ(Model->parent(Kept).data().toString(), "beta");
}

TEST_F(FolderModelTest, ComputerLookupFindsNothingWithoutComputers) {
  EXPECT_FALSE(Model->IndexForComputer("vm").isValid());
}

TEST(FolderModelComputers, FindsComputersIgnoringCase) {
  TFolderRoots Roots;
  Roots.Computers = {"vm", "FileServer"};
  TFolderTreeModel Model(BuildFolderTree(bkComputers, Roots));
  const QModelIndex Network = Model.index(0, 0);
  EXPECT_EQ(Network.data().toString(), "Network");
  const QModelIndex Server = Model.IndexForComputer("fileserver");
  ASSERT_TRUE(Server.isValid());
  EXPECT_EQ(Server.parent(), Network);
  EXPECT_EQ(Server.row(), 1);
  EXPECT_TRUE(Model.IsComputer(Server));
  EXPECT_EQ(Model.ItemName(Server), "FileServer");
  EXPECT_EQ(Model.ItemPath(Server), "");
  EXPECT_EQ(Model.ItemImage(Server), QAbstractFileIconProvider::Computer);
  EXPECT_FALSE(Model.IndexForComputer("Network").isValid());
  EXPECT_FALSE(Model.IndexForComputer("").isValid());
  EXPECT_FALSE(Model.hasChildren(Server));
}

}  // namespace
