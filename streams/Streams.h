#pragma once

// The root of the stream family, the file stream, and the error classes.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "platform/FileEnv.h"
#include "streams/Monitor.h"

// The general error class: a message text and nothing else.
class Exception : public std::exception {
public:
  explicit Exception(std::string Message) : message_(std::move(Message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

private:
  std::string message_;
};

// Every stream input/output error.
class EInOutError : public Exception {
public:
  using Exception::Exception;
};

// File open flags; a TOpenMode holds any sum of them.
using TOpenMode = std::uint8_t;
inline constexpr TOpenMode omRead = 1;
inline constexpr TOpenMode omWrite = 2;
inline constexpr TOpenMode omCreate = 4;
inline constexpr TOpenMode omShareRead = 8;
inline constexpr TOpenMode omShareWrite = 16;

// Message texts of the stream modules.
inline constexpr char SNoAccessMode[] =
    "Either read, write or full access must be specified in call to CreateFile";
inline constexpr char SErrorOpening[] = "Error opening \"%s\" - %s";
inline constexpr char SErrorReading[] = "Error reading from stream - %s";
inline constexpr char SReadLessThanExpected[] = "Read less than expected";
inline constexpr char SErrorWriting[] = "Error writing to stream - %s";
inline constexpr char SWroteLessThanExpected[] = "Wrote less than expected";
inline constexpr char SIOError[] = "IO-error: %s";
inline constexpr char SErrorMovingFilePointer[] = "Error moving file pointer - %s";
inline constexpr char SErrorTruncating[] = "Error truncating file \"%s\" - %s";
inline constexpr char SErrorClosing[] = "Error closing \"%s\" - %s";
inline constexpr char SErrorDeleting[] = "Error deleting \"%s\" - %s";
inline constexpr char SCannotReadFromStream[] = "Cannot read from stream";
inline constexpr char SNoErrorDescription[] = "Error occured. Error description not available!";

// The system's text for Code, or SNoErrorDescription when it has none.
std::string ErrorCodeText(std::uint32_t Code);

// The abstract byte stream. Every stream starts with ExactTransfer on: a
// Read or Write that moves fewer bytes than asked raises EInOutError.
class TBaseStream : public TMonitorObject {
public:
  TBaseStream() = default;
  TBaseStream(const TBaseStream&) = delete;
  TBaseStream& operator=(const TBaseStream&) = delete;
  ~TBaseStream() override = default;

  bool CanWrite() const { return FCanWrite; }
  bool CanRead() const { return FCanRead; }
  bool ExactTransfer() const { return FExactTransfer; }

  virtual void SetExactTransfer(bool Value);
  // Writes Count bytes from Buffer; returns the number written.
  virtual std::int32_t Write(const void* Buffer, std::int32_t Count) = 0;
  // Reads up to Count bytes into Buffer; returns the number read.
  virtual std::int32_t Read(void* Buffer, std::int32_t Count) = 0;
  // True when Available() is 0 or less.
  virtual bool EndOfStream();
  // The number of bytes left to read.
  virtual std::int32_t Available() = 0;
  virtual void Flush();
  // Copies everything from Source's position to its end into this stream,
  // 4096 bytes at a time.
  virtual void CopyFrom(TBaseStream& Source);

protected:
  bool FCanWrite = false;
  bool FCanRead = false;
  bool FExactTransfer = true;
};

// A stream that passes its work to a Target it does not own. The target
// must outlive the filter stream.
class TFilterStream : public TBaseStream {
public:
  explicit TFilterStream(TBaseStream& Target) : FTarget(Target) {}

  TBaseStream& Target() const { return FTarget; }

  void SetExactTransfer(bool Value) override;
  std::int32_t Write(const void* Buffer, std::int32_t Count) override;
  std::int32_t Read(void* Buffer, std::int32_t Count) override;
  std::int32_t Available() override;

protected:
  TBaseStream& FTarget;
};

// A stream with a position and a size.
class TSeekableStream : public TBaseStream {
public:
  virtual std::int32_t GetPosition() = 0;
  virtual std::int32_t GetSize() = 0;
  // Moves to Position, absolute from the start.
  virtual void Seek(std::int32_t Position) = 0;
  // Makes the current position the end of the stream.
  virtual void Truncate() = 0;
};

// A seekable stream over an operating-system file. Every Read and Write is
// one call to the file services; nothing is buffered here. The stream
// keeps track of the file position itself, so that refusing to grow a file
// past 2^31-1 bytes costs no extra call: only a Read, Write or Seek that
// failed leaves the position unknown, and the next Write asks for it once.
class TFileStream : public TSeekableStream {
public:
  // Opens FileName with Mode; raises EInOutError when it cannot. Env is the
  // file services to use (FileEnv::Default() when null).
  TFileStream(const std::string& FileName, TOpenMode Mode, platform::FileEnv* Env = nullptr);
  // Takes over Handle, a file opened through Env (FileEnv::Default() when
  // null) with the access that Mode names, at position 0; FileName names
  // it in messages.
  TFileStream(platform::FileHandle Handle, const std::string& FileName, TOpenMode Mode,
              platform::FileEnv* Env = nullptr);
  // Closes the file if it is still open; reports nothing.
  ~TFileStream() override;

  // Closes the file now and raises EInOutError when the system reports a
  // failure (a write it could not complete may only show here). The handle
  // is gone either way.
  void Close();

  platform::FileHandle Handle() const { return FHandle; }
  const std::string& FileName() const { return FFileName; }

  std::int32_t Write(const void* Buffer, std::int32_t Count) override;
  std::int32_t Read(void* Buffer, std::int32_t Count) override;
  std::int32_t Available() override;
  void Flush() override;
  std::int32_t GetPosition() override;
  std::int32_t GetSize() override;
  void Seek(std::int32_t Position) override;
  void Truncate() override;

  // Closes the file, deletes it and frees the stream: Stream is reset only
  // when both steps succeed. When either raises, Stream still owns the
  // object (its handle already closed if the close succeeded).
  static void CloseAndDelete(std::unique_ptr<TFileStream>& Stream);

private:
  // Raises EInOutError with Fmt, the system's text for Error and, when
  // WithName, the file's name.
  [[noreturn]] void Raise(platform::Status Error, const char* Fmt, bool WithName);

  platform::FileEnv* FEnv;
  platform::FileHandle FHandle = platform::kInvalidHandle;
  std::string FFileName;
  // The file position as the calls made through this stream left it; -1
  // while it is not known.
  std::int64_t FPosition = 0;
};
