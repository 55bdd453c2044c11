#include "dialogs/qt/OpenFileDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "ui/qt/QtText.h"

using namespace testsupport;

namespace {

std::string ParentOf(const std::string& Path) { return Path.substr(0, Path.find_last_of('/')); }

class OpenFileDialogTest : public testing::Test {
protected:
  void SetUp() override {
    MakeDir(dir / "sub\xFF");
    MakeDir(dir / ".cfg");
    for (const char* name : {"a.htm", "B.HTML", "caf\xE9.htm", "notes.txt", ".old.htm", "sub\xFF/inner.asp"})
      WriteFile(dir / name, "<p>");
  }

  // Runs the dialog while Script drives it; Script has to close it.
  bool Run(TOpenFileDialog& Dialog, const std::function<void()>& Script) {
    QTimer::singleShot(0, Script);
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [&] {
      ADD_FAILURE() << "the dialog was left open";
      Dialog.reject();
    });
    guard.start(10000);
    return Dialog.exec() == QDialog::Accepted;
  }

  TempDir dir;
  TOpenFileDialog dialog{"Select file(s)", "HTML and ASP documents", "*.htm;*.html;*.asp"};
};

TEST_F(OpenFileDialogTest, ListsEveryNameTheFilterTakesWhateverItsEncoding) {
  dialog.SetFolder(dir.Path() + "/");
  EXPECT_EQ(dialog.Folder(), dir.Path());
  EXPECT_EQ(dialog.ListedNames(),
            (std::vector<std::string>{"sub\xFF/", "a.htm", "B.HTML", "caf\xE9.htm"}));
  EXPECT_EQ(dialog.Controls().FileType->currentText(),
            "HTML and ASP documents (*.htm *.html *.asp)");
  EXPECT_EQ(dialog.windowTitle(), "Select file(s)");
  EXPECT_EQ(ToBytes(dialog.Controls().LookIn->currentText()), dir.Path());
  dialog.Controls().Hidden->click();
  EXPECT_EQ(dialog.ListedNames(), (std::vector<std::string>{".cfg/", "sub\xFF/", ".old.htm", "a.htm",
                                                            "B.HTML", "caf\xE9.htm"}));
}

TEST_F(OpenFileDialogTest, SeveralFilesComeBackByteExactInTheListsOrder) {
  dialog.SetFolder(dir.Path());
  EXPECT_TRUE(Run(dialog, [&] {
    dialog.SelectNames({"caf\xE9.htm", "a.htm"});
    EXPECT_EQ(ToBytes(dialog.Controls().FileName->text()), "\"a.htm\" \"caf\xE9.htm\"");
    EXPECT_TRUE(dialog.Controls().Open->isEnabled());
    dialog.Controls().Open->click();
  }));
  EXPECT_EQ(dialog.SelectedFiles(),
            (std::vector<std::string>{dir / "a.htm", dir / "caf\xE9.htm"}));
}

TEST_F(OpenFileDialogTest, FoldersAreEnteredAndLeft) {
  dialog.SetFolder(dir.Path());
  EXPECT_TRUE(Run(dialog, [&] {
    // Enter (or a double click) on a folder opens it.
    dialog.SelectNames({"sub\xFF"});
    emit dialog.Controls().List->activated(dialog.Controls().List->currentIndex());
    EXPECT_EQ(dialog.Folder(), dir / "sub\xFF");
    EXPECT_EQ(dialog.ListedNames(), std::vector<std::string>{"inner.asp"});
    QTest::keyClick(dialog.Controls().List, Qt::Key_Backspace);
    EXPECT_EQ(dialog.Folder(), dir.Path());
    dialog.Controls().Up->click();
    EXPECT_EQ(dialog.Folder(), ParentOf(dir.Path()));
    // A folder typed into the field is entered too.
    dialog.Controls().FileName->setText(ToQString(dir / "sub\xFF"));
    dialog.Controls().Open->click();
    EXPECT_EQ(dialog.Folder(), dir / "sub\xFF");
    EXPECT_EQ(dialog.Controls().FileName->text(), "");
    dialog.Controls().FileName->setText("inner.asp");
    QTest::keyClick(dialog.Controls().FileName, Qt::Key_Return);
  }));
  EXPECT_EQ(dialog.SelectedFiles(), std::vector<std::string>{dir / "sub\xFF/inner.asp"});
}

TEST_F(OpenFileDialogTest, OnlyFilesThatExist) {
  dialog.SetFolder(dir.Path());
  std::string said;
  EXPECT_FALSE(Run(dialog, [&] {
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        said = box->text().toStdString();
        box->accept();
      }
    });
    dialog.Controls().FileName->setText("\"a.htm\" \"missing.htm\"");
    dialog.Controls().Open->click();
    EXPECT_TRUE(dialog.isVisible());
    dialog.reject();
  }));
  EXPECT_EQ(said, "missing.htm\nFile not found.\nCheck the file name and try again.");
  EXPECT_TRUE(dialog.SelectedFiles().empty());
}

TEST_F(OpenFileDialogTest, AFolderThatCannotBeListedGivesWayToTheOneAbove) {
  dialog.SetFolder(dir / "missing/deeper");
  EXPECT_EQ(dialog.Folder(), dir.Path());
}

}  // namespace
