#pragma once

// A FileEnv that forwards to the real one and makes chosen calls fail.

#include <cstdint>
#include <map>
#include <string>

#include "platform/FileEnv.h"

enum class FileCall { Open, Read, Write, SetPosition, GetSize, SetEnd, Flush, Close, Delete };

class FaultFileEnv : public platform::FileEnvWrapper {
public:
  explicit FaultFileEnv(platform::FileEnv* Target = platform::FileEnv::Default())
      : FileEnvWrapper(Target) {}

  // Makes the Nth call (1-based, counted from now) of kind Call fail with Code.
  void FailCall(FileCall Call, int Nth, platform::SysError Code) {
    faults_[Call] = Fault{calls_[Call] + Nth, Code};
  }
  // Makes a read or write move at most Limit bytes (a short transfer).
  void LimitTransfers(std::int32_t Limit) { limit_ = Limit; }
  // Makes every successful GetSize report Size instead of the file's size,
  // as pseudo-files and stale caches do; a negative Size ends the lie.
  void ReportSize(std::int32_t Size) { reportedSize_ = Size; }
  int Calls(FileCall Call) const {
    auto it = calls_.find(Call);
    return it == calls_.end() ? 0 : it->second;
  }

  platform::FileHandle Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
                            std::uint32_t Disposition, std::uint32_t Attributes) override {
    if (Hit(FileCall::Open)) return platform::kInvalidHandle;
    return FileEnvWrapper::Open(Name, Access, Share, Disposition, Attributes);
  }
  bool Read(platform::FileHandle Handle, void* Buffer, std::int32_t Count,
            std::int32_t* Done) override {
    if (Hit(FileCall::Read)) return *Done = 0, false;
    return FileEnvWrapper::Read(Handle, Buffer, Limit(Count), Done);
  }
  bool Write(platform::FileHandle Handle, const void* Buffer, std::int32_t Count,
             std::int32_t* Done) override {
    if (Hit(FileCall::Write)) return *Done = 0, false;
    return FileEnvWrapper::Write(Handle, Buffer, Limit(Count), Done);
  }
  std::int32_t SetPosition(platform::FileHandle Handle, std::int32_t Distance,
                           std::uint32_t Origin) override {
    if (Hit(FileCall::SetPosition)) return -1;
    return FileEnvWrapper::SetPosition(Handle, Distance, Origin);
  }
  std::int32_t GetSize(platform::FileHandle Handle) override {
    if (Hit(FileCall::GetSize)) return -1;
    const std::int32_t size = FileEnvWrapper::GetSize(Handle);
    return size != -1 && reportedSize_ >= 0 ? reportedSize_ : size;
  }
  bool SetEnd(platform::FileHandle Handle) override {
    if (Hit(FileCall::SetEnd)) return false;
    return FileEnvWrapper::SetEnd(Handle);
  }
  bool Flush(platform::FileHandle Handle) override {
    if (Hit(FileCall::Flush)) return false;
    return FileEnvWrapper::Flush(Handle);
  }
  bool Close(platform::FileHandle Handle) override {
    // A failing close still releases the handle, as the systems do.
    if (Hit(FileCall::Close)) {
      platform::SysError code = LastError();
      FileEnvWrapper::Close(Handle);
      SetLastError(code);
      return false;
    }
    return FileEnvWrapper::Close(Handle);
  }
  bool Delete(const std::string& Name) override {
    if (Hit(FileCall::Delete)) return false;
    return FileEnvWrapper::Delete(Name);
  }

private:
  struct Fault {
    int at;
    platform::SysError code;
  };
  bool Hit(FileCall Call) {
    int n = ++calls_[Call];
    auto it = faults_.find(Call);
    if (it == faults_.end() || it->second.at != n) return false;
    SetLastError(it->second.code);
    return true;
  }
  std::int32_t Limit(std::int32_t Count) const {
    return limit_ >= 0 && Count > limit_ ? limit_ : Count;
  }

  std::map<FileCall, int> calls_;
  std::map<FileCall, Fault> faults_;
  std::int32_t limit_ = -1;
  std::int32_t reportedSize_ = -1;
};
