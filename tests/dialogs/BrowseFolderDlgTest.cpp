#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

#include "dialogs/BrowseFolderDlg.h"
#include "dialogs/FolderBrowserDialog.h"
#include "QtPrint.h"
#include "dialogs/FolderTree.h"

namespace {

std::string Bytes(const QString& Text) { return QFile::encodeName(Text).toStdString(); }

// ---------------------------------------------------------------------------
// Trimming a chosen path

struct TrimCase {
  const char* Path;
  char Delimiter;
  const char* Trimmed;
};

class TrimFolderPathTest : public testing::TestWithParam<TrimCase> {};

TEST_P(TrimFolderPathTest, Trims) {
  const TrimCase& C = GetParam();
  EXPECT_EQ(TrimFolderPath(C.Path, C.Delimiter), C.Trimmed) << C.Path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, TrimFolderPathTest,
    testing::Values(
        // Linux
        TrimCase{"/", '/', "/"}, TrimCase{"/srv/web/", '/', "/srv/web"},
        TrimCase{"/srv/web", '/', "/srv/web"}, TrimCase{"", '/', ""}, TrimCase{"a/", '/', "a"},
        TrimCase{"//", '/', "/"}, TrimCase{"/srv//", '/', "/srv/"},
        TrimCase{"C:/", '/', "C:"}, TrimCase{"/srv\\", '/', "/srv\\"},
        // Windows
        TrimCase{"C:\\", '\\', "C:\\"}, TrimCase{"c:\\", '\\', "c:\\"},
        TrimCase{"Z:\\", '\\', "Z:\\"}, TrimCase{"C:\\Web\\", '\\', "C:\\Web"},
        TrimCase{"C:\\Web", '\\', "C:\\Web"}, TrimCase{"\\\\server\\share\\", '\\', "\\\\server\\share"},
        TrimCase{"\\", '\\', "\\"}, TrimCase{"1:\\", '\\', "1:"}, TrimCase{"@:\\", '\\', "@:"},
        TrimCase{"[:\\", '\\', "[:"}, TrimCase{"CC\\", '\\', "CC"}, TrimCase{"C:\\\\", '\\', "C:\\"},
        TrimCase{"D:\\Out\\", '\\', "D:\\Out"}, TrimCase{"C:", '\\', "C:"}));

TEST(TrimFolderPathDefault, UsesTheSlashOnLinux) {
  EXPECT_EQ(TrimFolderPath("/"), "/");
  EXPECT_EQ(TrimFolderPath("/srv/web/"), "/srv/web");
  EXPECT_EQ(TrimFolderPath("C:\\Web\\"), "C:\\Web\\");
}

// ---------------------------------------------------------------------------
// Placement on the screen

struct ClampCase {
  const char* Name;
  TRect Rect;
  int Width, Height;
  TRect Clamped;
};

class ClampToScreenTest : public testing::TestWithParam<ClampCase> {};

TEST_P(ClampToScreenTest, Shifts) {
  const ClampCase& C = GetParam();
  EXPECT_EQ(ClampToScreen(C.Rect, C.Width, C.Height), C.Clamped);
}

INSTANTIATE_TEST_SUITE_P(
    Rects, ClampToScreenTest,
    testing::Values(
        ClampCase{"Inside", {10, 20, 110, 220}, 800, 600, {10, 20, 110, 220}},
        ClampCase{"Exact", {0, 0, 800, 600}, 800, 600, {0, 0, 800, 600}},
        ClampCase{"PastRight", {750, 10, 850, 110}, 800, 600, {700, 10, 800, 110}},
        ClampCase{"PastLeft", {-30, 10, 70, 110}, 800, 600, {0, 10, 100, 110}},
        ClampCase{"PastBottom", {10, 550, 110, 650}, 800, 600, {10, 500, 110, 600}},
        ClampCase{"PastTop", {10, -1, 110, 99}, 800, 600, {10, 0, 110, 100}},
        ClampCase{"PastTopLeft", {-5, -7, 95, 93}, 800, 600, {0, 0, 100, 100}},
        // Right first, then left: a rectangle wider than the screen ends at 0.
        ClampCase{"WiderThanScreen", {100, 10, 1100, 110}, 800, 600, {0, 10, 1000, 110}},
        ClampCase{"WiderAtLeft", {-300, 10, 700, 110}, 800, 600, {0, 10, 1000, 110}},
        ClampCase{"TallerThanScreen", {10, 50, 110, 750}, 800, 600, {10, 0, 110, 700}},
        ClampCase{"LargerThanScreen", {5, 5, 1005, 905}, 800, 600, {0, 0, 1000, 900}}),
    [](const testing::TestParamInfo<ClampCase>& Info) { return Info.param.Name; });

struct CenterCase {
  const char* Name;
  TRect Rect;
  int Width, Height;
  TRect Centered;
};

class CenterRectTest : public testing::TestWithParam<CenterCase> {};

TEST_P(CenterRectTest, Centres) {
  const CenterCase& C = GetParam();
  EXPECT_EQ(CenterRect(C.Rect, C.Width, C.Height), C.Centered);
}

INSTANTIATE_TEST_SUITE_P(
    Rects, CenterRectTest,
    testing::Values(
        CenterCase{"Even", {0, 0, 200, 100}, 800, 600, {300, 250, 500, 350}},
        CenterCase{"PositionIgnored", {700, -40, 900, 60}, 800, 600, {300, 250, 500, 350}},
        CenterCase{"OddDifferenceRoundsDown", {0, 0, 201, 101}, 800, 600, {299, 249, 500, 350}},
        CenterCase{"SameSize", {3, 4, 803, 604}, 800, 600, {0, 0, 800, 600}},
        // A difference of -5 halves to -2 (toward zero), which the clamp moves to 0.
        CenterCase{"MinusFive", {0, 0, 805, 605}, 800, 600, {0, 0, 805, 605}},
        CenterCase{"Wider", {0, 0, 1000, 100}, 800, 600, {0, 250, 1000, 350}},
        CenterCase{"Taller", {0, 0, 100, 700}, 800, 600, {350, 0, 450, 700}},
        CenterCase{"Larger", {0, 0, 1920, 1200}, 1024, 768, {0, 0, 1920, 1200}},
        CenterCase{"Empty", {0, 0, 0, 0}, 801, 601, {400, 300, 400, 300}}),
    [](const testing::TestParamInfo<CenterCase>& Info) { return Info.param.Name; });

TEST(HelpButtonRectTest, TakesTheFirstButtonsRow) {
  EXPECT_EQ(HelpButtonRect({170, 380, 245, 410}), (TRect{12, 380, 87, 410}));
  EXPECT_EQ(HelpButtonRect({0, 0, 0, 0}), (TRect{12, 0, 12, 0}));
  EXPECT_EQ(HelpButtonRect({-20, 7, 60, 30}), (TRect{12, 7, 92, 30}));
}

// ---------------------------------------------------------------------------
// Directory test

TEST(DirectoryExistsTest, TellsDirectoriesFromTheRest) {
  QTemporaryDir Dir;
  ASSERT_TRUE(Dir.isValid());
  const std::string Base = Bytes(Dir.path());
  ASSERT_TRUE(QDir().mkdir(Dir.filePath("sub")));
  QFile File(Dir.filePath("file"));
  ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  File.close();
  ASSERT_EQ(::symlink((Base + "/sub").c_str(), (Base + "/link").c_str()), 0);
  ASSERT_EQ(::symlink((Base + "/nowhere").c_str(), (Base + "/dangling").c_str()), 0);
  // A name that is not valid UTF-8 is still a name.
  ASSERT_EQ(::mkdir((Base + "/caf\xe9").c_str(), 0700), 0);

  const struct {
    std::string Path;
    bool Exists;
  } Cases[] = {
      {Base, true},
      {Base + "/", true},
      {Base + "/sub", true},
      {Base + "/sub/", true},
      {Base + "/sub/..", true},
      {Base + "/file", false},
      {Base + "/file/", false},
      {Base + "/missing", false},
      {Base + "/link", true},
      {Base + "/dangling", false},
      {Base + "/caf\xe9", true},
      {Base + std::string("/sub\0/x", 7), false},
      {"", false},
      {"/", true},
  };
  for (const auto& C : Cases) EXPECT_EQ(DirectoryExists(C.Path), C.Exists) << C.Path;
}

// ---------------------------------------------------------------------------
// Help facility

TEST(HelpFacility, CallsTheInstalledHandler) {
  EXPECT_FALSE(ShowHelpContext(5));
  std::vector<THelpContext> Shown;
  SetHelpHandler([&Shown](THelpContext Context) { Shown.push_back(Context); });
  EXPECT_TRUE(ShowHelpContext(5));
  EXPECT_TRUE(ShowHelpContext(-1));
  EXPECT_TRUE(SetHelpHandler(nullptr));
  EXPECT_FALSE(ShowHelpContext(6));
  EXPECT_EQ(Shown, (std::vector<THelpContext>{5, -1}));
}

// ---------------------------------------------------------------------------
// The component

TEST(BrowseFolderDlgTest, StartsWithItsDefaults) {
  QObject Owner;
  auto* Dlg = new TBrowseFolderDlg(&Owner);
  Dlg->setObjectName("BrowseFolderDlg");
  EXPECT_EQ(Dlg->parent(), &Owner);
  EXPECT_EQ(Owner.findChild<TBrowseFolderDlg*>("BrowseFolderDlg"), Dlg);
  EXPECT_EQ(Dlg->BrowseKind(), bkMyComputer);
  EXPECT_EQ(Dlg->Position(), dpScreenCenter);
  EXPECT_EQ(Dlg->HelpContext(), 0);
  EXPECT_EQ(Dlg->DialogText(), "");
  EXPECT_EQ(Dlg->FolderName(), "");
  EXPECT_EQ(Dlg->SelectedFolder(), "");
  EXPECT_EQ(Dlg->ImageIndex(), 0);
  EXPECT_FALSE(Dlg->OnInitialized());
  EXPECT_FALSE(Dlg->OnSelChanged());
  EXPECT_EQ(Dlg->DialogHandle(), nullptr);
  EXPECT_EQ(int(bkDesktop), 0);
  EXPECT_EQ(int(bkMyComputer), 1);
  EXPECT_EQ(int(bkComputers), 2);
  EXPECT_EQ(int(dpDefault), 0);
  EXPECT_EQ(int(dpScreenCenter), 1);
  EXPECT_EQ(sizeof(TBrowseKind), 1u);
  EXPECT_EQ(sizeof(TDialogPosition), 1u);
}

class ExecuteTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    for (const char* Sub : {"site/web", "site/web/img", "other"})
      ASSERT_TRUE(QDir().mkpath(Dir.filePath(Sub)));
    Site = Bytes(Dir.filePath("site"));
    Web = Bytes(Dir.filePath("site/web"));
    Other = Bytes(Dir.filePath("other"));
  }

  // Runs Execute while Script drives the open dialog; Script has to close
  // it. A dialog left open is cancelled after a while, and the test fails.
  bool Run(const std::function<void(TFolderBrowserDialog*)>& Script) {
    bool Ran = false;
    QTimer::singleShot(0, [&] {
      Ran = true;
      TFolderBrowserDialog* Dialog = Dlg.DialogHandle();
      if (!Dialog) return ADD_FAILURE() << "no dialog open";
      EXPECT_TRUE(Dialog->isVisible());
      Script(Dialog);
    });
    QTimer Guard;
    Guard.setSingleShot(true);
    QObject::connect(&Guard, &QTimer::timeout, [&] {
      if (TFolderBrowserDialog* Dialog = Dlg.DialogHandle()) {
        ADD_FAILURE() << "the dialog was left open";
        Dialog->reject();
      }
    });
    Guard.start(10000);
    const bool Result = Dlg.Execute();
    EXPECT_TRUE(Ran);
    EXPECT_EQ(Dlg.DialogHandle(), nullptr);
    return Result;
  }

  static std::string Current(TFolderBrowserDialog* Dialog) {
    return Dialog->Model()->ItemPath(Dialog->CurrentItem());
  }

  QTemporaryDir Dir;
  std::string Site, Web, Other;
  TBrowseFolderDlg Dlg;
};

