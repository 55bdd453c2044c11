#include "version/ByteSource.h"

#include <cstring>

namespace versionres {

ByteSource::~ByteSource() = default;

bool MemoryByteSource::ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) const {
  if (Offset > size_ || Count > size_ - Offset) return false;
  if (Count != 0) std::memcpy(Buffer, data_ + Offset, Count);
  return true;
}

bool Fits(const ByteSource& Source, std::uint64_t Offset, std::uint64_t Count) {
  const std::uint64_t size = Source.Size();
  return Offset <= size && Count <= size - Offset;
}

}  // namespace versionres
