// Writes the seed corpus of the version fuzz target into the folder named
// on the command line: small PE32, PE32+ and ELF images (both widths and
// byte orders) with a version block, and a few near misses.
//
//   fuzz_version_seeds tests/fuzz/version

#include <cstdio>
#include <fstream>
#include <string>

#include "support/VersionImages.h"

using namespace testimg;

namespace {

bool Save(const std::string& Folder, const std::string& Name, const Bytes& File) {
  std::ofstream out(Folder + "/" + Name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(File.data()), static_cast<std::streamsize>(File.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];

  TBlockSpec small;
  small.Tables[0].Strings = {{u"CompanyName", u"Brindle"}, {u"ProductName", u"P\u00E9"}};
  const Bytes block = VersionBlock(small);

  TBlockSpec two;
  two.Translations = {0x04B00407, 0x04E40409};
  two.Tables = {{u"040704B0", {{u"CompanyName", u"B"}, {u"InternalName", u""}}},
                {u"040904E4", {{u"CompanyName", u"C"}}}};

  TBlockSpec noTranslation;
  noTranslation.Translations.clear();

  TPeSpec ownSection;
  ownSection.Resources = {{16u, 1u, 0x0409, block}};
  ownSection.DataInOwnSection = true;

  TElfSpec otherSections;
  otherSections.Sections = {{".text", Bytes(16, 0x90)}, {".data", Bytes(8, 1)}};

  bool ok = true;
  ok &= Save(folder, "pe32.exe", MakeVersionPe(block).File);
  ok &= Save(folder, "pe32plus.exe", MakeVersionPe(block, true).File);
  ok &= Save(folder, "pe32-own-section.exe", MakePe(ownSection).File);
  ok &= Save(folder, "pe32-two-translations.exe", MakeVersionPe(VersionBlock(two)).File);
  ok &= Save(folder, "pe32-no-translation.exe", MakeVersionPe(VersionBlock(noTranslation)).File);
  ok &= Save(folder, "elf64le", MakeVersionElf(block, true, false).File);
  ok &= Save(folder, "elf32be", MakeVersionElf(block, false, true).File);
  ok &= Save(folder, "elf64-without-block", MakeElf(otherSections).File);
  return ok ? 0 : 1;
}
