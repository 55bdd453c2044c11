#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryDir>
#include <QTest>

#include <string>
#include <vector>

#include "support/qt/QtPrint.h"
#include "dialogs/qt/FolderTree.h"
#include "dialogs/qt/SystemRoots.h"

namespace {

std::string Bytes(const QString& Text) { return QFile::encodeName(Text).toStdString(); }

TEST(SystemRootsTest, LocalHostFirstAndNoRootAmongTheDrives) {
  const TFolderRoots Roots = SystemFolderRoots();
  ASSERT_FALSE(Roots.Computers.empty());
  EXPECT_EQ(Roots.Computers.front(), Bytes(QSysInfo::machineHostName()));
  for (const TMountPoint& Mount : Roots.Mounts) EXPECT_NE(Mount.Path, "/");
}

TEST(FolderTreeBuild, DesktopHoldsHomeOnlyWhenItIsAnotherFolder) {
  TFolderRoots Roots;
  Roots.Desktop = "/home/al/Desktop";
  Roots.Home = "/home/al";
  for (const auto& [Desktop, Names] : {std::pair{"/home/al/Desktop", 2u}, std::pair{"/home/al", 1u}}) {
    Roots.Desktop = Desktop;
    const auto Top = BuildFolderTree(bkDesktop, Roots);
    EXPECT_EQ(Top->Children.at(0)->Path, Desktop);
    EXPECT_EQ(Top->Children[0]->Children.size(), Names);
    EXPECT_EQ(Top->Children[0]->Children.back()->Name, "Computer");
  }
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

TEST_F(FolderModelTest, ListsFixedItemsThenSortedVisibleFolders) {
  EXPECT_EQ(Model->rowCount() + Model->columnCount(), 2);
  EXPECT_EQ(Computer.data().toString(), "Computer");
  EXPECT_EQ(Model->rowCount(Computer), 2);
  EXPECT_EQ(UsbItem.data().toString(), "USB");
  EXPECT_EQ(Model->ItemPath(Computer) + "|" + Model->ItemPath(RootItem) + "|" +
                Model->ItemPath(UsbItem),
            "|" + Root + "|" + Usb);
  EXPECT_EQ(Model->ItemImage(Computer), QAbstractFileIconProvider::Computer);
  EXPECT_EQ(Model->ItemImage(UsbItem), QAbstractFileIconProvider::Drive);
  EXPECT_EQ(Model->parent(UsbItem), Computer);
  EXPECT_FALSE(Model->parent(Computer).isValid() || Model->IsComputer(Computer));

  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "beta", "media"}));  // no file, no hidden folder
  const QModelIndex Beta = Model->index(1, 0, RootItem);
  EXPECT_EQ(Model->ItemImage(Beta), QAbstractFileIconProvider::Folder);
  EXPECT_EQ(Model->parent(Beta), RootItem);
  ASSERT_TRUE(WaitForNames(Beta, {"deep"}));
  const QModelIndex Deep = Model->index(0, 0, Beta);
  EXPECT_EQ(Model->ItemPath(Deep), Root + "/beta/deep");
  EXPECT_EQ(Model->data(Deep, Qt::ToolTipRole).toString().toStdString(), Root + "/beta/deep");
  EXPECT_EQ(Model->parent(Deep), Beta);
  ASSERT_TRUE(WaitForNames(UsbItem, {"photos", "stick"}));
  EXPECT_EQ(Model->ItemPath(Model->index(1, 0, UsbItem)), Usb + "/stick");
}

TEST_F(FolderModelTest, HiddenFoldersOnlyWhenShown) {
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "beta", "media"}));
  EXPECT_FALSE(Model->IndexForPath(Root + "/.hidden").isValid());
  TFolderRoots Roots;
  Roots.FileSystemRoot = Root;
  Model = std::make_unique<TFolderTreeModel>(BuildFolderTree(bkMyComputer, Roots), nullptr, true);
  Tester = std::make_unique<QAbstractItemModelTester>(
      Model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
  RootItem = Model->index(0, 0, Model->index(0, 0));
  ASSERT_TRUE(WaitForNames(RootItem, {".hidden", "alpha", "beta", "media"}));
  EXPECT_EQ(Model->ItemPath(Model->IndexForPath(Root + "/.hidden")), Root + "/.hidden");
}

