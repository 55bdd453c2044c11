#pragma once

// The About box: the maker's logo, the program's icon, name and version, the
// author, links to the maker's e-mail address and home page, and an
// optional information text.

#include <QDialog>
#include <QImage>
#include <QLabel>

#include "about/AboutLogic.h"

class QFrame;
class QPushButton;

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

  // Fills in the name, version (from Content), icon and information text
  // (Content's) and sizes the box to them; runs whenever the box is shown.
  void FormShow();
  // Opens the address of the clicked link label.
  void LabelClick(QLabel* Sender);

  // The controls as designed.
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

  // The version and information text the next showing fills in; none
  // (unknown version, no text) until set.
  TAboutContent Content;

protected:
  void showEvent(QShowEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;

private:
  QImage logo_;
};

// Shows the About box with this program's content (ProgramAboutContent())
// modally and frees it when it closes.
void ShowAboutBox();
