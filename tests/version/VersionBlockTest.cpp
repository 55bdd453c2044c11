#include "platform/VersionRes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/FileEnv.h"
#include "support/FaultFileEnv.h"
#include "support/TempDir.h"
#include "support/VersionImages.h"

using namespace testimg;
using platform::LocateVersionData;
using platform::MemoryByteSource;

namespace {

struct TResult {
  bool Ok = false;
  std::string Value;  // Length bytes from the value
  std::uint32_t Length = 0;
};

// Queries Block laid out as ReadVersionData lays it out, and checks that
// the value handed out lies inside the data.
TResult Query(const Bytes& Block, std::string_view Path) {
  Bytes data(3 * Block.size());
  std::copy(Block.begin(), Block.end(), data.begin());
  const void* value = nullptr;
  std::uint32_t length = 0xDEADu;
  TResult r;
  r.Ok = platform::QueryVersionBlock(data.data(), static_cast<std::uint32_t>(data.size()), Path,
                                     &value, &length);
  if (!r.Ok) {
    EXPECT_EQ(value, nullptr) << Path;
    EXPECT_EQ(length, 0xDEADu) << Path;
    return r;
  }
  const auto* p = static_cast<const std::uint8_t*>(value);
  EXPECT_GE(p, data.data()) << Path;
  EXPECT_LE(p + length, data.data() + data.size()) << Path;
  r.Length = length;
  r.Value.assign(reinterpret_cast<const char*>(p), length);
  return r;
}

std::string Z(const std::string& s) { return s + '\0'; }

// ------------------------------------------------------------------ queries

struct TPathCase {
  const char* Path;
  bool Ok;
  std::string Value;
};

TEST(QueryVersionBlockTest, FindsValuesByPath) {
  const Bytes block = VersionBlock();
  const std::string fixed = std::string(reinterpret_cast<const char*>(
                                            FixedInfo(0x00010002, 0x00030004, 0x00020001, 0x25).data()),
                                        52);
  const TPathCase cases[] = {
      {"\\", true, fixed},  // begins with the signature BD 04 EF FE
      {"", true, fixed},
      {"\\VarFileInfo\\Translation", true, std::string("\x09\x04\xE4\x04", 4)},
      {"\\StringFileInfo\\040904E4\\CompanyName", true, Z("Brindle")},
      {"\\StringFileInfo\\040904E4\\ProductName", true, Z("Pagetrim")},
      {"\\StringFileInfo\\040904E4\\OriginalFilename", true, Z("testimage.exe")},
      {"\\StringFileInfo\\040904E4\\LegalCopyright", true, Z("Copyright \xC2\xA9 Brindle")},
      // Names match without regard to ASCII case.
      {"\\stringfileinfo\\040904e4\\companyname", true, Z("Brindle")},
      {"\\VARFILEINFO\\TRANSLATION", true, std::string("\x09\x04\xE4\x04", 4)},
      // Empty names are skipped; the leading backslash is optional.
      {"StringFileInfo\\040904E4\\CompanyName", true, Z("Brindle")},
      {"\\\\StringFileInfo\\\\040904E4\\CompanyName\\", true, Z("Brindle")},
      // Nodes without values.
      {"\\VarFileInfo", true, ""},
      {"\\StringFileInfo\\040904E4", true, ""},
      // Paths that name no node.
      {"\\StringFileInfo\\040904E4\\Comments", false, ""},
      {"\\StringFileInfo\\040904E4\\CompanyNam", false, ""},
      {"\\StringFileInfo\\040904E4\\CompanyNameX", false, ""},
      {"\\StringFileInfo\\040704B0\\CompanyName", false, ""},
      {"\\StringFileInfo\\040904E4\\CompanyName\\More", false, ""},
      {"\\VS_VERSION_INFO", false, ""},
      {"\\Translation", false, ""},
  };
  for (const TPathCase& c : cases) {
    const TResult r = Query(block, c.Path);
    EXPECT_EQ(r.Ok, c.Ok) << c.Path;
    if (c.Ok) {
      EXPECT_EQ(r.Value, c.Value) << c.Path;
      EXPECT_EQ(r.Length, c.Value.size()) << c.Path;
    }
  }
}

struct TTextCase {
  const char* Name;
  Bytes Value;                          // the value's bytes as stored
  std::optional<std::uint16_t> Units;   // wValueLength, when not the true one
  std::optional<std::string> Expected;  // UTF-8 with the NUL; nothing for length 0
};

TEST(QueryVersionBlockTest, TextValuesComeOutAsUtf8) {
  const TTextCase cases[] = {
      {"empty", Utf16Bytes(u""), {}, Z("")},
      {"ascii", Utf16Bytes(u"Pagetrim"), {}, Z("Pagetrim")},
      {"latin", Utf16Bytes(u"Stra\u00DFe \u00C4"), {}, Z("Stra\xC3\x9F" "e \xC3\x84")},
      {"euro", Utf16Bytes(u"\u20AC"), {}, Z("\xE2\x82\xAC")},
      {"surrogate pair", Utf16Bytes(u"\U0001D11E"), {}, Z("\xF0\x9D\x84\x9E")},
      {"lone high surrogate", Utf16Bytes(std::u16string{0xD800, u'x'}), {},
       Z("\xEF\xBF\xBDx")},
      {"lone low surrogate", Utf16Bytes(std::u16string{u'x', 0xDC00}), {},
       Z("x\xEF\xBF\xBD")},
      {"high surrogate last", Utf16Bytes(std::u16string{u'x', 0xDBFF}), {}, Z("x\xEF\xBF\xBD")},
      {"ends at the first NUL", Utf16Bytes(std::u16string{u'a', u'b', 0, u'c'}), {}, Z("ab")},
      {"no NUL stored", Utf16Bytes(u"ab", false), {}, Z("ab")},
      {"length without the NUL", Utf16Bytes(u"abc"), 3, Z("abc")},
      {"length in bytes", Utf16Bytes(u"abc"), 8, Z("abc")},
      {"length past the node", Utf16Bytes(u"abc"), 500, Z("abc")},
      {"length cuts the text", Utf16Bytes(u"abcdef"), 2, Z("ab")},
      {"length zero", Utf16Bytes(u"abc"), 0, std::nullopt},
  };
  for (const TTextCase& c : cases) {
    TNode value;
    value.Key = u"Comments";
    value.Value = c.Value;
    value.ValueLength = c.Units;
    TNode table{u"040904E4", 1, {}, {}, {}, false, {value}};
    TNode strings{u"StringFileInfo", 1, {}, {}, {}, false, {table}};
    TNode root = VersionTree({});
    root.Children.front() = strings;
    const TResult r = Query(WriteNode(root), "\\StringFileInfo\\040904E4\\Comments");
    ASSERT_TRUE(r.Ok) << c.Name;
    if (c.Expected) {
      EXPECT_EQ(r.Value, *c.Expected) << c.Name;
      EXPECT_EQ(r.Length, c.Expected->size()) << c.Name;
    } else {
      EXPECT_EQ(r.Length, 0u) << c.Name;
    }
  }
}

TEST(QueryVersionBlockTest, EveryTextValueKeepsItsOwnCopy) {
  // Values handed out earlier stay valid while later ones are asked for.
  Bytes block = VersionBlock();
  Bytes data(3 * block.size());
  std::copy(block.begin(), block.end(), data.begin());
  const auto size = static_cast<std::uint32_t>(data.size());
  const void* company = nullptr;
  const void* product = nullptr;
  std::uint32_t length = 0;
  ASSERT_TRUE(platform::QueryVersionBlock(data.data(), size,
                                          "\\StringFileInfo\\040904E4\\CompanyName", &company,
                                          &length));
  ASSERT_TRUE(platform::QueryVersionBlock(data.data(), size,
                                          "\\StringFileInfo\\040904E4\\ProductName", &product,
                                          &length));
  EXPECT_STREQ(static_cast<const char*>(company), "Brindle");
  EXPECT_STREQ(static_cast<const char*>(product), "Pagetrim");
  // The block itself is left as it was.
  EXPECT_TRUE(std::equal(block.begin(), block.end(), data.begin()));
}

// Malformed blocks: each case breaks the standard tree and names a query
// and whether it may still succeed.
struct TBrokenCase {
  const char* Name;
  std::function<void(TNode&)> Break;
  const char* Path;
  bool Ok;
};

TEST(QueryVersionBlockTest, MalformedBlocksAreRefused) {
  const char* product = "\\StringFileInfo\\040904E4\\ProductName";
  auto table = [](TNode& root) -> TNode& { return root.Children[0].Children[0]; };
  const TBrokenCase cases[] = {
      {"child of length 0", [](TNode& r) { r.Children[0].Length = 0; }, product, false},
      {"child of length 5", [](TNode& r) { r.Children[0].Length = 5; }, product, false},
      {"string of length 0 before the one asked for",
       [&](TNode& r) { table(r).Children[0].Length = 0; }, product, false},
      {"child longer than its parent", [](TNode& r) { r.Children[0].Length = 0xFFF0; }, product,
       false},
      {"child longer than its parent, other branch",
       [](TNode& r) { r.Children[0].Length = 0xFFF0; }, "\\", true},
      {"key without NUL", [](TNode& r) {
         r.Children[0].KeyWithoutNul = true;
         r.Children[0].Length = 6 + 28;  // the key alone
       }, product, false},
      {"root key without NUL", [](TNode& r) {
         r.KeyWithoutNul = true;
         r.Value.clear();
         r.Children.clear();
       }, "\\", false},
      {"root of length 6", [](TNode& r) { r.Length = 6; }, "\\", false},
      {"root of length 5", [](TNode& r) { r.Length = 5; }, "\\", false},
      {"fixed info cut short", [](TNode& r) { r.Value.resize(20); }, "\\", true},
      {"translation value length past its node",
       [](TNode& r) { r.Children[1].Children[0].ValueLength = 0x7000; },
       "\\VarFileInfo\\Translation", true},
  };
  for (const TBrokenCase& c : cases) {
    TNode root = VersionTree({});
    c.Break(root);
    const TResult r = Query(WriteNode(root), c.Path);
    EXPECT_EQ(r.Ok, c.Ok) << c.Name;
  }
}

TEST(QueryVersionBlockTest, RootLongerThanTheBlockIsRefused) {
  Bytes block = VersionBlock();
  Put16(block, 0, static_cast<std::uint32_t>(block.size() + 4));
  EXPECT_FALSE(Query(block, "\\").Ok);
  for (std::size_t n = 0; n < 6; ++n)
    EXPECT_FALSE(Query(Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n)), "\\").Ok);
}

