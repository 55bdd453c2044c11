// Finding the version block of an ELF file.
//
// Nothing here trusts the data: every offset is checked against what is
// present before it is used, and the walk over the sections moves strictly
// forward over a bounded range.

#include "version/ElfImage.h"

#include <algorithm>
#include <cstring>

#include "version/ByteOrder.h"
#include "version/VersionBlock.h"

namespace versionres {

namespace {

constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint32_t kShnXindex = 0xFFFF;

struct ElfSection {
  std::uint32_t name = 0;
  std::uint32_t type = 0;
  std::uint32_t link = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

}  // namespace

std::optional<VersionDataLocation> LocateElfVersionData(const ByteSource& Source) {
  Byte ident[16];
  if (!Source.ReadAt(0, ident, sizeof ident) || std::memcmp(ident, "\x7F" "ELF", 4) != 0)
    return std::nullopt;
  const bool wide = ident[4] == 2;
  if (ident[4] != 1 && !wide) return std::nullopt;
  const bool big = ident[5] == 2;
  if (ident[5] != 1 && !big) return std::nullopt;

  Byte header[64];
  const std::size_t headerSize = wide ? 64 : 52;
  if (!Source.ReadAt(0, header, headerSize)) return std::nullopt;
  const std::uint64_t tableAt = wide ? Get64(header + 0x28, big) : Get32(header + 0x20, big);
  const Byte* tail = header + (wide ? 0x3A : 0x2E);
  const std::uint32_t entrySize = Get16(tail, big);
  std::uint64_t count = Get16(tail + 2, big);
  std::uint32_t namesIndex = Get16(tail + 4, big);
  if (tableAt == 0 || tableAt > Source.Size() || entrySize < (wide ? 64u : 40u))
    return std::nullopt;

  auto section = [&](std::uint64_t Index, ElfSection* Out) {
    Byte h[64];
    if (Index > Source.Size() / entrySize) return false;  // keeps the sum below from wrapping
    if (!Source.ReadAt(tableAt + Index * entrySize, h, wide ? 64 : 40)) return false;
    Out->name = Get32(h, big);
    Out->type = Get32(h + 4, big);
    Out->offset = wide ? Get64(h + 24, big) : Get32(h + 16, big);
    Out->size = wide ? Get64(h + 32, big) : Get32(h + 20, big);
    Out->link = wide ? Get32(h + 40, big) : Get32(h + 24, big);
    return true;
  };

  // Tables too long for the header's fields keep their length in section 0.
  if (count == 0 || namesIndex == kShnXindex) {
    ElfSection zero;
    if (!section(0, &zero)) return std::nullopt;
    if (count == 0) count = zero.size;
    if (namesIndex == kShnXindex) namesIndex = zero.link;
  }
  // Every entry has to be in the file: this bounds the walk below.
  if (count > Source.Size() / entrySize || !Fits(Source, tableAt, count * entrySize))
    return std::nullopt;

  ElfSection names;
  if (namesIndex >= count || !section(namesIndex, &names) || names.type == kShtNobits ||
      !Fits(Source, names.offset, names.size))
    return std::nullopt;

  constexpr std::size_t wantLength = sizeof kVersionSectionName;  // with its NUL
  for (std::uint64_t i = 0; i < count; ++i) {
    ElfSection s;
    if (!section(i, &s)) return std::nullopt;
    if (s.name >= names.size || names.size - s.name < wantLength) continue;
    char name[wantLength];
    if (!Source.ReadAt(names.offset + s.name, name, wantLength)) return std::nullopt;
    if (std::memcmp(name, kVersionSectionName, wantLength) != 0) continue;
    if (s.type == kShtNobits || s.size == 0 || !Fits(Source, s.offset, s.size))
      return std::nullopt;
    return VersionDataLocation{s.offset,
                               static_cast<std::uint32_t>(std::min<std::uint64_t>(
                                   s.size, kMaxVersionBlock))};
  }
  return std::nullopt;
}

}  // namespace versionres
