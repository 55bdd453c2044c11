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

  platform::Status Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
                        std::uint32_t Disposition, std::uint32_t Attributes,
                        platform::FileHandle* Handle) override {
    *Handle = platform::kInvalidHandle;
    if (auto s = Hit(FileCall::Open, &Name); !s.ok()) return s;
    const platform::Status s = FileEnvWrapper::Open(Name, Access, Share, Disposition, Attributes, Handle);
    if (s.ok()) Remember(handles_, *Handle, Name);
    return s;
  }
  platform::Status Read(platform::FileHandle Handle, void* Buffer, std::int32_t Count,
                        std::int32_t* Done) override {
    *Done = 0;
    if (auto s = Hit(FileCall::Read, NameOf(Handle)); !s.ok()) return s;
    return FileEnvWrapper::Read(Handle, Buffer, Limit(Count), Done);
  }
  platform::Status Write(platform::FileHandle Handle, const void* Buffer, std::int32_t Count,
                         std::int32_t* Done) override {
    *Done = 0;
    if (auto s = Hit(FileCall::Write, NameOf(Handle)); !s.ok()) return s;
    return FileEnvWrapper::Write(Handle, Buffer, Limit(Count), Done);
  }
  platform::Status SetPosition(platform::FileHandle Handle, std::int32_t Distance,
                               std::uint32_t Origin, std::int32_t* Position) override {
    if (auto s = Hit(FileCall::SetPosition, NameOf(Handle)); !s.ok()) return s;
    return FileEnvWrapper::SetPosition(Handle, Distance, Origin, Position);
  }
  platform::Status GetSize(platform::FileHandle Handle, std::int32_t* Size) override {
    if (auto s = Hit(FileCall::GetSize, NameOf(Handle)); !s.ok()) return s;
    const platform::Status s = FileEnvWrapper::GetSize(Handle, Size);
    if (s.ok() && reportedSize_ >= 0) *Size = reportedSize_;
    return s;
  }
  platform::Status SetEnd(platform::FileHandle Handle) override {
    if (auto s = Hit(FileCall::SetEnd, NameOf(Handle)); !s.ok()) return s;
    return FileEnvWrapper::SetEnd(Handle);
  }
  platform::Status Flush(platform::FileHandle Handle) override {
    if (auto s = Hit(FileCall::Flush, NameOf(Handle)); !s.ok()) return s;
    return FileEnvWrapper::Flush(Handle);
  }
  platform::Status Close(platform::FileHandle Handle) override {
    // A failing close still releases the handle, as the systems do.
    const std::string* name = NameOf(Handle);
    const std::string closed = name != nullptr ? *name : std::string();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      handles_.erase(Handle);
    }
    const platform::Status s = Hit(FileCall::Close, name != nullptr ? &closed : nullptr);
    const platform::Status real = FileEnvWrapper::Close(Handle);
    return s.ok() ? real : s;
  }
  platform::Status Delete(const std::string& Name) override {
    if (auto s = Hit(FileCall::Delete, &Name); !s.ok()) return s;
    return FileEnvWrapper::Delete(Name);
  }
  platform::Status ListFolder(const std::string& Name, std::vector<std::string>* Entries,
                              platform::FileIdentity* Listed) override {
    if (auto s = Hit(FileCall::ListFolder, &Name); !s.ok()) return s;
    return FileEnvWrapper::ListFolder(Name, Entries, Listed);
  }
  platform::Status GetStatus(const std::string& Name, bool FollowLinks,
                             platform::FileStatus* Info) override {
    if (auto s = Hit(FileCall::GetStatus, &Name); !s.ok()) return s;
    return FileEnvWrapper::GetStatus(Name, FollowLinks, Info);
  }
  platform::Status CreateFolder(const std::string& Name) override {
    if (auto s = Hit(FileCall::CreateFolder, &Name); !s.ok()) return s;
    return FileEnvWrapper::CreateFolder(Name);
  }
  platform::Status Rename(const std::string& From, const std::string& To) override {
    if (auto s = Hit(FileCall::Rename, &To); !s.ok()) return s;
    return FileEnvWrapper::Rename(From, To);
  }
  platform::Status RealName(const std::string& Name, std::string* Real) override {
    if (auto s = Hit(FileCall::RealName, &Name); !s.ok()) return s;
    return FileEnvWrapper::RealName(Name, Real);
  }
  platform::Status GetOpenStatus(platform::FileHandle Handle, platform::FileStatus* Info) override {
    if (auto s = Hit(FileCall::GetOpenStatus, NameOf(Handle)); !s.ok()) return s;
    return FileEnvWrapper::GetOpenStatus(Handle, Info);
  }
  platform::Status OpenFolder(platform::FolderHandle Base, const std::string& Name,
                              bool FollowLinks, platform::FileStatus* Info,
                              platform::FolderHandle* Folder) override {
    *Folder = platform::kNoFolder;
    const std::string name = In(Base, Name);
    if (auto s = Hit(FileCall::OpenFolder, &name); !s.ok()) return s;
    const platform::Status s = FileEnvWrapper::OpenFolder(Base, Name, FollowLinks, Info, Folder);
    if (s.ok()) Remember(folders_, *Folder, name);
    return s;
  }
  platform::Status CloseFolder(platform::FolderHandle Folder) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      folders_.erase(Folder);
    }
    return FileEnvWrapper::CloseFolder(Folder);
  }
  platform::Status CreateFolderIn(platform::FolderHandle Folder, const std::string& Name,
                                  std::uint32_t Permissions) override {
    const std::string name = In(Folder, Name);
    if (auto s = Hit(FileCall::CreateFolder, &name); !s.ok()) return s;
    return FileEnvWrapper::CreateFolderIn(Folder, Name, Permissions);
  }
  platform::Status CreateFileIn(platform::FolderHandle Folder, const std::string& Name,
                                std::uint32_t Permissions, platform::FileHandle* Handle) override {
    *Handle = platform::kInvalidHandle;
    const std::string name = In(Folder, Name);
    if (auto s = Hit(FileCall::Open, &name); !s.ok()) return s;
    const platform::Status s = FileEnvWrapper::CreateFileIn(Folder, Name, Permissions, Handle);
    if (s.ok()) Remember(handles_, *Handle, name);
    return s;
  }
  platform::Status RenameIn(platform::FolderHandle Folder, const std::string& From,
                            const std::string& To) override {
    const std::string name = In(Folder, To);
    if (auto s = Hit(FileCall::Rename, &name); !s.ok()) return s;
    return FileEnvWrapper::RenameIn(Folder, From, To);
  }
  platform::Status DeleteIn(platform::FolderHandle Folder, const std::string& Name) override {
    const std::string name = In(Folder, Name);
    if (auto s = Hit(FileCall::Delete, &name); !s.ok()) return s;
    return FileEnvWrapper::DeleteIn(Folder, Name);
  }
  platform::Status SetAttributes(platform::FileHandle Handle, const std::uint32_t* Permissions,
                                 const std::int64_t* ModifiedTime) override {
    if (auto s = Hit(FileCall::SetAttributes, NameOf(Handle)); !s.ok()) return s;
    return FileEnvWrapper::SetAttributes(Handle, Permissions, ModifiedTime);
  }
  platform::Status CopyData(platform::FileHandle From, platform::FileHandle To,
                            std::int64_t* Copied) override {
    *Copied = 0;
    if (auto s = Hit(FileCall::CopyData, NameOf(From)); !s.ok()) return s;
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
  template <typename Handle>
  void Remember(std::map<Handle, std::string>& Names, Handle H, const std::string& Name) {
    std::lock_guard<std::mutex> lock(mutex_);
    Names[H] = Name;
  }
  // Counts the call and returns the failure it is to have, or success;
  // Name is the name the call is about, when it takes one (Rename: the
  // new name). Runs the action waiting for the call first.
  platform::Status Hit(FileCall Call, const std::string* Name = nullptr) {
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
      if (named != names_.end()) return platform::Status::Error(named->second);
    }
    auto it = faults_.find(Call);
    if (it == faults_.end() || it->second.at != n) return platform::Status();
    return platform::Status::Error(it->second.code);
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