TEST_F(ExecuteTest, PreselectsAndConfirmsAnExistingFolder) {
  Dlg.SetFolderName(Web + "/");
  const bool Confirmed = Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Current(Dialog), Web);
    EXPECT_TRUE(Dialog->OKButton()->isEnabled());
    EXPECT_EQ(Dlg.SelectedFolder(), Web);
    EXPECT_EQ(Dialog->Tree()->currentIndex(), Dialog->CurrentItem());
    QTest::mouseClick(Dialog->OKButton(), Qt::LeftButton);
  });
  EXPECT_TRUE(Confirmed);
  EXPECT_EQ(Dlg.FolderName(), Web);
  EXPECT_EQ(Dlg.SelectedFolder(), Web);
  EXPECT_EQ(Dlg.ImageIndex(), int(QAbstractFileIconProvider::Folder));
}

TEST_F(ExecuteTest, PreselectedFolderStaysInViewWhileTheTreeFills) {
  Dlg.SetFolderName(Web + "/img");
  Run([&](TFolderBrowserDialog* Dialog) {
    QTreeView* Tree = Dialog->Tree();
    const auto InView = [Tree] {
      const QRect Item = Tree->visualRect(Tree->currentIndex());
      return Item.isValid() && Item.top() >= 0 && Item.bottom() < Tree->viewport()->height();
    };
    // Let the folders above it be listed and sorted.
    QTest::qWait(700);
    EXPECT_TRUE(InView());
    EXPECT_EQ(Current(Dialog), Web + "/img");
    Dialog->reject();
  });
}

