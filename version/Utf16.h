#pragma once

// UTF-8 and UTF-16, as version blocks store their keys and texts (UTF-16,
// little-endian) and as the program hands texts out (UTF-8).

#include <cstdint>
#include <string>
#include <string_view>

namespace versionres {

// Text as UTF-16. Every ill-formed sequence (a stray or missing
// continuation byte, an overlong form, a surrogate, a value past U+10FFFF)
// becomes U+FFFD; *Valid, when given, is set to whether there was none.
std::u16string Utf8ToUtf16(std::string_view Text, bool* Valid = nullptr);

// Writes Units little-endian UTF-16 units from In to Out as UTF-8, up to
// the first NUL unit, then a NUL byte; returns the bytes written, the NUL
// included. A surrogate without its partner becomes U+FFFD. Out needs room
// for 3 bytes a unit and the NUL.
std::uint32_t Utf16ToUtf8(const unsigned char* In, std::uint32_t Units, unsigned char* Out);

}  // namespace versionres
