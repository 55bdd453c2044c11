#include "about/VersionInfo.h"

#include <array>
#include <exception>
#include <vector>

#include "platform/VersionRes.h"
#include "streams/Streams.h"
#include "streams/Utils.h"
#include "version/ByteOrder.h"

namespace {

// The fixed-info record: its length, its signature, and where the version
// numbers sit in it.
constexpr std::uint32_t kFixedFileInfoSize = 52;
constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr std::size_t kSignatureAt = 0;
constexpr std::size_t kFileVersionAt = 8;
constexpr std::size_t kProductVersionAt = 16;

std::uint32_t Le32(const void* Data, std::size_t At) {
  return versionres::Le32(static_cast<const unsigned char*>(Data) + At);
}

TVersionPair PairAt(const void* Data, std::size_t At) {
  return TVersionPair{Le32(Data, At), Le32(Data, At + 4)};
}

// The string values read, in the order they are asked for.
struct StringField {
  const char* key;
  std::string TVersionInfo::*field;
};
constexpr std::array<StringField, 6> kStringFields{{
    {"CompanyName", &TVersionInfo::CompanyName},
    {"InternalName", &TVersionInfo::InternalName},
    {"FileDescription", &TVersionInfo::FileDescription},
    {"LegalCopyright", &TVersionInfo::LegalCopyright},
    {"OriginalFilename", &TVersionInfo::OriginalFilename},
    {"ProductName", &TVersionInfo::ProductName},
}};

// The message of the error being handled.
std::string CurrentErrorText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return SUnknownVersionError;
  }
}

}  // namespace

std::string ByteToHex(std::uint8_t Value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string{kDigits[Value >> 4], kDigits[Value & 0x0F]};
}

void ReadVersionInfo(const std::string& FileName, TVersionInfo& Info, platform::FileEnv* Env) {
  const std::uint32_t size = platform::FileVersionDataSize(FileName, Env);
  if (size == 0) throw Exception(Format(SNoVersionInfo, {FileName}));
  std::vector<unsigned char> block(size);
  // The file may have changed since it was sized; its data is then as
  // unusable as a broken fixed-info record.
  if (!platform::ReadFileVersionData(FileName, size, block.data(), Env))
    throw Exception(SFixedFileInfoError);

  const void* value = nullptr;
  std::uint32_t length = 0;
  if (!platform::QueryVersionValue(block.data(), size, "\\", &value, &length) ||
      length != kFixedFileInfoSize || Le32(value, kSignatureAt) != kFixedFileInfoSignature)
    throw Exception(SFixedFileInfoError);
  Info.FileVersion = PairAt(value, kFileVersionAt);
  Info.ProductVersion = PairAt(value, kProductVersionAt);

  length = 0;
  if (!platform::QueryVersionValue(block.data(), size, "\\VarFileInfo\\Translation", &value,
                                   &length) ||
      length < 4)
    throw Exception(SLangCharsetError);
  // The first entry: language, then code page, each 16 bits little-endian.
  const auto* entry = static_cast<const std::uint8_t*>(value);
  const std::string prefix = "\\StringFileInfo\\" + ByteToHex(entry[1]) + ByteToHex(entry[0]) +
                             ByteToHex(entry[3]) + ByteToHex(entry[2]) + "\\";

  for (const StringField& f : kStringFields) {
    length = 0;
    if (platform::QueryVersionValue(block.data(), size, prefix + f.key, &value, &length) &&
        length > 0)
      Info.*f.field = std::string(static_cast<const char*>(value), length - 1);
  }
}

std::string ProductVersionText(const TVersionPair& ProductVersion) {
  const TVersionPair& v = ProductVersion;
  return Format(SVersionText, {std::to_string(v.Ms >> 16), std::to_string(v.Ms & 0xFFFF),
                               std::to_string(v.Ls >> 16), std::to_string(v.Ls & 0xFFFF)});
}

TProgramVersion ReadProgramVersion(const std::string& FileName, platform::FileEnv* Env) {
  TProgramVersion Version;
  try {
    ReadVersionInfo(FileName, Version.Info, Env);
    Version.Text = ProductVersionText(Version.Info.ProductVersion);
  } catch (...) {
    Version = TProgramVersion();
    Version.Error = CurrentErrorText();
  }
  return Version;
}

const TProgramVersion& ProgramVersion() {
  // Initialised once; threads asking meanwhile wait for it.
  static const TProgramVersion Version = [] {
    try {
      return ReadProgramVersion(platform::ProgramFileName());
    } catch (...) {
      // The program's file name could not be had (no memory).
      TProgramVersion Failed;
      Failed.Error = CurrentErrorText();
      return Failed;
    }
  }();
  return Version;
}
