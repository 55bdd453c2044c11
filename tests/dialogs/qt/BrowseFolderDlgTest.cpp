#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "QtPrint.h"
#include "dialogs/BrowseFolderDlg.h"
#include "dialogs/FolderBrowserDialog.h"
#include "dialogs/FolderTree.h"

namespace {

std::string Bytes(const QString& Text) { return QFile::encodeName(Text).toStdString(); }

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
  EXPECT_EQ(TrimFolderPath("/srv/web/"), "/srv/web");  // the platform's delimiter
  EXPECT_EQ(TrimFolderPath("C:\\Web\\"), "C:\\Web\\");
}

TEST(PlacementTest, ClampsRightLeftBottomTopInThatOrder) {
  const struct {
    TRect Rect, Clamped;
  } Cases[] = {
      {{10, 20, 110, 220}, {10, 20, 110, 220}},    {{750, 10, 850, 110}, {700, 10, 800, 110}},
      {{-30, -7, 70, 93}, {0, 0, 100, 100}},       {{10, 550, 110, 650}, {10, 500, 110, 600}},
      {{100, 10, 1100, 110}, {0, 10, 1000, 110}},  {{-300, 10, 700, 110}, {0, 10, 1000, 110}},
      {{10, 50, 110, 750}, {10, 0, 110, 700}},
  };
  for (const auto& C : Cases) EXPECT_EQ(ClampToScreen(C.Rect, 800, 600), C.Clamped) << C.Rect.Left;
}

