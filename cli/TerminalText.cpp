#include "cli/TerminalText.h"

#include <cstddef>
#include <cstdint>

namespace {

// The length in bytes of the printable character that starts at Text[At],
// or 0 when the byte there is to be escaped.
std::size_t PrintableLength(std::string_view Text, std::size_t At, TNameBytes Bytes) {
  const auto b = static_cast<std::uint8_t>(Text[At]);
  if (b < 0x20 || b == 0x7F) return 0;
  if (b < 0x80 || Bytes == TNameBytes::SingleByte) return 1;
  // UTF-8: the lead byte gives the length and the range of the second byte,
  // which rules out overlong forms, surrogates and code points past U+10FFFF.
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (Text.size() - At < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto c = static_cast<std::uint8_t>(Text[At + i]);
    if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) return 0;
  }
  // U+0080 to U+009F are the C1 control characters (U+009B starts a
  // control sequence on many terminals).
  if (b == 0xC2 && static_cast<std::uint8_t>(Text[At + 1]) <= 0x9F) return 0;
  return length;
}

void AppendEscape(std::string& Out, std::uint8_t B) {
  static constexpr char kLetters[] = "abtnvfr";  // 7 (BEL) to 13 (CR)
  Out += '\\';
  if (B >= 7 && B <= 13) {
    Out += kLetters[B - 7];
    return;
  }
  Out += static_cast<char>('0' + (B >> 6));
  Out += static_cast<char>('0' + ((B >> 3) & 7));
  Out += static_cast<char>('0' + (B & 7));
}

}  // namespace

std::string QuotedName(std::string_view Name, TNameBytes Bytes) {
  std::size_t at = 0;
  while (at < Name.size()) {
    const std::size_t n = PrintableLength(Name, at, Bytes);
    if (n == 0) break;
    at += n;
  }
  if (at == Name.size()) return std::string(Name);

  enum { kBare, kQuoted, kEscaped } state = kBare;
  std::string out;
  for (at = 0; at < Name.size();) {
    const std::size_t n = PrintableLength(Name, at, Bytes);
    if (n == 0) {
      if (state == kQuoted) out += '\'';
      if (state != kEscaped) out += "$'";
      state = kEscaped;
      AppendEscape(out, static_cast<std::uint8_t>(Name[at]));
      ++at;
      continue;
    }
    if (Name[at] == '\'') {
      if (state != kBare) out += '\'';
      state = kBare;
      out += "\\'";
    } else {
      if (state == kEscaped) out += '\'';
      if (state != kQuoted) out += '\'';
      state = kQuoted;
      out.append(Name.substr(at, n));
    }
    at += n;
  }
  if (state != kBare) out += '\'';
  return out;
}

std::string EscapedText(std::string_view Text, TNameBytes Bytes) {
  std::string_view lineEnd;
  if (Text.size() >= 2 && Text.substr(Text.size() - 2) == "\r\n") {
    lineEnd = Text.substr(Text.size() - 2);
  } else if (!Text.empty() && Text.back() == '\n') {
    lineEnd = Text.substr(Text.size() - 1);
  }
  Text.remove_suffix(lineEnd.size());
  std::string out;
  out.reserve(Text.size() + lineEnd.size());
  for (std::size_t at = 0; at < Text.size();) {
    const std::size_t n = PrintableLength(Text, at, Bytes);
    if (n == 0) {
      AppendEscape(out, static_cast<std::uint8_t>(Text[at]));
      ++at;
    } else {
      out.append(Text.substr(at, n));
      at += n;
    }
  }
  out.append(lineEnd);
  return out;
}
