#include "ui/Pictures.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"

namespace {

std::uint32_t Le32(const std::string& Bytes, std::size_t At) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(Bytes[At + i]);
  return v;
}

TEST(PicturesTest, SizesAndPaletteIndices) {
  for (const TPicture& p : {ProgramIconPicture(), OpenFolderPicture()}) {
    ASSERT_EQ(p.Pixels.size(), static_cast<std::size_t>(p.Width * p.Height));
    for (std::uint8_t pixel : p.Pixels) EXPECT_TRUE(pixel < 16 || pixel == kTransparent);
  }
  EXPECT_EQ(ProgramIconPicture().Width, 32);
  EXPECT_EQ(ProgramIconPicture().Height, 32);
  EXPECT_EQ(OpenFolderPicture().Width, 16);
  EXPECT_EQ(OpenFolderPicture().Height, 16);
  // Transparent around, drawn inside.
  EXPECT_EQ(ProgramIconPicture().At(0, 0), kTransparent);
  EXPECT_NE(ProgramIconPicture().At(5, 2), kTransparent);
}

// The widths of the rows of Colour in Picture, top down, with the column
// each row is centred on (-1 for a row of even width).
std::vector<std::pair<int, int>> RowsOf(const TPicture& Picture, std::uint8_t Colour) {
  std::vector<std::pair<int, int>> rows;
  for (int y = 0; y < Picture.Height; ++y) {
    int first = -1, last = -1;
    for (int x = 0; x < Picture.Width; ++x)
      if (Picture.At(x, y) == Colour) {
        if (first < 0) first = x;
        last = x;
      }
    if (first >= 0) rows.emplace_back(last - first + 1, (first + last) % 2 ? -1 : (first + last) / 2);
  }
  return rows;
}

TEST(PicturesTest, TheSqueezeArrowsAreWholeTriangles) {
  // Blue points down onto the lines, teal up; neither is cut at the edge.
  constexpr std::uint8_t kBlue = 12, kTeal = 6;
  const TPicture icon = ProgramIconPicture();
  using Rows = std::vector<std::pair<int, int>>;
  EXPECT_EQ(RowsOf(icon, kBlue), (Rows{{5, 29}, {3, 29}, {1, 29}}));
  EXPECT_EQ(RowsOf(icon, kTeal), (Rows{{1, 29}, {3, 29}, {5, 29}}));
}

TEST(PicturesTest, DisabledFormIsGreyAndSilverWithTheSameShape) {
  const TPicture glyph = OpenFolderPicture();
  const TPicture grey = DisabledPicture(glyph);
  ASSERT_EQ(grey.Pixels.size(), glyph.Pixels.size());
  int greys = 0, silvers = 0;
  for (std::size_t i = 0; i < glyph.Pixels.size(); ++i) {
    EXPECT_EQ(grey.Pixels[i] == kTransparent, glyph.Pixels[i] == kTransparent) << i;
    if (grey.Pixels[i] == 8) ++greys;
    if (grey.Pixels[i] == 7) ++silvers;
    if (grey.Pixels[i] != kTransparent) {
      EXPECT_TRUE(grey.Pixels[i] == 7 || grey.Pixels[i] == 8);
    }
  }
  EXPECT_GT(greys, 0);    // the black outline
  EXPECT_GT(silvers, 0);  // yellow, white, silver
}

TEST(PicturesTest, IconFileHoldsThePictureAndItsMask) {
  const TPicture icon = ProgramIconPicture();
  const std::string file = IconFileBytes(icon);
  // Directory: one 32 x 32 image of 16 colours, 4 bits a pixel, at 22.
  ASSERT_GE(file.size(), 22u);
  EXPECT_EQ(file.substr(0, 6), std::string("\0\0\1\0\1\0", 6));
  EXPECT_EQ(static_cast<unsigned char>(file[6]), 32);
  EXPECT_EQ(static_cast<unsigned char>(file[7]), 32);
  EXPECT_EQ(static_cast<unsigned char>(file[8]), 16);
  const std::uint32_t size = Le32(file, 14);
  EXPECT_EQ(Le32(file, 18), 22u);
  // Header 40, palette 64, pixels 32 rows of 16 bytes, mask 32 rows of 4.
  EXPECT_EQ(size, 40u + 64u + 32u * 16u + 32u * 4u);
  ASSERT_EQ(file.size(), 22u + size);
  const std::size_t pixels = 22 + 40 + 64;
  const std::size_t mask = pixels + 32 * 16;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const std::size_t row = static_cast<std::size_t>(31 - y);  // bottom-up
      const auto byte = static_cast<unsigned char>(file[pixels + row * 16 + x / 2]);
      const unsigned index = x % 2 == 0 ? byte >> 4 : byte & 0x0F;
      const bool clear = (static_cast<unsigned char>(file[mask + row * 4 + x / 8]) >>
                          (7 - x % 8)) & 1;
      const std::uint8_t want = icon.At(x, y);
      EXPECT_EQ(clear, want == kTransparent) << x << "," << y;
      if (want != kTransparent) {
        EXPECT_EQ(index, want) << x << "," << y;
      }
    }
  }
}

