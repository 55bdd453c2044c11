#include "about/qt/About.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

#include "support/qt/QtPrint.h"
#include "about/qt/FileUtils.h"
#include "streams/Monitor.h"
#include "support/ScopedHandler.h"

namespace {

TVersionPair Pair(unsigned Major, unsigned Minor, unsigned Release, unsigned Build) {
  return {(Major << 16) | Minor, (Release << 16) | Build};
}

TEST(AboutPictures, BottomLeftColourBecomesTransparent) {
  QImage Image(4, 3, QImage::Format_Indexed8);
  Image.setColorTable({qRgb(10, 20, 30), qRgb(10, 20, 31), qRgb(200, 0, 0)});
  Image.fill(0);
  Image.setPixel(1, 1, 2);
  Image.setPixel(3, 0, 1);
  const QImage Result = TransparentPicture(Image).toImage();
  ASSERT_EQ(Result.size(), QSize(4, 3));
  for (int Y = 0; Y < 3; ++Y)
    for (int X = 0; X < 4; ++X)
      EXPECT_EQ(Result.pixelColor(X, Y).alpha(), (X == 1 && Y == 1) || (X == 3 && Y == 0) ? 255 : 0);
  EXPECT_EQ(Result.pixelColor(3, 0), QColor(10, 20, 31));
  EXPECT_TRUE(TransparentPicture(QImage()).isNull());

  const QImage Logo = BrindleLogo();
  ASSERT_EQ(Logo.size(), QSize(140, 28));
  int Drawn = 0;
  for (int Y = 0; Y < 28; ++Y)
    for (int X = 0; X < 140; ++X) Drawn += Logo.pixel(X, Y) != Logo.pixel(0, 27);
  EXPECT_GT(Drawn, 140 * 28 / 8);  // a badge and a word, on a plain ground
  EXPECT_LT(Drawn, 140 * 28 / 2);
}

class AboutBoxTest : public testing::Test {
protected:
  void SetUp() override {
    QApplication::setApplicationDisplayName("Pagetrim");
    QImage Icon(32, 32, QImage::Format_ARGB32);
    Icon.fill(Qt::darkGreen);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(Icon)));
  }
  void TearDown() override {
    QApplication::setApplicationDisplayName(QString());
    QApplication::setWindowIcon(QIcon());
  }
  // A box showing Content.
  std::unique_ptr<TAboutBox> Shown() const {
    auto Box = std::make_unique<TAboutBox>();
    Box->Content = Content;
    Box->show();
    return Box;
  }

  TAboutContent Content{"1.2.3 (build 4)", Pair(1, 2, 3, 4), ""};
};

TEST_F(AboutBoxTest, ControlsAsDesigned) {
  TAboutBox Box;
  EXPECT_EQ(Box.windowTitle(), "About");
  const struct {
    QWidget* Control;
    const char* Name;
    QWidget* Parent;
    QPoint At;
    int PixelSize;
    bool Bold, Underline;
    QColor Color;
  } Controls[] = {
      {&Box, "AboutBox", nullptr, {0, 0}, 11, false, false, Qt::black},
      {Box.Panel1, "Panel1", &Box, {4, 4}, 11, false, false, Qt::black},
      {Box.BrindleImage, "BrindleImage", Box.Panel1, {8, 8}, 11, false, false, Qt::black},
      {Box.ProgramIcon, "ProgramIcon", Box.Panel1, {208, 8}, 11, false, false, Qt::black},
      {Box.ProductName, "ProductName", Box.Panel1, {8, 48}, 19, true, false, Qt::black},
      {Box.Version, "Version", Box.Panel1, {8, 80}, 13, false, false, Qt::black},
      {Box.StaticText1, "StaticText1", Box.Panel1, {8, 110}, 13, false, false, Qt::black},
      {Box.Label4, "Label4", Box.Panel1, {112, 112}, 11, false, true, Qt::blue},
      {Box.Label3, "Label3", Box.Panel1, {8, 144}, 11, false, false, Qt::black},
      {Box.Label2, "Label2", Box.Panel1, {56, 144}, 11, false, true, Qt::blue},
      {Box.InfoLabel, "InfoLabel", Box.Panel1, {8, 176}, 11, false, false, Qt::black},
      {Box.OKButton, "OKButton", &Box, {102, 208}, 11, false, false, Qt::black},
  };
  for (const auto& C : Controls) {
    EXPECT_EQ(C.Control->objectName(), C.Name);
    if (C.Parent) {
      EXPECT_EQ(C.Control->parentWidget(), C.Parent) << C.Name;
      EXPECT_EQ(C.Control->pos(), C.At) << C.Name;
    }
    EXPECT_EQ(C.Control->font().pixelSize(), C.PixelSize) << C.Name;
    EXPECT_EQ(C.Control->font().bold(), C.Bold) << C.Name;
    EXPECT_EQ(C.Control->font().underline(), C.Underline) << C.Name;
    EXPECT_EQ(C.Control->palette().color(QPalette::WindowText), C.Color) << C.Name;
  }
  EXPECT_EQ(Box.ProductName->font().families().first() + Box.Version->font().families().first(),
            "ArialMS Sans Serif");
  EXPECT_EQ(Box.Panel1->size(), QSize(253, 197));
  EXPECT_EQ(Box.Panel1->frameShape() | Box.Panel1->frameShadow(), QFrame::Panel | QFrame::Sunken);
  EXPECT_EQ(Box.OKButton->geometry().size(), QSize(66, 26));
  EXPECT_TRUE(Box.OKButton->isDefault() && Box.focusWidget() == Box.OKButton);
  EXPECT_EQ(Box.size(), QSize(262, 238));
  EXPECT_EQ(QStringList({Box.Version->text(), Box.Label3->text(), Box.OKButton->text()}),
            QStringList({"Version", "Internet:", "&OK"}));
  EXPECT_EQ(Box.Label4->toolTip().toStdString(), std::string("mailto:") + Box.Label4->text().toStdString());
  EXPECT_EQ(QUrl(Box.Label2->toolTip()).host(), Box.Label2->text());
  EXPECT_EQ(Box.Label2->cursor().shape() + Box.Label4->cursor().shape(), 2 * Qt::PointingHandCursor);
}

