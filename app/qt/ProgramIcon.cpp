#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

// Colours of the classic 16-colour palette.
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kSilver(192, 192, 192);
const QColor kGray(128, 128, 128);
const QColor kYellow(255, 255, 0);
const QColor kOlive(128, 128, 0);
const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);
const QColor kTeal(0, 128, 128);

QImage Blank(int Size) {
  QImage image(Size, Size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

}  // namespace

QImage ProgramIconImage() {
  QImage image = Blank(32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  // The page with a folded corner.
  const QPolygon page({QPoint(5, 2), QPoint(20, 2), QPoint(26, 8), QPoint(26, 29), QPoint(5, 29)});
  p.setPen(kBlack);
  p.setBrush(kWhite);
  p.drawPolygon(page);
  p.setBrush(kSilver);
  p.drawPolygon(QPolygon({QPoint(20, 2), QPoint(20, 8), QPoint(26, 8)}));
  // Text lines: long and ragged above, pressed together below.
  p.setPen(kGray);
  const int ragged[] = {15, 11, 13};
  for (int i = 0; i < 3; ++i) p.drawLine(8, 6 + 3 * i, 8 + ragged[i], 6 + 3 * i);
  p.setPen(kNavy);
  for (int y = 18; y <= 26; y += 2) p.drawLine(8, y, 23, y);
  // The squeeze: two arrows pointing at each other.
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawPolygon(QPolygon({QPoint(27, 12), QPoint(31, 12), QPoint(29, 15)}));
  p.setBrush(kTeal);
  p.drawPolygon(QPolygon({QPoint(27, 20), QPoint(31, 20), QPoint(29, 17)}));
  return image;
}

QIcon ProgramIcon() { return QIcon(QPixmap::fromImage(ProgramIconImage())); }

QImage OpenFolderImage() {
  QImage image = Blank(16);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(kBlack);
  // The back of the folder with its tab.
  p.setBrush(kYellow);
  p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(5, 3), QPoint(6, 4), QPoint(12, 4), QPoint(12, 13),
                          QPoint(1, 13)}));
  // A white sheet sticking out.
  p.setBrush(kWhite);
  p.drawRect(3, 5, 8, 4);
  // The open front flap.
  p.setBrush(kSilver);
  p.drawPolygon(QPolygon({QPoint(1, 13), QPoint(4, 7), QPoint(15, 7), QPoint(12, 13)}));
  p.setPen(kOlive);
  p.drawLine(5, 8, 13, 8);
  return image;
}

QImage DisabledGlyph(const QImage& Glyph) {
  QImage grey = Glyph.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < grey.height(); ++y) {
    for (int x = 0; x < grey.width(); ++x) {
      const QRgb c = grey.pixel(x, y);
      if (qAlpha(c) == 0) continue;
      // Dark parts become grey, light parts silver: the embossed look.
      grey.setPixel(x, y, qGray(c) < 128 ? kGray.rgb() : kSilver.rgb());
    }
  }
  return grey;
}

QIcon OpenFolderGlyph() {
  const QImage glyph = OpenFolderImage();
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(glyph), QIcon::Normal);
  icon.addPixmap(QPixmap::fromImage(DisabledGlyph(glyph)), QIcon::Disabled);
  return icon;
}
