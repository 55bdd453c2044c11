#pragma once

// The operating system's file services, as the file stream needs them.
//
// TFileStream talks to the system only through a FileEnv. Each platform has
// one implementation in a file of its own (PosixFileEnv.cpp, ...), and
// FileEnvWrapper forwards every call to another FileEnv so that tests can
// replace single calls (for example to make one of them fail with a chosen
// error code).
//
// The calls mirror the Windows kernel services the stream was designed on.
// Every call that can fail returns a Status: success, or the system error
// code of the failure, which ErrorText() turns into the system's own text.
// What a call yields besides (a handle, a count, a size) goes to the
// out-parameter named last; it is meaningful only on success unless the
// call says otherwise.
//
// The folder calls at the end serve the walk through a folder tree: list a
// folder, tell what a name is without opening it, create a folder, rename a
// file in one step, resolve a name to the folder it really is. The calls
// "in" a folder take a folder held open as their base, so that what they
// create, rename or delete lands in that very folder, whatever happens
// meanwhile to the names that led to it (a folder swapped for a link).
//
// Every call may be made from several threads at once.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileIdentity.h"
#include "platform/Status.h"

namespace platform {

// A handle to an open file; kInvalidHandle (all bits set) when none.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidHandle = -1;

// A folder held open as the base of the calls "in" a folder; kNoFolder
// when none (see OpenFolder).
using FolderHandle = std::intptr_t;
inline constexpr FolderHandle kNoFolder = -1;

// Access bits for Open.
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
// Share bits for Open: what other opens of the same file may do meanwhile.
inline constexpr std::uint32_t kFileShareRead = 1;
inline constexpr std::uint32_t kFileShareWrite = 2;
// Dispositions for Open.
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
// Attributes for Open.
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
// Origins for SetPosition.
inline constexpr std::uint32_t kFileBegin = 0;
inline constexpr std::uint32_t kFileCurrent = 1;

// What a name is, as GetStatus tells it.
enum FileKind : std::uint8_t {
  fkRegular,  // a plain file with data
  fkFolder,   // a folder (directory)
  fkLink,     // a symbolic link (on Windows also a junction), not followed
  fkOther,    // anything else: FIFO, socket, device
};

struct FileStatus {
  FileKind Kind = fkOther;
  FileIdentity Identity;  // of the link itself for fkLink
  // The permission bits as POSIX writes them (0644, 0755, ...). Windows
  // knows only whether a file is read-only: 0444 then, else 0666 (0777
  // for folders).
  std::uint32_t Permissions = 0;
  std::int64_t Size = 0;          // in bytes, as the system reports it
  std::int64_t ModifiedTime = 0;  // of the data, nanoseconds since 1970-01-01 UTC
};

class FileEnv {
public:
  virtual ~FileEnv();

  // The platform's implementation. Never null; lives for the whole process.
  static FileEnv* Default();

  // Opens Name with Access (kGenericRead | kGenericWrite bits), Share (the
  // kFileShare* bits others may use while this handle is open) and
  // Disposition (kCreateAlways: create the file or empty an existing one,
  // also when only read access is asked; kOpenExisting: the file must
  // exist). The handle may do only what Access asks for: a call it does not
  // allow fails with the access-denied error. Stores the new handle in
  // *Handle (kInvalidHandle on failure). An open that conflicts with the
  // access or sharing of an open handle to the same file (by whatever name)
  // fails with the platform's sharing-violation code before the file is
  // created or emptied. Never blocks, and never opens a directory.
  virtual Status Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
                      std::uint32_t Disposition, std::uint32_t Attributes, FileHandle* Handle) = 0;

  // Reads up to Count bytes at the file position into Buffer and stores the
  // number read in *Done; 0 at the end of the file. One system read (an
  // interrupted one is repeated): fewer than Count bytes come back when the
  // file ends first, or when a pseudo-file hands out one page at a time.
  // *Done is 0 on failure (a negative Count is an invalid argument; a
  // handle without read access is denied). The end of the file is where a
  // read delivers nothing, which need not be the size GetSize reports
  // (pseudo-files, stale caches).
  virtual Status Read(FileHandle Handle, void* Buffer, std::int32_t Count, std::int32_t* Done) = 0;