TEST_F(ExecuteTest, ConfirmsTheRootWithItsSlash) {
  Dlg.SetFolderName("/");
  ASSERT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Current(Dialog), "/");
    Dialog->OKButton()->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), "/");
  EXPECT_EQ(Dlg.ImageIndex(), int(QAbstractFileIconProvider::Drive));
}

TEST_F(ExecuteTest, MissingFolderIsNotPreselectedAndCannotBeConfirmed) {
  Dlg.SetFolderName(Site + "/missing");
  const bool Confirmed = Run([&](TFolderBrowserDialog* Dialog) {
    // The tree starts at its top item, which has no path.
    EXPECT_EQ(Dialog->CurrentItem(), Dialog->Model()->index(0, 0));
    EXPECT_EQ(Dlg.SelectedFolder(), "");
    EXPECT_FALSE(Dialog->OKButton()->isEnabled());
    QTest::mouseClick(Dialog->OKButton(), Qt::LeftButton);
    Dialog->accept();
    QTest::keyClick(Dialog->Tree(), Qt::Key_Return);
    EXPECT_TRUE(Dialog->isVisible());
    Dialog->CancelButton()->click();
  });
  EXPECT_FALSE(Confirmed);
  EXPECT_EQ(Dlg.FolderName(), Site + "/missing");
}

