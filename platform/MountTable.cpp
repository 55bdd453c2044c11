#include "platform/MountTable.h"

#include <cstddef>
#include <vector>

namespace platform {

namespace {

// Undoes the octal escapes ("\040" for a blank) of a mount table field.
std::string Unescaped(std::string_view Field) {
  std::string out;
  out.reserve(Field.size());
  for (std::size_t i = 0; i < Field.size(); ++i) {
    if (Field[i] == '\\' && i + 3 < Field.size()) {
      const char a = Field[i + 1], b = Field[i + 2], c = Field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
        i += 3;
        continue;
      }
    }
    out += Field[i];
  }
  return out;
}

std::vector<std::string_view> Fields(std::string_view Line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < Line.size()) {
    while (at < Line.size() && Line[at] == ' ') ++at;
    const std::size_t start = at;
    while (at < Line.size() && Line[at] != ' ') ++at;
    if (at > start) fields.push_back(Line.substr(start, at - start));
  }
  return fields;
}

// The rest of Name after the folder Lead, "" when Name is Lead, or nothing
// when Lead does not lead Name component by component.
std::optional<std::string> After(const std::string& Name, const std::string& Lead) {
  if (Lead == "/") return Name == "/" ? std::string() : Name.substr(1);
  if (Name.compare(0, Lead.size(), Lead) != 0) return std::nullopt;
  if (Name.size() == Lead.size()) return std::string();
  if (Name[Lead.size()] != '/') return std::nullopt;
  return Name.substr(Lead.size() + 1);
}

}  // namespace

std::optional<FileSystemPlace> PlaceInMountTable(std::string_view MountInfo,
                                                 const std::string& Real) {
  if (Real.empty() || Real[0] != '/') return std::nullopt;
  std::optional<FileSystemPlace> best;
  std::size_t bestLength = 0;
  while (!MountInfo.empty()) {
    const std::size_t end = MountInfo.find('\n');
    const std::string_view line = MountInfo.substr(0, end);
    MountInfo = end == std::string_view::npos ? std::string_view() : MountInfo.substr(end + 1);
    // ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS ...
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 5) continue;
    const std::string point = Unescaped(fields[4]);
    const std::optional<std::string> rest = After(Real, point);
    // A later mount on the same point hides the earlier one.
    if (!rest || (best && point.size() < bestLength)) continue;
    std::string path = Unescaped(fields[3]);
    if (!rest->empty()) path += (path.empty() || path.back() != '/') ? "/" + *rest : *rest;
    best = FileSystemPlace{std::string(fields[2]), path};
    bestLength = point.size();
  }
  return best;
}

bool PlaceInside(const FileSystemPlace& Inner, const FileSystemPlace& Outer) {
  if (Inner.Device != Outer.Device) return false;
  const std::optional<std::string> rest = After(Inner.Path, Outer.Path);
  return rest && !rest->empty();
}

}  // namespace platform