TEST(VersionBlockLengthTest, AcceptsOnlyWholeBlocks) {
  struct {
    std::uint16_t Length;
    std::size_t Size;
    std::uint32_t Expected;
  } cases[] = {{6, 6, 6}, {100, 100, 100}, {100, 200, 100}, {101, 100, 0},
               {5, 100, 0}, {0, 100, 0},   {0xFFFF, 0xFFFF, 0xFFFF}, {6, 5, 0}};
  for (const auto& c : cases) {
    Bytes data(std::max<std::size_t>(c.Size, 2));
    Put16(data, 0, c.Length);
    EXPECT_EQ(platform::VersionBlockLength(data.data(), c.Size), c.Expected)
        << c.Length << " in " << c.Size;
  }
}

// --------------------------------------------------------------- locating

void ExpectBlockAt(const Bytes& File, std::size_t Offset, std::size_t Size, const char* Name) {
  const MemoryByteSource source(File.data(), File.size());
  const auto where = LocateVersionData(source);
  ASSERT_TRUE(where.has_value()) << Name;
  EXPECT_EQ(where->Offset, Offset) << Name;
  EXPECT_EQ(where->Size, Size) << Name;
}

TEST(LocateVersionDataTest, FindsTheBlockInPeImages) {
  const Bytes block = VersionBlock();
  for (bool plus : {false, true}) {
    const TPeImage img = MakeVersionPe(block, plus);
    ExpectBlockAt(img.File, img.DataBlobs[0], block.size(), plus ? "PE32+" : "PE32");
  }
}

