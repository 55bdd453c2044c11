#include "version/VersionBlock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/VersionImages.h"

using namespace testimg;

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
  r.Ok = versionres::QueryVersionBlock(data.data(), static_cast<std::uint32_t>(data.size()), Path,
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
  ASSERT_TRUE(versionres::QueryVersionBlock(data.data(), size,
                                          "\\StringFileInfo\\040904E4\\CompanyName", &company,
                                          &length));
  ASSERT_TRUE(versionres::QueryVersionBlock(data.data(), size,
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
    EXPECT_EQ(versionres::VersionBlockLength(data.data(), c.Size), c.Expected)
        << c.Length << " in " << c.Size;
  }
}

}  // namespace
