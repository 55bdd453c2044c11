#pragma once

// Byte strings into and out of memory streams.

#include <string>
#include <string_view>

#include "streams/MemStream.h"

// Stores Content in Stream and puts the position at its start.
inline void FillMem(TMemStream& Stream, std::string_view Content) {
  if (!Content.empty()) Stream.Write(Content.data(), static_cast<std::int32_t>(Content.size()));
  Stream.Seek(0);
}

// All bytes of a memory stream, leaving its position at the end.
inline std::string MemContents(TMemStream& Stream) {
  std::string Out(static_cast<std::size_t>(Stream.GetSize()), '\0');
  Stream.Seek(0);
  if (!Out.empty()) Stream.Read(Out.data(), static_cast<std::int32_t>(Out.size()));
  return Out;
}
