#include "about/qt/About.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>

#include "about/qt/FileUtils.h"
#include "ui/Pictures.h"
#include "ui/qt/QtPictures.h"
#include "ui/qt/QtScreen.h"
#include "ui/qt/QtText.h"

// ---------------------------------------------------------------------------
// Pictures

// The same pixels as the Windows program's logo resource.
QImage BrindleLogo() { return PaletteImage(MakerLogoPicture()); }

QPixmap TransparentPicture(const QImage& Image) {
  if (Image.isNull()) return {};
  const QImage Rgb = Image.convertToFormat(QImage::Format_RGB888);
  const QRgb Key = Rgb.pixel(0, Rgb.height() - 1);
  QImage Result = Rgb.convertToFormat(QImage::Format_ARGB32);
  for (int Y = 0; Y < Result.height(); ++Y) {
    auto* Line = reinterpret_cast<QRgb*>(Result.scanLine(Y));
    for (int X = 0; X < Result.width(); ++X)
      if (Line[X] == Key) Line[X] = qRgba(0, 0, 0, 0);
  }
  return QPixmap::fromImage(Result);
}

// ---------------------------------------------------------------------------
// The box

namespace {

// The form's fonts name the families they were designed with first; the
// others stand in where those are missing.
QFont DesignFont(const QString& Family, int PixelSize, bool Bold = false) {
  QFont Font;
  Font.setFamilies({Family, QStringLiteral("Microsoft Sans Serif"),
                    QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                    QStringLiteral("sans-serif")});
  Font.setPixelSize(PixelSize);
  Font.setBold(Bold);
  return Font;
}

const QString SansSerif = QStringLiteral("MS Sans Serif");

void SetTextColor(QWidget* Widget, const QColor& Color) {
  QPalette Palette = Widget->palette();
  Palette.setColor(QPalette::WindowText, Color);
  Palette.setColor(QPalette::ButtonText, Color);
  Widget->setPalette(Palette);
}

QLabel* MakeLabel(QWidget* Parent, const char* Name, const QString& Text, QPoint At,
                  const QFont& Font) {
  auto* Label = new QLabel(Text, Parent);
  Label->setObjectName(QString::fromLatin1(Name));
  Label->setFont(Font);
  Label->move(At);
  Label->adjustSize();
  return Label;
}

}  // namespace

TLinkLabel::TLinkLabel(const QString& Text, const QString& Address, QWidget* Parent)
    : QLabel(Text, Parent) {
  setToolTip(Address);
  setCursor(Qt::PointingHandCursor);
}

void TLinkLabel::mousePressEvent(QMouseEvent* Event) {
  pressed_ = Event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(Event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* Event) {
  const bool Click =
      pressed_ && Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint());
  pressed_ = false;
  QLabel::mouseReleaseEvent(Event);
  if (Click) emit Clicked();
}

TAboutBox::TAboutBox(QWidget* Owner) : QDialog(Owner) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(tr("About"));
  setFont(DesignFont(SansSerif, 11));
  SetTextColor(this, Qt::black);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
  Panel1->setGeometry(4, 4, 253, 197);

  logo_ = BrindleLogo();
  BrindleImage = new QLabel(Panel1);
  BrindleImage->setObjectName(QStringLiteral("BrindleImage"));
  BrindleImage->setPixmap(QPixmap::fromImage(logo_));
  BrindleImage->setGeometry(8, 8, logo_.width(), logo_.height());

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setScaledContents(true);
  ProgramIcon->setGeometry(208, 8, 32, 32);

  ProductName = MakeLabel(Panel1, "ProductName", QString(), {8, 48},
                          DesignFont(QStringLiteral("Arial"), 19, true));
  Version = MakeLabel(Panel1, "Version", tr("Version"), {8, 80}, DesignFont(SansSerif, 13));
  StaticText1 = MakeLabel(Panel1, "StaticText1", QString::fromUtf8(SAuthorName), {8, 110},
                          DesignFont(SansSerif, 13));

  QFont LinkFont = DesignFont(SansSerif, 11);
  LinkFont.setUnderline(true);
  Label4 = new TLinkLabel(QString::fromUtf8(SMakerEmail),
                          QStringLiteral("mailto:") + QString::fromUtf8(SMakerEmail), Panel1);
  Label4->setObjectName(QStringLiteral("Label4"));
  Label4->setFont(LinkFont);
  SetTextColor(Label4, Qt::blue);
  Label4->move(112, 112);
  Label4->adjustSize();

  Label3 = MakeLabel(Panel1, "Label3", tr("Internet:"), {8, 144}, font());

  Label2 = new TLinkLabel(QString::fromUtf8(SMakerHost), QString::fromUtf8(SMakerHomePage),
                          Panel1);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setFont(LinkFont);
  SetTextColor(Label2, Qt::blue);
  Label2->move(56, 144);
  Label2->adjustSize();

  InfoLabel = MakeLabel(Panel1, "InfoLabel", QString(), {8, 176}, font());
  InfoLabel->setWordWrap(true);
  InfoLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  OKButton = new QPushButton(tr("&OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setGeometry(102, 208, 66, 26);
  OKButton->setDefault(true);
  OKButton->setFocus();

  setFixedSize(262, 238);

  connect(OKButton, &QPushButton::clicked, this, &TAboutBox::accept);
  connect(Label2, &TLinkLabel::Clicked, this, [this] { LabelClick(Label2); });
  connect(Label4, &TLinkLabel::Clicked, this, [this] { LabelClick(Label4); });
}

void TAboutBox::FormShow() {
  Version->setText(
      QString::fromStdString(VersionCaption(Content.VersionText, Content.ProductVersion)));
  Version->adjustSize();
  ProductName->setText(QGuiApplication::applicationDisplayName());
  ProductName->adjustSize();
  const QIcon Icon = QApplication::windowIcon();
  if (Icon.isNull())
    ProgramIcon->clear();
  else
    ProgramIcon->setPixmap(Icon.pixmap(ProgramIcon->size()));

  const int Width = Panel1->width() - 2 * InfoLabel->x();
  InfoLabel->setText(ToQString(Content.InfoText));
  const int Height = Content.InfoText.empty() ? 0 : InfoLabel->heightForWidth(Width);
  InfoLabel->resize(Width, Height);

  const TAboutHeights Heights =
      AboutHeights(Panel1->y(), BrindleImage->y(), InfoLabel->y(), Height, OKButton->height());
  Panel1->resize(Panel1->width(), Heights.PanelHeight);
  OKButton->move(OKButton->x(), Heights.ButtonTop);
  setFixedSize(width(), Heights.ClientHeight);

  BrindleImage->setPixmap(TransparentPicture(logo_));
}

void TAboutBox::LabelClick(QLabel* Sender) {
  OpenWithShell(ToBytes(Sender->toolTip()), "", "", 5);
}

void TAboutBox::showEvent(QShowEvent* Event) {
  if (!Event->spontaneous()) {
    FormShow();
    CenterOnScreen(this);
  }
  QDialog::showEvent(Event);
}

void TAboutBox::keyPressEvent(QKeyEvent* Event) {
  // OK is the cancel button as well: Escape presses it, and the box closes
  // with the result OK.
  if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
    OKButton->click();
    return;
  }
  QDialog::keyPressEvent(Event);
}

void ShowAboutBox() {
  TAboutBox Box(QApplication::activeWindow());
  Box.setWindowModality(Qt::ApplicationModal);
  Box.Content = ProgramAboutContent();
  Box.exec();
}
