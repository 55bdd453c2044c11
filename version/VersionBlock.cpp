// Finding version blocks in PE and ELF files, and looking values up in them.
//
// Nothing here trusts the data: every offset is checked against what is
// present before it is used, sizes are checked before buffers are made, and
// every walk over nodes, entries or sections moves strictly forward over a
// bounded range.

#include "platform/VersionRes.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

ByteSource::~ByteSource() = default;

bool MemoryByteSource::ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) const {
  if (Offset > size_ || Count > size_ - Offset) return false;
  if (Count != 0) std::memcpy(Buffer, data_ + Offset, Count);
  return true;
}

namespace {

using Byte = unsigned char;

std::uint16_t Get16(const Byte* p, bool big) {
  return big ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
             : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
}

std::uint32_t Get32(const Byte* p, bool big) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | p[big ? i : 3 - i];
  return v;
}

std::uint64_t Get64(const Byte* p, bool big) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v = v << 8 | p[big ? i : 7 - i];
  return v;
}

std::uint16_t Le16(const Byte* p) { return Get16(p, false); }
std::uint32_t Le32(const Byte* p) { return Get32(p, false); }

// True when Count bytes from Offset lie inside Source.
bool Fits(const ByteSource& Source, std::uint64_t Offset, std::uint64_t Count) {
  const std::uint64_t size = Source.Size();
  return Offset <= size && Count <= size - Offset;
}

// ---------------------------------------------------------------- PE images

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

