// The version resource services on POSIX systems, which have none of their
// own: the version block reader over the file, read through the current
// FileEnv, and the program's own file from /proc.

#include <unistd.h>

#include <vector>

#include "platform/FileEnv.h"
#include "platform/VersionRes.h"
#include "version/VersionBlock.h"
#include "version/VersionData.h"

namespace platform {

namespace {

// A file opened for reading (others may read and write it meanwhile); it
// has no bytes when it cannot be opened or sized.
class FileByteSource final : public versionres::ByteSource {
public:
  FileByteSource(const std::string& Name, FileEnv* Env)
      : env_(Env != nullptr ? Env : FileEnv::Default()) {
    std::int32_t size = 0;
    if (env_->Open(Name, kGenericRead, kFileShareRead | kFileShareWrite, kOpenExisting,
                   kFileAttributeNormal, &handle_)
            .ok() &&
        env_->GetSize(handle_, &size).ok() && size > 0)
      size_ = static_cast<std::uint64_t>(size);
  }
  ~FileByteSource() override {
    if (handle_ != kInvalidHandle) env_->Close(handle_).IgnoreError();
  }
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  std::uint64_t Size() const override { return size_; }

  bool ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) const override {
    if (Offset > size_ || Count > size_ - Offset) return false;
    if (Count == 0) return true;
    // size_ came from a 32-bit size, so both fit.
    const auto at = static_cast<std::int32_t>(Offset);
    const auto count = static_cast<std::int32_t>(Count);
    std::int32_t position = -1;
    std::int32_t done = 0;
    return env_->SetPosition(handle_, at, kFileBegin, &position).ok() && position == at &&
           env_->Read(handle_, Buffer, count, &done).ok() && done == count;
  }

private:
  FileEnv* env_;
  FileHandle handle_ = kInvalidHandle;
  std::uint64_t size_ = 0;
};

}  // namespace

std::uint32_t FileVersionDataSize(const std::string& FileName, FileEnv* Env) {
  const FileByteSource file(FileName, Env);
  return versionres::VersionDataSize(file);
}

bool ReadFileVersionData(const std::string& FileName, std::uint32_t Size, void* Data, FileEnv* Env) {
  const FileByteSource file(FileName, Env);
  return versionres::ReadVersionData(file, Size, Data);
}

bool QueryVersionValue(void* Block, std::uint32_t BlockSize, std::string_view SubBlock,
                       const void** Value, std::uint32_t* Length) {
  return versionres::QueryVersionBlock(Block, BlockSize, SubBlock, Value, Length);
}

std::string ProgramFileName() {
  // Linux names the running program's file in /proc; the link's target is
  // the path it was started from.
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
    if (buffer.size() >= (1u << 20)) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
