#pragma once

// The About box: the maker's logo, the program's icon, name and version, the
// author, links to the maker's e-mail address and home page, and an
// optional information text.

#include <QDialog>
#include <QImage>
#include <QLabel>

#include <string>

#include "about/VersionInfo.h"

class QFrame;
class QPushButton;

// The text InfoLabel shows: a debug monitor's report, set by ShowAboutBox.
// This program has no monitor, so it stays empty.
extern std::string InfoText;

// The maker's details the box shows.
inline constexpr char SAuthorName[] = "Robin Brindle";
inline constexpr char SMakerEmail[] = "brindle@example.com";
inline constexpr char SMakerHomePage[] = "https://www.example.com/brindle/";
inline constexpr char SMakerHost[] = "www.example.com";
inline constexpr char SDebugBuild[] = "--- Debug build ---\n\r";

// The decimal text of Value, with a leading "0" for 0 to 9 (7 gives 07).
std::string TwoDigitText(int Value);

// The Version label's caption: the design text "Version" followed by
// " major.minor     release" (the minor number in two digits), or empty when
// the version is unknown (VersionText empty). The build is not shown.
std::string VersionCaption(const std::string& VersionText, const TVersionPair& ProductVersion);

// The box's vertical layout once InfoLabel's height is known: the panel ends
// ImageTop + 1 pixels below the label, the button ImageTop pixels below the
// panel, and the client area PanelTop pixels below the button.
struct TAboutHeights {
  int PanelHeight;
  int ButtonTop;
  int ClientHeight;
  bool operator==(const TAboutHeights&) const = default;
};
TAboutHeights AboutHeights(int PanelTop, int ImageTop, int InfoLabelTop, int InfoLabelHeight,
                           int ButtonHeight);

// The maker's logo, 140 x 28 pixels, 256 colours; its bottom-left pixel has
// the background colour.
QImage BrindleLogo();

// Image as 24 bits per pixel, with every pixel of its bottom-left pixel's
// colour made transparent.
QPixmap TransparentPicture(const QImage& Image);

// A label that acts as a link: a hand cursor, its address as tool tip, and a
// click signal.
class TLinkLabel : public QLabel {
  Q_OBJECT

public:
  TLinkLabel(const QString& Text, const QString& Address, QWidget* Parent);

signals:
  void Clicked();

protected:
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

private:
  bool pressed_ = false;
};

class TAboutBox : public QDialog {
  Q_OBJECT

public:
  explicit TAboutBox(QWidget* Owner = nullptr);

  // Fills in the name, version, icon and information text and sizes the box
  // to them; runs whenever the box is shown.
  void FormShow();
  // Opens the address of the clicked link label.
  void LabelClick(QLabel* Sender);

  QFrame* Panel1;
  QLabel* BrindleImage;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* StaticText1;
  TLinkLabel* Label4;
  QLabel* Label3;
  TLinkLabel* Label2;
  QLabel* InfoLabel;
  QPushButton* OKButton;

protected:
  void showEvent(QShowEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;

private:
  QImage logo_;
};

// Shows the About box modally and frees it when it closes.
void ShowAboutBox();