struct TTreeCase {
  const char* Name;
  std::vector<TResource> Resources;
  std::size_t Expected;  // index of the resource found
};

TEST(LocateVersionDataTest, TakesTypeSixteenFirstNameFirstLanguage) {
  const Bytes a = VersionBlock(), b(40, 0xBB), c(48, 0xCC), d(56, 0xDD);
  const TTreeCase cases[] = {
      {"other types around it",
       {{3u, 1u, 0x0409, b}, {std::u16string(u"HTML"), 1u, 0x0409, c}, {16u, 1u, 0x0409, a},
        {24u, 1u, 0x0409, d}},
       2},
      {"type 16 named is not the version type",
       {{std::u16string(u"16"), 1u, 0x0409, b}, {16u, 1u, 0x0409, a}},
       1},
      {"first name of several",
       {{16u, 1u, 0x0409, a}, {16u, 2u, 0x0409, b}},
       0},
      {"a named entry comes first",
       {{16u, 1u, 0x0409, b}, {16u, std::u16string(u"MAIN"), 0x0409, a}},
       1},
      {"first language of several",
       {{16u, 1u, 0x0407, a}, {16u, 1u, 0x0409, b}, {16u, 1u, 0x040C, c}},
       0},
  };
  for (bool own : {false, true}) {
    for (const TTreeCase& t : cases) {
      TPeSpec spec;
      spec.Resources = t.Resources;
      spec.DataInOwnSection = own;
      const TPeImage img = MakePe(spec);
      ExpectBlockAt(img.File, img.DataBlobs[t.Expected], t.Resources[t.Expected].Data.size(),
                    t.Name);
    }
  }
}

