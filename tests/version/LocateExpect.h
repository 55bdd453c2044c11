#pragma once

// Checks of where the version block is found in a file image.

#include <gtest/gtest.h>

#include <cstddef>

#include "support/VersionImages.h"
#include "version/VersionData.h"

// Expects the block of File Size bytes at Offset; Name tells the case.
inline void ExpectBlockAt(const testimg::Bytes& File, std::size_t Offset, std::size_t Size,
                          const char* Name) {
  const versionres::MemoryByteSource source(File.data(), File.size());
  const auto where = versionres::LocateVersionData(source);
  ASSERT_TRUE(where.has_value()) << Name;
  EXPECT_EQ(where->Offset, Offset) << Name;
  EXPECT_EQ(where->Size, Size) << Name;
}
