// Finding the version block of a PE32 or PE32+ image.
//
// Nothing here trusts the data: every offset is checked against what is
// present before it is used, sizes are checked before buffers are made, and
// every walk over entries or sections moves strictly forward over a bounded
// range.

#include "version/PeImage.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "version/ByteOrder.h"
#include "version/VersionBlock.h"

namespace versionres {

namespace {

struct PeSection {
  std::uint32_t va = 0;      // where the section starts in the image
  std::uint32_t extent = 0;  // how many of its bytes the file holds
  std::uint32_t raw = 0;     // where those bytes start in the file
};

// The section whose file-held bytes contain Rva, with the file offset of Rva
// and the number of bytes from there to the end of the section's bytes.
bool MapRva(const std::vector<PeSection>& Sections, std::uint32_t Rva, std::uint64_t* Offset,
            std::uint32_t* Avail) {
  for (const PeSection& s : Sections) {
    if (Rva >= s.va && Rva - s.va < s.extent) {
      *Offset = static_cast<std::uint64_t>(s.raw) + (Rva - s.va);
      *Avail = s.extent - (Rva - s.va);
      return true;
    }
  }
  return false;
}

// The resource tree: reads inside [base, base + avail) of the file only.
class ResourceTree {
public:
  ResourceTree(const ByteSource& Source, std::uint64_t Base, std::uint32_t Avail)
      : source_(Source), base_(Base), avail_(Avail) {}

  bool Read(std::uint32_t Rel, void* Buffer, std::uint32_t Count) const {
    if (Rel > avail_ || Count > avail_ - Rel) return false;
    return source_.ReadAt(base_ + Rel, Buffer, Count);
  }

  // The entries (name, offset pairs) of the directory at Rel.
  bool Entries(std::uint32_t Rel, std::vector<Byte>* Out) const {
    Byte head[16];
    if (!Read(Rel, head, sizeof head)) return false;
    const std::uint32_t count = std::uint32_t{Le16(head + 12)} + Le16(head + 14);
    if (count == 0) return false;
    const std::uint32_t first = Rel + 16;
    if (first > avail_ || count * 8 > avail_ - first) return false;
    Out->resize(count * 8);
    return Read(first, Out->data(), count * 8);
  }

private:
  const ByteSource& source_;
  std::uint64_t base_;
  std::uint32_t avail_;
};

constexpr std::uint32_t kHighBit = 0x80000000u;

}  // namespace

std::optional<VersionDataLocation> LocatePeVersionData(const ByteSource& Source) {
  Byte dos[64];
  if (!Source.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return std::nullopt;
  const std::uint64_t pe = Le32(dos + 0x3C);

  Byte coff[24];
  if (!Source.ReadAt(pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0)
    return std::nullopt;
  const std::uint32_t sectionCount = Le16(coff + 6);
  const std::uint32_t optSize = Le16(coff + 20);
  const std::uint64_t opt = pe + 24;

  Byte magic[2];
  if (!Source.ReadAt(opt, magic, sizeof magic)) return std::nullopt;
  std::uint32_t countAt, dirsAt;
  switch (Le16(magic)) {
    case 0x10B: countAt = 92, dirsAt = 96; break;     // PE32
    case 0x20B: countAt = 108, dirsAt = 112; break;   // PE32+
    default: return std::nullopt;
  }
  // The resource table is the third data directory.
  if (optSize < dirsAt + 3 * 8) return std::nullopt;
  Byte count[4], dir[8];
  if (!Source.ReadAt(opt + countAt, count, sizeof count) || Le32(count) < 3 ||
      !Source.ReadAt(opt + dirsAt + 2 * 8, dir, sizeof dir))
    return std::nullopt;
  const std::uint32_t rsrcRva = Le32(dir);
  if (rsrcRva == 0) return std::nullopt;

  const std::uint64_t table = opt + optSize;
  if (!Fits(Source, table, std::uint64_t{sectionCount} * 40)) return std::nullopt;
  std::vector<Byte> raw(sectionCount * 40);
  if (!Source.ReadAt(table, raw.data(), raw.size())) return std::nullopt;
  std::vector<PeSection> sections;
  const std::uint64_t fileSize = Source.Size();
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    const Byte* h = raw.data() + i * 40;
    PeSection s;
    const std::uint32_t virtualSize = Le32(h + 8);
    s.va = Le32(h + 12);
    const std::uint32_t rawSize = Le32(h + 16);
    s.raw = Le32(h + 20);
    // Bytes past the virtual size are file padding, bytes past the end of
    // the file are not there.
    std::uint64_t extent = rawSize;
    if (virtualSize != 0) extent = std::min<std::uint64_t>(extent, virtualSize);
    extent = s.raw < fileSize ? std::min<std::uint64_t>(extent, fileSize - s.raw) : 0;
    s.extent = static_cast<std::uint32_t>(extent);
    sections.push_back(s);
  }

  std::uint64_t rsrcOffset;
  std::uint32_t rsrcAvail;
  if (!MapRva(sections, rsrcRva, &rsrcOffset, &rsrcAvail)) return std::nullopt;
  const ResourceTree tree(Source, rsrcOffset, rsrcAvail);

  // Level 1: the type directory; find type 16 among the numbered entries.
  std::vector<Byte> entries;
  if (!tree.Entries(0, &entries)) return std::nullopt;
  std::uint32_t next = 0;
  bool found = false;
  for (std::size_t i = 0; i < entries.size(); i += 8) {
    const std::uint32_t name = Le32(entries.data() + i);
    if (name == kResourceTypeVersion) {
      next = Le32(entries.data() + i + 4);
      found = true;
      break;
    }
  }
  if (!found || (next & kHighBit) == 0) return std::nullopt;

  // Level 2: the first name; level 3: its first language.
  for (int level = 2; level <= 3; ++level) {
    if (!tree.Entries(next & ~kHighBit, &entries)) return std::nullopt;
    next = Le32(entries.data() + 4);
    const bool isDirectory = (next & kHighBit) != 0;
    if (isDirectory != (level == 2)) return std::nullopt;
  }

  // The data entry: the block's address in the image and its size.
  Byte data[16];
  if (!tree.Read(next, data, sizeof data)) return std::nullopt;
  std::uint64_t offset;
  std::uint32_t avail;
  if (!MapRva(sections, Le32(data), &offset, &avail)) return std::nullopt;
  // A size running past the section's bytes is cut to them; the block's own
  // length must then still fit.
  const std::uint32_t size = std::min({Le32(data + 4), avail, kMaxVersionBlock});
  if (size == 0) return std::nullopt;
  return VersionDataLocation{offset, size};
}

}  // namespace versionres
