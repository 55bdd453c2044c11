#pragma once

// A growable byte buffer for a whole document.

#include <cstddef>
#include <string_view>

// Holds up to Capacity() bytes of which the first Size() are in use. Large
// buffers are taken from the system directly: on Linux as anonymous
// mappings marked for huge pages, so that first touching many megabytes
// costs a few page faults instead of one per 4 KiB, and growing moves the
// mapping instead of copying it. Reserved but untouched memory costs no
// physical memory.
class TTextBuffer {
public:
  TTextBuffer() = default;
  ~TTextBuffer();
  TTextBuffer(const TTextBuffer&) = delete;
  TTextBuffer& operator=(const TTextBuffer&) = delete;

  unsigned char* Data() { return FData; }
  std::size_t Size() const { return FSize; }
  std::size_t Capacity() const { return FCapacity; }
  std::string_view View() const {
    return {reinterpret_cast<const char*>(FData), FSize};
  }

  // Makes room for at least Count bytes in all.
  void Reserve(std::size_t Count);

  void Append(const void* Bytes, std::size_t Count);
  void PushBack(unsigned char Byte) {
    if (FSize == FCapacity) Grow(FSize + 1);
    FData[FSize++] = Byte;
  }
  void PopBack() { --FSize; }
  // Takes Count more bytes of the reserve into use, as they are
  // (Size() + Count <= Capacity()); for filling Data() + Size() directly.
  void Extend(std::size_t Count) { FSize += Count; }
  // Cuts the text to its first Count bytes (Count <= Size()).
  void Shrink(std::size_t Count) { FSize = Count; }
  // Removes Count bytes at Pos, moving the rest forward.
  void Erase(std::size_t Pos, std::size_t Count);

private:
  void Grow(std::size_t Needed);
  void Reallocate(std::size_t NewCapacity);

  unsigned char* FData = nullptr;
  std::size_t FSize = 0;
  std::size_t FCapacity = 0;
  bool FMapped = false;  // FData is a mapping of FCapacity bytes, not from malloc
};