TEST_F(AboutBoxTest, ShownWithoutInfoText) {
  auto Box = Shown();
  EXPECT_EQ(Box->ProductName->text(), "Pagetrim");
  EXPECT_EQ(Box->Version->text(), "Version 1.02     3");
  EXPECT_EQ(Box->ProgramIcon->pixmap().toImage().pixelColor(16, 16), QColor(Qt::darkGreen));
  EXPECT_EQ(Box->ProgramIcon->size(), QSize(32, 32));
  EXPECT_EQ(Box->InfoLabel->geometry(), QRect(8, 176, 237, 0));
  EXPECT_EQ(Box->Panel1->geometry(), QRect(4, 4, 253, 185));
  EXPECT_EQ(Box->OKButton->geometry(), QRect(102, 197, 66, 26));
  EXPECT_EQ(Box->size(), QSize(262, 227));
  EXPECT_EQ(Box->minimumSize(), Box->maximumSize());  // not resizable
  // Auto-sized labels show their whole text, inside the panel.
  for (QLabel* Label : Box->Panel1->findChildren<QLabel*>()) {
    EXPECT_GE(Label->width(), Label->sizeHint().width()) << Label->objectName().toStdString();
    EXPECT_LE(Label->geometry().right(), Box->Panel1->contentsRect().right());
  }
  EXPECT_LE(Box->Label3->geometry().right(), Box->Label2->x());
  // The logo is drawn transparently.
  const QImage Logo = Box->BrindleImage->pixmap().toImage();
  ASSERT_EQ(Logo.size(), QSize(140, 28));
  EXPECT_EQ(Logo.pixelColor(0, 27).alpha() + Logo.pixelColor(139, 0).alpha(), 0);
  EXPECT_EQ(Logo.pixelColor(14, 14).alpha(), 255);
  const QRect Screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_LE((Box->frameGeometry().center() - Screen.center()).manhattanLength(), 2);
}

TEST_F(AboutBoxTest, TheProgramIconIsShownWholeInsideThePanel) {
  // An icon whose last column and last row are drawn: both must show.
  QImage Icon(32, 32, QImage::Format_ARGB32);
  Icon.fill(Qt::transparent);
  for (int I = 0; I < 32; ++I) {
    Icon.setPixelColor(31, I, Qt::red);
    Icon.setPixelColor(I, 31, Qt::red);
  }
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(Icon)));
  auto Box = Shown();
  const QRect Shown = QRect(Box->ProgramIcon->mapTo(Box->Panel1, QPoint()), QSize(32, 32));
  EXPECT_TRUE(Box->Panel1->contentsRect().contains(Shown)) << Shown.right();
  const QImage Picture = Box->grab().toImage();
  const QPoint Origin = Box->ProgramIcon->mapTo(Box.get(), QPoint());
  for (int I = 0; I < 32; ++I) {
    EXPECT_EQ(Picture.pixelColor(Origin + QPoint(31, I)), QColor(Qt::red)) << I;
    EXPECT_EQ(Picture.pixelColor(Origin + QPoint(I, 31)), QColor(Qt::red)) << I;
  }
}

