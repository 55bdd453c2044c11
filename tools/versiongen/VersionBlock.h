#pragma once

// Building a version block (the VS_VERSIONINFO tree) from the build's
// version numbers and the product's strings.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace versiongen {

struct VersionBlockSpec {
  // major, minor, release, build
  std::array<std::uint16_t, 4> FileVersion{};
  std::array<std::uint16_t, 4> ProductVersion{};
  std::uint16_t Language = 0x0409;
  std::uint16_t CodePage = 1252;
  // Key and value of each string, UTF-8, in the order they are stored.
  std::vector<std::pair<std::string, std::string>> Strings;
};

// The block's bytes: the fixed-info record, one string table for the
// translation, and the translation table. Throws std::invalid_argument for
// text that is not UTF-8 and std::length_error when the block would pass
// the 65,535 bytes its length field holds.
std::vector<std::uint8_t> BuildVersionBlock(const VersionBlockSpec& Spec);

// Parses "major.minor.release.build" (missing parts are 0, each part at
// most 65535). Throws std::invalid_argument on anything else.
std::array<std::uint16_t, 4> ParseVersion(const std::string& Text);

// A C++ source whose only content is top-level assembly placing Block in
// the ELF section Section, kept by the linker and by strip.
std::string AssemblySource(const std::vector<std::uint8_t>& Block, const std::string& Section);

}  // namespace versiongen
