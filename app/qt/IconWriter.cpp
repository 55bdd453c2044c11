// Writes the application icon for installing: a PNG for the desktop entry,
// or with --ico the Windows icon file the Windows builds carry
// (cmake/win/pagetrim.ico), or with --logo the maker's logo as the bitmap
// file of the Windows About box (cmake/win/brindle-logo.bmp). Tests check
// that both files are up to date.
//   pagetrim-icon OUTPUT.png
//   pagetrim-icon --ico OUTPUT.ico
//   pagetrim-icon --logo OUTPUT.bmp

#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/Pictures.h"
#include "app/qt/ProgramIcon.h"

int main(int argc, char** argv) {
  const bool ico = argc == 3 && std::strcmp(argv[1], "--ico") == 0;
  const bool logo = argc == 3 && std::strcmp(argv[1], "--logo") == 0;
  if (argc != 2 && !ico && !logo) {
    std::fprintf(stderr,
                 "usage: pagetrim-icon OUTPUT.png | pagetrim-icon --ico OUTPUT.ico | "
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
  if (!ProgramIconImage().save(QString::fromLocal8Bit(output), "PNG")) {
    std::fprintf(stderr, "pagetrim-icon: cannot write %s\n", output);
    return 1;
  }
  return 0;
}