TEST_F(ExecuteTest, EmptyFolderNameKeepsTheTopItem) {
  std::vector<std::string> Events;
  Dlg.SetOnInitialized([&](QObject* Sender) {
    EXPECT_EQ(Sender, &Dlg);
    Events.push_back("init");
  });
  Dlg.SetOnSelChanged([&](QObject* Sender) {
    EXPECT_EQ(Sender, &Dlg);
    Events.push_back("sel:" + Dlg.SelectedFolder());
  });
  EXPECT_FALSE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dialog->CurrentItem().data().toString(), "Computer");
    Dialog->reject();
  }));
  EXPECT_EQ(Events, (std::vector<std::string>{"init", "sel:"}));
}

TEST_F(ExecuteTest, PreselectionComesBeforeTheInitializedEvent) {
  std::vector<std::string> Events;
  Dlg.SetFolderName(Web);
  Dlg.SetOnInitialized([&](QObject*) { Events.push_back("init"); });
  Dlg.SetOnSelChanged([&](QObject*) { Events.push_back("sel:" + Dlg.SelectedFolder()); });
  EXPECT_FALSE(Run([&](TFolderBrowserDialog* Dialog) { Dialog->reject(); }));
  EXPECT_EQ(Events, (std::vector<std::string>{"sel:" + Web, "init"}));
}