TEST(LocateVersionDataTest, FindsTheBlockInElfFiles) {
  const Bytes block = VersionBlock();
  for (bool wide : {false, true}) {
    for (bool big : {false, true}) {
      const TElfImage img = MakeVersionElf(block, wide, big);
      ExpectBlockAt(img.File, img.DataAt[1], block.size(), wide ? "64" : "32");
    }
  }
  TElfSpec spec;
  spec.Sections = {{".text", {1, 2, 3}}, {".vs_version_info", block}};
  spec.ExtendedNumbering = true;
  const TElfImage img = MakeElf(spec);
  ExpectBlockAt(img.File, img.DataAt[1], block.size(), "extended numbering");
}

TEST(LocateVersionDataTest, CutsLongBlocksToTheLongestThereCanBe) {
  Bytes big(0x12000, 0);
  const Bytes block = VersionBlock();
  std::copy(block.begin(), block.end(), big.begin());
  const TElfImage img = MakeVersionElf(big);
  ExpectBlockAt(img.File, img.DataAt[1], platform::kMaxVersionBlock, "ELF");
  const TPeImage pe = MakeVersionPe(big);
  ExpectBlockAt(pe.File, pe.DataBlobs[0], platform::kMaxVersionBlock, "PE");
}

TEST(LocateVersionDataTest, FilesWithoutBlockHaveNone) {
  const Bytes block = VersionBlock();
  TPeSpec noVersion;
  noVersion.Resources = {{3u, 1u, 0x0409, block}, {14u, 1u, 0x0409, block}};
  TPeSpec noResources;
  TElfSpec otherSections;
  otherSections.Sections = {{".text", {1}}, {".vs_version_inf", block}, {".vs_version_infos", block}};
  TElfSpec nobits;
  nobits.Sections = {{".vs_version_info", block, 8}};
  const std::string text = "<html><body>MZ</body></html>";
  const struct {
    const char* Name;
    Bytes File;
  } cases[] = {
      {"empty", {}},
      {"one byte", {'M'}},
      {"MZ alone", {'M', 'Z'}},
      {"text", Bytes(text.begin(), text.end())},
      {"a bare block", block},
      {"PE without version resource", MakePe(noVersion).File},
      {"PE without resources", MakePe(noResources).File},
      {"ELF without the section", MakeElf(otherSections).File},
      {"ELF section without bytes", MakeElf(nobits).File},
  };
  for (const auto& c : cases) {
    const MemoryByteSource source(c.File.data(), c.File.size());
    EXPECT_FALSE(LocateVersionData(source).has_value()) << c.Name;
    EXPECT_EQ(platform::VersionDataSize(source), 0u) << c.Name;
  }
}

