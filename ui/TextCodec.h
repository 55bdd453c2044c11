#pragma once

// Byte strings as UTF-16 text and back, without losing a byte. Paths and
// texts are bytes everywhere in the program; a toolkit that keeps its text
// in UTF-16 gets them through these two. Valid UTF-8 becomes the characters
// it encodes; every byte that is not part of a valid UTF-8 sequence (a file
// name in Latin-1, say) becomes the unpaired low surrogate U+DC00 + byte,
// which no valid text contains, and turns back into that byte.

#include <string>

// True when Bytes is valid UTF-8 through and through: Utf16FromBytes then
// makes no escapes.
bool IsValidUtf8(const std::string& Bytes);

// Bytes as UTF-16 code units.
std::u16string Utf16FromBytes(const std::string& Bytes);

// The reverse of Utf16FromBytes: UTF-16 as UTF-8, with each unpaired
// surrogate U+DC80 to U+DCFF turned back into its byte. Any other unpaired
// surrogate becomes U+FFFD.
std::string BytesFromUtf16(const std::u16string& Text);
