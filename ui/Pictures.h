#pragma once

// The program's own pictures, drawn once for every toolkit and for the
// Windows resource files: the 32 x 32 application icon and the 16 x 16
// open-folder glyph of the picker buttons, as pixels of the classic
// 16-colour palette, and the maker's 140 x 28 logo with a palette of its
// own.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct TColor {
  std::uint8_t Red;
  std::uint8_t Green;
  std::uint8_t Blue;
};

// The classic 16-colour palette, in its usual order (black, maroon, green,
// olive, navy, purple, teal, silver, grey, red, lime, yellow, blue,
// fuchsia, aqua, white).
inline constexpr std::array<TColor, 16> kPalette16{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

// A pixel that is not there.
inline constexpr std::uint8_t kTransparent = 0xFF;

// Width x Height pixels, rows top to bottom, each a palette index or
// kTransparent.
struct TPicture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Pixels;

  std::uint8_t At(int X, int Y) const { return Pixels[static_cast<std::size_t>(Y * Width + X)]; }
};

// The application icon: a page with a folded corner whose lines are
// pressed together between two arrows.
TPicture ProgramIconPicture();

// The open folder in yellow, white and silver with a black outline.
TPicture OpenFolderPicture();

// Picture's disabled form: its dark pixels grey, its light ones silver,
// transparency kept (the embossed look of a disabled button glyph).
TPicture DisabledPicture(const TPicture& Picture);

// A Windows icon file (.ico) holding Picture as its one image: 4 bits a
// pixel with the 16-colour palette, and the transparency as its mask.
// Picture must be at most 256 pixels each way.
std::string IconFileBytes(const TPicture& Picture);

// Width x Height pixels, rows top to bottom, each an index into Palette (at
// most 256 colours).
struct TPalettePicture {
  int Width = 0;
  int Height = 0;
  std::vector<TColor> Palette;
  std::vector<std::uint8_t> Pixels;

  std::uint8_t At(int X, int Y) const { return Pixels[static_cast<std::size_t>(Y * Width + X)]; }
  const TColor& ColorAt(int X, int Y) const { return Palette[At(X, Y)]; }
};

// The maker's logo: a brindled badge, amber with dark stripes and smoothed
// edges, and the name "Brindle" beside it, on a light grey background that
// its bottom-left pixel shows (the colour drawn transparently).
TPalettePicture MakerLogoPicture();

// A Windows bitmap file (.bmp) holding Picture with 8 bits a pixel and a
// palette of 256 colours (Picture's, the rest black).
std::string BitmapFileBytes(const TPalettePicture& Picture);
