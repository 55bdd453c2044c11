#pragma once

// A FileEnv that forwards to the real one and makes chosen calls fail, or
// runs a test's action just before one (to change the files under a run).
// The calls "in" a folder count as their plain kinds (CreateFileIn as
// Open, RenameIn as Rename, ...), and name the folder's name joined with
// theirs. Safe to use from several threads at once.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileEnv.h"

enum class FileCall {
  Open,
  Read,
  Write,
  SetPosition,
  GetSize,
  SetEnd,
  Flush,
  Close,
  Delete,
  ListFolder,
  GetStatus,
  CreateFolder,
  Rename,
  RealName,
  GetOpenStatus,
  OpenFolder,
  SetAttributes,
  CopyData,
};

class FaultFileEnv : public platform::FileEnvWrapper {
public:
  explicit FaultFileEnv(platform::FileEnv* Target = platform::FileEnv::Default())
      : FileEnvWrapper(Target) {}

  // Makes the Nth call (1-based, counted from now) of kind Call fail with Code.
  void FailCall(FileCall Call, int Nth, platform::SysError Code) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_[Call] = Fault{calls_[Call] + Nth, Code};
  }
  // Makes every call of kind Call about the file Name fail with Code (for
  // calls on a handle: the name the handle was opened with; Rename: the
  // new name).
  void FailName(FileCall Call, const std::string& Name, platform::SysError Code) {
    std::lock_guard<std::mutex> lock(mutex_);
    names_[{Call, Name}] = Code;
  }
  // Runs Action once, just before the first call of kind Call about Name.
  void BeforeCall(FileCall Call, const std::string& Name, std::function<void()> Action) {
    std::lock_guard<std::mutex> lock(mutex_);
    actions_[{Call, Name}] = std::move(Action);
  }
  // Makes a read or write move at most Limit bytes (a short transfer).
  void LimitTransfers(std::int32_t Limit) { limit_ = Limit; }
  // Makes every successful GetSize report Size instead of the file's size,
  // as pseudo-files and stale caches do; a negative Size ends the lie.
  void ReportSize(std::int32_t Size) { reportedSize_ = Size; }
  int Calls(FileCall Call) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = calls_.find(Call);
    return it == calls_.end() ? 0 : it->second;
  }

  platform::FileHandle Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
                            std::uint32_t Disposition, std::uint32_t Attributes) override {
    if (Hit(FileCall::Open, &Name)) return platform::kInvalidHandle;
    const platform::FileHandle h = FileEnvWrapper::Open(Name, Access, Share, Disposition, Attributes);
    if (h != platform::kInvalidHandle) {
      std::lock_guard<std::mutex> lock(mutex_);
      handles_[h] = Name;
    }
    return h;
  }
  bool Read(platform::FileHandle Handle, void* Buffer, std::int32_t Count,
            std::int32_t* Done) override {
    if (Hit(FileCall::Read, NameOf(Handle))) return *Done = 0, false;
    return FileEnvWrapper::Read(Handle, Buffer, Limit(Count), Done);
  }
  bool Write(platform::FileHandle Handle, const void* Buffer, std::int32_t Count,
             std::int32_t* Done) override {
    if (Hit(FileCall::Write, NameOf(Handle))) return *Done = 0, false;
    return FileEnvWrapper::Write(Handle, Buffer, Limit(Count), Done);
  }
  std::int32_t SetPosition(platform::FileHandle Handle, std::int32_t Distance,
                           std::uint32_t Origin) override {
    if (Hit(FileCall::SetPosition, NameOf(Handle))) return -1;
    return FileEnvWrapper::SetPosition(Handle, Distance, Origin);
  }
  std::int32_t GetSize(platform::FileHandle Handle) override {
    if (Hit(FileCall::GetSize, NameOf(Handle))) return -1;
    const std::int32_t size = FileEnvWrapper::GetSize(Handle);
    return size != -1 && reportedSize_ >= 0 ? reportedSize_ : size;
  }
  bool SetEnd(platform::FileHandle Handle) override {
    if (Hit(FileCall::SetEnd, NameOf(Handle))) return false;
    return FileEnvWrapper::SetEnd(Handle);
  }
  bool Flush(platform::FileHandle Handle) override {
    if (Hit(FileCall::Flush, NameOf(Handle))) return false;
    return FileEnvWrapper::Flush(Handle);
  }
  bool Close(platform::FileHandle Handle) override {
    // A failing close still releases the handle, as the systems do.
    const std::string* name = NameOf(Handle);
    const std::string closed = name != nullptr ? *name : std::string();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      handles_.erase(Handle);
    }
    if (Hit(FileCall::Close, name != nullptr ? &closed : nullptr)) {
      platform::SysError code = LastError();
      FileEnvWrapper::Close(Handle);
      SetLastError(code);
      return false;
    }
    return FileEnvWrapper::Close(Handle);
  }
  bool Delete(const std::string& Name) override {
    if (Hit(FileCall::Delete, &Name)) return false;
    return FileEnvWrapper::Delete(Name);
  }
  bool ListFolder(const std::string& Name, std::vector<std::string>* Entries,
                  platform::FileIdentity* Listed) override {
    if (Hit(FileCall::ListFolder, &Name)) return false;
    return FileEnvWrapper::ListFolder(Name, Entries, Listed);
  }
  bool GetStatus(const std::string& Name, bool FollowLinks,
                 platform::FileStatus* Status) override {
    if (Hit(FileCall::GetStatus, &Name)) return false;
    return FileEnvWrapper::GetStatus(Name, FollowLinks, Status);
  }
  bool CreateFolder(const std::string& Name) override {
    if (Hit(FileCall::CreateFolder, &Name)) return false;
    return FileEnvWrapper::CreateFolder(Name);
  }
  bool Rename(const std::string& From, const std::string& To) override {
    if (Hit(FileCall::Rename, &To)) return false;
    return FileEnvWrapper::Rename(From, To);
  }
  bool RealName(const std::string& Name, std::string* Real) override {
    if (Hit(FileCall::RealName, &Name)) return false;
    return FileEnvWrapper::RealName(Name, Real);
  }
  bool GetOpenStatus(platform::FileHandle Handle, platform::FileStatus* Status) override {
    if (Hit(FileCall::GetOpenStatus, NameOf(Handle))) return false;
    return FileEnvWrapper::GetOpenStatus(Handle, Status);
  }
  platform::FolderHandle OpenFolder(platform::FolderHandle Base, const std::string& Name,
                                    bool FollowLinks, platform::FileStatus* Status) override {
    const std::string name = In(Base, Name);
    if (Hit(FileCall::OpenFolder, &name)) return platform::kNoFolder;
    const platform::FolderHandle h = FileEnvWrapper::OpenFolder(Base, Name, FollowLinks, Status);
    if (h != platform::kNoFolder) {
      std::lock_guard<std::mutex> lock(mutex_);
      folders_[h] = name;
    }
    return h;
  }
  bool CloseFolder(platform::FolderHandle Folder) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      folders_.erase(Folder);
    }
    return FileEnvWrapper::CloseFolder(Folder);
  }
  bool CreateFolderIn(platform::FolderHandle Folder, const std::string& Name,
                      std::uint32_t Permissions) override {
    const std::string name = In(Folder, Name);
    if (Hit(FileCall::CreateFolder, &name)) return false;
    return FileEnvWrapper::CreateFolderIn(Folder, Name, Permissions);
  }
  platform::FileHandle CreateFileIn(platform::FolderHandle Folder, const std::string& Name,
                                    std::uint32_t Permissions) override {
    const std::string name = In(Folder, Name);
    if (Hit(FileCall::Open, &name)) return platform::kInvalidHandle;
    const platform::FileHandle h = FileEnvWrapper::CreateFileIn(Folder, Name, Permissions);
    if (h != platform::kInvalidHandle) {
      std::lock_guard<std::mutex> lock(mutex_);
      handles_[h] = name;
    }
    return h;
  }
  bool RenameIn(platform::FolderHandle Folder, const std::string& From,
                const std::string& To) override {
    const std::string name = In(Folder, To);
    if (Hit(FileCall::Rename, &name)) return false;
    return FileEnvWrapper::RenameIn(Folder, From, To);
  }
  bool DeleteIn(platform::FolderHandle Folder, const std::string& Name) override {
    const std::string name = In(Folder, Name);
    if (Hit(FileCall::Delete, &name)) return false;
    return FileEnvWrapper::DeleteIn(Folder, Name);
  }
  bool SetAttributes(platform::FileHandle Handle, const std::uint32_t* Permissions,
                     const std::int64_t* ModifiedTime) override {
    if (Hit(FileCall::SetAttributes, NameOf(Handle))) return false;
    return FileEnvWrapper::SetAttributes(Handle, Permissions, ModifiedTime);
  }
  bool CopyData(platform::FileHandle From, platform::FileHandle To,
                std::int64_t* Copied) override {
    if (Hit(FileCall::CopyData, NameOf(From))) return *Copied = 0, false;
    return FileEnvWrapper::CopyData(From, To, Copied);
  }

