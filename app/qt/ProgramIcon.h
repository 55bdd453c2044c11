#pragma once

// The program's own pictures, drawn in code: the 32 x 32 application icon
// and the 16 x 16 open-folder glyph of the picker buttons.

#include <QIcon>
#include <QImage>

// The application icon: a page whose lines are pressed together.
QImage ProgramIconImage();
QIcon ProgramIcon();

// The open folder in yellow, white and silver with a black outline, and its
// grey form for the disabled state.
QImage OpenFolderImage();
QImage DisabledGlyph(const QImage& Glyph);
QIcon OpenFolderGlyph();
