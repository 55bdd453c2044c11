#pragma once

// Finding an executable file's version block and reading it out.
//
// A version block is the standard VS_VERSIONINFO tree (see VersionBlock.h).
// Windows images carry it as resource type 16 (PeImage.h); our own ELF
// executables carry it in a section of their own (ElfImage.h). Any other
// file has no version data.
//
// Everything here reads data that users did not write: every length,
// offset and count is checked against the data actually present, and no
// input makes these functions read outside it, loop or crash.

#include <cstdint>
#include <optional>

#include "version/ByteSource.h"

namespace versionres {

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

// The size a buffer needs for the version data of Source: three times the
// block's length (the block, then room for the UTF-8 copies of the text
// values QueryVersionBlock hands out), or 0 when Source has no version block.
std::uint32_t VersionDataSize(const ByteSource& Source);

// Fills Data (Size bytes) with Source's version data: the block, then the
// room for text values, zeroed. False when Source has no version block or
// Size is smaller than VersionDataSize(Source) says (the file changed);
// Data's contents are then undefined.
bool ReadVersionData(const ByteSource& Source, std::uint32_t Size, void* Data);

}  // namespace versionres