private:
  struct Fault {
    int at;
    platform::SysError code;
  };
  // The name Handle was opened with, or null. Handles live until Close, so
  // the pointer stays valid meanwhile.
  const std::string* NameOf(platform::FileHandle Handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = handles_.find(Handle);
    return it == handles_.end() ? nullptr : &it->second;
  }
  // The name of Name inside Folder.
  std::string In(platform::FolderHandle Folder, const std::string& Name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = folders_.find(Folder);
    if (it == folders_.end()) return Name;
    const std::string& base = it->second;
    const char delimiter = platform::PathDelimiter();
    if (!base.empty() && (base.back() == delimiter || base.back() == '/')) return base + Name;
    return base + delimiter + Name;
  }
  // Counts the call and tells whether it fails; Name is the name the call
  // is about, when it takes one (Rename: the new name). Runs the action
  // waiting for the call first.
  bool Hit(FileCall Call, const std::string* Name = nullptr) {
    if (Name != nullptr) {
      std::function<void()> action;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = actions_.find({Call, *Name});
        if (it != actions_.end()) {
          action = std::move(it->second);
          actions_.erase(it);
        }
      }
      if (action) action();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    int n = ++calls_[Call];
    if (Name != nullptr) {
      auto named = names_.find({Call, *Name});
      if (named != names_.end()) {
        SetLastError(named->second);
        return true;
      }
    }
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
  std::map<std::pair<FileCall, std::string>, platform::SysError> names_;
  std::map<platform::FileHandle, std::string> handles_;
  std::map<platform::FolderHandle, std::string> folders_;
  std::map<std::pair<FileCall, std::string>, std::function<void()>> actions_;
  mutable std::mutex mutex_;
  std::int32_t limit_ = -1;
  std::int32_t reportedSize_ = -1;
};
