#pragma once

// Names and messages made safe to print on a terminal: a control character
// or a byte that is no character of the names' encoding never reaches it
// raw, so a file name cannot set the terminal's title, move its cursor or
// clear its screen.

#include <string>
#include <string_view>

// How the bytes of a name are read: UTF-8 (POSIX systems), or one byte a
// character in the ANSI code page (Windows), where only the control
// characters below 0x20 and 0x7F are unsafe.
enum class TNameBytes { Utf8, SingleByte };

#ifdef _WIN32
inline constexpr TNameBytes kPlatformNameBytes = TNameBytes::SingleByte;
#else
inline constexpr TNameBytes kPlatformNameBytes = TNameBytes::Utf8;
#endif

// Name as it is when every character of it is printable. Otherwise the
// name quoted as one shell word, as `ls` quotes it: printable runs between
// single quotes, every other byte as a C escape inside $'...' ("\033",
// "\a", "\n"), a single quote as \'. Control characters of both ranges
// (C0, DEL, and in UTF-8 U+0080 to U+009F) and bytes of invalid UTF-8 are
// the ones escaped.
std::string QuotedName(std::string_view Name, TNameBytes Bytes = kPlatformNameBytes);

// Text with every byte that QuotedName would escape written as its C escape
// in place, without quotes; a line end (LF or CR LF) at the very end stays
// as it is. For messages that carry names.
std::string EscapedText(std::string_view Text, TNameBytes Bytes = kPlatformNameBytes);
