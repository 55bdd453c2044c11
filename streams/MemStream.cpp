#include "streams/MemStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "streams/Utils.h"

TMemBlock EmptyBlock{0, nullptr};

TMemStream::TMemStream() : FCurrentBlock(&EmptyBlock) {
  FCanRead = true;
  FCanWrite = true;
}

TMemStream::~TMemStream() { FreeChain(FFirstBlock); }

TMemBlock* TMemStream::NewBlock(std::int32_t Capacity) {
  void* raw = std::malloc(sizeof(TMemBlock) + static_cast<std::size_t>(Capacity));
  if (raw == nullptr) throw std::bad_alloc();
  return new (raw) TMemBlock{Capacity, nullptr};
}

void TMemStream::FreeChain(TMemBlock* Block) {
  while (Block != nullptr) {
    TMemBlock* next = Block->Next;
    std::free(Block);
    Block = next;
  }
}

std::int32_t TMemStream::Write(const void* Buffer, std::int32_t Count) {
  if (Count <= 0) return 0;
  if (Count > std::numeric_limits<std::int32_t>::max() - FStreamPos)
    throw EInOutError(Format(SMemStreamTooLarge, {ErrorCodeText(platform::ErrorFileTooLarge())}));
  const auto* src = static_cast<const unsigned char*>(Buffer);
  std::int32_t written = 0;
  while (Count > 0) {
    if (FBlockOffset == FCurrentBlock->Capacity) {
      if (FCurrentBlock->Next != nullptr) {
        FCurrentBlock = FCurrentBlock->Next;
      } else {
        TMemBlock* block = NewBlock(std::max(MemBlockSize, Count));
        if (FFirstBlock == nullptr)
          FFirstBlock = block;
        else
          FCurrentBlock->Next = block;
        FCurrentBlock = block;
      }
      FBlockOffset = 0;
    }
    const std::int32_t n = std::min(Count, FCurrentBlock->Capacity - FBlockOffset);
    std::memcpy(FCurrentBlock->Data() + FBlockOffset, src + written, static_cast<std::size_t>(n));
    FBlockOffset += n;
    written += n;
    Count -= n;
  }
  FStreamPos += written;
  if (FStreamPos > FStreamSize) FStreamSize = FStreamPos;
  return written;
}

std::int32_t TMemStream::Read(void* Buffer, std::int32_t Count) {
  auto* dst = static_cast<unsigned char*>(Buffer);
  std::int32_t read = 0;
  while (Count > 0 && FStreamPos < FStreamSize) {
    if (FBlockOffset == FCurrentBlock->Capacity) {
      if (FCurrentBlock->Next == nullptr) break;
      FCurrentBlock = FCurrentBlock->Next;
      FBlockOffset = 0;
    }
    std::int32_t n = std::min(Count, FStreamSize - FStreamPos);
    n = std::min(n, FCurrentBlock->Capacity - FBlockOffset);
    std::memcpy(dst + read, FCurrentBlock->Data() + FBlockOffset, static_cast<std::size_t>(n));
    FBlockOffset += n;
    read += n;
    FStreamPos += n;
    Count -= n;
  }
  if (FExactTransfer && Count > 0) throw EInOutError(Format(SErrorReading, {""}));
  return read;
}

std::int32_t TMemStream::Available() { return FStreamSize - FStreamPos; }

std::int32_t TMemStream::GetPosition() { return FStreamPos; }

std::int32_t TMemStream::GetSize() { return FStreamSize; }

void TMemStream::Seek(std::int32_t NewPosition) {
  if (NewPosition == FStreamPos) return;
  if (NewPosition < 0 || NewPosition > FStreamSize) throw EInOutError(SErrorMovingStreamPointer);
  if (NewPosition < FStreamPos) {
    FStreamPos = 0;
    FCurrentBlock = FFirstBlock;
    FBlockOffset = 0;
  }
  if (FBlockOffset == FCurrentBlock->Capacity) {
    if (FCurrentBlock->Next == nullptr) throw Exception("Error in MemStream.Seek");
    FCurrentBlock = FCurrentBlock->Next;
    FBlockOffset = 0;
  }
  const std::int32_t step = std::min(NewPosition - FStreamPos, FCurrentBlock->Capacity - FBlockOffset);
  FBlockOffset += step;
  FStreamPos += step;
  while (FStreamPos < NewPosition) {
    if (FCurrentBlock->Next == nullptr) throw Exception("Error in MemStream.Seek 2");
    FCurrentBlock = FCurrentBlock->Next;
    FBlockOffset = std::min(NewPosition - FStreamPos, FCurrentBlock->Capacity);
    FStreamPos += FBlockOffset;
  }
}

void TMemStream::Truncate() {
  if (FFirstBlock == nullptr) return;
  FreeChain(FCurrentBlock->Next);
  FCurrentBlock->Next = nullptr;
  FStreamSize = FStreamPos;
}

void TMemStream::Clear() {
  FreeChain(FFirstBlock);
  FFirstBlock = nullptr;
  FCurrentBlock = &EmptyBlock;
  FBlockOffset = 0;
  FStreamSize = 0;
  FStreamPos = 0;
}
