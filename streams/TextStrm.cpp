#include "streams/TextStrm.h"

#include "streams/Utils.h"

TTextStream::TTextStream(std::int32_t ReadBufferSize, std::int32_t WriteBufferSize,
                         TBaseStream& Target)
    : TBufferedStream(ReadBufferSize, WriteBufferSize, Target) {
  if (FCanRead && ReadBufferSize == 0) FCanRead = false;
  if (FCanWrite) FLineBreak = std::string(DefaultLineBreak.substr(0, 2));
}

std::int32_t TTextStream::WriteString(std::string_view S) {
  return Write(S.data(), static_cast<std::int32_t>(S.size()));
}

std::int32_t TTextStream::WriteLine(std::string_view S) {
  std::int32_t n = Write(S.data(), static_cast<std::int32_t>(S.size()));
  n += Write(FLineBreak.data(), static_cast<std::int32_t>(FLineBreak.size()));
  ++FLineCount;
  return n;
}

std::int32_t TTextStream::ReadLine(std::string& S) {
  if (!FCanRead) throw EInOutError(SCannotReadFromStream);
  S.clear();
  const unsigned char* buf = FReadBuffer.get();
  for (;;) {
    if (FReadPos >= FReadFill && RefillReadBuffer() == 0) break;
    std::int32_t stop = -1;  // index of the line end or dropped pair byte
    bool lineEnds = false;
    if (FLineEndChar == -1) {
      std::int32_t a = FindByte(buf, FReadPos, FReadFill, 10);
      std::int32_t e = FindByte(buf, FReadPos, a >= 0 ? a : FReadFill, 13);
      if (a >= 0 && e < 0) {
        FLineEndChar = 10;
        if (FLineEndPairChar == -1) FLineEndPairChar = 13;
        stop = a;
        lineEnds = true;
      } else if (e >= 0) {
        FLineEndChar = 13;
        if (FLineEndPairChar == -1) FLineEndPairChar = 10;
        stop = e;
        lineEnds = true;
      }
    } else {
      if (!FPairKnown || FPairRefill != FRefills || (FNextPair >= 0 && FNextPair < FReadPos)) {
        FNextPair = FindByte(buf, FReadPos, FReadFill, static_cast<std::uint8_t>(FLineEndPairChar));
        FPairRefill = FRefills;
        FPairKnown = true;
      }
      std::int32_t a = FNextPair;
      std::int32_t e =
          FindByte(buf, FReadPos, a >= 0 ? a : FReadFill, static_cast<std::uint8_t>(FLineEndChar));
      if (a >= 0 && e < 0) {
        stop = a;  // a pair byte: dropped, the line goes on
      } else if (e >= 0) {
        stop = e;
        lineEnds = true;
      }
    }
    if (stop < 0) {
      S.append(reinterpret_cast<const char*>(buf) + FReadPos,
               static_cast<std::size_t>(FReadFill - FReadPos));
      FReadPos = FReadFill;
    } else {
      S.append(reinterpret_cast<const char*>(buf) + FReadPos,
               static_cast<std::size_t>(stop - FReadPos));
      FReadPos = stop + 1;
    }
    if (lineEnds) break;
  }
  ++FLineCount;
  return static_cast<std::int32_t>(S.size());
}