TEST(PlacementTest, CentresHalvingTowardZero) {
  const struct {
    TRect Rect;
    int Width, Height;
    TRect Centred;
  } Cases[] = {
      {{700, -40, 900, 60}, 800, 600, {300, 250, 500, 350}},
      {{0, 0, 201, 101}, 800, 600, {299, 249, 500, 350}},
      // -5 halves to -2, which the clamp moves to 0.
      {{0, 0, 805, 605}, 800, 600, {0, 0, 805, 605}},
      {{0, 0, 1000, 100}, 800, 600, {0, 250, 1000, 350}},
      {{0, 0, 100, 700}, 800, 600, {350, 0, 450, 700}},
      {{0, 0, 0, 0}, 801, 601, {400, 300, 400, 300}},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(CenterRect(C.Rect, C.Width, C.Height), C.Centred) << C.Rect.Right;
  EXPECT_EQ(HelpButtonRect({170, 380, 245, 410}), (TRect{12, 380, 87, 410}));
}

TEST(DirectoryExistsTest, TellsDirectoriesFromTheRest) {
  QTemporaryDir Dir;
  const std::string Base = Bytes(Dir.path());
  ASSERT_EQ(::mkdir((Base + "/sub").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((Base + "/caf\xe9").c_str(), 0700), 0);  // not UTF-8, still a name
  ASSERT_EQ(::symlink((Base + "/sub").c_str(), (Base + "/link").c_str()), 0);
  ASSERT_EQ(::symlink((Base + "/none").c_str(), (Base + "/dangling").c_str()), 0);
  QFile File(Dir.filePath("file"));
  ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  const std::pair<std::string, bool> Cases[] = {
      {Base + "/sub/", true},  {Base + "/caf\xe9", true},   {Base + "/link", true},
      {"/", true},             {Base + "/file", false},     {Base + "/missing", false},
      {Base + "/dangling", false}, {"", false},              {Base + std::string("/sub\0x", 6), false}};
  for (const auto& [Path, Exists] : Cases) EXPECT_EQ(DirectoryExists(Path), Exists) << Path;
}

TEST(BrowseFolderDlgTest, StartsWithItsDefaults) {
  QObject Owner;
  auto* Dlg = new TBrowseFolderDlg(&Owner);
  EXPECT_EQ(Dlg->parent(), &Owner);
  EXPECT_EQ(Dlg->BrowseKind(), bkMyComputer);
  EXPECT_EQ(Dlg->Position(), dpScreenCenter);
  EXPECT_EQ(Dlg->HelpContext(), 0);
  EXPECT_EQ(Dlg->FolderName() + Dlg->DialogText() + Dlg->SelectedFolder(), "");
  EXPECT_EQ(Dlg->DialogHandle(), nullptr);
  EXPECT_EQ(int(bkDesktop) + 10 * int(bkComputers) + 100 * int(dpScreenCenter), 120);
  EXPECT_EQ(sizeof(TBrowseKind) + sizeof(TDialogPosition), 2u);
  EXPECT_EQ(BrowseFlags(bkDesktop), 0x0009u);
  EXPECT_EQ(BrowseFlags(bkMyComputer), 0x0009u);
  EXPECT_EQ(BrowseFlags(bkComputers), 0x1000u);
}

class ExecuteTest : public testing::Test {
protected:
  void SetUp() override {
    for (const char* Sub : {"site/web/img", "other"}) ASSERT_TRUE(QDir().mkpath(Dir.filePath(Sub)));
    Site = Bytes(Dir.filePath("site"));
    Web = Site + "/web";
    Other = Bytes(Dir.filePath("other"));
  }

  // Runs Execute while Script drives the open dialog; Script has to close
  // it. A dialog left open is cancelled after a while, and the test fails.
  bool Run(const std::function<void(TFolderBrowserDialog*)>& Script) {
    QTimer::singleShot(0, [&] {
      ASSERT_TRUE(Dlg.DialogHandle() && Dlg.DialogHandle()->isVisible());
      Script(Dlg.DialogHandle());
    });
    QTimer Guard;
    QObject::connect(&Guard, &QTimer::timeout, [&] {
      ADD_FAILURE() << "the dialog was left open";
      if (Dlg.DialogHandle()) Dlg.DialogHandle()->reject();
    });
    Guard.start(10000);
    const bool Result = Dlg.Execute();
    EXPECT_EQ(Dlg.DialogHandle(), nullptr);
    return Result;
  }

  static std::string Current(TFolderBrowserDialog* Dialog) {
    return Dialog->Model()->ItemPath(Dialog->CurrentItem());
  }
  static QModelIndex Item(TFolderBrowserDialog* Dialog, const std::string& Path) {
    return Dialog->Model()->IndexForPath(Path);
  }

  QTemporaryDir Dir;
  std::string Site, Web, Other;
  TBrowseFolderDlg Dlg;
};

TEST_F(ExecuteTest, PreselectsAnExistingFolderAndConfirmsIt) {
  Dlg.SetFolderName(Web + "/");
  Dlg.SetDialogText("Destination path:");
  EXPECT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dialog->TextLabel()->text(), "Destination path:");
    EXPECT_EQ(Dialog->windowTitle(), "Browse for Folder");
    EXPECT_TRUE(Dialog->TextLabel()->isVisible() && Dialog->isModal());
    EXPECT_EQ(Current(Dialog), Web);
    EXPECT_EQ(Dlg.SelectedFolder(), Web);
    EXPECT_TRUE(Dialog->OKButton()->isEnabled());
    QTest::keyClick(Dialog->Tree(), Qt::Key_Return);
  }));
  EXPECT_EQ(Dlg.FolderName(), Web);
  EXPECT_EQ(Dlg.SelectedFolder(), Web);
  EXPECT_EQ(Dlg.ImageIndex(), int(QAbstractFileIconProvider::Folder));
  // The next run starts at the folder chosen; no text, no line for it.
  Dlg.SetDialogText("");
  EXPECT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Current(Dialog), Web);
    EXPECT_TRUE(Dialog->TextLabel()->text().isNull() && !Dialog->TextLabel()->isVisible());
    Dialog->SelectItem(Dialog->Model()->index(0, 0, Dialog->Model()->index(0, 0)));
    Dialog->OKButton()->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), "/");
  EXPECT_EQ(Dlg.ImageIndex(), int(QAbstractFileIconProvider::Drive));
}

TEST_F(ExecuteTest, MissingFolderIsNotPreselectedAndCannotBeConfirmed) {
  Dlg.SetFolderName(Site + "/missing");
  EXPECT_FALSE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dialog->CurrentItem().data().toString(), "Computer");
    EXPECT_EQ(Dlg.SelectedFolder(), "");
    EXPECT_FALSE(Dialog->OKButton()->isEnabled());
    QTest::mouseClick(Dialog->OKButton(), Qt::LeftButton);
    QTest::keyClick(Dialog->Tree(), Qt::Key_Return);
    Dialog->accept();
    EXPECT_TRUE(Dialog->isVisible());
    Dialog->CancelButton()->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), Site + "/missing");
}

