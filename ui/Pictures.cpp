#include "ui/Pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace {

// The letter of each palette index that the pictures use, at that index:
// black, olive, navy, teal, silver, grey, yellow, blue and white.
constexpr std::string_view kColourCodes = "K--ON-TSG--YB--W";

// Palette index of a pixel letter; '.' is transparent.
std::uint8_t IndexOf(char Code) {
  if (Code == '.') return kTransparent;
  const std::size_t at = Code == '-' ? std::string_view::npos : kColourCodes.find(Code);
  if (at == std::string_view::npos)
    throw std::logic_error(std::string("unknown pixel code ") + Code);
  return static_cast<std::uint8_t>(at);
}

template <std::size_t N>
TPicture FromRows(const char* const (&Rows)[N]) {
  TPicture picture;
  picture.Height = static_cast<int>(N);
  picture.Width = static_cast<int>(std::char_traits<char>::length(Rows[0]));
  for (const char* row : Rows) {
    if (static_cast<int>(std::char_traits<char>::length(row)) != picture.Width)
      throw std::logic_error("picture rows differ in length");
    for (const char* c = row; *c != '\0'; ++c) picture.Pixels.push_back(IndexOf(*c));
  }
  return picture;
}

// clang-format off: one string a row of pixels.

// Ragged grey lines above, navy lines pressed together below, and the two
// arrows that press them: whole triangles, the last column included.
constexpr const char* kIconRows[] = {
    "................................", "................................",
    ".....KKKKKKKKKKKKKKKK...........", ".....KWWWWWWWWWWWWWWKK..........",
    ".....KWWWWWWWWWWWWWWKSK.........", ".....KWWWWWWWWWWWWWWKSSK........",
    ".....KWWGGGGGGGGGGGWKSSSK.......", ".....KWWWWWWWWWWWWWWKSSSSK......",
    ".....KWWWWWWWWWWWWWWKKKKKKK.....", ".....KWWGGGGGGGGGGGGWWWWWWK.....",
    ".....KWWWWWWWWWWWWWWWWWWWWK.....", ".....KWWWWWWWWWWWWWWWWWWWWK.....",
    ".....KWWGGGGGGGGGGGGGGWWWWKBBBBB", ".....KWWWWWWWWWWWWWWWWWWWWK.BBB.",
    ".....KWWWWWWWWWWWWWWWWWWWWK..B..", ".....KWWWWWWWWWWWWWWWWWWWWK.....",
    ".....KWWWWWWWWWWWWWWWWWWWWK.....", ".....KWWWWWWWWWWWWWWWWWWWWK..T..",
    ".....KWWNNNNNNNNNNNNNNNNWWK.TTT.", ".....KWWWWWWWWWWWWWWWWWWWWKTTTTT",
    ".....KWWNNNNNNNNNNNNNNNNWWK.....", ".....KWWWWWWWWWWWWWWWWWWWWK.....",
    ".....KWWNNNNNNNNNNNNNNNNWWK.....", ".....KWWWWWWWWWWWWWWWWWWWWK.....",
    ".....KWWNNNNNNNNNNNNNNNNWWK.....", ".....KWWWWWWWWWWWWWWWWWWWWK.....",
    ".....KWWNNNNNNNNNNNNNNNNWWK.....", ".....KWWWWWWWWWWWWWWWWWWWWK.....",
    ".....KWWWWWWWWWWWWWWWWWWWWK.....", ".....KKKKKKKKKKKKKKKKKKKKKK.....",
    "................................", "................................",
};

// The back of the folder with its tab, a white sheet sticking out, and the
// open front flap.
constexpr const char* kFolderRows[] = {
    "................", "................", "................", ".KKKKK..........",
    ".KYYYYKKKKKKK...", ".KYKKKKKKKKKK...", ".KYKWWWWWWWKK...", ".KYKKKKKKKKKKKKK",
    ".KYKSOOOOOOOOOK.", ".KYKSSSSSSSSSSK.", ".KKSSSSSSSSSSK..", ".KKSSSSSSSSSSK..",
    ".KSSSSSSSSSSK...", ".KKKKKKKKKKKK...", "................", "................",
};

