#pragma once

// Test images: version blocks node by node, minimal PE32/PE32+ images with
// a resource tree, and minimal ELF files with named sections. Written from
// the file formats, independently of the code under test, with knobs for
// the malformed cases.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace testimg {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v);
void Put32(Bytes& b, std::size_t at, std::uint32_t v);
void Put64(Bytes& b, std::size_t at, std::uint64_t v);
std::uint16_t Get16(const Bytes& b, std::size_t at);
std::uint32_t Get32(const Bytes& b, std::size_t at);

// ------------------------------------------------------------ version blocks

// One node of a version block. Length and ValueLength, when set, replace
// the true values in the header (the node's bytes stay as they are).
struct TNode {
  std::u16string Key;
  std::uint16_t Type = 1;
  Bytes Value;
  std::optional<std::uint16_t> ValueLength;
  std::optional<std::uint16_t> Length;
  bool KeyWithoutNul = false;
  std::vector<TNode> Children;
};

Bytes Utf16Bytes(const std::u16string& Text, bool WithNul = true);

// A text value: Text and its NUL, value length in units with the NUL.
TNode StringNode(const std::u16string& Key, const std::u16string& Text);

// The node's bytes, starting at a 4-byte boundary.
Bytes WriteNode(const TNode& Node);

// The 52-byte fixed-info record.
Bytes FixedInfo(std::uint32_t FileMs, std::uint32_t FileLs, std::uint32_t ProductMs,
                std::uint32_t ProductLs, std::uint32_t Signature = 0xFEEF04BD);

struct TStringTable {
  std::u16string Key;  // e.g. u"040904E4"
  std::vector<std::pair<std::u16string, std::u16string>> Strings;
};

struct TBlockSpec {
  std::uint32_t FileMs = 0x00010002, FileLs = 0x00030004;
  std::uint32_t ProductMs = 0x00020001, ProductLs = 0x00000025;
  std::vector<std::uint32_t> Translations{0x04E40409};  // language | code page << 16
  std::vector<TStringTable> Tables{{u"040904E4",
                                    {{u"CompanyName", u"Brindle"},
                                     {u"FileDescription", u"Test image"},
                                     {u"FileVersion", u"1.2.3.4"},
                                     {u"InternalName", u"testimage"},
                                     {u"LegalCopyright", u"Copyright \u00A9 Brindle"},
                                     {u"OriginalFilename", u"testimage.exe"},
                                     {u"ProductName", u"Pagetrim"},
                                     {u"ProductVersion", u"2.1.0.37"}}}};
};

// The standard tree for Spec (root, StringFileInfo, VarFileInfo).
TNode VersionTree(const TBlockSpec& Spec);
Bytes VersionBlock(const TBlockSpec& Spec = {});

// ----------------------------------------------------------------- PE images

// A resource identifier: a number or a name.
using TResId = std::variant<std::uint32_t, std::u16string>;

struct TResource {
  TResId Type;
  TResId Name;
  std::uint16_t Language = 0x0409;
  Bytes Data;
};

struct TPeSpec {
  bool Plus = false;  // PE32+ instead of PE32
  std::vector<TResource> Resources;
  // Put the resource data in a section of its own after .rsrc.
  bool DataInOwnSection = false;
};

struct TPeImage {
  Bytes File;
  std::size_t PeHeader = 0;      // file offset of "PE\0\0"
  std::size_t Optional = 0;      // file offset of the optional header
  std::size_t SectionTable = 0;  // file offset of the section table
  std::size_t Rsrc = 0;          // file offset of the resource section
  std::uint32_t RsrcRva = 0;
  std::vector<std::size_t> DataEntries;  // file offsets, in resource order
  std::vector<std::size_t> DataBlobs;    // file offsets, in resource order
};

TPeImage MakePe(const TPeSpec& Spec);

// A PE image whose one resource is Block as the version resource.
TPeImage MakeVersionPe(const Bytes& Block, bool Plus = false);

// ----------------------------------------------------------------- ELF files

struct TElfSection {
  std::string Name;
  Bytes Data;
  std::uint32_t Type = 1;  // SHT_PROGBITS
};

struct TElfSpec {
  bool Wide = true;  // ELFCLASS64
  bool Big = false;  // big-endian
  std::vector<TElfSection> Sections;  // after the null section; .shstrtab is added last
  bool ExtendedNumbering = false;     // counts kept in section 0
};

struct TElfImage {
  Bytes File;
  std::size_t Table = 0;       // file offset of the section table
  std::size_t EntrySize = 0;
  std::size_t Names = 0;       // file offset of .shstrtab's data
  std::vector<std::size_t> DataAt;  // file offset of each section's data
};

TElfImage MakeElf(const TElfSpec& Spec);

// An ELF file with a .text section and Block in ".vs_version_info".
TElfImage MakeVersionElf(const Bytes& Block, bool Wide = true, bool Big = false);

// The bytes as a string, for WriteFile.
inline std::string AsString(const Bytes& B) { return std::string(B.begin(), B.end()); }

}  // namespace testimg
