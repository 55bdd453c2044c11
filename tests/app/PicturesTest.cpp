#include "app/Pictures.h"

#include <gtest/gtest.h>

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

}  // namespace