// The maker's name, from the top of the tallest letter (row 6 of the logo)
// down to the baseline (row 21), one pixel between letters; 'X' is ink.
constexpr const char* kNameRows[] = {
    "..................................................XXXX...XXXX............",
    "XXXXXXXXXX................XXX......................XXX....XXX............",
    ".XXXX...XXX...............XXX......................XXX....XXX............",
    ".XXXX....XXX.......................................XXX....XXX............",
    ".XXXX....XXX.......................................XXX....XXX............",
    ".XXXX....XXX.......................................XXX....XXX............",
    ".XXXX...XXX...XXXX..XXX..XXXX..XXXX.XXXX......XXXX.XXX....XXX....XXXXX...",
    ".XXXXXXXXX.....XXX.XXXXX..XXX...XXXXX.XXX....XXX..XXXX....XXX...XXX..XXX.",
    ".XXXX...XXXX...XXXXX..XX..XXX...XXXX...XXX..XXX....XXX....XXX..XXX....XXX",
    ".XXXX....XXXX..XXXX.......XXX...XXX....XXX..XXX....XXX....XXX..XXX....XXX",
    ".XXXX.....XXX..XXX........XXX...XXX....XXX..XXX....XXX....XXX..XXXXXXXXXX",
    ".XXXX.....XXX..XXX........XXX...XXX....XXX..XXX....XXX....XXX..XXX.......",
    ".XXXX.....XXX..XXX........XXX...XXX....XXX..XXX....XXX....XXX..XXX.......",
    ".XXXX....XXXX..XXX........XXX...XXX....XXX..XXX....XXX....XXX..XXX.....XX",
    ".XXXX...XXXX...XXX........XXX...XXX....XXX...XXX..XXXX....XXX...XXX..XXX.",
    "XXXXXXXXXXX...XXXXX......XXXXX.XXXXX..XXXXX...XXXX.XXXXX.XXXXX...XXXXXX..",
};

// clang-format on

// The logo's colours: the background, the badge's coat and its stripes
// (also the outline and the name).
constexpr TColor kLogoBackground{0xEF, 0xEF, 0xEF};
constexpr TColor kLogoCoat{0xC9, 0x8B, 0x2E};
constexpr TColor kLogoStripe{0x4E, 0x31, 0x17};

// Each logo pixel is sampled kLogoSamples x kLogoSamples times; its colour
// is the mixture of what the samples hit.
constexpr int kLogoSamples = 4;
constexpr int kLogoWeights = kLogoSamples * kLogoSamples;

// The palette index of a mixture of Coat coat samples and Stripe stripe
// samples (the rest background): the mixtures in order of the stripe count,
// then the coat count.
int MixtureIndex(int Coat, int Stripe) {
  // Mixtures with fewer stripe samples come first: (W + 1) + W + ... entries.
  int index = 0;
  for (int s = 0; s < Stripe; ++s) index += kLogoWeights + 1 - s;
  return index + Coat;
}

std::uint8_t Mix(std::uint8_t Background, std::uint8_t Coat, std::uint8_t Stripe, int CoatCount,
                 int StripeCount) {
  const int background = kLogoWeights - CoatCount - StripeCount;
  const int sum = Background * background + Coat * CoatCount + Stripe * StripeCount;
  return static_cast<std::uint8_t>((sum + kLogoWeights / 2) / kLogoWeights);
}

