#include "app/Pictures.h"

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

// clang-format on

void AppendLe16(std::string& Out, unsigned Value) {
  Out += static_cast<char>(Value & 0xFF);
  Out += static_cast<char>(Value >> 8 & 0xFF);
}

void AppendLe32(std::string& Out, unsigned Value) {
  AppendLe16(Out, Value & 0xFFFF);
  AppendLe16(Out, Value >> 16);
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
  // BITMAPINFOHEADER: the height counts both bitmaps.
  AppendLe32(image, 40);
  AppendLe32(image, static_cast<unsigned>(w));
  AppendLe32(image, static_cast<unsigned>(2 * h));
  AppendLe16(image, 1);  // planes
  AppendLe16(image, 4);  // bits a pixel
  AppendLe32(image, 0);  // no compression
  AppendLe32(image, static_cast<unsigned>((colourRow + maskRow) * h));
  AppendLe32(image, 0);
  AppendLe32(image, 0);
  AppendLe32(image, 16);  // colours used
  AppendLe32(image, 0);
  for (const TColor& c : kPalette16) {
    image += static_cast<char>(c.Blue);
    image += static_cast<char>(c.Green);
    image += static_cast<char>(c.Red);
    image += '\0';
  }
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
