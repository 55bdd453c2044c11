#include "streams/Utils.h"

#include <cstring>

std::int32_t FindByte(const void* Buffer, std::int32_t Start, std::int32_t End,
                      std::uint8_t Value) {
  if (Start >= End) return -1;
  const auto* base = static_cast<const unsigned char*>(Buffer);
  const void* hit = std::memchr(base + Start, Value, static_cast<std::size_t>(End - Start));
  if (hit == nullptr) return -1;
  return static_cast<std::int32_t>(static_cast<const unsigned char*>(hit) - base);
}

std::string Format(std::string_view Fmt, std::initializer_list<std::string_view> Args) {
  std::string out;
  out.reserve(Fmt.size() + 64);
  auto arg = Args.begin();
  for (std::size_t i = 0; i < Fmt.size(); ++i) {
    char c = Fmt[i];
    if (c == '%' && i + 1 < Fmt.size()) {
      char n = Fmt[i + 1];
      if (n == '%') {
        out += '%';
        ++i;
        continue;
      }
      if ((n == 's' || n == 'd') && arg != Args.end()) {
        out += *arg++;
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}