TEST_F(ExecuteTest, EventsComeAfterThePreselectionOrBeforeTheFirstSelection) {
  std::vector<std::string> Events;
  Dlg.SetOnInitialized([&](QObject* Sender) { Events.push_back(Sender == &Dlg ? "init" : "?"); });
  Dlg.SetOnSelChanged([&](QObject* Sender) {
    Events.push_back(Sender == &Dlg ? "sel:" + Dlg.SelectedFolder() : "?");
  });
  for (const std::string& Folder : {std::string(), Other}) {
    Dlg.SetFolderName(Folder);
    EXPECT_FALSE(Run([](TFolderBrowserDialog* Dialog) { Dialog->reject(); }));
  }
  EXPECT_EQ(Events, (std::vector<std::string>{"init", "sel:", "sel:" + Other, "init"}));
}

TEST_F(ExecuteTest, SelectedFolderFollowsEveryChangeAndCancelKeepsFolderName) {
  Dlg.SetFolderName(Site);
  EXPECT_FALSE(Run([&](TFolderBrowserDialog* Dialog) {
    const QModelIndex OtherItem = Item(Dialog, Other);
    const struct {
      QModelIndex Item;
      std::string Selected;
      bool Enabled;
    } Steps[] = {{Item(Dialog, Web), Web, true},
                 {Dialog->Model()->index(0, 0), "", false},
                 {OtherItem, Other, true},
                 {Item(Dialog, Web + "/img"), Web + "/img", true}};
    for (const auto& S : Steps) {
      Dialog->SelectItem(S.Item);
      EXPECT_EQ(Dlg.SelectedFolder(), S.Selected);
      EXPECT_EQ(Dialog->OKButton()->isEnabled(), S.Enabled) << S.Selected;
    }
    // A folder gone by the time it is selected cannot be confirmed.
    ASSERT_TRUE(QDir(Dir.filePath("other")).removeRecursively());
    Dialog->SelectItem(OtherItem);
    EXPECT_EQ(Dlg.SelectedFolder(), Other);
    EXPECT_FALSE(Dialog->OKButton()->isEnabled());
    Dialog->SelectItem(Item(Dialog, Web + "/img"));
    QTest::keyClick(Dialog, Qt::Key_Escape);
  }));
  EXPECT_EQ(Dlg.FolderName(), Site);
  EXPECT_EQ(Dlg.SelectedFolder(), Web + "/img");
  EXPECT_EQ(Dlg.ImageIndex(), 0);
}

TEST_F(ExecuteTest, PreselectedFolderStaysInViewWhileTheTreeFills) {
  Dlg.SetFolderName(Web + "/img");
  Run([&](TFolderBrowserDialog* Dialog) {
    QTest::qWait(700);  // the folders above it are listed and sorted meanwhile
    const QRect Shown = Dialog->Tree()->visualRect(Dialog->CurrentItem());
    EXPECT_TRUE(Shown.top() >= 0 && Shown.bottom() < Dialog->Tree()->viewport()->height());
    Dialog->reject();
  });
}

TEST_F(ExecuteTest, HelpButtonOnlyWithHelpContext) {
  std::vector<THelpContext> Shown;
  EXPECT_FALSE(ShowHelpContext(3));  // no help facility installed
  SetHelpHandler([&Shown](THelpContext Context) { Shown.push_back(Context); });
  Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dlg.HelpButton(), nullptr);
    EXPECT_EQ(Dialog->findChildren<QPushButton*>().size(), 2);
    Dialog->reject();
  });
  Dlg.SetHelpContext(42);
  Run([&](TFolderBrowserDialog* Dialog) {
    QPushButton* Help = Dlg.HelpButton();
    ASSERT_TRUE(Help && Help->isVisible());
    EXPECT_EQ(Help->text(), "&Help");
    EXPECT_FALSE(Help->isDefault());
    QPushButton* First = Dialog->findChildren<QPushButton*>().first();
    const auto Expected = [&] {
      return QRect(12, First->mapTo(Dialog, QPoint()).y(), First->width(), First->height());
    };
    EXPECT_EQ(Help->geometry(), Expected());
    EXPECT_FALSE(Help->geometry().intersects(First->geometry()));
    QTest::mouseClick(Help, Qt::LeftButton);
    QTest::mouseClick(Help, Qt::LeftButton);
    EXPECT_TRUE(Dialog->isVisible());
    Dialog->resize(Dialog->width() + 100, Dialog->height() + 60);
    QApplication::processEvents();
    EXPECT_EQ(Help->geometry(), Expected());
    Dialog->reject();
  });
  EXPECT_EQ(Shown, (std::vector<THelpContext>{42, 42}));
  SetHelpHandler(nullptr);
}

