#include "support/VersionImages.h"

#include <algorithm>
#include <stdexcept>

namespace testimg {

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}
void Put64(Bytes& b, std::size_t at, std::uint64_t v) {
  Put32(b, at, static_cast<std::uint32_t>(v));
  Put32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}
std::uint16_t Get16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t Get32(const Bytes& b, std::size_t at) {
  return Get16(b, at) | std::uint32_t{Get16(b, at + 2)} << 16;
}

namespace {

void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void Pad(Bytes& b, std::size_t to) {
  while (b.size() % to != 0) b.push_back(0);
}
std::size_t Round(std::size_t v, std::size_t to) { return (v + to - 1) / to * to; }

}  // namespace

// ------------------------------------------------------------ version blocks

Bytes Utf16Bytes(const std::u16string& Text, bool WithNul) {
  Bytes b;
  for (char16_t c : Text) {
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (WithNul) b.insert(b.end(), {0, 0});
  return b;
}

TNode StringNode(const std::u16string& Key, const std::u16string& Text) {
  TNode n;
  n.Key = Key;
  n.Type = 1;
  n.Value = Utf16Bytes(Text);
  return n;
}

Bytes WriteNode(const TNode& Node) {
  Bytes b(6);
  Append(b, Utf16Bytes(Node.Key, !Node.KeyWithoutNul));
  Pad(b, 4);
  Append(b, Node.Value);
  for (const TNode& child : Node.Children) {
    Pad(b, 4);
    Append(b, WriteNode(child));
  }
  if (b.size() > 0xFFFF) throw std::length_error("test node too long");
  const std::size_t valueLength = Node.Type == 1 ? Node.Value.size() / 2 : Node.Value.size();
  Put16(b, 0, Node.Length.value_or(static_cast<std::uint16_t>(b.size())));
  Put16(b, 2, Node.ValueLength.value_or(static_cast<std::uint16_t>(valueLength)));
  Put16(b, 4, Node.Type);
  return b;
}

Bytes FixedInfo(std::uint32_t FileMs, std::uint32_t FileLs, std::uint32_t ProductMs,
                std::uint32_t ProductLs, std::uint32_t Signature) {
  Bytes b(52);
  Put32(b, 0, Signature);
  Put32(b, 4, 0x00010000);
  Put32(b, 8, FileMs);
  Put32(b, 12, FileLs);
  Put32(b, 16, ProductMs);
  Put32(b, 20, ProductLs);
  Put32(b, 24, 0x3F);
  Put32(b, 32, 0x00040004);
  Put32(b, 36, 1);
  return b;
}

TNode VersionTree(const TBlockSpec& Spec) {
  TNode root;
  root.Key = u"VS_VERSION_INFO";
  root.Type = 0;
  root.Value = FixedInfo(Spec.FileMs, Spec.FileLs, Spec.ProductMs, Spec.ProductLs);

  TNode strings;
  strings.Key = u"StringFileInfo";
  for (const TStringTable& t : Spec.Tables) {
    TNode table;
    table.Key = t.Key;
    for (const auto& [key, text] : t.Strings) table.Children.push_back(StringNode(key, text));
    strings.Children.push_back(table);
  }
  root.Children.push_back(strings);

  TNode vars;
  vars.Key = u"VarFileInfo";
  TNode translation;
  translation.Key = u"Translation";
  translation.Type = 0;
  translation.Value.resize(4 * Spec.Translations.size());
  for (std::size_t i = 0; i < Spec.Translations.size(); ++i)
    Put32(translation.Value, 4 * i, Spec.Translations[i]);
  vars.Children.push_back(translation);
  root.Children.push_back(vars);
  return root;
}

Bytes VersionBlock(const TBlockSpec& Spec) { return WriteNode(VersionTree(Spec)); }

// ----------------------------------------------------------------- PE images

namespace {

struct LangDir {
  std::uint16_t id;
  std::size_t resource;
};
struct NameDir {
  TResId id;
  std::vector<LangDir> langs;
};
struct TypeDir {
  TResId id;
  std::vector<NameDir> names;
};

// Named entries come before numbered ones in every directory.
template <typename T>
void NamedFirst(std::vector<T>& v) {
  std::stable_partition(v.begin(), v.end(),
                        [](const T& e) { return std::holds_alternative<std::u16string>(e.id); });
}

constexpr std::uint32_t kSectionAlign = 0x1000;
constexpr std::uint32_t kFileAlign = 0x200;

}  // namespace

TPeImage MakePe(const TPeSpec& Spec) {
  // Group the resources into the three-level tree.
  std::vector<TypeDir> types;
  for (std::size_t r = 0; r < Spec.Resources.size(); ++r) {
    const TResource& res = Spec.Resources[r];
    auto t = std::find_if(types.begin(), types.end(), [&](auto& e) { return e.id == res.Type; });
    if (t == types.end()) t = types.insert(types.end(), TypeDir{res.Type, {}});
    auto n = std::find_if(t->names.begin(), t->names.end(),
                          [&](auto& e) { return e.id == res.Name; });
    if (n == t->names.end()) n = t->names.insert(t->names.end(), NameDir{res.Name, {}});
    n->langs.push_back(LangDir{res.Language, r});
  }
  NamedFirst(types);
  for (TypeDir& t : types) NamedFirst(t.names);

  // Offsets inside the resource section.
  std::size_t at = 16 + 8 * types.size();
  std::vector<std::size_t> typeDirAt, nameDirAt;
  for (const TypeDir& t : types) {
    typeDirAt.push_back(at);
    at += 16 + 8 * t.names.size();
  }
  for (const TypeDir& t : types)
    for (const NameDir& n : t.names) {
      nameDirAt.push_back(at);
      at += 16 + 8 * n.langs.size();
    }
  Bytes strings;
  const std::size_t stringsAt = at;
  auto idField = [&](const TResId& id) -> std::uint32_t {
    if (auto* num = std::get_if<std::uint32_t>(&id)) return *num;
    const auto& name = std::get<std::u16string>(id);
    const std::size_t offset = stringsAt + strings.size();
    strings.push_back(static_cast<std::uint8_t>(name.size()));
    strings.push_back(static_cast<std::uint8_t>(name.size() >> 8));
    Append(strings, Utf16Bytes(name, false));
    return 0x80000000u | static_cast<std::uint32_t>(offset);
  };

  Bytes rsrc(stringsAt);
  auto directory = [&](std::size_t dirAt, std::size_t named, std::size_t numbered) {
    Put16(rsrc, dirAt + 12, static_cast<std::uint32_t>(named));
    Put16(rsrc, dirAt + 14, static_cast<std::uint32_t>(numbered));
  };
  auto countNamed = [](const auto& v) {
    return static_cast<std::size_t>(std::count_if(v.begin(), v.end(), [](const auto& e) {
      return std::holds_alternative<std::u16string>(e.id);
    }));
  };
  std::vector<std::size_t> dataEntryFor(Spec.Resources.size());
  directory(0, countNamed(types), types.size() - countNamed(types));
  std::size_t nameIndex = 0;
  std::vector<std::pair<std::size_t, std::size_t>> langEntries;  // entry offset, resource
  for (std::size_t ti = 0; ti < types.size(); ++ti) {
    const TypeDir& t = types[ti];
    Put32(rsrc, 16 + 8 * ti, idField(t.id));
    Put32(rsrc, 16 + 8 * ti + 4, 0x80000000u | static_cast<std::uint32_t>(typeDirAt[ti]));
    directory(typeDirAt[ti], countNamed(t.names), t.names.size() - countNamed(t.names));
    for (std::size_t ni = 0; ni < t.names.size(); ++ni, ++nameIndex) {
      const NameDir& n = t.names[ni];
      const std::size_t entry = typeDirAt[ti] + 16 + 8 * ni;
      Put32(rsrc, entry, idField(n.id));
      Put32(rsrc, entry + 4, 0x80000000u | static_cast<std::uint32_t>(nameDirAt[nameIndex]));
      directory(nameDirAt[nameIndex], 0, n.langs.size());
      for (std::size_t li = 0; li < n.langs.size(); ++li) {
        const std::size_t langEntry = nameDirAt[nameIndex] + 16 + 8 * li;
        Put32(rsrc, langEntry, n.langs[li].id);
        langEntries.emplace_back(langEntry, n.langs[li].resource);
      }
    }
  }
  Append(rsrc, strings);
  Pad(rsrc, 4);
  const std::size_t entriesAt = rsrc.size();
  rsrc.resize(entriesAt + 16 * Spec.Resources.size());
  for (const auto& [entry, r] : langEntries) {
    dataEntryFor[r] = entriesAt + 16 * r;
    Put32(rsrc, entry + 4, static_cast<std::uint32_t>(dataEntryFor[r]));
  }

  // Resource data: here or in a section of its own.
  Bytes own;
  Bytes& data = Spec.DataInOwnSection ? own : rsrc;
  std::vector<std::size_t> blobAt;
  for (const TResource& res : Spec.Resources) {
    Pad(data, 8);
    blobAt.push_back(data.size());
    Append(data, res.Data);
  }

  TPeImage img;
  const std::uint32_t textRva = kSectionAlign, textRaw = kFileAlign;
  const std::uint32_t rsrcRva = 2 * kSectionAlign, rsrcRaw = 2 * kFileAlign;
  const auto rsrcRawSize = static_cast<std::uint32_t>(Round(rsrc.size(), kFileAlign));
  const auto ownRva = static_cast<std::uint32_t>(rsrcRva + Round(rsrc.size(), kSectionAlign));
  const std::uint32_t ownRaw = rsrcRaw + rsrcRawSize;
  const auto ownRawSize = static_cast<std::uint32_t>(Round(own.size(), kFileAlign));
  for (std::size_t r = 0; r < Spec.Resources.size(); ++r) {
    const std::uint32_t rva = static_cast<std::uint32_t>(blobAt[r]) +
                              (Spec.DataInOwnSection ? ownRva : rsrcRva);
    Put32(rsrc, dataEntryFor[r], rva);
    Put32(rsrc, dataEntryFor[r] + 4, static_cast<std::uint32_t>(Spec.Resources[r].Data.size()));
    img.DataEntries.push_back(rsrcRaw + dataEntryFor[r]);
    img.DataBlobs.push_back((Spec.DataInOwnSection ? ownRaw : rsrcRaw) + blobAt[r]);
  }

  const std::size_t sectionCount = Spec.DataInOwnSection ? 3 : 2;
  Bytes& f = img.File;
  f.assign(ownRaw + (Spec.DataInOwnSection ? ownRawSize : 0), 0);
  f[0] = 'M';
  f[1] = 'Z';
  img.PeHeader = 0x80;
  Put32(f, 0x3C, static_cast<std::uint32_t>(img.PeHeader));
  std::copy_n("PE\0\0", 4, f.begin() + static_cast<std::ptrdiff_t>(img.PeHeader));
  const std::size_t coff = img.PeHeader + 4;
  const std::size_t optSize = Spec.Plus ? 240 : 224;
  Put16(f, coff, Spec.Plus ? 0x8664 : 0x014C);
  Put16(f, coff + 2, static_cast<std::uint32_t>(sectionCount));
  Put16(f, coff + 16, static_cast<std::uint32_t>(optSize));
  Put16(f, coff + 18, Spec.Plus ? 0x0022 : 0x0102);
  img.Optional = coff + 20;
  const std::size_t o = img.Optional;
  Put16(f, o, Spec.Plus ? 0x20B : 0x10B);
  if (Spec.Plus) {
    Put64(f, o + 24, 0x140000000ull);
  } else {
    Put32(f, o + 28, 0x00400000);
  }
  Put32(f, o + 32, kSectionAlign);
  Put32(f, o + 36, kFileAlign);
  Put32(f, o + 56, ownRva + static_cast<std::uint32_t>(Round(own.size(), kSectionAlign)));
  Put32(f, o + 60, kFileAlign);
  Put16(f, o + 68, 2);  // GUI subsystem
  const std::size_t dirs = o + (Spec.Plus ? 112 : 96);
  Put32(f, dirs - 4, 16);
  Put32(f, dirs + 2 * 8, rsrcRva);
  Put32(f, dirs + 2 * 8 + 4, static_cast<std::uint32_t>(rsrc.size()));

  img.SectionTable = o + optSize;
  auto section = [&](std::size_t i, const char* name, std::uint32_t vsize, std::uint32_t rva,
                     std::uint32_t rawSize, std::uint32_t raw, std::uint32_t flags) {
    const std::size_t h = img.SectionTable + 40 * i;
    std::copy_n(name, std::char_traits<char>::length(name),
                f.begin() + static_cast<std::ptrdiff_t>(h));
    Put32(f, h + 8, vsize);
    Put32(f, h + 12, rva);
    Put32(f, h + 16, rawSize);
    Put32(f, h + 20, raw);
    Put32(f, h + 36, flags);
  };
  section(0, ".text", 16, textRva, kFileAlign, textRaw, 0x60000020);
  f[textRaw] = 0xC3;  // ret
  section(1, ".rsrc", static_cast<std::uint32_t>(rsrc.size()), rsrcRva, rsrcRawSize, rsrcRaw,
          0x40000040);
  if (Spec.DataInOwnSection)
    section(2, ".rdata", static_cast<std::uint32_t>(own.size()), ownRva, ownRawSize, ownRaw,
            0x40000040);
  std::copy(rsrc.begin(), rsrc.end(), f.begin() + rsrcRaw);
  std::copy(own.begin(), own.end(), f.begin() + ownRaw);
  img.Rsrc = rsrcRaw;
  img.RsrcRva = rsrcRva;
  return img;
}

TPeImage MakeVersionPe(const Bytes& Block, bool Plus) {
  TPeSpec spec;
  spec.Plus = Plus;
  spec.Resources.push_back(TResource{std::uint32_t{16}, std::uint32_t{1}, 0x0409, Block});
  return MakePe(spec);
}

// ----------------------------------------------------------------- ELF files

namespace {

class ElfWriter {
public:
  ElfWriter(Bytes& b, bool big) : b_(b), big_(big) {}
  void Put(std::size_t at, std::uint64_t v, int size) {
    for (int i = 0; i < size; ++i)
      b_[at + (big_ ? size - 1 - i : i)] = static_cast<std::uint8_t>(v >> (8 * i));
  }

private:
  Bytes& b_;
  bool big_;
};

}  // namespace

TElfImage MakeElf(const TElfSpec& Spec) {
  std::vector<TElfSection> sections = Spec.Sections;
  sections.push_back(TElfSection{".shstrtab", {}, 3});
  Bytes names{0};
  std::vector<std::size_t> nameAt;
  for (TElfSection& s : sections) {
    nameAt.push_back(names.size());
    names.insert(names.end(), s.Name.begin(), s.Name.end());
    names.push_back(0);
  }
  sections.back().Data = names;

  TElfImage img;
  Bytes& f = img.File;
  const std::size_t headerSize = Spec.Wide ? 64 : 52;
  f.assign(headerSize, 0);
  for (const TElfSection& s : sections) {
    Pad(f, 8);
    img.DataAt.push_back(f.size());
    Append(f, s.Data);
  }
  img.Names = img.DataAt.back();
  Pad(f, 8);
  img.Table = f.size();
  img.EntrySize = Spec.Wide ? 64 : 40;
  const std::size_t count = sections.size() + 1;
  f.resize(img.Table + count * img.EntrySize, 0);

  ElfWriter w(f, Spec.Big);
  f[0] = 0x7F;
  f[1] = 'E';
  f[2] = 'L';
  f[3] = 'F';
  f[4] = Spec.Wide ? 2 : 1;
  f[5] = Spec.Big ? 2 : 1;
  f[6] = 1;
  w.Put(16, 2, 2);                           // executable
  w.Put(18, Spec.Wide ? 62 : 3, 2);          // x86-64 or i386
  w.Put(20, 1, 4);
  const std::size_t tail = Spec.Wide ? 0x34 : 0x28;
  w.Put(Spec.Wide ? 0x28 : 0x20, img.Table, Spec.Wide ? 8 : 4);
  w.Put(tail, headerSize, 2);
  w.Put(tail + 6, img.EntrySize, 2);
  w.Put(tail + 8, Spec.ExtendedNumbering ? 0 : count, 2);
  w.Put(tail + 10, Spec.ExtendedNumbering ? 0xFFFF : count - 1, 2);
  if (Spec.ExtendedNumbering) {
    w.Put(img.Table + (Spec.Wide ? 32 : 20), count, Spec.Wide ? 8 : 4);  // sh_size
    w.Put(img.Table + (Spec.Wide ? 40 : 24), count - 1, 4);              // sh_link
  }
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const std::size_t h = img.Table + (i + 1) * img.EntrySize;
    w.Put(h, nameAt[i], 4);
    w.Put(h + 4, sections[i].Type, 4);
    if (Spec.Wide) {
      w.Put(h + 24, img.DataAt[i], 8);
      w.Put(h + 32, sections[i].Data.size(), 8);
    } else {
      w.Put(h + 16, img.DataAt[i], 4);
      w.Put(h + 20, sections[i].Data.size(), 4);
    }
  }
  return img;
}

TElfImage MakeVersionElf(const Bytes& Block, bool Wide, bool Big) {
  TElfSpec spec;
  spec.Wide = Wide;
  spec.Big = Big;
  spec.Sections.push_back(TElfSection{".text", Bytes{0xC3}});
  spec.Sections.push_back(TElfSection{".vs_version_info", Block});
  return MakeElf(spec);
}

}  // namespace testimg