// Corrupt headers: each case changes a valid PE32 image and says whether
// the block may still be found.
struct TPeBreak {
  const char* Name;
  std::function<void(TPeImage&)> Break;
  bool Found;
};

TEST(LocateVersionDataTest, CorruptPeHeadersFindNothing) {
  auto dataDir = [](TPeImage& i) { return i.Optional + 96 + 16; };
  auto rsrcHeader = [](TPeImage& i) { return i.SectionTable + 40; };
  const TPeBreak cases[] = {
      {"intact", [](TPeImage&) {}, true},
      {"PE header past the end", [](TPeImage& i) { Put32(i.File, 0x3C, 0x7FFFFFF0); }, false},
      {"PE header at the very end",
       [](TPeImage& i) { Put32(i.File, 0x3C, static_cast<std::uint32_t>(i.File.size() - 4)); },
       false},
      {"PE header offset all ones", [](TPeImage& i) { Put32(i.File, 0x3C, 0xFFFFFFFF); }, false},
      {"no PE signature", [](TPeImage& i) { i.File[i.PeHeader + 1] = 'X'; }, false},
      {"unknown optional header", [](TPeImage& i) { Put16(i.File, i.Optional, 0x107); }, false},
      {"optional header too small for the resource entry",
       [](TPeImage& i) { Put16(i.File, i.PeHeader + 20, 96 + 16); }, false},
      {"two data directories",
       [](TPeImage& i) { Put32(i.File, i.Optional + 92, 2); }, false},
      {"no resource table", [&](TPeImage& i) { Put32(i.File, dataDir(i), 0); }, false},
      {"resource table outside every section",
       [&](TPeImage& i) { Put32(i.File, dataDir(i), 0x90000); }, false},
      {"section table past the end", [](TPeImage& i) { Put16(i.File, i.PeHeader + 6, 0xFFFF); },
       false},
      {"resource bytes past the end",
       [&](TPeImage& i) { Put32(i.File, rsrcHeader(i) + 20, 0x7FFFFF00); }, false},
      {"resource section without bytes",
       [&](TPeImage& i) { Put32(i.File, rsrcHeader(i) + 16, 0); }, false},
      {"resource section cut before the data",
       [&](TPeImage& i) { Put32(i.File, rsrcHeader(i) + 8, 0x50); }, false},
      {"type directory with no entries",
       [](TPeImage& i) { Put32(i.File, i.Rsrc + 12, 0); }, false},
      {"type directory with too many entries",
       [](TPeImage& i) { Put32(i.File, i.Rsrc + 12, 0xFFFFFFFF); }, false},
      {"type entry leading to data", [](TPeImage& i) { i.File[i.Rsrc + 16 + 7] = 0; }, false},
      {"type entry leading far away",
       [](TPeImage& i) { Put32(i.File, i.Rsrc + 20, 0xFFFFFFF0); }, false},
      {"type entry leading back to the root",
       [](TPeImage& i) { Put32(i.File, i.Rsrc + 20, 0x80000000); }, false},
      {"name entry leading to its own directory", [](TPeImage& i) {
         const std::uint32_t dir = Get32(i.File, i.Rsrc + 20) & 0x7FFFFFFF;
         Put32(i.File, i.Rsrc + dir + 16 + 4, 0x80000000 | dir);
       }, false},
      {"language entry leading to a directory", [](TPeImage& i) {
         const std::uint32_t dir = Get32(i.File, i.Rsrc + 20) & 0x7FFFFFFF;
         const std::uint32_t langs = Get32(i.File, i.Rsrc + dir + 16 + 4) & 0x7FFFFFFF;
         Put32(i.File, i.Rsrc + langs + 16 + 4, 0x80000000);
       }, false},
      {"data entry outside the resources", [](TPeImage& i) {
         const std::uint32_t dir = Get32(i.File, i.Rsrc + 20) & 0x7FFFFFFF;
         const std::uint32_t langs = Get32(i.File, i.Rsrc + dir + 16 + 4) & 0x7FFFFFFF;
         Put32(i.File, i.Rsrc + langs + 16 + 4, 0x7FFFFFF0);
       }, false},
      {"data outside every section",
       [](TPeImage& i) { Put32(i.File, i.DataEntries[0], 0x00800000); }, false},
      {"data of size 0", [](TPeImage& i) { Put32(i.File, i.DataEntries[0] + 4, 0); }, false},
      {"data longer than its section, cut",
       [](TPeImage& i) { Put32(i.File, i.DataEntries[0] + 4, 0x7FFFFFFF); }, true},
  };
  const Bytes block = VersionBlock();
  for (const TPeBreak& c : cases) {
    TPeImage img = MakeVersionPe(block);
    c.Break(img);
    const MemoryByteSource source(img.File.data(), img.File.size());
    const auto where = LocateVersionData(source);
    EXPECT_EQ(where.has_value(), c.Found) << c.Name;
    if (where) {
      EXPECT_EQ(where->Offset, img.DataBlobs[0]) << c.Name;
      EXPECT_LE(where->Offset + where->Size, img.File.size()) << c.Name;
      // The block is still whole and usable.
      EXPECT_EQ(platform::VersionDataSize(source), 3 * block.size()) << c.Name;
    }
  }
}

