#include "compact/TextBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// From this size on a buffer is a mapping of its own.
constexpr std::size_t kMapFrom = std::size_t{4} << 20;

}  // namespace

TTextBuffer::~TTextBuffer() {
#if defined(__linux__)
  if (FMapped) {
    munmap(FData, FCapacity);
    return;
  }
#endif
  std::free(FData);
}

void TTextBuffer::Reserve(std::size_t Count) {
  if (Count > FCapacity) Reallocate(Count);
}

void TTextBuffer::Append(const void* Bytes, std::size_t Count) {
  if (Count == 0) return;
  if (Count > FCapacity - FSize) Grow(FSize + Count);
  std::memcpy(FData + FSize, Bytes, Count);
  FSize += Count;
}

void TTextBuffer::Erase(std::size_t Pos, std::size_t Count) {
  std::memmove(FData + Pos, FData + Pos + Count, FSize - Pos - Count);
  FSize -= Count;
}

void TTextBuffer::Grow(std::size_t Needed) {
  std::size_t NewCapacity = FCapacity + FCapacity / 2;
  if (NewCapacity < Needed) NewCapacity = Needed;
  if (NewCapacity < 256) NewCapacity = 256;
  Reallocate(NewCapacity);
}

void TTextBuffer::Reallocate(std::size_t NewCapacity) {
#if defined(__linux__)
  if (NewCapacity >= kMapFrom) {
    const std::size_t Page = 4096;
    NewCapacity = (NewCapacity + Page - 1) / Page * Page;
    void* P;
    if (FMapped) {
      P = mremap(FData, FCapacity, NewCapacity, MREMAP_MAYMOVE);
    } else {
      P = mmap(nullptr, NewCapacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (P != MAP_FAILED && FSize > 0) std::memcpy(P, FData, FSize);
      if (P != MAP_FAILED) std::free(FData);
    }
    if (P == MAP_FAILED) throw std::bad_alloc();
    // Only a hint: without transparent huge pages this does nothing.
    madvise(P, NewCapacity, MADV_HUGEPAGE);
    FData = static_cast<unsigned char*>(P);
    FCapacity = NewCapacity;
    FMapped = true;
    return;
  }
#endif
  void* P = std::realloc(FData, NewCapacity);
  if (P == nullptr) throw std::bad_alloc();
  FData = static_cast<unsigned char*>(P);
  FCapacity = NewCapacity;
}