TEST(PicturesTest, TheWindowsIconFileIsTheProgramsIcon) {
  // Regenerate it with: pagetrim-icon --ico cmake/win/pagetrim.ico
  EXPECT_EQ(testsupport::ReadFile(testsupport::BuildPath(PAGETRIM_WINDOWS_ICON)),
            IconFileBytes(ProgramIconPicture()));
}

TEST(PicturesTest, MakersLogoHasItsOwnPaletteAndTheBackgroundBottomLeft) {
  const TPalettePicture logo = MakerLogoPicture();
  ASSERT_EQ(logo.Width, 140);
  ASSERT_EQ(logo.Height, 28);
  ASSERT_EQ(logo.Pixels.size(), 140u * 28u);
  ASSERT_LE(logo.Palette.size(), 256u);
  for (std::uint8_t pixel : logo.Pixels) ASSERT_LT(pixel, logo.Palette.size());
  // The colour drawn transparently is the background's, which the corners
  // and the space after the name show.
  const TColor key = logo.ColorAt(0, 27);
  EXPECT_EQ(key.Red, 0xEF);
  EXPECT_EQ(key.Green, 0xEF);
  EXPECT_EQ(key.Blue, 0xEF);
  EXPECT_EQ(logo.At(139, 0), logo.At(0, 27));
  EXPECT_EQ(logo.At(27, 0), logo.At(0, 27));
  // The badge: amber coat and dark stripes inside; the name: dark ink.
  int coat = 0, ink = 0, smoothed = 0;
  for (int y = 0; y < 28; ++y)
    for (int x = 0; x < 140; ++x) {
      const TColor c = logo.ColorAt(x, y);
      if (c.Red == 0xC9 && c.Green == 0x8B && c.Blue == 0x2E) ++coat;
      if (c.Red == 0x4E && c.Green == 0x31 && c.Blue == 0x17) ++(x < 30 ? smoothed : ink);
    }
  EXPECT_GT(coat, 50);
  EXPECT_GT(smoothed, 50);
  EXPECT_GT(ink, 300);
}

TEST(PicturesTest, BitmapFileHoldsThePictureBottomUpWithItsPalette) {
  const TPalettePicture logo = MakerLogoPicture();
  const std::string file = BitmapFileBytes(logo);
  ASSERT_EQ(file.substr(0, 2), "BM");
  ASSERT_EQ(Le32(file, 2), file.size());
  const std::uint32_t offset = Le32(file, 10);
  EXPECT_EQ(offset, 14u + 40u + 1024u);
  EXPECT_EQ(Le32(file, 14), 40u);
  EXPECT_EQ(Le32(file, 18), 140u);
  EXPECT_EQ(Le32(file, 22), 28u);  // positive: rows run bottom-up
  EXPECT_EQ(Le32(file, 26) & 0xFFFF, 1u);
  EXPECT_EQ(Le32(file, 26) >> 16, 8u);  // bits a pixel
  EXPECT_EQ(Le32(file, 30), 0u);        // not compressed
  EXPECT_EQ(Le32(file, 46), 256u);      // colours
  ASSERT_EQ(file.size(), offset + 140u * 28u);  // 140 is a whole number of words
  for (std::size_t i = 0; i < logo.Palette.size(); ++i) {
    const std::size_t at = 54 + 4 * i;
    EXPECT_EQ(static_cast<unsigned char>(file[at]), logo.Palette[i].Blue) << i;
    EXPECT_EQ(static_cast<unsigned char>(file[at + 1]), logo.Palette[i].Green) << i;
    EXPECT_EQ(static_cast<unsigned char>(file[at + 2]), logo.Palette[i].Red) << i;
  }
  for (int y = 0; y < 28; ++y)
    for (int x = 0; x < 140; ++x)
      ASSERT_EQ(static_cast<unsigned char>(file[offset + (27 - y) * 140 + x]), logo.At(x, y))
          << x << "," << y;
}

TEST(PicturesTest, BitmapRowsArePaddedToWholeWords) {
  TPalettePicture odd;
  odd.Width = 3;
  odd.Height = 2;
  odd.Palette = {{1, 2, 3}, {4, 5, 6}};
  odd.Pixels = {0, 1, 0, 1, 1, 1};
  const std::string file = BitmapFileBytes(odd);
  const std::uint32_t offset = Le32(file, 10);
  ASSERT_EQ(file.size(), offset + 2 * 4);
  EXPECT_EQ(file.substr(offset, 4), std::string("\x01\x01\x01\0", 4));  // the bottom row first
  EXPECT_EQ(file.substr(offset + 4, 4), std::string("\0\x01\0\0", 4));
  odd.Pixels.pop_back();
  EXPECT_THROW(BitmapFileBytes(odd), std::invalid_argument);
}

TEST(PicturesTest, TheWindowsLogoFileIsTheMakersLogo) {
  // Regenerate it with: pagetrim-icon --logo cmake/win/brindle-logo.bmp
  EXPECT_EQ(testsupport::ReadFile(testsupport::BuildPath(PAGETRIM_WINDOWS_LOGO)),
            BitmapFileBytes(MakerLogoPicture()));
}

}  // namespace
