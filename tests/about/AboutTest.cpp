#include "about/About.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <string>
#include <vector>

#include "QtPrint.h"
#include "about/FileUtils.h"
#include "streams/Monitor.h"

namespace {

// ---------------------------------------------------------------------------
// Decisions

TEST(TwoDigitTextTest, PadsSingleDigits) {
  const struct {
    int Value;
    const char* Text;
  } Cases[] = {{0, "00"},        {1, "01"},   {7, "07"},   {9, "09"},
               {10, "10"},       {12, "12"},  {99, "99"},  {100, "100"},
               {65535, "65535"}, {-1, "-1"},  {-10, "-10"}};
  for (const auto& C : Cases) EXPECT_EQ(TwoDigitText(C.Value), C.Text) << C.Value;
}

TVersionPair Pair(unsigned Major, unsigned Minor, unsigned Release, unsigned Build) {
  return {(Major << 16) | Minor, (Release << 16) | Build};
}

struct CaptionCase {
  const char* Text;
  TVersionPair Version;
  const char* Caption;
};

class VersionCaptionTest : public testing::TestWithParam<CaptionCase> {};

TEST_P(VersionCaptionTest, Formats) {
  const CaptionCase& C = GetParam();
  EXPECT_EQ(VersionCaption(C.Text, C.Version), C.Caption);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionCaptionTest,
    testing::Values(
        CaptionCase{"1.2.3 (build 4)", Pair(1, 2, 3, 4), "Version 1.02     3"},
        CaptionCase{"2.0.0 (build 15)", Pair(2, 0, 0, 15), "Version 2.00     0"},
        CaptionCase{"3.10.1 (build 0)", Pair(3, 10, 1, 0), "Version 3.10     1"},
        CaptionCase{"1.0.0 (build 0)", Pair(1, 0, 0, 0), "Version 1.00     0"},
        CaptionCase{"0.9.12 (build 7)", Pair(0, 9, 12, 7), "Version 0.09     12"},
        CaptionCase{"x", Pair(65535, 65535, 65535, 65535), "Version 65535.65535     65535"},
        // An unknown version shows nothing, whatever the numbers say.
        CaptionCase{"", Pair(1, 2, 3, 4), ""}, CaptionCase{"", Pair(0, 0, 0, 0), ""}));

struct HeightsCase {
  int InfoHeight;
  TAboutHeights Heights;
};

class AboutHeightsTest : public testing::TestWithParam<HeightsCase> {};

TEST_P(AboutHeightsTest, StacksPanelButtonAndForm) {
  EXPECT_EQ(AboutHeights(4, 8, 176, GetParam().InfoHeight, 26), GetParam().Heights);
}

INSTANTIATE_TEST_SUITE_P(Heights, AboutHeightsTest,
                         testing::Values(HeightsCase{0, {185, 197, 227}},
                                         HeightsCase{13, {198, 210, 240}},
                                         HeightsCase{52, {237, 249, 279}},
                                         HeightsCase{1000, {1185, 1197, 1227}}));

TEST(AboutHeightsMargins, FollowTheDesignMargins) {
  // Other margins move every edge accordingly.
  EXPECT_EQ(AboutHeights(10, 20, 100, 5, 30), (TAboutHeights{126, 156, 196}));
}

// ---------------------------------------------------------------------------
// Pictures

TEST(TransparentPictureTest, ClearsTheBottomLeftColourOnly) {
  QImage Image(4, 3, QImage::Format_RGB32);
  Image.fill(QColor(10, 20, 30));
  Image.setPixelColor(1, 1, QColor(200, 0, 0));
  Image.setPixelColor(3, 0, QColor(10, 20, 31));
  const QImage Result = TransparentPicture(Image).toImage();
  ASSERT_EQ(Result.size(), QSize(4, 3));
  for (int Y = 0; Y < 3; ++Y)
    for (int X = 0; X < 4; ++X) {
      const bool Kept = (X == 1 && Y == 1) || (X == 3 && Y == 0);
      EXPECT_EQ(Result.pixelColor(X, Y).alpha(), Kept ? 255 : 0) << X << "," << Y;
    }
  EXPECT_EQ(Result.pixelColor(1, 1), QColor(200, 0, 0));
  EXPECT_EQ(Result.pixelColor(3, 0), QColor(10, 20, 31));
}

TEST(TransparentPictureTest, TakesAnyPictureFormat) {
  QImage Image(2, 2, QImage::Format_Indexed8);
  Image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  Image.fill(0);
  Image.setPixel(1, 0, 1);
  const QImage Result = TransparentPicture(Image).toImage();
  EXPECT_EQ(Result.pixelColor(0, 1).alpha(), 0);
  EXPECT_EQ(Result.pixelColor(1, 0), QColor(Qt::black));
  EXPECT_TRUE(TransparentPicture(QImage()).isNull());
}

TEST(BrindleLogoTest, IsAPictureOnAPlainBackground) {
  const QImage Logo = BrindleLogo();
  ASSERT_EQ(Logo.size(), QSize(140, 28));
  const QRgb Background = Logo.pixel(0, 27);
  int Drawn = 0;
  for (int Y = 0; Y < 28; ++Y)
    for (int X = 0; X < 140; ++X) Drawn += Logo.pixel(X, Y) != Background;
  // A badge and a word: a good part of the picture, not all of it.
  EXPECT_GT(Drawn, 140 * 28 / 8);
  EXPECT_LT(Drawn, 140 * 28 / 2);
  for (const QPoint Corner : {QPoint(0, 0), QPoint(139, 0), QPoint(139, 27)})
    EXPECT_EQ(Logo.pixel(Corner), Background);
}

// ---------------------------------------------------------------------------
// The box

// Sets the application's title, icon and the program's version for a test.
class AboutBoxTest : public testing::Test {
protected:
  void SetUp() override {
    QApplication::setApplicationDisplayName("Pagetrim");
    QImage Icon(32, 32, QImage::Format_ARGB32);
    Icon.fill(Qt::darkGreen);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(Icon)));
    SetVersion("1.2.3 (build 4)", Pair(1, 2, 3, 4));
    InfoText.clear();
  }
  void TearDown() override {
    QApplication::setWindowIcon(QIcon());
    SetVersion("", {});
    InfoText.clear();
  }
  static void SetVersion(const std::string& Text, TVersionPair Version) {
    ProgramVersionText = Text;
    ProgramVersionInfo.ProductVersion = Version;
  }
  // A box as it is on the screen.
  static std::unique_ptr<TAboutBox> Shown() {
    auto Box = std::make_unique<TAboutBox>();
    Box->show();
    return Box;
  }
};

