#include "version/PeImage.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "support/VersionImages.h"
#include "version/LocateExpect.h"

using namespace testimg;
using versionres::LocateVersionData;
using versionres::MemoryByteSource;

namespace {

TEST(PeImageTest, FindsTheBlock) {
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

TEST(PeImageTest, TakesTypeSixteenFirstNameFirstLanguage) {
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

// Corrupt headers: each case changes a valid PE32 image and says whether
// the block may still be found.
struct TPeBreak {
  const char* Name;
  std::function<void(TPeImage&)> Break;
  bool Found;
};

TEST(PeImageTest, CorruptHeadersFindNothing) {
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
      EXPECT_EQ(versionres::VersionDataSize(source), 3 * block.size()) << c.Name;
    }
  }
}

}  // namespace
