// Writes the application icon as a PNG file, for installing beside the
// desktop entry: pagetrim-icon OUTPUT.png

#include <QGuiApplication>

#include <cstdio>

#include "app/ProgramIcon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pagetrim-icon OUTPUT.png\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (!ProgramIconImage().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "pagetrim-icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
