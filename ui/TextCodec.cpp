#include "ui/TextCodec.h"

namespace {

constexpr char16_t kEscapeBase = 0xDC00;
constexpr char32_t kReplacement = 0xFFFD;

// The length of the valid UTF-8 sequence at Bytes[At], and its code point
// in *Code; 0 when the byte there starts none (stray continuation bytes,
// overlong forms, encoded surrogates, values above U+10FFFF, cut-off
// sequences).
std::size_t ValidSequence(const std::string& Bytes, std::size_t At, char32_t* Code) {
  const auto byte = [&](std::size_t I) { return static_cast<unsigned char>(Bytes[I]); };
  const unsigned char lead = byte(At);
  std::size_t length;
  char32_t code;
  char32_t least;
  if (lead < 0x80) {
    *Code = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (Bytes.size() - At < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(At + i);
    if ((next & 0xC0) != 0x80) return 0;
    code = code << 6 | (next & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  *Code = code;
  return length;
}

void AppendUtf8(std::string& Out, char32_t Code) {
  if (Code < 0x80) {
    Out += static_cast<char>(Code);
  } else if (Code < 0x800) {
    Out += static_cast<char>(0xC0 | Code >> 6);
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    Out += static_cast<char>(0xE0 | Code >> 12);
    Out += static_cast<char>(0x80 | (Code >> 6 & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | Code >> 18);
    Out += static_cast<char>(0x80 | (Code >> 12 & 0x3F));
    Out += static_cast<char>(0x80 | (Code >> 6 & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  }
}

bool IsHigh(char16_t Unit) { return Unit >= 0xD800 && Unit <= 0xDBFF; }
bool IsLow(char16_t Unit) { return Unit >= 0xDC00 && Unit <= 0xDFFF; }

}  // namespace

bool IsValidUtf8(const std::string& Bytes) {
  for (std::size_t at = 0; at < Bytes.size();) {
    char32_t code = 0;
    const std::size_t length = ValidSequence(Bytes, at, &code);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::u16string Utf16FromBytes(const std::string& Bytes) {
  std::u16string text;
  text.reserve(Bytes.size());
  for (std::size_t at = 0; at < Bytes.size();) {
    char32_t code = 0;
    const std::size_t length = ValidSequence(Bytes, at, &code);
    if (length == 0) {
      text += static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(Bytes[at]));
      ++at;
      continue;
    }
    if (code < 0x10000) {
      text += static_cast<char16_t>(code);
    } else {
      code -= 0x10000;
      text += static_cast<char16_t>(0xD800 + (code >> 10));
      text += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    }
    at += length;
  }
  return text;
}

std::string BytesFromUtf16(const std::u16string& Text) {
  std::string bytes;
  bytes.reserve(Text.size());
  for (std::size_t at = 0; at < Text.size(); ++at) {
    const char16_t unit = Text[at];
    if (IsHigh(unit) && at + 1 < Text.size() && IsLow(Text[at + 1])) {
      AppendUtf8(bytes, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (Text[at + 1] - 0xDC00));
      ++at;
    } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
      bytes += static_cast<char>(unit - kEscapeBase);
    } else if (IsHigh(unit) || IsLow(unit)) {
      AppendUtf8(bytes, kReplacement);
    } else {
      AppendUtf8(bytes, unit);
    }
  }
  return bytes;
}
