// Writes the application icon for installing: a PNG for the desktop entry,
// or with --ico the Windows icon file the Windows builds carry
// (cmake/win/pagetrim.ico; a test checks that it is up to date).
//   pagetrim-icon OUTPUT.png
//   pagetrim-icon --ico OUTPUT.ico

#include <QGuiApplication>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/Pictures.h"
#include "app/qt/ProgramIcon.h"

int main(int argc, char** argv) {
  const bool ico = argc == 3 && std::strcmp(argv[1], "--ico") == 0;
  if (argc != 2 && !ico) {
    std::fprintf(stderr, "usage: pagetrim-icon OUTPUT.png | pagetrim-icon --ico OUTPUT.ico\n");
    return 2;
  }
  const char* output = argv[argc - 1];
  if (ico) {
    const std::string bytes = IconFileBytes(ProgramIconPicture());
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