struct TElfBreak {
  const char* Name;
  std::function<void(TElfImage&)> Break;
  bool Found;
};

TEST(LocateVersionDataTest, CorruptElfHeadersFindNothing) {
  // 64-bit little-endian; the version section is entry 2, the names entry 3.
  auto entry = [](TElfImage& i, std::size_t n) { return i.Table + n * i.EntrySize; };
  const TElfBreak cases[] = {
      {"intact", [](TElfImage&) {}, true},
      {"unknown class", [](TElfImage& i) { i.File[4] = 3; }, false},
      {"unknown byte order", [](TElfImage& i) { i.File[5] = 0; }, false},
      {"no section table", [](TElfImage& i) { Put64(i.File, 0x28, 0); }, false},
      {"section table past the end",
       [](TElfImage& i) { Put64(i.File, 0x28, 0xFFFFFFFFFFFFFF00ull); }, false},
      {"section table running past the end",
       [](TElfImage& i) { Put16(i.File, 0x3C, 0xFFFE); }, false},
      {"entries too small", [](TElfImage& i) { Put16(i.File, 0x3A, 32); }, false},
      {"names index past the table", [](TElfImage& i) { Put16(i.File, 0x3E, 40); }, false},
      {"names table past the end",
       [&](TElfImage& i) { Put64(i.File, entry(i, 3) + 24, 0xFFFFFFFFFFFFFFF0ull); }, false},
      {"names table too long",
       [&](TElfImage& i) { Put64(i.File, entry(i, 3) + 32, 0x7FFFFFFFFFFFFFFFull); }, false},
      {"name offset past the names",
       [&](TElfImage& i) { Put32(i.File, entry(i, 2), 0xFFFFFFF0); }, false},
      {"section bytes past the end",
       [&](TElfImage& i) { Put64(i.File, entry(i, 2) + 24, 0xFFFFFFFFFFFFFFF0ull); }, false},
      {"section too long",
       [&](TElfImage& i) { Put64(i.File, entry(i, 2) + 32, 0xFFFFFFFFFFFFFFF0ull); }, false},
      {"section of size 0", [&](TElfImage& i) { Put64(i.File, entry(i, 2) + 32, 0); }, false},
      {"extended count of all ones", [&](TElfImage& i) {
         Put16(i.File, 0x3C, 0);
         Put64(i.File, entry(i, 0) + 32, 0xFFFFFFFFFFFFFFFFull);
       }, false},
      {"extended names index of all ones", [&](TElfImage& i) {
         Put16(i.File, 0x3E, 0xFFFF);
         Put32(i.File, entry(i, 0) + 40, 0xFFFFFFFF);
       }, false},
  };
  const Bytes block = VersionBlock();
  for (const TElfBreak& c : cases) {
    TElfImage img = MakeVersionElf(block);
    c.Break(img);
    const MemoryByteSource source(img.File.data(), img.File.size());
    EXPECT_EQ(LocateVersionData(source).has_value(), c.Found) << c.Name;
  }
}