// What a sample point of the badge shows: 0 background, 1 coat, 2 stripe.
int BadgeSample(double X, double Y) {
  // A square from 2.5 to 25.5 with corners of radius 5.
  constexpr double kLow = 2.5, kHigh = 25.5, kRadius = 5;
  const double cx = std::clamp(X, kLow + kRadius, kHigh - kRadius);
  const double cy = std::clamp(Y, kLow + kRadius, kHigh - kRadius);
  // Distance outside the rounded square (negative inside).
  const double edge = std::hypot(X - cx, Y - cy) - kRadius;
  if (edge > 0.5) return 0;
  if (edge > -0.5) return 2;  // the outline, one pixel wide
  // Diagonal stripes 2.5 pixels wide, 6 pixels apart, rising to the right.
  const double along = std::fmod(X + Y - 1, 6.0);
  return std::abs(along - 3) * 0.7071 < 1.25 ? 2 : 1;
}

void AppendLe16(std::string& Out, unsigned Value) {
  Out += static_cast<char>(Value & 0xFF);
  Out += static_cast<char>(Value >> 8 & 0xFF);
}

void AppendLe32(std::string& Out, unsigned Value) {
  AppendLe16(Out, Value & 0xFFFF);
  AppendLe16(Out, Value >> 16);
}

// A BITMAPINFOHEADER (no compression) for Width x Height pixels of Bits
// bits and Size bytes of rows, then a palette of Colours entries: those of
// Palette, the rest black.
void AppendBitmapInfo(std::string& Out, int Width, int Height, int Bits, unsigned Size,
                      unsigned PixelsPerMetre, const TColor* Palette, std::size_t PaletteSize,
                      unsigned Colours) {
  AppendLe32(Out, 40);
  AppendLe32(Out, static_cast<unsigned>(Width));
  AppendLe32(Out, static_cast<unsigned>(Height));
  AppendLe16(Out, 1);  // planes
  AppendLe16(Out, static_cast<unsigned>(Bits));
  AppendLe32(Out, 0);  // no compression
  AppendLe32(Out, Size);
  AppendLe32(Out, PixelsPerMetre);
  AppendLe32(Out, PixelsPerMetre);
  AppendLe32(Out, Colours);  // colours used
  AppendLe32(Out, 0);
  for (unsigned i = 0; i < Colours; ++i) {
    const TColor c = i < PaletteSize ? Palette[i] : TColor{0, 0, 0};
    Out += static_cast<char>(c.Blue);
    Out += static_cast<char>(c.Green);
    Out += static_cast<char>(c.Red);
    Out += '\0';
  }
}

}  // namespace

TPicture ProgramIconPicture() { return FromRows(kIconRows); }

TPicture OpenFolderPicture() { return FromRows(kFolderRows); }

TPicture DisabledPicture(const TPicture& Picture) {
  constexpr std::uint8_t kGrey = 8;
  constexpr std::uint8_t kSilver = 7;
  TPicture grey = Picture;
  for (std::uint8_t& pixel : grey.Pixels) {
    if (pixel == kTransparent) continue;
    const TColor c = kPalette16[pixel];
    // The weights of a grey level that favours green, as the eye does.
    const int level = (c.Red * 11 + c.Green * 16 + c.Blue * 5) / 32;
    pixel = level < 128 ? kGrey : kSilver;
  }
  return grey;
}

std::string IconFileBytes(const TPicture& Picture) {
  const int w = Picture.Width;
  const int h = Picture.Height;
  if (w <= 0 || h <= 0 || w > 256 || h > 256) throw std::invalid_argument("icon size");
  // Rows of both bitmaps are whole 32-bit words and run bottom-up.
  const int colourRow = (w * 4 + 31) / 32 * 4;
  const int maskRow = (w + 31) / 32 * 4;
  std::string image;
  // The height counts both bitmaps.
  AppendBitmapInfo(image, w, 2 * h, 4, static_cast<unsigned>((colourRow + maskRow) * h), 0,
                   kPalette16.data(), kPalette16.size(), 16);
  for (int y = h - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(colourRow), '\0');
    for (int x = 0; x < w; ++x) {
      const std::uint8_t p = Picture.At(x, y);
      const unsigned index = p == kTransparent ? 0 : p;
      row[static_cast<std::size_t>(x / 2)] |= static_cast<char>(x % 2 == 0 ? index << 4 : index);
    }
    image += row;
  }
  for (int y = h - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(maskRow), '\0');
    for (int x = 0; x < w; ++x)
      if (Picture.At(x, y) == kTransparent)
        row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    image += row;
  }

  std::string file;
  AppendLe16(file, 0);  // reserved
  AppendLe16(file, 1);  // an icon
  AppendLe16(file, 1);  // one image
  file += static_cast<char>(w == 256 ? 0 : w);
  file += static_cast<char>(h == 256 ? 0 : h);
  file += static_cast<char>(16);  // colours
  file += '\0';
  AppendLe16(file, 1);  // planes
  AppendLe16(file, 4);  // bits a pixel
  AppendLe32(file, static_cast<unsigned>(image.size()));
  AppendLe32(file, 6 + 16);  // where the image starts
  return file + image;
}

