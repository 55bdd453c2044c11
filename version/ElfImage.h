#pragma once

// The version block of an ELF file (32 or 64 bits, either byte order): the
// contents of the section our build puts it into.

#include <optional>

#include "version/ByteSource.h"
#include "version/VersionData.h"

namespace versionres {

// The ELF section our build puts each executable's version block into.
inline constexpr char kVersionSectionName[] = ".vs_version_info";

// Where Source, an ELF file, keeps its version block; nothing for anything
// else, for a file without the section and for headers that point outside
// Source.
std::optional<VersionDataLocation> LocateElfVersionData(const ByteSource& Source);

}  // namespace versionres
