#pragma once

// A buffered stream that reads and writes lines of text.

#include <cstdint>
#include <string>
#include <string_view>

#include "streams/BufStream.h"

// What WriteLine appends: CR LF.
inline constexpr std::string_view DefaultLineBreak = "\r\n";
inline constexpr std::int32_t DefaultLineEndChar = -1;
inline constexpr std::int32_t DefaultLineEndPairChar = -1;

class TTextStream : public TBufferedStream {
public:
  TTextStream(std::int32_t ReadBufferSize, std::int32_t WriteBufferSize, TBaseStream& Target);

  // Writes the bytes of S with one Write; returns what Write returns.
  virtual std::int32_t WriteString(std::string_view S);
  // Writes S and then LineBreak; returns the sum of both counts.
  virtual std::int32_t WriteLine(std::string_view S);
  // Reads the next line, without its line-end bytes, into S; returns its
  // length. The first CR or LF met fixes the line-end convention.
  virtual std::int32_t ReadLine(std::string& S);

  std::int32_t LineCount() const { return FLineCount; }
  std::int32_t LineEndChar() const { return FLineEndChar; }
  std::int32_t LineEndPairChar() const { return FLineEndPairChar; }
  const std::string& LineBreak() const { return FLineBreak; }

protected:
  std::int32_t FLineCount = 0;
  std::int32_t FLineEndChar = DefaultLineEndChar;
  std::int32_t FLineEndPairChar = DefaultLineEndPairChar;
  std::string FLineBreak;

private:
  // Where the next pair byte lies in the read buffer (-1: none before
  // ReadFill), valid for the refill FPairRefill and while it is not behind
  // ReadPos. Keeps ReadLine linear when the pair byte never occurs.
  std::int32_t FNextPair = -1;
  std::uint32_t FPairRefill = 0;
  bool FPairKnown = false;
};