TPalettePicture MakerLogoPicture() {
  TPalettePicture logo;
  logo.Width = 140;
  logo.Height = 28;
  for (int stripe = 0; stripe <= kLogoWeights; ++stripe)
    for (int coat = 0; coat + stripe <= kLogoWeights; ++coat)
      logo.Palette.push_back({Mix(kLogoBackground.Red, kLogoCoat.Red, kLogoStripe.Red, coat, stripe),
                              Mix(kLogoBackground.Green, kLogoCoat.Green, kLogoStripe.Green, coat,
                                  stripe),
                              Mix(kLogoBackground.Blue, kLogoCoat.Blue, kLogoStripe.Blue, coat,
                                  stripe)});
  logo.Pixels.assign(static_cast<std::size_t>(logo.Width * logo.Height), 0);

  for (int y = 0; y < logo.Height; ++y)
    for (int x = 0; x < 28; ++x) {
      std::array<int, 3> hits{};
      for (int sy = 0; sy < kLogoSamples; ++sy)
        for (int sx = 0; sx < kLogoSamples; ++sx)
          ++hits[static_cast<std::size_t>(BadgeSample(x + (sx + 0.5) / kLogoSamples,
                                                      y + (sy + 0.5) / kLogoSamples))];
      logo.Pixels[static_cast<std::size_t>(y * logo.Width + x)] =
          static_cast<std::uint8_t>(MixtureIndex(hits[1], hits[2]));
    }

  const std::uint8_t ink = static_cast<std::uint8_t>(MixtureIndex(0, kLogoWeights));
  constexpr int kLeft = 34, kTop = 6;
  for (std::size_t y = 0; y < std::size(kNameRows); ++y)
    for (int x = 0; kNameRows[y][x] != '\0'; ++x)
      if (kNameRows[y][x] == 'X') logo.Pixels[(kTop + y) * logo.Width + kLeft + x] = ink;
  return logo;
}

std::string BitmapFileBytes(const TPalettePicture& Picture) {
  const int w = Picture.Width;
  const int h = Picture.Height;
  if (w <= 0 || h <= 0 || Picture.Palette.size() > 256 ||
      Picture.Pixels.size() != static_cast<std::size_t>(w * h))
    throw std::invalid_argument("bitmap size");
  constexpr unsigned kColours = 256;
  // Rows are whole 32-bit words and run bottom-up.
  const int row = (w + 3) / 4 * 4;
  const unsigned offset = 14 + 40 + 4 * kColours;
  const unsigned size = static_cast<unsigned>(row * h);

  std::string file = "BM";
  AppendLe32(file, offset + size);
  AppendLe32(file, 0);  // reserved
  AppendLe32(file, offset);
  // 96 pixels an inch are 3780 pixels a metre.
  AppendBitmapInfo(file, w, h, 8, size, 3780, Picture.Palette.data(), Picture.Palette.size(),
                   kColours);
  for (int y = h - 1; y >= 0; --y) {
    std::string line(static_cast<std::size_t>(row), '\0');
    for (int x = 0; x < w; ++x) line[static_cast<std::size_t>(x)] = static_cast<char>(Picture.At(x, y));
    file += line;
  }
  return file;
}
