// Writes the seed corpus of the version fuzz target into the folder named
// on the command line: small PE and ELF images and bare blocks.

#include <fstream>
#include <iostream>
#include <string>

#include "support/VersionImages.h"

using namespace testimg;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: version_fuzz_seeds FOLDER\n";
    return 2;
  }
  TBlockSpec several;
  several.Translations = {0x04B00407, 0x04E40409};
  several.Tables.push_back({u"040704B0", {{u"CompanyName", u""}, {u"ProductName", u"\u00DC"}}});
  TBlockSpec small;
  small.Tables = {{u"040904E4", {{u"ProductName", u"P"}}}};
  const Bytes block = VersionBlock(small);

  TPeSpec tree;
  tree.Plus = true;
  tree.DataInOwnSection = true;
  tree.Resources = {{3u, 1u, 0x0409, Bytes(16, 7)},
                    {std::u16string(u"HTML"), 1u, 0x0409, Bytes(8, 1)},
                    {16u, std::u16string(u"MAIN"), 0x0407, VersionBlock(several)},
                    {16u, 1u, 0x0409, block}};
  TElfSpec extended;
  extended.ExtendedNumbering = true;
  extended.Sections = {{".text", {0xC3}}, {".vs_version_info", block}};

  const std::pair<const char*, Bytes> seeds[] = {
      {"pe32", MakeVersionPe(block, false).File},
      {"pe32plus-tree", MakePe(tree).File},
      {"elf64", MakeVersionElf(block, true, false).File},
      {"elf32-big", MakeVersionElf(block, false, true).File},
      {"elf-extended", MakeElf(extended).File},
      {"block", VersionBlock()},
      {"block-several", VersionBlock(several)},
  };
  for (const auto& [name, bytes] : seeds) {
    const std::string path = std::string(argv[1]) + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::cerr << "cannot write " << path << "\n";
      return 1;
    }
  }
  return 0;
}
