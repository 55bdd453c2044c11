#include "version/VersionData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "support/VersionImages.h"
#include "version/LocateExpect.h"
#include "version/VersionBlock.h"

using namespace testimg;
using versionres::LocateVersionData;
using versionres::MemoryByteSource;

namespace {

TEST(LocateVersionDataTest, CutsLongBlocksToTheLongestThereCanBe) {
  Bytes big(0x12000, 0);
  const Bytes block = VersionBlock();
  std::copy(block.begin(), block.end(), big.begin());
  const TElfImage img = MakeVersionElf(big);
  ExpectBlockAt(img.File, img.DataAt[1], versionres::kMaxVersionBlock, "ELF");
  const TPeImage pe = MakeVersionPe(big);
  ExpectBlockAt(pe.File, pe.DataBlobs[0], versionres::kMaxVersionBlock, "PE");
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
    EXPECT_EQ(versionres::VersionDataSize(source), 0u) << c.Name;
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
      const std::uint32_t size = versionres::VersionDataSize(source);
      if (size == 0) continue;
      Bytes data(size);
      ASSERT_TRUE(versionres::ReadVersionData(source, size, data.data()));
      for (const char* path : paths) {
        const void* value = nullptr;
        std::uint32_t length = 0;
        if (!versionres::QueryVersionBlock(data.data(), size, path, &value, &length)) continue;
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
  const std::uint32_t size = versionres::VersionDataSize(source);
  ASSERT_EQ(size, 3 * block.size());
  Bytes data(size + 8, 0x5A);
  ASSERT_TRUE(versionres::ReadVersionData(source, size, data.data()));
  EXPECT_TRUE(std::equal(block.begin(), block.end(), data.begin()));
  EXPECT_TRUE(std::all_of(data.begin() + static_cast<std::ptrdiff_t>(block.size()),
                          data.begin() + size, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(data[size], 0x5A);  // nothing written past Size
  EXPECT_FALSE(versionres::ReadVersionData(source, size - 1, data.data()));
}

TEST(ReadVersionDataTest, BlockLengthComesFromTheRoot) {
  // Resource data longer than the block it holds (padding after it).
  Bytes padded = VersionBlock();
  const std::size_t length = padded.size();
  padded.resize(length + 64, 0);
  const TPeImage img = MakeVersionPe(padded);
  const MemoryByteSource source(img.File.data(), img.File.size());
  EXPECT_EQ(versionres::VersionDataSize(source), 3 * length);
  // A root longer than the resource data is no block.
  Bytes cut = VersionBlock();
  cut.resize(cut.size() - 4);
  const TPeImage bad = MakeVersionPe(cut);
  const MemoryByteSource badSource(bad.File.data(), bad.File.size());
  EXPECT_EQ(versionres::VersionDataSize(badSource), 0u);
}

}  // namespace
