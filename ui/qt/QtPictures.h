#pragma once

// The program's own pictures (ui/Pictures.h) as Qt images and icons.

#include <QIcon>
#include <QImage>

#include "ui/Pictures.h"

// Picture as a 32-bit image with alpha.
QImage PictureImage(const TPicture& Picture);

// Picture as an image of 8 bits a pixel with Picture's palette.
QImage PaletteImage(const TPalettePicture& Picture);

// The application icon.
QImage ProgramIconImage();
QIcon ProgramIcon();

// The open-folder glyph of the picker buttons, with its grey form for the
// disabled state.
QImage OpenFolderImage();
QIcon OpenFolderGlyph();