// Every prefix of a valid file: nothing found may reach past the prefix.
TEST(LocateVersionDataTest, TruncatedFilesNeverReachPastTheirEnd) {
  const Bytes block = VersionBlock();
  const Bytes files[] = {MakeVersionPe(block, false).File, MakeVersionPe(block, true).File,
                         MakeVersionElf(block, true).File, MakeVersionElf(block, false, true).File};
  for (const Bytes& file : files) {
    std::size_t found = 0;
    for (std::size_t n = 0; n <= file.size(); ++n) {
      const MemoryByteSource source(file.data(), n);
      const auto where = LocateVersionData(source);
      if (!where) continue;
      ++found;
      EXPECT_LE(where->Offset + where->Size, n);
    }
    EXPECT_GT(found, 0u);  // at least the whole file
  }
}

// Random damage: whatever is found lies inside the file, and every value
// handed out lies inside the data.
TEST(LocateVersionDataTest, RandomDamageStaysInBounds) {
  const Bytes block = VersionBlock();
  const Bytes files[] = {MakeVersionPe(block, false).File, MakeVersionPe(block, true).File,
                         MakeVersionElf(block, true).File, MakeVersionElf(block, false).File};
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  const char* paths[] = {"\\", "\\VarFileInfo\\Translation",
                         "\\StringFileInfo\\040904E4\\CompanyName",
                         "\\StringFileInfo\\040904E4\\LegalCopyright"};
  std::size_t usable = 0;
  for (const Bytes& original : files) {
    for (int round = 0; round < 1500; ++round) {
      Bytes file = original;
      const int flips = 1 + static_cast<int>(next() % 6);
      for (int k = 0; k < flips; ++k) file[next() % file.size()] = static_cast<std::uint8_t>(next());
      const MemoryByteSource source(file.data(), file.size());
      if (const auto where = LocateVersionData(source)) {
        ASSERT_LE(where->Offset + where->Size, file.size());
      }
      const std::uint32_t size = platform::VersionDataSize(source);
      if (size == 0) continue;
      Bytes data(size);
      ASSERT_TRUE(platform::ReadVersionData(source, size, data.data()));
      for (const char* path : paths) {
        const void* value = nullptr;
        std::uint32_t length = 0;
        if (!platform::QueryVersionBlock(data.data(), size, path, &value, &length)) continue;
        const auto* p = static_cast<const std::uint8_t*>(value);
        ASSERT_GE(p, data.data());
        ASSERT_LE(p + length, data.data() + data.size());
        ++usable;
      }
    }
  }
  EXPECT_GT(usable, 0u);
}

// ----------------------------------------------------------- reading data