  // Writes Count bytes from Buffer at the file position and stores the
  // number written in *Done: one system write for a regular file, repeated
  // only when the system took part of it. Same failure contract as Read (a
  // handle without write access is denied). Knows nothing of the 32-bit
  // limit of the streams' positions: the file stream refuses to grow a
  // file past it before it calls here.
  virtual Status Write(FileHandle Handle, const void* Buffer, std::int32_t Count,
                       std::int32_t* Done) = 0;

  // Moves the file position by Distance from Origin (kFileBegin or
  // kFileCurrent) and stores the new position in *Position. A position
  // that does not fit a signed 32-bit value is an overflow error.
  virtual Status SetPosition(FileHandle Handle, std::int32_t Distance, std::uint32_t Origin,
                             std::int32_t* Position) = 0;

  // Stores the file's size in *Size (an overflow error when it does not fit
  // a signed 32-bit value).
  virtual Status GetSize(FileHandle Handle, std::int32_t* Size) = 0;

  // Makes the current position the end of the file (a handle without write
  // access is denied).
  virtual Status SetEnd(FileHandle Handle) = 0;

  // Writes the file's data through to the device.
  virtual Status Flush(FileHandle Handle) = 0;

  // Closes Handle; the handle is gone also when this fails.
  virtual Status Close(FileHandle Handle) = 0;

  // Deletes the file called Name. Fails with the sharing-violation code
  // while another handle to the file is open.
  virtual Status Delete(const std::string& Name) = 0;

  // Stores the system's text for Code in *Text and returns true, or returns
  // false when the system has no text for it.
  virtual bool ErrorText(SysError Code, std::string* Text) = 0;

  // Stores the names of the entries of the folder Name in *Entries: file
  // names only, without "." and "..", in no particular order, and the
  // identity of the folder that was read in *Listed (links on the way
  // followed): a caller that walked to Name earlier sees from it whether
  // the name still reaches the same folder. Fails when Name is no folder
  // or cannot be read; *Entries is then unspecified.
  virtual Status ListFolder(const std::string& Name, std::vector<std::string>* Entries,
                          FileIdentity* Listed) = 0;

  // Stores what Name is in *Info. With FollowLinks false a symbolic link
  // is reported as fkLink with its own identity; with it true every link
  // on the way is followed and the status is that of what the name
  // finally reaches. Opens nothing for reading or writing and never blocks
  // (a FIFO stays unopened). Fails when nothing is called Name (also a dangling link followed: a missing-file code, see
  // IsMissingError; a loop of links followed: ErrorLinkLoop()).
  virtual Status GetStatus(const std::string& Name, bool FollowLinks, FileStatus* Info) = 0;

  // Creates the folder Name; its parent must exist. Fails also when
  // something called Name exists already (ErrorAlreadyExists()).
  virtual Status CreateFolder(const std::string& Name) = 0;

  // Gives the file From the name To in one step, replacing a file called
  // To: whoever opens To sees either the old file or the new one, never
  // none or a part. Both names are in the same folder. When it fails, both
  // names are as they were.
  virtual Status Rename(const std::string& From, const std::string& To) = 0;

  // Stores in *Real the absolute name of what Name reaches, with every
  // symbolic link, ".", ".." and doubled delimiter resolved, without a
  // trailing delimiter unless it is a root. Name must exist.
  virtual Status RealName(const std::string& Name, std::string* Real) = 0;

  // Stores the status of the open file Handle in *Info: the file that
  // was opened, whatever its name reaches by now.
  virtual Status GetOpenStatus(FileHandle Handle, FileStatus* Info) = 0;

