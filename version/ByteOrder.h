#pragma once

// Reading and writing fixed-size integers in a given byte order, for the
// file formats that carry version blocks (PE images, ELF files, the block
// itself) and for the tool that writes version blocks.

#include <cstdint>
#include <vector>

namespace versionres {

using Byte = unsigned char;

// The 16, 32 or 64-bit value at p, big-endian when Big, else little-endian.
inline std::uint16_t Get16(const Byte* p, bool Big) {
  return Big ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
             : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
}

inline std::uint32_t Get32(const Byte* p, bool Big) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | p[Big ? i : 3 - i];
  return v;
}

inline std::uint64_t Get64(const Byte* p, bool Big) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = v << 8 | p[Big ? i : 7 - i];
  return v;
}

inline std::uint16_t Le16(const Byte* p) { return Get16(p, false); }
inline std::uint32_t Le32(const Byte* p) { return Get32(p, false); }

// Appends the low 16 or all 32 bits of Value, little-endian.
inline void AppendLe16(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
  Out.push_back(static_cast<std::uint8_t>(Value));
  Out.push_back(static_cast<std::uint8_t>(Value >> 8));
}

inline void AppendLe32(std::vector<std::uint8_t>& Out, std::uint32_t Value) {
  AppendLe16(Out, Value & 0xFFFF);
  AppendLe16(Out, Value >> 16);
}

}  // namespace versionres
