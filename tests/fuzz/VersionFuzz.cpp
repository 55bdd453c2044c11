// Fuzz target for the version resource services: the input is taken as a
// whole file (PE, ELF or anything else) and, separately, as a bare version
// block; every value handed out must lie inside the data.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/VersionRes.h"

namespace {

void Check(bool Condition) {
  if (!Condition) std::abort();
}

// Asks Data for what ReadVersionInfo asks, and for Extra.
void QueryAll(std::vector<unsigned char>& Data, const std::string& Extra) {
  const auto size = static_cast<std::uint32_t>(Data.size());
  const unsigned char* begin = Data.data();
  const unsigned char* end = begin + Data.size();
  auto query = [&](const std::string& Path, const void** Value, std::uint32_t* Length) {
    *Value = nullptr;
    *Length = 0;
    if (!platform::QueryVersionBlock(Data.data(), size, Path, Value, Length)) return false;
    const auto* p = static_cast<const unsigned char*>(*Value);
    Check(p >= begin && p <= end && *Length <= static_cast<std::size_t>(end - p));
    return true;
  };
  const void* value;
  std::uint32_t length;
  query("\\", &value, &length);
  query(Extra, &value, &length);
  std::string prefix = "\\StringFileInfo\\040904E4\\";
  if (query("\\VarFileInfo\\Translation", &value, &length) && length >= 4) {
    static const char kDigits[] = "0123456789ABCDEF";
    const auto* t = static_cast<const unsigned char*>(value);
    prefix = "\\StringFileInfo\\";
    for (int i : {1, 0, 3, 2}) {
      prefix += kDigits[t[i] >> 4];
      prefix += kDigits[t[i] & 15];
    }
    prefix += '\\';
  }
  for (const char* key : {"CompanyName", "InternalName", "FileDescription", "LegalCopyright",
                          "OriginalFilename", "ProductName"}) {
    query(prefix + key, &value, &length);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Input, std::size_t Size) {
  // The last bytes double as a path to look up.
  const std::size_t pathLength = Size < 24 ? Size : 24;
  const std::string extra(reinterpret_cast<const char*>(Input + Size - pathLength), pathLength);

  // As a file.
  const platform::MemoryByteSource file(Input, Size);
  if (const auto where = platform::LocateVersionData(file)) {
    Check(where->Offset <= Size && where->Size <= Size - where->Offset);
  }
  const std::uint32_t dataSize = platform::VersionDataSize(file);
  if (dataSize != 0) {
    std::vector<unsigned char> data(dataSize);
    Check(platform::ReadVersionData(file, dataSize, data.data()));
    QueryAll(data, extra);
  }

  // As a bare block, with the room queries need.
  if (Size <= platform::kMaxVersionBlock) {
    std::vector<unsigned char> data(3 * Size);
    std::copy(Input, Input + Size, data.begin());
    QueryAll(data, extra);
  }
  return 0;
}