  // Holds the folder Name open as a base for the calls "in" a folder,
  // stores its status in *Info and the handle in *Folder (kNoFolder on
  // failure). Name is taken inside Base, or as it is
  // (relative to the current folder) when Base is kNoFolder. With
  // FollowLinks false a Name that is a symbolic link (or a junction) is
  // refused with ErrorLinkLoop(); links on the way to it are followed
  // either way. While the handle is open the folder is the one it was,
  // also when its name is taken away or given to something else (on
  // Windows its name cannot be: the handle does not share deletion).
  // Fails when Name is no folder or cannot be opened.
  virtual Status OpenFolder(FolderHandle Base, const std::string& Name, bool FollowLinks,
                            FileStatus* Info, FolderHandle* Folder) = 0;

  // Lets go of Folder; the handle is gone also when this fails.
  virtual Status CloseFolder(FolderHandle Folder) = 0;

  // Creates the folder Name inside Folder (taken as it is when Folder is
  // kNoFolder) with the permission bits Permissions less the file-creation
  // mask (ignored on Windows). Fails also when something called Name
  // exists already (ErrorAlreadyExists()).
  virtual Status CreateFolderIn(FolderHandle Folder, const std::string& Name,
                                std::uint32_t Permissions) = 0;

  // Creates the file Name inside Folder and opens it for reading and
  // writing, shared with nobody. Only a new file: when anything is called
  // Name already (a file, a folder, a symbolic link, which is never
  // followed) it fails with ErrorAlreadyExists(). The file gets the
  // permission bits Permissions less the file-creation mask (on Windows:
  // read-only when Permissions has no write bit), and the handle may write
  // it all the same. Stores the handle in *Handle (kInvalidHandle on
  // failure).
  virtual Status CreateFileIn(FolderHandle Folder, const std::string& Name,
                              std::uint32_t Permissions, FileHandle* Handle) = 0;

  // Rename inside Folder: gives the file From the name To in one step,
  // replacing a file (or a symbolic link, which is not followed) called To.
  virtual Status RenameIn(FolderHandle Folder, const std::string& From, const std::string& To) = 0;

  // Deletes the file (never a folder) Name inside Folder.
  virtual Status DeleteIn(FolderHandle Folder, const std::string& Name) = 0;

  // Gives the open file Handle the permission bits *Permissions (exactly,
  // without the file-creation mask; ignored on Windows, where CreateFileIn
  // settles them) and the modification time *ModifiedTime, each when not
  // null.
  virtual Status SetAttributes(FileHandle Handle, const std::uint32_t* Permissions,
                               const std::int64_t* ModifiedTime) = 0;

  // The same for the folder held by Folder (on Windows only its time).
  virtual Status SetFolderAttributes(FolderHandle Folder, const std::uint32_t* Permissions,
                                     const std::int64_t* ModifiedTime) = 0;

  // Copies everything from the position of From to its real end (not the
  // size it reports) to To at its position, of any size, and stores the
  // number of bytes copied in *Copied. Needs no memory of the file's size:
  // the system copies between the files where it can. On failure *Copied
  // holds what was copied so far.
  virtual Status CopyData(FileHandle From, FileHandle To, std::int64_t* Copied) = 0;
};

// Forwards every call to a target FileEnv; derive from it and override the
// calls a test wants to change.
class FileEnvWrapper : public FileEnv {
public:
  explicit FileEnvWrapper(FileEnv* Target) : target_(Target) {}
  FileEnv* target() const { return target_; }

