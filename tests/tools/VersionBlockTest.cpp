#include "tools/versiongen/VersionBlock.h"

#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>

#include "version/VersionBlock.h"
#include "support/VersionImages.h"

namespace {

using versiongen::BuildVersionBlock;
using versiongen::ParseVersion;
using versiongen::VersionBlockSpec;

TEST(ParseVersionTest, ReadsUpToFourParts) {
  const struct {
    const char* Text;
    std::array<std::uint16_t, 4> Parts;
  } cases[] = {
      {"1.0.0.0", {1, 0, 0, 0}},     {"1", {1, 0, 0, 0}},           {"2.1", {2, 1, 0, 0}},
      {"2.1.0.37", {2, 1, 0, 37}},   {"65535.0.0.65535", {65535, 0, 0, 65535}},
      {"007.08.9", {7, 8, 9, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseVersion(c.Text), c.Parts) << c.Text;
}

TEST(ParseVersionTest, RefusesEverythingElse) {
  for (const char* text : {"", "1..2", "1.2.3.4.5", "65536", "1.99999999999", "a.b", "1.2.",
                           ".1", "-1", " 1", "1 ", "1,2", "1.2.3.x"}) {
    EXPECT_THROW(ParseVersion(text), std::invalid_argument) << '"' << text << '"';
  }
}

// The generator and the tests' own block writer follow the same layout, so
// the same content gives the same bytes (the operating-system field of the
// fixed-info record aside).
TEST(BuildVersionBlockTest, MatchesAnIndependentlyWrittenBlock) {
  testimg::TBlockSpec test;
  VersionBlockSpec spec;
  spec.FileVersion = {1, 2, 3, 4};
  spec.ProductVersion = {2, 1, 0, 37};
  spec.Language = 0x0409;
  spec.CodePage = 1252;
  spec.Strings = {{"CompanyName", "Brindle"},
                  {"FileDescription", "Test image"},
                  {"FileVersion", "1.2.3.4"},
                  {"InternalName", "testimage"},
                  {"LegalCopyright", "Copyright \xC2\xA9 Brindle"},
                  {"OriginalFilename", "testimage.exe"},
                  {"ProductName", "Pagetrim"},
                  {"ProductVersion", "2.1.0.37"}};
  const std::vector<std::uint8_t> ours = BuildVersionBlock(spec);
  testimg::Bytes theirs = testimg::VersionBlock(test);
  const std::size_t fileOs = 40 + 32;  // the record starts after the root's header and key
  ASSERT_GT(theirs.size(), fileOs + 4);
  testimg::Put32(theirs, fileOs, 0);
  EXPECT_EQ(ours, theirs);
}

// What the generator writes, read back through the query service.
TEST(BuildVersionBlockTest, ReadsBackThroughTheQuery) {
  VersionBlockSpec spec;
  spec.FileVersion = {9, 8, 7, 6};
  spec.ProductVersion = {1, 0, 0, 0};
  spec.Language = 0x0407;
  spec.CodePage = 0x04B0;
  spec.Strings = {{"CompanyName", ""},
                  {"ProductName", "Pagetrim \xC3\x9C"},
                  {"Comments", "\xF0\x9D\x84\x9E clef"}};
  std::vector<std::uint8_t> data = BuildVersionBlock(spec);
  const auto length = static_cast<std::uint32_t>(data.size());
  data.resize(3 * data.size());
  auto query = [&](const char* Path) {
    const void* value = nullptr;
    std::uint32_t size = 0;
    EXPECT_TRUE(versionres::QueryVersionBlock(data.data(), static_cast<std::uint32_t>(data.size()),
                                            Path, &value, &size))
        << Path;
    return std::string(static_cast<const char*>(value), size);
  };
  EXPECT_EQ(testimg::Get16(data, 0), length);
  const std::string fixed = query("\\");
  ASSERT_EQ(fixed.size(), 52u);
  EXPECT_EQ(fixed.substr(0, 4), std::string("\xBD\x04\xEF\xFE", 4));
  EXPECT_EQ(fixed.substr(8, 8), std::string("\x08\x00\x09\x00\x06\x00\x07\x00", 8));
  EXPECT_EQ(fixed.substr(16, 8), std::string("\x00\x00\x01\x00\x00\x00\x00\x00", 8));
  EXPECT_EQ(query("\\VarFileInfo\\Translation"), std::string("\x07\x04\xB0\x04", 4));
  EXPECT_EQ(query("\\StringFileInfo\\040704B0\\CompanyName"), std::string(1, '\0'));
  EXPECT_EQ(query("\\StringFileInfo\\040704B0\\ProductName"),
            std::string("Pagetrim \xC3\x9C", 11) + '\0');
  EXPECT_EQ(query("\\StringFileInfo\\040704B0\\Comments"),
            std::string("\xF0\x9D\x84\x9E clef") + '\0');
}

TEST(BuildVersionBlockTest, RefusesTextThatIsNotUtf8) {
  for (const char* text : {"\xC3", "\xC3(", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                           "\xF4\x90\x80\x80", "\xFF", "abc\x80"}) {
    VersionBlockSpec spec;
    spec.Strings = {{"Comments", text}};
    EXPECT_THROW(BuildVersionBlock(spec), std::invalid_argument) << text;
  }
}

TEST(BuildVersionBlockTest, RefusesBlocksPastTheirLengthField) {
  VersionBlockSpec spec;
  spec.Strings.assign(200, {"Comments", std::string(200, 'x')});
  EXPECT_THROW(BuildVersionBlock(spec), std::length_error);
  spec.Strings.resize(100);  // about 42 KB
  EXPECT_NO_THROW(BuildVersionBlock(spec));
}

TEST(AssemblySourceTest, CarriesEveryByteIntoTheSection) {
  const std::vector<std::uint8_t> block = {0x00, 0x01, 0x7F, 0x80, 0xFF, 0x10, 0x20, 0x30,
                                           0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0,
                                           0xC0, 0xD0, 0xE0};
  const std::string source = versiongen::AssemblySource(block, ".vs_version_info");
  EXPECT_NE(source.find(".pushsection .vs_version_info,\\\"aR\\\""), std::string::npos);
  EXPECT_NE(source.find(".popsection"), std::string::npos);
  std::vector<std::uint8_t> back;
  const std::regex byte("0x([0-9a-f]{2})");
  for (auto it = std::sregex_iterator(source.begin(), source.end(), byte);
       it != std::sregex_iterator(); ++it)
    back.push_back(static_cast<std::uint8_t>(std::stoi((*it)[1].str(), nullptr, 16)));
  EXPECT_EQ(back, block);
}

}  // namespace
