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
#include <QCheckBox>
#include <QHeaderView>
#include <QScrollBar>

#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "support/qt/QtPrint.h"
#include "dialogs/qt/BrowseFolderDlg.h"
#include "dialogs/qt/FolderBrowserDialog.h"
#include "dialogs/qt/FolderTree.h"
#include "support/ScopedEnv.h"
#include "support/ScopedHandler.h"

namespace {

std::string Bytes(const QString& Text) { return QFile::encodeName(Text).toStdString(); }

TEST(BrowseFolderDlgTest, StartsWithItsDefaults) {
  QObject Owner;
  auto* Dlg = new TBrowseFolderDlg(&Owner);
  EXPECT_EQ(Dlg->parent(), &Owner);
  EXPECT_EQ(Dlg->BrowseKind(), bkMyComputer);
  EXPECT_EQ(Dlg->Position(), dpScreenCenter);
  EXPECT_EQ(Dlg->HelpContext(), 0);
  EXPECT_EQ(Dlg->FolderName() + Dlg->DialogText() + Dlg->SelectedFolder(), "");
  EXPECT_EQ(Dlg->DialogHandle(), nullptr);
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
    EXPECT_EQ(Dialog->Controls().Text->text(), "Destination path:");
    EXPECT_EQ(Dialog->windowTitle(), "Browse for Folder");
    EXPECT_TRUE(Dialog->Controls().Text->isVisible() && Dialog->isModal());
    EXPECT_EQ(Current(Dialog), Web);
    EXPECT_EQ(Dlg.SelectedFolder(), Web);
    EXPECT_TRUE(Dialog->Controls().OK->isEnabled());
    QTest::keyClick(Dialog->Controls().Tree, Qt::Key_Return);
  }));
  EXPECT_EQ(Dlg.FolderName(), Web);
  EXPECT_EQ(Dlg.SelectedFolder(), Web);
  EXPECT_EQ(Dlg.ImageIndex(), int(QAbstractFileIconProvider::Folder));
  // The next run starts at the folder chosen; no text, no line for it.
  Dlg.SetDialogText("");
  EXPECT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Current(Dialog), Web);
    EXPECT_TRUE(Dialog->Controls().Text->text().isNull() && !Dialog->Controls().Text->isVisible());
    Dialog->SelectItem(Dialog->Model()->index(0, 0, Dialog->Model()->index(0, 0)));
    Dialog->Controls().OK->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), "/");
  EXPECT_EQ(Dlg.ImageIndex(), int(QAbstractFileIconProvider::Drive));
}

TEST_F(ExecuteTest, MissingFolderIsNotPreselectedAndCannotBeConfirmed) {
  Dlg.SetFolderName(Site + "/missing");
  EXPECT_FALSE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Dialog->CurrentItem().data().toString(), "Computer");
    EXPECT_EQ(Dlg.SelectedFolder(), "");
    EXPECT_FALSE(Dialog->Controls().OK->isEnabled());
    QTest::mouseClick(Dialog->Controls().OK, Qt::LeftButton);
    QTest::keyClick(Dialog->Controls().Tree, Qt::Key_Return);
    Dialog->accept();
    EXPECT_TRUE(Dialog->isVisible());
    Dialog->Controls().Cancel->click();
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
      EXPECT_EQ(Dialog->Controls().OK->isEnabled(), S.Enabled) << S.Selected;
    }
    // A folder gone by the time it is selected cannot be confirmed.
    ASSERT_TRUE(QDir(Dir.filePath("other")).removeRecursively());
    Dialog->SelectItem(OtherItem);
    EXPECT_EQ(Dlg.SelectedFolder(), Other);
    EXPECT_FALSE(Dialog->Controls().OK->isEnabled());
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
    const QRect Shown = Dialog->Controls().Tree->visualRect(Dialog->CurrentItem());
    EXPECT_TRUE(Shown.top() >= 0 && Shown.bottom() < Dialog->Controls().Tree->viewport()->height());
    Dialog->reject();
  });
}

