#pragma once

// Random access to the bytes of a file or of a buffer, for the readers of
// PE images, ELF files and version blocks.

#include <cstddef>
#include <cstdint>

namespace versionres {

class ByteSource {
public:
  virtual ~ByteSource();
  // The number of bytes there are.
  virtual std::uint64_t Size() const = 0;
  // Copies Count bytes from Offset into Buffer. False, with Buffer's
  // contents undefined, when any of them lies beyond Size() or cannot be
  // read.
  virtual bool ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) const = 0;
};

// A ByteSource over bytes in memory, which must outlive it.
class MemoryByteSource final : public ByteSource {
public:
  MemoryByteSource(const void* Data, std::size_t Size)
      : data_(static_cast<const unsigned char*>(Data)), size_(Size) {}
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) const override;

private:
  const unsigned char* data_;
  std::size_t size_;
};

// True when Count bytes from Offset lie inside Source.
bool Fits(const ByteSource& Source, std::uint64_t Offset, std::uint64_t Count);

}  // namespace versionres
