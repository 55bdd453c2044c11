#include "cli/NameClash.h"

#include <unordered_map>

#include "platform/FileEnv.h"
#include "platform/PathCompare.h"

namespace {

// Names that differ only in the letter case of ASCII letters are the same
// name on every platform; this key finds those in one pass.
std::string AsciiFolded(std::string Name) {
  for (char& c : Name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return Name;
}

bool BeyondAscii(const std::string& Name) {
  for (char c : Name)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

}  // namespace

std::string FileNamePart(const std::string& Path) {
  const std::size_t cut = Path.rfind(platform::PathDelimiter());
  return cut == std::string::npos ? Path : Path.substr(cut + 1);
}

std::optional<std::pair<std::size_t, std::size_t>> FindNameClash(
    const std::vector<std::string>& Files) {
  std::vector<std::string> names;
  names.reserve(Files.size());
  for (const std::string& file : Files) names.push_back(FileNamePart(file));

  std::unordered_map<std::string, std::size_t> firstOfKey;
  // Where the platform folds letters beyond ASCII too, such names may equal
  // others that differ from them in more than ASCII case: those are
  // compared in pairs with the platform's comparison.
  std::vector<std::size_t> beyondAscii;
  for (std::size_t later = 0; later < names.size(); ++later) {
    std::size_t earliest = later;
    const auto [it, fresh] = firstOfKey.try_emplace(AsciiFolded(names[later]), later);
    if (!fresh) earliest = it->second;
    const bool high = BeyondAscii(names[later]);
    if (high) {
      for (std::size_t earlier = 0; earlier < earliest; ++earlier)
        if (platform::SameFolderName(names[earlier], names[later])) earliest = earlier;
    } else {
      for (std::size_t earlier : beyondAscii)
        if (earlier < earliest && platform::SameFolderName(names[earlier], names[later]))
          earliest = earlier;
    }
    if (earliest != later) return std::pair{earliest, later};
    if (high) beyondAscii.push_back(later);
  }
  return std::nullopt;
}
