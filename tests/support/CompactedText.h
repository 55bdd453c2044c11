#pragma once

// The compaction of a document made in memory, away from any file service
// a test puts under pressure.

#include <cstdint>
#include <string>

#include "compact/CompactHTML.h"
#include "streams/MemStream.h"

namespace testsupport {

// Every byte of Stream, from its start.
inline std::string StreamBytes(TMemStream& Stream) {
  std::string bytes(static_cast<std::size_t>(Stream.GetSize()), '\0');
  Stream.Seek(0);
  Stream.Read(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  return bytes;
}

inline std::string Compacted(const std::string& Doc) {
  TMemStream in;
  TMemStream out;
  in.Write(Doc.data(), static_cast<std::int32_t>(Doc.size()));
  in.Seek(0);
  CompactHTML(in, out);
  return StreamBytes(out);
}

}  // namespace testsupport