  Status Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
              std::uint32_t Disposition, std::uint32_t Attributes, FileHandle* Handle) override {
    return target_->Open(Name, Access, Share, Disposition, Attributes, Handle);
  }
  Status Read(FileHandle Handle, void* Buffer, std::int32_t Count, std::int32_t* Done) override {
    return target_->Read(Handle, Buffer, Count, Done);
  }
  Status Write(FileHandle Handle, const void* Buffer, std::int32_t Count,
               std::int32_t* Done) override {
    return target_->Write(Handle, Buffer, Count, Done);
  }
  Status SetPosition(FileHandle Handle, std::int32_t Distance, std::uint32_t Origin,
                     std::int32_t* Position) override {
    return target_->SetPosition(Handle, Distance, Origin, Position);
  }
  Status GetSize(FileHandle Handle, std::int32_t* Size) override {
    return target_->GetSize(Handle, Size);
  }
  Status SetEnd(FileHandle Handle) override { return target_->SetEnd(Handle); }
  Status Flush(FileHandle Handle) override { return target_->Flush(Handle); }
  Status Close(FileHandle Handle) override { return target_->Close(Handle); }
  Status Delete(const std::string& Name) override { return target_->Delete(Name); }
  bool ErrorText(SysError Code, std::string* Text) override {
    return target_->ErrorText(Code, Text);
  }
  Status ListFolder(const std::string& Name, std::vector<std::string>* Entries,
                    FileIdentity* Listed) override {
    return target_->ListFolder(Name, Entries, Listed);
  }
  Status GetStatus(const std::string& Name, bool FollowLinks, FileStatus* Info) override {
    return target_->GetStatus(Name, FollowLinks, Info);
  }
  Status CreateFolder(const std::string& Name) override { return target_->CreateFolder(Name); }
  Status Rename(const std::string& From, const std::string& To) override {
    return target_->Rename(From, To);
  }
  Status RealName(const std::string& Name, std::string* Real) override {
    return target_->RealName(Name, Real);
  }
  Status GetOpenStatus(FileHandle Handle, FileStatus* Info) override {
    return target_->GetOpenStatus(Handle, Info);
  }
  Status OpenFolder(FolderHandle Base, const std::string& Name, bool FollowLinks,
                    FileStatus* Info, FolderHandle* Folder) override {
    return target_->OpenFolder(Base, Name, FollowLinks, Info, Folder);
  }
  Status CloseFolder(FolderHandle Folder) override { return target_->CloseFolder(Folder); }
  Status CreateFolderIn(FolderHandle Folder, const std::string& Name,
                        std::uint32_t Permissions) override {
    return target_->CreateFolderIn(Folder, Name, Permissions);
  }
  Status CreateFileIn(FolderHandle Folder, const std::string& Name, std::uint32_t Permissions,
                      FileHandle* Handle) override {
    return target_->CreateFileIn(Folder, Name, Permissions, Handle);
  }
  Status RenameIn(FolderHandle Folder, const std::string& From, const std::string& To) override {
    return target_->RenameIn(Folder, From, To);
  }
  Status DeleteIn(FolderHandle Folder, const std::string& Name) override {
    return target_->DeleteIn(Folder, Name);
  }
  Status SetAttributes(FileHandle Handle, const std::uint32_t* Permissions,
                       const std::int64_t* ModifiedTime) override {
    return target_->SetAttributes(Handle, Permissions, ModifiedTime);
  }
  Status SetFolderAttributes(FolderHandle Folder, const std::uint32_t* Permissions,
                             const std::int64_t* ModifiedTime) override {
    return target_->SetFolderAttributes(Folder, Permissions, ModifiedTime);
  }
  Status CopyData(FileHandle From, FileHandle To, std::int64_t* Copied) override {
    return target_->CopyData(From, To, Copied);
  }

private:
  FileEnv* target_;
};

// Platform error codes the portable code needs to name.
SysError ErrorSharingViolation();  // an open refused by another open's sharing
SysError ErrorInvalidArgument();   // a bad argument to a call (negative count, ...)
SysError ErrorFileTooLarge();      // a size that does not fit the file services
SysError ErrorOverflow();          // a size or position beyond 32 bits
SysError ErrorAlreadyExists();     // a name to be created is taken
SysError ErrorLinkLoop();          // too many links followed (a loop of links)
// True when Code says a name or a folder on its way does not exist.
bool IsMissingError(SysError Code);

// The platform's path delimiter: '/' on POSIX, '\\' on Windows.
char PathDelimiter();

// The process's file-creation mask (the umask on POSIX; 0 on Windows): the
// permission bits that a newly created file or folder does not get.
std::uint32_t CreationMask();

}  // namespace platform
