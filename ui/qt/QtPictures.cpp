#include "ui/qt/QtPictures.h"

#include <QPixmap>

QImage PictureImage(const TPicture& Picture) {
  QImage image(Picture.Width, Picture.Height, QImage::Format_ARGB32);
  for (int y = 0; y < Picture.Height; ++y) {
    for (int x = 0; x < Picture.Width; ++x) {
      const std::uint8_t p = Picture.At(x, y);
      if (p == kTransparent) {
        image.setPixel(x, y, qRgba(0, 0, 0, 0));
      } else {
        const TColor c = kPalette16[p];
        image.setPixel(x, y, qRgb(c.Red, c.Green, c.Blue));
      }
    }
  }
  return image;
}

QImage PaletteImage(const TPalettePicture& Picture) {
  QImage image(Picture.Width, Picture.Height, QImage::Format_Indexed8);
  QList<QRgb> colors;
  for (const TColor& c : Picture.Palette) colors.push_back(qRgb(c.Red, c.Green, c.Blue));
  image.setColorTable(colors);
  for (int y = 0; y < Picture.Height; ++y) {
    uchar* line = image.scanLine(y);
    for (int x = 0; x < Picture.Width; ++x) line[x] = Picture.At(x, y);
  }
  return image;
}

QImage ProgramIconImage() { return PictureImage(ProgramIconPicture()); }

QIcon ProgramIcon() { return QIcon(QPixmap::fromImage(ProgramIconImage())); }

QImage OpenFolderImage() { return PictureImage(OpenFolderPicture()); }

QIcon OpenFolderGlyph() {
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(OpenFolderImage()), QIcon::Normal);
  icon.addPixmap(QPixmap::fromImage(PictureImage(DisabledPicture(OpenFolderPicture()))),
                 QIcon::Disabled);
  return icon;
}
