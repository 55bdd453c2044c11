// Finding a version block in an executable file and reading it out.

#include "version/VersionData.h"

#include <cstring>
#include <utility>

#include "version/ByteOrder.h"
#include "version/ElfImage.h"
#include "version/PeImage.h"
#include "version/VersionBlock.h"

namespace versionres {

std::optional<VersionDataLocation> LocateVersionData(const ByteSource& Source) {
  Byte magic[2];
  if (!Source.ReadAt(0, magic, sizeof magic)) return std::nullopt;
  if (magic[0] == 'M' && magic[1] == 'Z') return LocatePeVersionData(Source);
  if (magic[0] == 0x7F && magic[1] == 'E') return LocateElfVersionData(Source);
  return std::nullopt;
}

namespace {

// The block's location and length in Source, or nothing.
std::optional<std::pair<std::uint64_t, std::uint32_t>> FindBlock(const ByteSource& Source) {
  const auto where = LocateVersionData(Source);
  if (!where) return std::nullopt;
  Byte head[6];
  if (where->Size < sizeof head || !Source.ReadAt(where->Offset, head, sizeof head))
    return std::nullopt;
  const std::uint32_t length = VersionBlockLength(head, where->Size);
  if (length == 0) return std::nullopt;
  return std::make_pair(where->Offset, length);
}

}  // namespace

std::uint32_t VersionDataSize(const ByteSource& Source) {
  const auto block = FindBlock(Source);
  return block ? 3 * block->second : 0;
}

bool ReadVersionData(const ByteSource& Source, std::uint32_t Size, void* Data) {
  const auto block = FindBlock(Source);
  if (!block || Size / 3 < block->second) return false;
  auto* out = static_cast<Byte*>(Data);
  if (!Source.ReadAt(block->first, out, block->second)) return false;
  std::memset(out + block->second, 0, Size - block->second);
  return true;
}

}  // namespace versionres
