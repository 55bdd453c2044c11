// Writes the application icon for installing: a PNG for the desktop entry
// (32 x 32, or with --size the icon theme's other sizes), or with --ico the
// Windows icon file the Windows builds carry (cmake/win/pagetrim.ico), or
// with --logo the maker's logo as the bitmap file of the Windows About box
// (cmake/win/brindle-logo.bmp). Tests check that both files are up to date.
//   pagetrim-icon OUTPUT.png
//   pagetrim-icon --size N OUTPUT.png
//   pagetrim-icon --ico OUTPUT.ico
//   pagetrim-icon --logo OUTPUT.bmp

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "ui/Pictures.h"
#include "ui/qt/QtPictures.h"

namespace {

// The icon at Size x Size pixels. Its pixels are repeated to the next
// multiple of the drawn size, so that the large sizes stay as sharp as the
// drawing; sizes in between are then scaled down smoothly.
QImage IconAtSize(int Size) {
  const QImage drawn = ProgramIconImage();
  const int factor = (Size + drawn.width() - 1) / drawn.width();
  QImage icon = drawn.scaled(drawn.width() * factor, drawn.height() * factor, Qt::IgnoreAspectRatio,
                             Qt::FastTransformation);
  if (icon.width() != Size)
    icon = icon.scaled(Size, Size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  const bool ico = argc == 3 && std::strcmp(argv[1], "--ico") == 0;
  const bool logo = argc == 3 && std::strcmp(argv[1], "--logo") == 0;
  const bool sized = argc == 4 && std::strcmp(argv[1], "--size") == 0;
  const int size = sized ? std::atoi(argv[2]) : 32;
  if ((argc != 2 && !ico && !logo && !sized) || size < 1 || size > 1024) {
    std::fprintf(stderr,
                 "usage: pagetrim-icon [--size N] OUTPUT.png | pagetrim-icon --ico OUTPUT.ico | "
                 "pagetrim-icon --logo OUTPUT.bmp\n");
    return 2;
  }
  const char* output = argv[argc - 1];
  if (ico || logo) {
    const std::string bytes =
        ico ? IconFileBytes(ProgramIconPicture()) : BitmapFileBytes(MakerLogoPicture());
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "pagetrim-icon: cannot write %s\n", output);
      return 1;
    }
    return 0;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (!IconAtSize(size).save(QString::fromLocal8Bit(output), "PNG")) {
    std::fprintf(stderr, "pagetrim-icon: cannot write %s\n", output);
    return 1;
  }
  return 0;
}