std::optional<VersionDataLocation> LocatePe(const ByteSource& Source) {
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

// ---------------------------------------------------------------- ELF files

constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint32_t kShnXindex = 0xFFFF;

struct ElfSection {
  std::uint32_t name = 0;
  std::uint32_t type = 0;
  std::uint32_t link = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

std::optional<VersionDataLocation> LocateElf(const ByteSource& Source) {
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

// ---------------------------------------------------------- version blocks

constexpr std::uint32_t Align4(std::uint32_t Value) { return (Value + 3) & ~3u; }

// One node of a version block; offsets from the block's start.
struct Node {
  std::uint32_t end = 0;         // one past the node's last byte
  std::uint32_t key = 0;         // the key's first unit
  std::uint32_t keyUnits = 0;    // the key's length, without its NUL
  std::uint32_t value = 0;       // the value's first byte
  std::uint32_t valueBytes = 0;  // the value's bytes inside the node
  std::uint32_t children = 0;    // where the first child would start
  bool text = false;
};

// Reads the node at At, which must lie wholly before Limit.
bool ParseNode(const Byte* Data, std::uint32_t Limit, std::uint32_t At, Node* Out) {
  if (At > Limit || Limit - At < 6) return false;
  const std::uint32_t length = Le16(Data + At);
  if (length < 6 || length > Limit - At) return false;
  Out->end = At + length;
  const std::uint32_t valueLength = Le16(Data + At + 2);
  Out->text = Le16(Data + At + 4) == 1;

  Out->key = At + 6;
  std::uint32_t p = Out->key;
  for (;;) {
    if (Out->end - p < 2) return false;  // no NUL: the key runs out of the node
    if (Le16(Data + p) == 0) break;
    p += 2;
  }
  Out->keyUnits = (p - Out->key) / 2;

  Out->value = std::min(Align4(p + 2), Out->end);
  const std::uint32_t bytes = Out->text ? valueLength * 2 : valueLength;
  Out->valueBytes = std::min(bytes, Out->end - Out->value);
  Out->children = Align4(Out->value + Out->valueBytes);
  return true;
}

// One UTF-8 sequence from Text at *Pos; ill-formed bytes give U+FFFD.
char32_t NextUtf8(std::string_view Text, std::size_t* Pos) {
  const auto lead = static_cast<unsigned char>(Text[(*Pos)++]);
  if (lead < 0x80) return lead;
  int more;
  char32_t c;
  if (lead >= 0xC2 && lead <= 0xDF) more = 1, c = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF) more = 2, c = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4) more = 3, c = lead & 0x07;
  else return 0xFFFD;
  for (int i = 0; i < more; ++i) {
    if (*Pos >= Text.size()) return 0xFFFD;
    const auto b = static_cast<unsigned char>(Text[*Pos]);
    if ((b & 0xC0) != 0x80) return 0xFFFD;
    c = c << 6 | (b & 0x3F);
    ++*Pos;
  }
  const char32_t least[] = {0, 0x80, 0x800, 0x10000};
  if (c < least[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
  return c;
}

std::u16string Utf8ToUtf16(std::string_view Text) {
  std::u16string out;
  std::size_t pos = 0;
  while (pos < Text.size()) {
    const char32_t c = NextUtf8(Text, &pos);
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c; }

bool KeyIs(const Byte* Data, const Node& N, const std::u16string& Name) {
  if (N.keyUnits != Name.size()) return false;
  for (std::uint32_t i = 0; i < N.keyUnits; ++i) {
    if (FoldAscii(Le16(Data + N.key + 2 * i)) != FoldAscii(Name[i])) return false;
  }
  return true;
}

// Writes Units UTF-16 units from In as UTF-8 to Out, up to the first NUL,
// then a NUL; returns the bytes written, the NUL included. Out needs room
// for 3 bytes a unit and the NUL.
std::uint32_t Utf16ToUtf8(const Byte* In, std::uint32_t Units, Byte* Out) {
  Byte* o = Out;
  auto put = [&o](char32_t c) {
    if (c < 0x80) {
      *o++ = static_cast<Byte>(c);
    } else if (c < 0x800) {
      *o++ = static_cast<Byte>(0xC0 | c >> 6);
      *o++ = static_cast<Byte>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *o++ = static_cast<Byte>(0xE0 | c >> 12);
      *o++ = static_cast<Byte>(0x80 | (c >> 6 & 0x3F));
      *o++ = static_cast<Byte>(0x80 | (c & 0x3F));
    } else {
      *o++ = static_cast<Byte>(0xF0 | c >> 18);
      *o++ = static_cast<Byte>(0x80 | (c >> 12 & 0x3F));
      *o++ = static_cast<Byte>(0x80 | (c >> 6 & 0x3F));
      *o++ = static_cast<Byte>(0x80 | (c & 0x3F));
    }
  };
  for (std::uint32_t i = 0; i < Units; ++i) {
    const char16_t u = Le16(In + 2 * i);
    if (u == 0) break;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < Units) {
      const char16_t low = Le16(In + 2 * (i + 1));
      if (low >= 0xDC00 && low <= 0xDFFF) {
        put(0x10000 + ((char32_t{u} - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    put(u >= 0xD800 && u <= 0xDFFF ? char32_t{0xFFFD} : char32_t{u});
  }
  *o++ = 0;
  return static_cast<std::uint32_t>(o - Out);
}

}  // namespace

std::optional<VersionDataLocation> LocateVersionData(const ByteSource& Source) {
  Byte magic[2];
  if (!Source.ReadAt(0, magic, sizeof magic)) return std::nullopt;
  if (magic[0] == 'M' && magic[1] == 'Z') return LocatePe(Source);
  if (magic[0] == 0x7F && magic[1] == 'E') return LocateElf(Source);
  return std::nullopt;
}

std::uint32_t VersionBlockLength(const void* Data, std::size_t Size) {
  if (Size < 6) return 0;
  const std::uint32_t length = Le16(static_cast<const Byte*>(Data));
  return length >= 6 && length <= Size ? length : 0;
}

namespace {

// The block's location and length in Source, or nothing.
std::optional<std::pair<std::uint64_t, std::uint32_t>> FindBlock(const ByteSource& Source) {
  const auto where = LocateVersionData(Source);
  if (!where) return std::nullopt;
  Byte head[6];
  if (where->Size < sizeof head || !Source.ReadAt(where->Offset, head, sizeof head))
    return std::nullopt;
  const std::uint32_t length = VersionBlockLength(head, where->Size);
  if (length == 0) return std::nullopt;
  return std::make_pair(where->Offset, length);
}

}  // namespace

std::uint32_t VersionDataSize(const ByteSource& Source) {
  const auto block = FindBlock(Source);
  return block ? 3 * block->second : 0;
}

bool ReadVersionData(const ByteSource& Source, std::uint32_t Size, void* Data) {
  const auto block = FindBlock(Source);
  if (!block || Size / 3 < block->second) return false;
  auto* out = static_cast<Byte*>(Data);
  if (!Source.ReadAt(block->first, out, block->second)) return false;
  std::memset(out + block->second, 0, Size - block->second);
  return true;
}

bool QueryVersionBlock(void* Block, std::uint32_t BlockSize, std::string_view SubBlock,
                       const void** Value, std::uint32_t* Length) {
  auto* data = static_cast<Byte*>(Block);
  const std::uint32_t stored = BlockSize / 3;
  const std::uint32_t length = VersionBlockLength(data, stored);
  if (length == 0) return false;

  Node node;
  if (!ParseNode(data, length, 0, &node)) return false;
  std::size_t pos = 0;
  while (pos < SubBlock.size()) {
    const std::size_t stop = std::min(SubBlock.find('\\', pos), SubBlock.size());
    const std::string_view part = SubBlock.substr(pos, stop - pos);
    pos = stop + 1;
    if (part.empty()) continue;
    const std::u16string name = Utf8ToUtf16(part);
    Node child;
    bool found = false;
    for (std::uint32_t at = node.children; at < node.end; at = Align4(child.end)) {
      if (!ParseNode(data, node.end, at, &child)) return false;
      if (KeyIs(data, child, name)) {
        found = true;
        break;
      }
    }
    if (!found) return false;
    node = child;
  }

  if (!node.text) {
    *Value = data + node.value;
    *Length = node.valueBytes;
    return true;
  }
  const std::uint32_t units = node.valueBytes / 2;
  if (units == 0) {
    *Value = data + node.value;
    *Length = 0;
    return true;
  }
  // The value's room: twice its offset past the stored block, four bytes a
  // unit. Values do not overlap, so neither do their rooms, and the last
  // room ends within three times the stored length.
  Byte* room = data + stored + 2 * node.value;
  *Length = Utf16ToUtf8(data + node.value, units, room);
  *Value = room;
  return true;
}

}  // namespace platform
