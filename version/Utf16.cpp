#include "version/Utf16.h"

#include "version/ByteOrder.h"

namespace versionres {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One UTF-8 sequence from Text at *Pos; an ill-formed one gives U+FFFD and
// clears *Valid.
char32_t NextUtf8(std::string_view Text, std::size_t* Pos, bool* Valid) {
  const auto lead = static_cast<unsigned char>(Text[(*Pos)++]);
  if (lead < 0x80) return lead;
  int more;
  char32_t c;
  if (lead >= 0xC2 && lead <= 0xDF) more = 1, c = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF) more = 2, c = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4) more = 3, c = lead & 0x07;
  else return *Valid = false, kReplacement;
  for (int i = 0; i < more; ++i) {
    if (*Pos >= Text.size()) return *Valid = false, kReplacement;
    const auto b = static_cast<unsigned char>(Text[*Pos]);
    if ((b & 0xC0) != 0x80) return *Valid = false, kReplacement;
    c = c << 6 | (b & 0x3F);
    ++*Pos;
  }
  const char32_t least[] = {0, 0x80, 0x800, 0x10000};
  if (c < least[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
    return *Valid = false, kReplacement;
  return c;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view Text, bool* Valid) {
  bool valid = true;
  std::u16string out;
  std::size_t pos = 0;
  while (pos < Text.size()) {
    const char32_t c = NextUtf8(Text, &pos, &valid);
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  if (Valid != nullptr) *Valid = valid;
  return out;
}

std::uint32_t Utf16ToUtf8(const unsigned char* In, std::uint32_t Units, unsigned char* Out) {
  unsigned char* o = Out;
  auto put = [&o](char32_t c) {
    if (c < 0x80) {
      *o++ = static_cast<unsigned char>(c);
    } else if (c < 0x800) {
      *o++ = static_cast<unsigned char>(0xC0 | c >> 6);
      *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *o++ = static_cast<unsigned char>(0xE0 | c >> 12);
      *o++ = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
      *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    } else {
      *o++ = static_cast<unsigned char>(0xF0 | c >> 18);
      *o++ = static_cast<unsigned char>(0x80 | (c >> 12 & 0x3F));
      *o++ = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
      *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
    }
  };
  for (std::uint32_t i = 0; i < Units; ++i) {
    const char16_t u = Le16(In + 2 * i);
    if (u == 0) break;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < Units) {
      const char16_t low = Le16(In + 2 * (i + 1));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        put(0x10000 + ((char32_t{u} - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    put(u >= 0xD800 && u <= 0xDFFF ? kReplacement : char32_t{u});
  }
  *o++ = 0;
  return static_cast<std::uint32_t>(o - Out);
}

}  // namespace versionres
