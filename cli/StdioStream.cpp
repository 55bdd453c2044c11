#include "cli/StdioStream.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

#ifdef _WIN32
#include <io.h>
#define PAGETRIM_FILENO _fileno
#define PAGETRIM_FSTAT _fstat64
#define PAGETRIM_TELL _ftelli64
using TStatBuf = struct _stat64;
#else
#include <unistd.h>
#define PAGETRIM_FILENO fileno
#define PAGETRIM_FSTAT fstat
#define PAGETRIM_TELL ftello
using TStatBuf = struct stat;
#endif

#include "streams/Utils.h"

namespace {

std::string SystemText(int Code) { return std::strerror(Code); }

}  // namespace

TStdioStream::TStdioStream(std::FILE* File, TDirection Direction) : FFile(File) {
  FCanRead = Direction == sdRead;
  FCanWrite = Direction == sdWrite;
}

std::int32_t TStdioStream::Read(void* Buffer, std::int32_t Count) {
  if (Count <= 0) return 0;
  const std::size_t got = std::fread(Buffer, 1, static_cast<std::size_t>(Count), FFile);
  if (got < static_cast<std::size_t>(Count) && std::ferror(FFile))
    throw EInOutError(Format(SErrorReading, {SystemText(errno)}));
  const auto n = static_cast<std::int32_t>(got);
  if (FExactTransfer && n != Count) throw EInOutError(SReadLessThanExpected);
  return n;
}

std::int32_t TStdioStream::Write(const void* Buffer, std::int32_t Count) {
  if (Count <= 0) return 0;
  if (std::fwrite(Buffer, 1, static_cast<std::size_t>(Count), FFile) !=
      static_cast<std::size_t>(Count))
    throw EInOutError(Format(SErrorWriting, {SystemText(errno)}));
  return Count;
}

std::int32_t TStdioStream::Available() {
  TStatBuf st{};
  if (PAGETRIM_FSTAT(PAGETRIM_FILENO(FFile), &st) == 0 && (st.st_mode & S_IFMT) == S_IFREG) {
    const auto pos = PAGETRIM_TELL(FFile);
    if (pos >= 0) {
      const auto left = static_cast<std::int64_t>(st.st_size) - static_cast<std::int64_t>(pos);
      if (left <= 0) return 0;
      return left > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                             : static_cast<std::int32_t>(left);
    }
  }
  return std::feof(FFile) || std::ferror(FFile) ? 0 : 1;
}

void TStdioStream::Flush() {
  if (std::fflush(FFile) != 0) throw EInOutError(Format(SErrorWriting, {SystemText(errno)}));
}
