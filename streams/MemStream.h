#pragma once

// A seekable stream whose bytes live in a chain of memory blocks. Growing
// never moves stored bytes: a new block is linked behind the last one.

#include <cstdint>

#include "streams/Streams.h"

// Smallest capacity of a new block.
inline constexpr std::int32_t MemBlockSize = 4096;

// One block of the chain, allocated as one piece with its data behind it.
struct TMemBlock {
  std::int32_t Capacity;
  TMemBlock* Next;
  unsigned char* Data() { return reinterpret_cast<unsigned char*>(this + 1); }
};

inline constexpr char SErrorMovingStreamPointer[] = "Error moving stream pointer";
inline constexpr char SMemStreamTooLarge[] = "Memory stream would grow beyond 2 GB - %s";

class TMemStream : public TSeekableStream {
public:
  // An empty stream that can be read and written, with ExactTransfer on.
  TMemStream();
  ~TMemStream() override;

  // Stores Count bytes at the position, growing the stream past its end.
  // Raises EInOutError when the stream would pass 2^31-1 bytes.
  std::int32_t Write(const void* Buffer, std::int32_t Count) override;
  std::int32_t Read(void* Buffer, std::int32_t Count) override;
  std::int32_t Available() override;
  std::int32_t GetPosition() override;
  std::int32_t GetSize() override;
  void Seek(std::int32_t NewPosition) override;
  void Truncate() override;

  // Frees every block and empties the stream; the flags stay.
  void Clear();

  // For tests: the block chain.
  const TMemBlock* FirstBlock() const { return FFirstBlock; }
  const TMemBlock* CurrentBlock() const { return FCurrentBlock; }
  std::int32_t BlockOffset() const { return FBlockOffset; }

private:
  static TMemBlock* NewBlock(std::int32_t Capacity);
  static void FreeChain(TMemBlock* Block);

  TMemBlock* FFirstBlock = nullptr;
  TMemBlock* FCurrentBlock;
  std::int32_t FBlockOffset = 0;
  std::int32_t FStreamSize = 0;
  std::int32_t FStreamPos = 0;
};

// The shared empty block that every empty memory stream points at.
extern TMemBlock EmptyBlock;
