// The version resource services on arbitrary bytes: finding the version
// block in an image, reading it, looking values up in it, and reading a
// version record from a "file" with these bytes. Nothing may read outside
// the data, and every answer must stay inside what it describes.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "about/VersionInfo.h"
#include "fuzz/FuzzSupport.h"
#include "platform/FileEnv.h"
#include "platform/VersionRes.h"
#include "version/VersionBlock.h"
#include "version/VersionData.h"
#include "streams/Utils.h"

namespace {

constexpr char kImageName[] = "fuzz-image.exe";
constexpr platform::FileHandle kImageHandle = 0x5EED;

// File services in which kImageName is a file holding the fuzz input.
class TImageFileEnv : public platform::FileEnvWrapper {
public:
  explicit TImageFileEnv(std::string_view Image)
      : FileEnvWrapper(platform::FileEnv::Default()), FImage(Image) {}

  platform::Status Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
                        std::uint32_t Disposition, std::uint32_t Attributes,
                        platform::FileHandle* Handle) override {
    if (Name != kImageName)
      return FileEnvWrapper::Open(Name, Access, Share, Disposition, Attributes, Handle);
    FUZZ_CHECK(!FOpen, "the image is opened twice at once");
    FOpen = true;
    FPos = 0;
    *Handle = kImageHandle;
    return platform::Status();
  }
  platform::Status Read(platform::FileHandle Handle, void* Buffer, std::int32_t Count,
            std::int32_t* Done) override {
    FUZZ_CHECK(Handle == kImageHandle && FOpen && Count >= 0, "read on a bad handle");
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(Count), FImage.size() - FPos);
    if (n > 0) std::memcpy(Buffer, FImage.data() + FPos, n);
    FPos += n;
    *Done = static_cast<std::int32_t>(n);
    return platform::Status();
  }
  platform::Status SetPosition(platform::FileHandle Handle, std::int32_t Distance,
                               std::uint32_t Origin, std::int32_t* Position) override {
    FUZZ_CHECK(Handle == kImageHandle && FOpen, "seek on a bad handle");
    const std::int64_t to = (Origin == platform::kFileBegin ? 0 : static_cast<std::int64_t>(FPos)) +
                            Distance;
    FUZZ_CHECK(to >= 0 && static_cast<std::uint64_t>(to) <= FImage.size(),
               "seek outside the image: " + std::to_string(to));
    FPos = static_cast<std::size_t>(to);
    *Position = static_cast<std::int32_t>(to);
    return platform::Status();
  }
  platform::Status GetSize(platform::FileHandle Handle, std::int32_t* Size) override {
    FUZZ_CHECK(Handle == kImageHandle && FOpen, "size of a bad handle");
    *Size = static_cast<std::int32_t>(FImage.size());
    return platform::Status();
  }
  platform::Status Close(platform::FileHandle Handle) override {
    FUZZ_CHECK(Handle == kImageHandle && FOpen, "close of a bad handle");
    FOpen = false;
    return platform::Status();
  }
  bool Closed() const { return !FOpen; }

private:
  std::string_view FImage;
  std::size_t FPos = 0;
  bool FOpen = false;
};

// A looked-up value must lie inside the data it was looked up in.
void CheckQuery(unsigned char* Block, std::uint32_t Size, const std::string& Path) {
  const void* value = nullptr;
  std::uint32_t length = 0xDEADBEEF;
  if (!platform::QueryVersionValue(Block, Size, Path, &value, &length)) {
    FUZZ_CHECK(value == nullptr && length == 0xDEADBEEF, "a failed query changed its results");
    return;
  }
  if (length == 0) return;
  const auto* v = static_cast<const unsigned char*>(value);
  FUZZ_CHECK(v >= Block && v < Block + Size && length <= static_cast<std::size_t>(Block + Size - v),
             "value of " + fuzz::Show(Path) + " outside the data (length " +
                 std::to_string(length) + ")");
  // Touch every byte, so that the sanitizer sees any that is not there.
  unsigned sum = 0;
  for (std::uint32_t i = 0; i < length; ++i) sum += v[i];
  (void)sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view image(reinterpret_cast<const char*>(Data), Size);
  const versionres::MemoryByteSource source(Data, Size);

  const auto where = versionres::LocateVersionData(source);
  if (where) {
    FUZZ_CHECK(where->Size > 0 && where->Size <= versionres::kMaxVersionBlock &&
                   where->Offset <= Size && where->Size <= Size - where->Offset,
               "location outside the image");
  }
  const std::uint32_t size = versionres::VersionDataSize(source);
  FUZZ_CHECK(size % 3 == 0, "data size not three times the block");
  FUZZ_CHECK(size == 0 || (where && size / 3 <= where->Size), "data size beyond the location");

  if (size > 0) {
    // Exactly as large as asked for, so that the sanitizer catches any
    // access past it.
    std::unique_ptr<unsigned char[]> block(new unsigned char[size]);
    FUZZ_CHECK(!versionres::ReadVersionData(source, size - 1, block.get()),
               "read into a buffer that is too small");
    FUZZ_CHECK(versionres::ReadVersionData(source, size, block.get()), "read failed after sizing");
    FUZZ_CHECK(std::memcmp(block.get(), Data + where->Offset, size / 3) == 0,
               "block bytes differ from the image");

    std::string prefix = "\\StringFileInfo\\040904E4\\";
    const void* value = nullptr;
    std::uint32_t length = 0;
    if (platform::QueryVersionValue(block.get(), size, "\\VarFileInfo\\Translation", &value,
                                    &length) &&
        length >= 4) {
      const auto* e = static_cast<const std::uint8_t*>(value);
      prefix = "\\StringFileInfo\\" + ByteToHex(e[1]) + ByteToHex(e[0]) + ByteToHex(e[3]) +
               ByteToHex(e[2]) + "\\";
    }
    for (const std::string& path :
         {std::string("\\"), std::string(""), std::string("\\\\"),
          std::string("\\VarFileInfo\\Translation"), std::string("\\VarFileInfo\\Translation\\x"),
          std::string("\\StringFileInfo"), prefix, prefix + "CompanyName",
          prefix + "FileDescription", prefix + "InternalName", prefix + "LegalCopyright",
          prefix + "OriginalFilename", prefix + "ProductName", prefix + "ProductVersion",
          prefix + "\xC3\xA9\xF0\x9F\x98\x80", std::string("\\\xFF\xFE"), std::string(image.substr(0, 64))})
      CheckQuery(block.get(), size, path);
  }

  // The same bytes as a file: a version record or one of the three errors.
  TImageFileEnv env(image);
  {
    FUZZ_CHECK(platform::FileVersionDataSize(kImageName, &env) == size,
               "the file and the memory give different sizes");
    TVersionInfo info;
    try {
      ReadVersionInfo(kImageName, info, &env);
      FUZZ_CHECK(size > 0, "a version record from an image without a block");
    } catch (const Exception& e) {
      const std::string& m = e.Message();
      FUZZ_CHECK(m == Format(SNoVersionInfo, {kImageName}) || m == SFixedFileInfoError ||
                     m == SLangCharsetError,
                 "unexpected error: " + m);
      FUZZ_CHECK((m == Format(SNoVersionInfo, {kImageName})) == (size == 0),
                 "missing-block error does not match the size");
    }
  }
  FUZZ_CHECK(env.Closed(), "the image was left open");
  return 0;
}
