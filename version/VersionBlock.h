#pragma once

// The version block itself: the standard VS_VERSIONINFO tree. Every node
// starts on a 4-byte boundary (counted from the start of the block) with
//   wLength       16 bits, the node's whole length in bytes
//   wValueLength  16 bits, the value's length (bytes for binary values,
//                 UTF-16 units for text values)
//   wType         16 bits, 0 for a binary value, 1 for text
//   szKey         the node's name, UTF-16, NUL-terminated
// followed, on the next 4-byte boundary, by the value and then by the child
// nodes. The root's value is the 52-byte fixed-info record.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace versionres {

// The longest block there can be: the root's wLength is 16 bits.
inline constexpr std::uint32_t kMaxVersionBlock = 0xFFFF;

// The length of the version block at the start of Data: the root's wLength
// when it is at least one node header (6 bytes) and no more than Size;
// 0 otherwise.
std::uint32_t VersionBlockLength(const void* Data, std::size_t Size);

// Looks SubBlock up in version data that ReadVersionData filled (Block,
// BlockSize bytes; the block is the first third of it). SubBlock is a path
// of node names separated by backslashes, matched without regard to ASCII
// case; empty names are skipped, so "\" is the root:
//   "\"                                    the fixed-info record
//   "\VarFileInfo\Translation"             the translation table
//   "\StringFileInfo\040904E4\CompanyName" a string value
// On success sets *Value to the node's value and *Length to its length and
// returns true. A binary value's length is in bytes. A text value is handed
// out converted to UTF-8 (the program's ANSI code page), ending at its first
// NUL, with a NUL after it; its length counts that NUL, so an empty text has
// length 1. A node whose value has length 0 gives length 0. The text copy
// is written into Block's spare room and stays valid as long as Block does.
// Returns false, leaving *Value and *Length untouched, when the path names
// no node or the nodes on the way are malformed.
bool QueryVersionBlock(void* Block, std::uint32_t BlockSize, std::string_view SubBlock,
                       const void** Value, std::uint32_t* Length);

}  // namespace versionres
