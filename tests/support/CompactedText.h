#pragma once

// The compaction of a document made in memory, away from any file service
// a test puts under pressure.

#include <string>

#include "compact/CompactHTML.h"
#include "streams/MemStream.h"
#include "support/MemText.h"

namespace testsupport {

inline std::string Compacted(const std::string& Doc, const TCompactOptions& Options = {}) {
  TMemStream in;
  TMemStream out;
  FillMem(in, Doc);
  CompactHTML(in, out, Options);
  return MemContents(out);
}

}  // namespace testsupport