TEST_F(AboutBoxTest, UnknownVersionAndNoIconLeaveTheRestAsItIs) {
  Content.VersionText.clear();
  Content.ProductVersion = Pair(4, 5, 6, 7);
  QApplication::setWindowIcon(QIcon());
  auto Box = Shown();
  EXPECT_EQ(Box->Version->text(), "");
  EXPECT_TRUE(Box->ProgramIcon->pixmap().isNull());
  EXPECT_EQ(Box->ProductName->text(), "Pagetrim");
  EXPECT_EQ(Box->size(), QSize(262, 227));
}

TEST_F(AboutBoxTest, LongInfoTextWrapsAndGrowsTheBox) {
  const std::pair<std::string, int> Cases[] = {
      {"Short.", 1},
      {std::string(SDebugBuild) + "Streams alive: 3 (TFileStream 2, TTextStream 1); memory "
                                  "blocks in use: 12 of 4096 bytes; peak 18 blocks.",
       4}};
  for (const auto& [Text, Lines] : Cases) {
    Content.InfoText = Text;
    auto Box = Shown();
    const int Height = Box->InfoLabel->height();
    EXPECT_GE(Height, Lines * Box->InfoLabel->fontMetrics().lineSpacing()) << Text;
    EXPECT_EQ(Height, Box->InfoLabel->heightForWidth(237));
    EXPECT_EQ(Box->InfoLabel->width(), 237);
    EXPECT_EQ(Box->Panel1->height(), 185 + Height);
    EXPECT_EQ(Box->OKButton->y(), 197 + Height);
    EXPECT_EQ(Box->size(), QSize(262, 227 + Height));
  }
}

TEST_F(AboutBoxTest, EnterEscapeAndOKCloseWithOK) {
  for (const Qt::Key Key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_unknown}) {
    TAboutBox Box;
    QTimer::singleShot(0, [&] {
      Key == Qt::Key_unknown ? QTest::mouseClick(Box.OKButton, Qt::LeftButton)
                             : QTest::keyClick(&Box, Key);
    });
    QTimer::singleShot(5000, &Box, [&Box] { Box.done(-1); });
    EXPECT_EQ(Box.exec(), QDialog::Accepted) << Key;
  }
}

TEST_F(AboutBoxTest, LinksOpenTheirAddresses) {
  std::vector<std::string> Opened;
  const testsupport::ScopedHandler<TShellHandler> Recorder(
      SetShellHandler,
      [&Opened](const TShellRequest& R) { Opened.push_back(R.Url.toString().toStdString()); });
  auto Box = Shown();
  QTest::mouseClick(Box->Label2, Qt::LeftButton);
  QTest::mouseClick(Box->Label4, Qt::LeftButton);
  // Letting go outside the link is no click; neither is the right button.
  QTest::mousePress(Box->Label2, Qt::LeftButton, {}, QPoint(2, 2));
  QTest::mouseRelease(Box->Label2, Qt::LeftButton, {}, QPoint(-20, 2));
  QTest::mouseClick(Box->Label4, Qt::RightButton);
  QTest::mouseClick(Box->Label3, Qt::LeftButton);
  QLabel Other;
  Other.setToolTip("https://www.example.org/other");
  Box->LabelClick(&Other);
  EXPECT_EQ(Opened, (std::vector<std::string>{SMakerHomePage, std::string("mailto:") + SMakerEmail,
                                              "https://www.example.org/other"}));
  EXPECT_TRUE(Box->isVisible());
}

TEST_F(AboutBoxTest, ShowAboutBoxShowsAModalBoxAndFreesIt) {
  QPointer<TAboutBox> Seen;
  QTimer::singleShot(0, [&] {
    Seen = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
    ASSERT_TRUE(Seen && Seen->isVisible());
    // This program's own version; no monitor, no information text.
    EXPECT_EQ(Seen->Version->text().toStdString(),
              VersionCaption(TEST_VERSION_TEXT, {TEST_VERSION_MS, TEST_VERSION_LS}));
    EXPECT_EQ(Seen->InfoLabel->text(), "");
    EXPECT_EQ(Seen->size(), QSize(262, 227));
    Seen->OKButton->click();
  });
  ShowAboutBox();
  EXPECT_EQ(CurrentMonitor(), nullptr);
  EXPECT_TRUE(Seen.isNull());
}

}  // namespace