TEST_F(ExecuteTest, NamesStartAtTheLeftEdgeWhateverTheirLength) {
  // A deep folder with long names: the column is far wider than the tree.
  std::string Deep = Site;
  for (const char* Name : {"a-folder-with-a-name-long-enough-to-leave-the-dialog-far-behind",
                           "and-another-one-below-it-that-is-longer-still-than-the-first-one",
                           "www"}) {
    Deep += "/" + std::string(Name);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Deep)));
  }
  Dlg.SetFolderName(Deep);
  Run([&](TFolderBrowserDialog* Dialog) {
    QTest::qWait(700);  // listed, sorted and revealed meanwhile
    QTreeView* Tree = Dialog->Controls().Tree;
    EXPECT_EQ(Current(Dialog), Deep);
    EXPECT_GT(Tree->header()->sectionSize(0), Tree->viewport()->width());  // it could scroll
    EXPECT_EQ(Tree->horizontalScrollBar()->value(), 0);
    const QRect Shown = Tree->visualRect(Dialog->CurrentItem());
    EXPECT_TRUE(Shown.top() >= 0 && Shown.bottom() < Tree->viewport()->height());
    // The top rows show their names from the start.
    EXPECT_LE(Tree->visualRect(Dialog->Model()->index(0, 0)).left(), Tree->indentation());
    QTest::keyClick(Tree, Qt::Key_Up);  // moving on keeps the names in place
    EXPECT_EQ(Tree->horizontalScrollBar()->value(), 0);
    Dialog->reject();
  });
}

TEST_F(ExecuteTest, HiddenFoldersAreShownOnRequestAndPreselected) {
  const std::string Hidden = Site + "/.hidden/www";
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(Hidden)));
  Dlg.SetFolderName(Hidden + "/");
  EXPECT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Current(Dialog), Hidden);
    EXPECT_TRUE(Dialog->Controls().OK->isEnabled());
    ASSERT_TRUE(Dialog->Controls().Hidden->isVisible() && Dialog->Controls().Hidden->isChecked());
    // Hidden folders off: the choice moves up to a folder the tree shows.
    Dialog->Controls().Hidden->click();
    EXPECT_EQ(Current(Dialog), Site);
    QPersistentModelIndex SiteItem = Dialog->CurrentItem();
    const auto Names = [&] {
      if (Dialog->Model()->canFetchMore(SiteItem)) Dialog->Model()->fetchMore(SiteItem);
      std::vector<std::string> Result;
      for (int Row = 0; Row < Dialog->Model()->rowCount(SiteItem); ++Row)
        Result.push_back(Dialog->Model()->index(Row, 0, SiteItem).data().toString().toStdString());
      return Result;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return Names() == std::vector<std::string>{"web"}; }, 5000));
    Dialog->Controls().Hidden->click();
    EXPECT_EQ(Current(Dialog), Site);
    SiteItem = Dialog->CurrentItem();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return Names() == std::vector<std::string>{".hidden", "web"}; }, 5000));
    Dialog->SelectItem(Item(Dialog, Hidden));
    Dialog->Controls().OK->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), Hidden);
  // A folder that is not hidden leaves hidden folders off.
  Dlg.SetFolderName(Web);
  Run([&](TFolderBrowserDialog* Dialog) {
    EXPECT_EQ(Current(Dialog), Web);
    EXPECT_FALSE(Dialog->Controls().Hidden->isChecked());
    Dialog->reject();
  });
}

TEST_F(ExecuteTest, HelpButtonOnlyWithHelpContext) {
  std::vector<THelpContext> Shown;
  EXPECT_FALSE(ShowHelpContext(3));  // no help facility installed
  const testsupport::ScopedHandler<THelpHandler> Help(
      SetHelpHandler, [&Shown](THelpContext Context) { Shown.push_back(Context); });
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
  const testsupport::ScopedEnv Home("HOME", Bytes(Dir.filePath("site")));
  const testsupport::ScopedEnv Config("XDG_CONFIG_HOME", Bytes(Dir.filePath("site/config")));
  Dlg.SetBrowseKind(bkDesktop);
  EXPECT_TRUE(Run([&](TFolderBrowserDialog* Dialog) {
    const QModelIndex Top = Dialog->Model()->index(0, 0);
    EXPECT_EQ(Top.data().toString(), "Desktop");
    EXPECT_EQ(Dialog->CurrentItem(), Top);
    EXPECT_EQ(Dlg.SelectedFolder(), Site + "/Desktop");
    EXPECT_FALSE(Dialog->Controls().OK->isEnabled());
    Dialog->SelectItem(Item(Dialog, Web));
    EXPECT_EQ(Dialog->CurrentItem().parent().data().toString(), "Home");
    Dialog->Controls().OK->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), Web);
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
    EXPECT_FALSE(Dialog->Controls().OK->isEnabled());
    Dialog->SelectItem(Dialog->Model()->IndexForComputer(Host));
    EXPECT_TRUE(Dialog->Controls().OK->isEnabled());
    Dialog->Controls().OK->click();
  }));
  EXPECT_EQ(Dlg.FolderName(), Bytes(Host));
  EXPECT_EQ(Dlg.SelectedFolder(), Bytes(Host));
  EXPECT_EQ(Dlg.ImageIndex(), int(QAbstractFileIconProvider::Computer));
}

}  // namespace
