#include "version/ElfImage.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/VersionImages.h"
#include "version/LocateExpect.h"

using namespace testimg;

namespace {

TEST(ElfImageTest, FindsTheBlock) {
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

struct TElfBreak {
  const char* Name;
  std::function<void(TElfImage&)> Break;
  bool Found;
};

TEST(ElfImageTest, CorruptHeadersFindNothing) {
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
    const versionres::MemoryByteSource source(img.File.data(), img.File.size());
    EXPECT_EQ(versionres::LocateVersionData(source).has_value(), c.Found) << c.Name;
  }
}

}  // namespace