TEST(ReadVersionDataTest, CopiesTheBlockAndClearsTheRoom) {
  const Bytes block = VersionBlock();
  const TPeImage img = MakeVersionPe(block);
  const MemoryByteSource source(img.File.data(), img.File.size());
  const std::uint32_t size = platform::VersionDataSize(source);
  ASSERT_EQ(size, 3 * block.size());
  Bytes data(size + 8, 0x5A);
  ASSERT_TRUE(platform::ReadVersionData(source, size, data.data()));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), data.begin()));
  EXPECT_TRUE(std::all_of(data.begin() + static_cast<std::ptrdiff_t>(block.size()),
                          data.begin() + size, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(data[size], 0x5A);  // nothing written past Size
  EXPECT_FALSE(platform::ReadVersionData(source, size - 1, data.data()));
}

TEST(ReadVersionDataTest, BlockLengthComesFromTheRoot) {
  // Resource data longer than the block it holds (padding after it).
  Bytes padded = VersionBlock();
  const std::size_t length = padded.size();
  padded.resize(length + 64, 0);
  const TPeImage img = MakeVersionPe(padded);
  const MemoryByteSource source(img.File.data(), img.File.size());
  EXPECT_EQ(platform::VersionDataSize(source), 3 * length);
  // A root longer than the resource data is no block.
  Bytes cut = VersionBlock();
  cut.resize(cut.size() - 4);
  const TPeImage bad = MakeVersionPe(cut);
  const MemoryByteSource badSource(bad.File.data(), bad.File.size());
  EXPECT_EQ(platform::VersionDataSize(badSource), 0u);
}

// ------------------------------------------------------------------- files
//
// The file services of the POSIX build: files read through the FileEnv.
// Windows answers them with its own version calls (tests/about).
#ifndef _WIN32


TEST(FileVersionDataTest, ReadsFilesThroughTheFileServices) {
  const Bytes block = VersionBlock();
  TempDir dir;
  const std::string pe = dir / "app.exe", elf = dir / "app", text = dir / "page.htm";
  WriteFile(pe, AsString(MakeVersionPe(block, true).File));
  WriteFile(elf, AsString(MakeVersionElf(block).File));
  WriteFile(text, "<p>");
  EXPECT_EQ(platform::FileVersionDataSize(pe), 3 * block.size());
  EXPECT_EQ(platform::FileVersionDataSize(elf), 3 * block.size());
  EXPECT_EQ(platform::FileVersionDataSize(text), 0u);
  EXPECT_EQ(platform::FileVersionDataSize(dir / "missing.exe"), 0u);
  EXPECT_EQ(platform::FileVersionDataSize(dir.path()), 0u);
  EXPECT_EQ(platform::FileVersionDataSize(""), 0u);

  Bytes data(3 * block.size());
  ASSERT_TRUE(platform::ReadFileVersionData(pe, static_cast<std::uint32_t>(data.size()), data.data()));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), data.begin()));
  EXPECT_FALSE(platform::ReadFileVersionData(text, static_cast<std::uint32_t>(data.size()),
                                             data.data()));
}

TEST(FileVersionDataTest, FailingFileServicesMeanNoVersionData) {
  const Bytes block = VersionBlock();
  TempDir dir;
  const std::string pe = dir / "app.exe";
  WriteFile(pe, AsString(MakeVersionPe(block).File));
  const struct {
    FileCall Call;
    int Nth;
  } faults[] = {{FileCall::Open, 1},        {FileCall::GetSize, 1}, {FileCall::Read, 1},
                {FileCall::Read, 4},        {FileCall::Read, 9},    {FileCall::SetPosition, 1},
                {FileCall::SetPosition, 6}};
  for (const auto& f : faults) {
    FaultFileEnv env;
    env.FailCall(f.Call, f.Nth, platform::ErrorInvalidArgument());
    platform::ScopedFileEnv scope(&env);
    EXPECT_EQ(platform::FileVersionDataSize(pe), 0u)
        << "call " << static_cast<int>(f.Call) << " #" << f.Nth;
  }
  // Reads that come up short.
  {
    FaultFileEnv env;
    env.LimitTransfers(10);
    platform::ScopedFileEnv scope(&env);
    EXPECT_EQ(platform::FileVersionDataSize(pe), 0u);
  }
  // A read failing after the size was taken.
  FaultFileEnv env;
  platform::ScopedFileEnv scope(&env);
  const std::uint32_t size = platform::FileVersionDataSize(pe);
  ASSERT_EQ(size, 3 * block.size());
  Bytes data(size);
  const int reads = env.Calls(FileCall::Read);
  // The same reads again, then the block itself.
  env.FailCall(FileCall::Read, reads + 1, platform::ErrorInvalidArgument());
  EXPECT_FALSE(platform::ReadFileVersionData(pe, size, data.data()));
}

TEST(ProgramFileNameTest, NamesThisProgramsFile) {
  const std::string name = platform::ProgramFileName();
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(name.front(), '/');
  EXPECT_TRUE(std::filesystem::equivalent(name, "/proc/self/exe"));
}

#endif

}  // namespace
