// pagetrim-versiongen: writes the C++ source that gives an executable its
// version block.
//
//   pagetrim-versiongen --output FILE --file-version 1.0.0.0
//       [--product-version 1.0.0.0] [--language 0409] [--code-page 1252]
//       [--string Key=Value]... [--section NAME]
//
// The file is rewritten only when its content changes.

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/versiongen/VersionBlock.h"

int main(int argc, char** argv) {
  CLI::App app{"Writes an executable's version block as a C++ source."};
  std::string output, fileVersion, productVersion, section = ".vs_version_info";
  std::string language = "0409", codePage = "1252";
  std::vector<std::string> strings;
  app.add_option("--output", output, "the C++ source to write")->required();
  app.add_option("--file-version", fileVersion, "major.minor.release.build")->required();
  app.add_option("--product-version", productVersion, "defaults to the file version");
  app.add_option("--language", language, "language identifier, hexadecimal");
  app.add_option("--code-page", codePage, "code page, decimal");
  app.add_option("--string", strings, "Key=Value, stored in this order");
  app.add_option("--section", section, "the ELF section to use");
  CLI11_PARSE(app, argc, argv);

  try {
    versiongen::VersionBlockSpec spec;
    spec.FileVersion = versiongen::ParseVersion(fileVersion);
    spec.ProductVersion =
        productVersion.empty() ? spec.FileVersion : versiongen::ParseVersion(productVersion);
    std::size_t used = 0;
    const unsigned long lang = std::stoul(language, &used, 16);
    if (used != language.size() || lang > 0xFFFF) throw std::invalid_argument("bad language");
    const unsigned long page = std::stoul(codePage, &used, 10);
    if (used != codePage.size() || page > 0xFFFF) throw std::invalid_argument("bad code page");
    spec.Language = static_cast<std::uint16_t>(lang);
    spec.CodePage = static_cast<std::uint16_t>(page);
    for (const std::string& s : strings) {
      const std::size_t eq = s.find('=');
      if (eq == std::string::npos || eq == 0) throw std::invalid_argument("not Key=Value: " + s);
      spec.Strings.emplace_back(s.substr(0, eq), s.substr(eq + 1));
    }
    const std::string source =
        versiongen::AssemblySource(versiongen::BuildVersionBlock(spec), section);

    std::ifstream old(output, std::ios::binary);
    std::ostringstream current;
    current << old.rdbuf();
    if (old && current.str() == source) return 0;
    old.close();
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << source;
    out.close();
    if (!out) {
      std::cerr << "pagetrim-versiongen: cannot write " << output << "\n";
      return 1;
    }
  } catch (const std::exception& e) {
    std::cerr << "pagetrim-versiongen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