TEST_F(FolderModelTest, SubFoldersHaveIconsWithoutAnIconTheme) {
  const QString Theme = QIcon::themeName();
  QIcon::setThemeName(QStringLiteral("pagetrim-no-such-theme"));
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "beta", "media"}));
  const QModelIndex Alpha = Model->index(0, 0, RootItem);
  const auto Icon = [&](const QModelIndex& Index) {
    return Model->data(Index, Qt::DecorationRole).value<QIcon>();
  };
  EXPECT_FALSE(Icon(RootItem).isNull());  // a fixed row
  EXPECT_FALSE(Icon(Alpha).isNull());
  EXPECT_FALSE(Icon(Alpha).pixmap(16, 16).isNull());
  QIcon::setThemeName(Theme);
}

TEST_F(FolderModelTest, FindsFoldersBelowTheDeepestItemHoldingThem) {
  const std::string Base = Bytes(Dir.path());
  const struct {
    const char* Path;      // below the temporary folder
    const char* Expected;  // the item's path below it, empty: not in the tree
    bool OnDrive;          // reached through the drive rather than the root
  } Cases[] = {
      {"/root", "/root", false},          {"/root/beta/deep/", "/root/beta/deep", false},
      {"/root/./beta/../alpha", "/root/alpha", false},
      {"/root/media", "/root/media", false}, {"/root/media/usb", "/root/media/usb", true},
      {"/root/media/usb/stick", "/root/media/usb/stick", true},
      {"/root/missing", "", false},       {"/root/.hidden", "", false},
      {"/root/notes.txt", "", false},     {"/rootless", "", false},  {"", "", false},
  };
  for (const auto& C : Cases) {
    const QModelIndex Item = Model->IndexForPath(Base + C.Path);
    ASSERT_EQ(Item.isValid(), *C.Expected != 0) << C.Path;
    if (!Item.isValid()) continue;
    EXPECT_EQ(Model->ItemPath(Item), Base + C.Expected);
    QModelIndex Top = Item;
    while (Model->parent(Top) != Computer) Top = Model->parent(Top);
    EXPECT_EQ(Top, C.OnDrive ? UsbItem : RootItem) << C.Path;
  }
  EXPECT_FALSE(Model->IndexForPath("").isValid());
  // A folder reached by its path before its parent was listed keeps its place.
  const QPersistentModelIndex Kept(Model->IndexForPath(Root + "/beta/deep"));
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "beta", "media"}));
  EXPECT_EQ(Model->ItemPath(Kept), Root + "/beta/deep");
  EXPECT_EQ(Model->parent(Kept).data().toString(), "beta");
}

TEST_F(FolderModelTest, FollowsNewAndRemovedFolders) {
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "beta", "media"}));
  ASSERT_TRUE(WaitForNames(UsbItem, {"photos", "stick"}));
  ASSERT_TRUE(QDir().mkdir(Dir.filePath("root/gamma")));
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "beta", "gamma", "media"}));
  ASSERT_TRUE(QDir(Dir.filePath("root/beta")).removeRecursively());
  ASSERT_TRUE(WaitForNames(RootItem, {"alpha", "gamma", "media"}));
  ASSERT_TRUE(QDir().rmdir(Dir.filePath("root/media/usb/photos")));
  ASSERT_TRUE(WaitForNames(UsbItem, {"stick"}));
  // The drive's own folder goes: the drive item stays, empty.
  ASSERT_TRUE(QDir(Dir.filePath("root/media/usb")).removeRecursively());
  ASSERT_TRUE(WaitForNames(UsbItem, {}));
  EXPECT_EQ(Model->rowCount(Computer), 2);
}

}  // namespace