TEST_F(ExecuteTest, SelectionFollowsEveryChangeAndCancelKeepsFolderName) {
  Dlg.SetFolderName(Site);
  int Changes = 0;
  Dlg.SetOnSelChanged([&](QObject*) { ++Changes; });
  const bool Confirmed = Run([&](TFolderBrowserDialog* Dialog) {
    TFolderTreeModel* Model = Dialog->Model();
    struct Step {
      QModelIndex Item;
      std::string Selected;
      bool Enabled;
    } Steps[] = {
        {Model->IndexForPath(Web), Web, true},
        {Model->index(0, 0), "", false},
        {Model->IndexForPath(Other), Other, true},
        {Model->IndexForPath(Web + "/img"), Web + "/img", true},
    };
    for (const Step& S : Steps) {
      ASSERT_TRUE(S.Item.isValid());
      Dialog->SelectItem(S.Item);
      EXPECT_EQ(Dlg.SelectedFolder(), S.Selected);
      EXPECT_EQ(Dialog->OKButton()->isEnabled(), S.Enabled);
    }
    QTest::keyClick(Dialog, Qt::Key_Escape);
  });
  EXPECT_FALSE(Confirmed);
  EXPECT_EQ(Changes, 5);  // the preselection and the four steps
  EXPECT_EQ(Dlg.FolderName(), Site);
  EXPECT_EQ(Dlg.SelectedFolder(), Web + "/img");
  EXPECT_EQ(Dlg.ImageIndex(), 0);
}

TEST_F(ExecuteTest, FolderRemovedWhileSelectedDisablesOKOnTheNextChange) {
  Dlg.SetFolderName(Other);
  EXPECT_FALSE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_TRUE(Dialog->OKButton()->isEnabled());
    const QModelIndex Item = Dialog->CurrentItem();
    ASSERT_TRUE(QDir(QFile::decodeName(QByteArray::fromStdString(Other))).removeRecursively());
    // Selecting the (stale) item again re-checks the directory.
    Dialog->SelectItem(Dialog->Model()->index(0, 0));
    if (Item.isValid()) Dialog->SelectItem(Item);
    EXPECT_FALSE(Dialog->OKButton()->isEnabled());
    Dialog->reject();
  }));
}

TEST_F(ExecuteTest, EnterConfirmsWhenOKIsEnabled) {
  Dlg.SetFolderName(Other);
  EXPECT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    QTest::keyClick(Dialog->Tree(), Qt::Key_Return);
  }));
  EXPECT_EQ(Dlg.FolderName(), Other);
}

TEST_F(ExecuteTest, SecondRunPreselectsTheFirstChoice) {
  ASSERT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    Dialog->SelectItem(Dialog->Model()->IndexForPath(Web));
    Dialog->OKButton()->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), Web);
  ASSERT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Current(Dialog), Web);
    Dialog->SelectItem(Dialog->Model()->IndexForPath(Other));
    Dialog->OKButton()->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), Other);
  EXPECT_EQ(Dlg.SelectedFolder(), Other);
}

TEST_F(ExecuteTest, ShowsTheDialogTextOrNone) {
  Dlg.SetDialogText("Destination path:");
  Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dialog->TextLabel()->text(), "Destination path:");
    EXPECT_TRUE(Dialog->TextLabel()->isVisible());
    EXPECT_EQ(Dialog->windowTitle(), "Browse for Folder");
    EXPECT_TRUE(Dialog->isModal());
    Dialog->reject();
  });
  Dlg.SetDialogText("");
  Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_TRUE(Dialog->TextLabel()->text().isNull());
    EXPECT_FALSE(Dialog->TextLabel()->isVisible());
    Dialog->reject();
  });
}

