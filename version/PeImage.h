#pragma once

// The version block of a Windows image (PE32 or PE32+): resource type 16,
// its first name, its first language.

#include <cstdint>
#include <optional>

#include "version/ByteSource.h"
#include "version/VersionData.h"

namespace versionres {

// Resource type of version blocks in Windows images.
inline constexpr std::uint32_t kResourceTypeVersion = 16;

// Where Source, a PE32 or PE32+ image, keeps its version block; nothing for
// anything else, for an image without one and for headers that point
// outside Source.
std::optional<VersionDataLocation> LocatePeVersionData(const ByteSource& Source);

}  // namespace versionres