TEST_F(AboutBoxTest, ControlsAsDesigned) {
  TAboutBox Box;
  EXPECT_EQ(Box.objectName(), "AboutBox");
  EXPECT_EQ(Box.windowTitle(), "About");
  const struct {
    QWidget* Control;
    const char* Name;
    QWidget* Parent;
    QPoint At;
  } Controls[] = {
      {Box.Panel1, "Panel1", &Box, {4, 4}},
      {Box.BrindleImage, "BrindleImage", Box.Panel1, {8, 8}},
      {Box.ProgramIcon, "ProgramIcon", Box.Panel1, {208, 8}},
      {Box.ProductName, "ProductName", Box.Panel1, {8, 48}},
      {Box.Version, "Version", Box.Panel1, {8, 80}},
      {Box.StaticText1, "StaticText1", Box.Panel1, {8, 110}},
      {Box.Label4, "Label4", Box.Panel1, {112, 112}},
      {Box.Label3, "Label3", Box.Panel1, {8, 144}},
      {Box.Label2, "Label2", Box.Panel1, {56, 144}},
      {Box.InfoLabel, "InfoLabel", Box.Panel1, {8, 176}},
      {Box.OKButton, "OKButton", &Box, {102, 208}},
  };
  for (const auto& C : Controls) {
    EXPECT_EQ(C.Control->objectName(), C.Name);
    EXPECT_EQ(C.Control->parentWidget(), C.Parent) << C.Name;
    EXPECT_EQ(C.Control->pos(), C.At) << C.Name;
  }
  EXPECT_EQ(Box.Panel1->size(), QSize(253, 197));
  EXPECT_EQ(Box.Panel1->frameShape(), QFrame::Panel);
  EXPECT_EQ(Box.Panel1->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(Box.BrindleImage->size(), QSize(140, 28));
  EXPECT_EQ(Box.ProgramIcon->size(), QSize(32, 32));
  EXPECT_EQ(Box.OKButton->size(), QSize(66, 26));
  EXPECT_EQ(Box.OKButton->text(), "&OK");
  EXPECT_TRUE(Box.OKButton->isDefault());
  EXPECT_EQ(Box.size(), QSize(262, 238));
  EXPECT_EQ(Box.Version->text(), "Version");
  EXPECT_EQ(Box.Label3->text(), "Internet:");
  EXPECT_EQ(Box.StaticText1->text(), SAuthorName);
  EXPECT_EQ(Box.Label4->text(), SMakerEmail);
  EXPECT_EQ(Box.Label4->toolTip().toStdString(), std::string("mailto:") + SMakerEmail);
  EXPECT_EQ(Box.Label2->text(), SMakerHost);
  EXPECT_EQ(Box.Label2->toolTip(), SMakerHomePage);
  EXPECT_EQ(QUrl(SMakerHomePage).host(), SMakerHost);
  for (const char* Address : {SMakerEmail, SMakerHomePage})
    EXPECT_NE(std::string(Address).find("example.com"), std::string::npos) << Address;
}

TEST_F(AboutBoxTest, FontsAndColoursAsDesigned) {
  TAboutBox Box;
  const struct {
    QWidget* Control;
    int PixelSize;
    bool Bold;
    bool Underline;
    QColor Color;
  } Looks[] = {
      {&Box, 11, false, false, Qt::black},
      {Box.ProductName, 19, true, false, Qt::black},
      {Box.Version, 13, false, false, Qt::black},
      {Box.StaticText1, 13, false, false, Qt::black},
      {Box.Label4, 11, false, true, Qt::blue},
      {Box.Label3, 11, false, false, Qt::black},
      {Box.Label2, 11, false, true, Qt::blue},
      {Box.InfoLabel, 11, false, false, Qt::black},
      {Box.OKButton, 11, false, false, Qt::black},
  };
  for (const auto& L : Looks) {
    const std::string Name = L.Control->objectName().toStdString();
    EXPECT_EQ(L.Control->font().pixelSize(), L.PixelSize) << Name;
    EXPECT_EQ(L.Control->font().bold(), L.Bold) << Name;
    EXPECT_EQ(L.Control->font().underline(), L.Underline) << Name;
    EXPECT_EQ(L.Control->palette().color(QPalette::WindowText), L.Color) << Name;
  }
  EXPECT_EQ(Box.ProductName->font().families().first(), "Arial");
  EXPECT_EQ(Box.Version->font().families().first(), "MS Sans Serif");
  for (QWidget* Link : {static_cast<QWidget*>(Box.Label2), static_cast<QWidget*>(Box.Label4)})
    EXPECT_EQ(Link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(Box.InfoLabel->wordWrap());
}

TEST_F(AboutBoxTest, ShowsNameVersionAndIcon) {
  auto Box = Shown();
  EXPECT_EQ(Box->ProductName->text(), "Pagetrim");
  EXPECT_EQ(Box->Version->text(), "Version 1.02     3");
  ASSERT_FALSE(Box->ProgramIcon->pixmap().isNull());
  EXPECT_EQ(Box->ProgramIcon->pixmap().toImage().pixelColor(16, 16), QColor(Qt::darkGreen));
  EXPECT_EQ(Box->ProgramIcon->size(), QSize(32, 32));
  // Auto-sized labels show their whole text.
  for (QLabel* Label : {Box->ProductName, Box->Version, Box->StaticText1,
                        static_cast<QLabel*>(Box->Label4), Box->Label3,
                        static_cast<QLabel*>(Box->Label2)})
    EXPECT_GE(Label->width(), Label->sizeHint().width()) << Label->objectName().toStdString();
  EXPECT_EQ(Box->focusWidget(), Box->OKButton);
}

TEST_F(AboutBoxTest, EmptyInfoTextTakesNoHeight) {
  auto Box = Shown();
  EXPECT_EQ(Box->InfoLabel->geometry(), QRect(8, 176, 237, 0));
  EXPECT_EQ(Box->Panel1->geometry(), QRect(4, 4, 253, 185));
  EXPECT_EQ(Box->OKButton->geometry(), QRect(102, 197, 66, 26));
  EXPECT_EQ(Box->size(), QSize(262, 227));
  // Not resizable.
  EXPECT_EQ(Box->minimumSize(), Box->maximumSize());
}

struct ShownVersionCase {
  const char* Text;
  TVersionPair Version;
  const char* Caption;
};

class AboutBoxVersionTest : public AboutBoxTest,
                            public testing::WithParamInterface<ShownVersionCase> {};

TEST_P(AboutBoxVersionTest, ShowsTheVersionAndNothingElseChanges) {
  SetVersion(GetParam().Text, GetParam().Version);
  auto Box = Shown();
  EXPECT_EQ(Box->Version->text().toStdString(), GetParam().Caption);
  EXPECT_EQ(Box->ProductName->text(), "Pagetrim");
  EXPECT_FALSE(Box->ProgramIcon->pixmap().isNull());
  EXPECT_EQ(Box->size(), QSize(262, 227));
  EXPECT_EQ(Box->Version->pos(), QPoint(8, 80));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, AboutBoxVersionTest,
    testing::Values(ShownVersionCase{"2.0.0 (build 15)", Pair(2, 0, 0, 15), "Version 2.00     0"},
                    ShownVersionCase{"3.10.1 (build 0)", Pair(3, 10, 1, 0), "Version 3.10     1"},
                    ShownVersionCase{"1.0.0 (build 0)", Pair(1, 0, 0, 0), "Version 1.00     0"},
                    ShownVersionCase{"", Pair(0, 0, 0, 0), ""},
                    ShownVersionCase{"", Pair(4, 5, 6, 7), ""}));

TEST_F(AboutBoxTest, LongInfoTextWrapsAndGrowsTheBox) {
  const struct {
    std::string Text;
    int MinLines;
  } Cases[] = {
      {"Short.", 1},
      {std::string(SDebugBuild) +
           "Streams alive: 3 (TFileStream 2, TTextStream 1); memory blocks in use: 12 of "
           "4096 bytes; peak 18 blocks; the longest line read so far had 70000 bytes.",
       4},
  };
  int Previous = 0;
  for (const auto& C : Cases) {
    InfoText = C.Text;
    auto Box = Shown();
    const int Height = Box->InfoLabel->height();
    EXPECT_GE(Height, C.MinLines * Box->InfoLabel->fontMetrics().lineSpacing()) << C.Text;
    EXPECT_GT(Height, Previous);
    Previous = Height;
    EXPECT_EQ(Box->InfoLabel->width(), 237);
    EXPECT_EQ(Height, Box->InfoLabel->heightForWidth(237));
    EXPECT_EQ(Box->Panel1->height(), 185 + Height);
    EXPECT_EQ(Box->OKButton->y(), 197 + Height);
    EXPECT_EQ(Box->size(), QSize(262, 227 + Height));
    EXPECT_EQ(Box->InfoLabel->text().toStdString(), C.Text);
  }
}

TEST_F(AboutBoxTest, LogoIsDrawnTransparently) {
  auto Box = Shown();
  const QImage Logo = Box->BrindleImage->pixmap().toImage();
  ASSERT_EQ(Logo.size(), QSize(140, 28));
  ASSERT_TRUE(Logo.hasAlphaChannel());
  EXPECT_EQ(Logo.pixelColor(0, 27).alpha(), 0);
  EXPECT_EQ(Logo.pixelColor(139, 0).alpha(), 0);
  EXPECT_EQ(Logo.pixelColor(14, 14).alpha(), 255);  // the badge
}

TEST_F(AboutBoxTest, NoIconShowsNone) {
  QApplication::setWindowIcon(QIcon());
  auto Box = Shown();
  EXPECT_TRUE(Box->ProgramIcon->pixmap().isNull());
  EXPECT_EQ(Box->ProgramIcon->size(), QSize(32, 32));
}

TEST_F(AboutBoxTest, CentredOnThePrimaryScreen) {
  auto Box = Shown();
  const QRect Screen = QGuiApplication::primaryScreen()->geometry();
  const QRect Frame = Box->frameGeometry();
  EXPECT_LE(std::abs(Frame.center().x() - Screen.center().x()), 1);
  EXPECT_LE(std::abs(Frame.center().y() - Screen.center().y()), 1);
}

// Runs the box modally while Script works on it; a box left open fails.
int RunBox(TAboutBox& Box, const std::function<void()>& Script) {
  QTimer::singleShot(0, Script);
  QTimer::singleShot(10000, &Box, [&Box] {
    if (Box.isVisible()) {
      ADD_FAILURE() << "the box was left open";
      Box.done(-1);
    }
  });
  return Box.exec();
}

TEST_F(AboutBoxTest, EnterAndEscapeCloseWithOK) {
  for (const Qt::Key Key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    TAboutBox Box;
    EXPECT_EQ(RunBox(Box, [&] { QTest::keyClick(&Box, Key); }), QDialog::Accepted) << Key;
  }
  TAboutBox Box;
  EXPECT_EQ(RunBox(Box, [&] { QTest::mouseClick(Box.OKButton, Qt::LeftButton); }),
            QDialog::Accepted);
}

class ShellRecorder {
public:
  ShellRecorder() {
    previous_ = SetShellHandler([this](const TShellRequest& R) {
      Opened.push_back(R.Url.toString().toStdString());
    });
  }
  ~ShellRecorder() { SetShellHandler(previous_); }
  std::vector<std::string> Opened;

private:
  TShellHandler previous_;
};

TEST_F(AboutBoxTest, LinksOpenTheirAddresses) {
  ShellRecorder Shell;
  auto Box = Shown();
  QTest::mouseClick(Box->Label2, Qt::LeftButton);
  QTest::mouseClick(Box->Label4, Qt::LeftButton);
  // Pressing and letting go outside the link is no click; neither is the
  // right button.
  QTest::mousePress(Box->Label2, Qt::LeftButton, {}, QPoint(2, 2));
  QTest::mouseRelease(Box->Label2, Qt::LeftButton, {}, QPoint(-20, 2));
  QTest::mouseClick(Box->Label4, Qt::RightButton);
  QTest::mouseClick(Box->Label3, Qt::LeftButton);
  EXPECT_EQ(Shell.Opened, (std::vector<std::string>{SMakerHomePage,
                                                    std::string("mailto:") + SMakerEmail}));
  EXPECT_TRUE(Box->isVisible());
}

TEST_F(AboutBoxTest, LabelClickOpensTheSendersHint) {
  ShellRecorder Shell;
  TAboutBox Box;
  QLabel Other;
  Other.setToolTip("https://www.example.org/other");
  Box.LabelClick(&Other);
  Box.LabelClick(Box.Label4);
  EXPECT_EQ(Shell.Opened, (std::vector<std::string>{"https://www.example.org/other",
                                                    std::string("mailto:") + SMakerEmail}));
}

TEST_F(AboutBoxTest, ShowAboutBoxShowsAModalBoxAndFreesIt) {
  QPointer<TAboutBox> Seen;
  QTimer::singleShot(0, [&] {
    Seen = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
    ASSERT_TRUE(Seen);
    EXPECT_TRUE(Seen->isVisible());
    EXPECT_EQ(Seen->windowTitle(), "About");
    EXPECT_EQ(Seen->Version->text(), "Version 1.02     3");
    EXPECT_EQ(Seen->InfoLabel->height(), 0);
    EXPECT_EQ(Seen->size(), QSize(262, 227));
    Seen->OKButton->click();
  });
  ShowAboutBox();
  EXPECT_TRUE(InfoText.empty());
  EXPECT_TRUE(Seen.isNull());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(MonitorTest, ThereIsNoDebugMonitor) { EXPECT_EQ(CurrentMonitor(), nullptr); }

}  // namespace