TEST_F(ExecuteTest, NoHelpButtonWithoutHelpContext) {
  Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dlg.HelpButton(), nullptr);
    for (QPushButton* Button : Dialog->findChildren<QPushButton*>())
      EXPECT_NE(Button->text(), "&Help");
    Dialog->reject();
  });
}

TEST_F(ExecuteTest, HelpButtonSitsBesideTheFirstButtonAndKeepsTheDialogOpen) {
  std::vector<THelpContext> Shown;
  SetHelpHandler([&Shown](THelpContext Context) { Shown.push_back(Context); });
  Dlg.SetHelpContext(42);
  Run([&](TFolderBrowserDialog* Dialog) {
    QPushButton* Help = Dlg.HelpButton();
    ASSERT_NE(Help, nullptr);
    EXPECT_EQ(Help->text(), "&Help");
    EXPECT_EQ(Help->parentWidget(), Dialog);
    EXPECT_TRUE(Help->isVisible());
    EXPECT_FALSE(Help->isDefault());
    const auto Expected = [Dialog](QPushButton* First) {
      const QPoint At = First->mapTo(Dialog, QPoint(0, 0));
      return QRect(12, At.y(), First->width(), First->height());
    };
    EXPECT_EQ(Dialog->findChildren<QPushButton*>().first(), Dialog->OKButton());
    EXPECT_EQ(Help->geometry(), Expected(Dialog->OKButton()));
    // It stays clear of OK and Cancel.
    EXPECT_FALSE(Help->geometry().intersects(Dialog->OKButton()->geometry()));

    QTest::mouseClick(Help, Qt::LeftButton);
    QTest::mouseClick(Help, Qt::LeftButton);
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_EQ(Shown, (std::vector<THelpContext>{42, 42}));

    Dialog->resize(Dialog->width() + 100, Dialog->height() + 60);
    QApplication::processEvents();
    EXPECT_EQ(Help->geometry(), Expected(Dialog->OKButton()));
    Dialog->reject();
  });
  SetHelpHandler(nullptr);
}

TEST_F(ExecuteTest, CentresOnThePrimaryScreen) {
  Run([&](TFolderBrowserDialog* Dialog) {
    const QRect Screen = QGuiApplication::primaryScreen()->geometry();
    const QRect Frame = Dialog->frameGeometry();
    const TRect Expected = CenterRect({0, 0, Frame.width(), Frame.height()}, Screen.width(),
                                      Screen.height());
    EXPECT_EQ(Frame.topLeft(), Screen.topLeft() + QPoint(Expected.Left, Expected.Top));
    Dialog->reject();
  });
}

TEST_F(ExecuteTest, DefaultPositionIsTheToolkits) {
  // The toolkit places a dialog over its parent; centring on the screen
  // would put it elsewhere.
  QWidget Main;
  Main.setGeometry(0, 0, 120, 90);
  Main.show();
  QApplication::setActiveWindow(&Main);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Main));
  Dlg.SetPosition(dpDefault);
  Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dialog->parentWidget(), &Main);
    const QRect Screen = QGuiApplication::primaryScreen()->geometry();
    const QRect Frame = Dialog->frameGeometry();
    const TRect Centred = CenterRect({0, 0, Frame.width(), Frame.height()}, Screen.width(),
                                     Screen.height());
    EXPECT_NE(Frame.topLeft(), QPoint(Centred.Left, Centred.Top));
    Dialog->reject();
  });
  EXPECT_TRUE(QTest::qWaitForWindowActive(&Main));
  EXPECT_EQ(QApplication::activeWindow(), &Main);
}