TEST_F(ExecuteTest, CentresOnThePrimaryScreenOrLeavesItToTheToolkit) {
  // The toolkit places a dialog over its parent, here a window in a corner.
  QWidget Main;
  Main.setGeometry(0, 0, 120, 90);
  Main.show();
  QApplication::setActiveWindow(&Main);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Main));
  for (const TDialogPosition Position : {dpScreenCenter, dpDefault}) {
    Dlg.SetPosition(Position);
    Run([&](TFolderBrowserDialog* Dialog) {
      EXPECT_EQ(Dialog->parentWidget(), &Main);
      const QRect Screen = QGuiApplication::primaryScreen()->geometry();
      const QRect Frame = Dialog->frameGeometry();
      const TRect Centred = CenterRect({0, 0, Frame.width(), Frame.height()}, Screen.width(),
                                       Screen.height());
      EXPECT_EQ(Frame.topLeft() == QPoint(Centred.Left, Centred.Top), Position == dpScreenCenter);
      Dialog->reject();
    });
    EXPECT_TRUE(QTest::qWaitForWindowActive(&Main));  // the owner is active again
  }
}

TEST_F(ExecuteTest, DesktopKindStartsAtTheDesktopFolder) {
  // A home without a Desktop folder: the top item has a path but no folder.
  const QByteArray OldHome = qgetenv("HOME"), OldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", QFile::encodeName(Dir.filePath("site")));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(Dir.filePath("site/config")));
  Dlg.SetBrowseKind(bkDesktop);
  EXPECT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    const QModelIndex Top = Dialog->Model()->index(0, 0);
    EXPECT_EQ(Top.data().toString(), "Desktop");
    EXPECT_EQ(Dialog->CurrentItem(), Top);
    EXPECT_EQ(Dlg.SelectedFolder(), Site + "/Desktop");
    EXPECT_FALSE(Dialog->OKButton()->isEnabled());
    Dialog->SelectItem(Item(Dialog, Web));
    EXPECT_EQ(Dialog->CurrentItem().parent().data().toString(), "Home");
    Dialog->OKButton()->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), Web);
  qputenv("HOME", OldHome);
  OldConfig.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", OldConfig);
}

TEST_F(ExecuteTest, ComputersAreAlwaysPreselectedAndYieldTheirName) {
  const QString Host = QSysInfo::machineHostName();
  ASSERT_FALSE(Host.isEmpty());
  Dlg.SetBrowseKind(bkComputers);
  Dlg.SetFolderName(Bytes(Host.toUpper()));
  EXPECT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dialog->windowTitle(), "Browse for Computer");
    EXPECT_EQ(Dlg.SelectedFolder(), Bytes(Host));
    Dialog->SelectItem(Dialog->Model()->index(0, 0));  // the network holds no name
    EXPECT_EQ(Dlg.SelectedFolder(), "");
    EXPECT_FALSE(Dialog->OKButton()->isEnabled());
    Dialog->SelectItem(Dialog->Model()->IndexForComputer(Host));
    EXPECT_TRUE(Dialog->OKButton()->isEnabled());
    Dialog->OKButton()->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), Bytes(Host));
  EXPECT_EQ(Dlg.SelectedFolder(), Bytes(Host));
  EXPECT_EQ(Dlg.ImageIndex(), int(QAbstractFileIconProvider::Computer));
}

}  // namespace
