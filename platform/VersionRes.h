#pragma once

// Version resource services: finding the version block of an executable
// file, reading it, and looking values up in it by path.
//
// A version block is the standard VS_VERSIONINFO tree. Every node starts
// on a 4-byte boundary (counted from the start of the block) with
//   wLength       16 bits, the node's whole length in bytes
//   wValueLength  16 bits, the value's length (bytes for binary values,
//                 UTF-16 units for text values)
//   wType         16 bits, 0 for a binary value, 1 for text
//   szKey         the node's name, UTF-16, NUL-terminated
// followed, on the next 4-byte boundary, by the value and then by the child
// nodes. The root's value is the 52-byte fixed-info record.
//
// Windows images carry the block as resource type 16 (its first name, its
// first language); our own ELF executables carry it in the section named
// kVersionSectionName. Any other file has no version data.
//
// Everything here reads data that users did not write: every length,
// offset and count is checked against the data actually present, and no
// input makes these functions read outside it, loop or crash.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The ELF section our build puts each executable's version block into.
inline constexpr char kVersionSectionName[] = ".vs_version_info";

// Resource type of version blocks in Windows images.
inline constexpr std::uint32_t kResourceTypeVersion = 16;

// The longest block there can be: the root's wLength is 16 bits.
inline constexpr std::uint32_t kMaxVersionBlock = 0xFFFF;

// Random access to the bytes of a file or of a buffer.
class ByteSource {
public:
  virtual ~ByteSource();
  // The number of bytes there are.
  virtual std::uint64_t Size() const = 0;
  // Copies Count bytes from Offset into Buffer. False, with Buffer's
  // contents undefined, when any of them lies beyond Size() or cannot be
  // read.
  virtual bool ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) const = 0;
};

// A ByteSource over bytes in memory, which must outlive it.
class MemoryByteSource final : public ByteSource {
public:
  MemoryByteSource(const void* Data, std::size_t Size)
      : data_(static_cast<const unsigned char*>(Data)), size_(Size) {}
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) const override;

private:
  const unsigned char* data_;
  std::size_t size_;
};

// Where a file keeps its version block: Size bytes from Offset, as the
// file's own headers record it (PE resource data entry, ELF section), cut
// to kMaxVersionBlock.
struct VersionDataLocation {
  std::uint64_t Offset = 0;
  std::uint32_t Size = 0;
};

// Finds the version block in a PE32 or PE32+ image or in an ELF file (32 or
// 64 bits, either byte order). Returns nothing for any other content, for
// an image without a version block, and for headers that point outside the
// source. The location returned lies wholly inside Source.
std::optional<VersionDataLocation> LocateVersionData(const ByteSource& Source);

// The length of the version block at the start of Data: the root's wLength
// when it is at least one node header (6 bytes) and no more than Size;
// 0 otherwise.
std::uint32_t VersionBlockLength(const void* Data, std::size_t Size);

// The size a buffer needs for the version data of Source: three times the
// block's length (the block, then room for the UTF-8 copies of the text
// values QueryVersionBlock hands out), or 0 when Source has no version block.
std::uint32_t VersionDataSize(const ByteSource& Source);

// Fills Data (Size bytes) with Source's version data: the block, then the
// room for text values, zeroed. False when Source has no version block or
// Size is smaller than VersionDataSize(Source) says (the file changed);
// Data's contents are then undefined.
bool ReadVersionData(const ByteSource& Source, std::uint32_t Size, void* Data);

// The version resource services of the platform. Windows answers them
// with its own calls (GetFileVersionInfoSizeA, GetFileVersionInfoA,
// VerQueryValueA); elsewhere they are the functions above, with files read
// through the current FileEnv.
//
// The size of the buffer that ReadFileVersionData needs for FileName's
// version data, and the reading itself. A file that cannot be opened or read
// has no version data (size 0, read false).
std::uint32_t FileVersionDataSize(const std::string& FileName);
bool ReadFileVersionData(const std::string& FileName, std::uint32_t Size, void* Data);
// Looks SubBlock up in the data ReadFileVersionData filled, as
// QueryVersionBlock does.
bool QueryVersionValue(void* Block, std::uint32_t BlockSize, std::string_view SubBlock,
                       const void** Value, std::uint32_t* Length);

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

// The full path of the running program's own executable file, or an empty
// string when the system does not tell.
std::string ProgramFileName();

}  // namespace platform