TEST_F(ExecuteTest, DesktopWithoutItsFolderCannotBeConfirmed) {
  // A home without a Desktop folder: the top item has a path, but no folder.
  const QByteArray OldHome = qgetenv("HOME"), OldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", QFile::encodeName(Dir.filePath("site")));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(Dir.filePath("site/config")));
  Dlg.SetBrowseKind(bkDesktop);
  Run([&](TFolderBrowserDialog* Dialog) {
    const QModelIndex Top = Dialog->Model()->index(0, 0);
    EXPECT_EQ(Top.data().toString(), "Desktop");
    EXPECT_EQ(Dialog->CurrentItem(), Top);
    EXPECT_EQ(Dlg.SelectedFolder(), Site + "/Desktop");
    EXPECT_FALSE(Dialog->OKButton()->isEnabled());
    // Home comes next, and holds the site's folders.
    const QModelIndex Home = Dialog->Model()->index(0, 0, Top);
    EXPECT_EQ(Home.data().toString(), "Home");
    Dialog->SelectItem(Home);
    EXPECT_EQ(Dlg.SelectedFolder(), Site);
    EXPECT_TRUE(Dialog->OKButton()->isEnabled());
    Dialog->SelectItem(Dialog->Model()->IndexForPath(Web));
    EXPECT_EQ(Dlg.SelectedFolder(), Web);
    Dialog->reject();
  });
  qputenv("HOME", OldHome);
  if (OldConfig.isNull())
    qunsetenv("XDG_CONFIG_HOME");
  else
    qputenv("XDG_CONFIG_HOME", OldConfig);
}

TEST_F(ExecuteTest, DesktopFolderIsTheTopOfTheTree) {
  const QByteArray OldHome = qgetenv("HOME"), OldConfig = qgetenv("XDG_CONFIG_HOME");
  ASSERT_TRUE(QDir().mkpath(Dir.filePath("site/Desktop/drafts")));
  qputenv("HOME", QFile::encodeName(Dir.filePath("site")));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(Dir.filePath("site/config")));
  Dlg.SetBrowseKind(bkDesktop);
  Dlg.SetFolderName(Site + "/Desktop/drafts");
  EXPECT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dlg.SelectedFolder(), Site + "/Desktop/drafts");
    EXPECT_EQ(Dialog->CurrentItem().parent(), Dialog->Model()->index(0, 0));
    Dialog->OKButton()->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), Site + "/Desktop/drafts");
  qputenv("HOME", OldHome);
  if (OldConfig.isNull())
    qunsetenv("XDG_CONFIG_HOME");
  else
    qputenv("XDG_CONFIG_HOME", OldConfig);
}

TEST_F(ExecuteTest, ComputersYieldTheChosenName) {
  const std::string Host = Bytes(QSysInfo::machineHostName());
  ASSERT_FALSE(Host.empty());
  Dlg.SetBrowseKind(bkComputers);
  const bool Confirmed = Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dialog->windowTitle(), "Browse for Computer");
    // Nothing matches the empty name: the network item stays current.
    EXPECT_EQ(Dialog->CurrentItem().data().toString(), "Network");
    EXPECT_EQ(Dlg.SelectedFolder(), "");
    EXPECT_FALSE(Dialog->OKButton()->isEnabled());
    Dialog->SelectItem(Dialog->Model()->IndexForComputer(QString::fromStdString(Host)));
    EXPECT_EQ(Dlg.SelectedFolder(), Host);
    EXPECT_TRUE(Dialog->OKButton()->isEnabled());
    Dialog->OKButton()->click();
  });
  EXPECT_TRUE(Confirmed);
  EXPECT_EQ(Dlg.FolderName(), Host);
  EXPECT_EQ(Dlg.SelectedFolder(), Host);
  EXPECT_EQ(Dlg.ImageIndex(), int(QAbstractFileIconProvider::Computer));
}

TEST_F(ExecuteTest, ComputersAreAlwaysPreselected) {
  const QString Host = QSysInfo::machineHostName();
  Dlg.SetBrowseKind(bkComputers);
  Dlg.SetFolderName(Bytes(Host.toUpper()));
  EXPECT_FALSE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dialog->CurrentItem().data().toString(), Host);
    EXPECT_EQ(Dlg.SelectedFolder(), Bytes(Host));
    Dialog->reject();
  }));
  EXPECT_EQ(Dlg.FolderName(), Bytes(Host.toUpper()));
}

}  // namespace
