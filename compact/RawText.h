#pragma once

// The end of a raw text element's content (script, style, textarea, ...),
// as a browser finds it, for the passes that keep that content whole.

#include <cstddef>
#include <cstring>
#include <string_view>

#include "compact/ServerBlocks.h"

namespace raw_text {

inline unsigned char Lower(unsigned char C) {
  return C >= 'A' && C <= 'Z' ? static_cast<unsigned char>(C + 32) : C;
}

// Whether "<" + Name (EndTag: "</" + Name), in any letter case, stands at P
// followed by a blank (as IsBlank tells), "/" or ">". Name is lower case.
template <typename BlankFn>
bool AtTagOf(const unsigned char* T, std::size_t N, std::size_t P, std::string_view Name, bool EndTag,
             BlankFn IsBlank) {
  const std::size_t Open = EndTag ? 2 : 1;
  if (P + Open + Name.size() >= N) return false;
  if (T[P] != '<' || (EndTag && T[P + 1] != '/')) return false;
  for (std::size_t I = 0; I < Name.size(); ++I)
    if (Lower(T[P + Open + I]) != static_cast<unsigned char>(Name[I])) return false;
  const unsigned char After = T[P + Open + Name.size()];
  return IsBlank(After) || After == '/' || After == '>';
}

// Where the content of the raw text element Name that starts at P ends:
// at its end tag, or N. Server blocks inside are read whole, and *Server
// tells whether there was one. Script: "<!--" and "<script" inside the
// code hide "</script>" as they do from a browser. Reads each byte once.
template <typename BlankFn>
std::size_t RawTextEnd(const unsigned char* T, std::size_t N, std::size_t P, std::string_view Name,
                       bool Script, bool* Server, BlankFn IsBlank) {
  enum { kData, kEscaped, kDoubleEscaped } State = kData;
  *Server = false;
  while (P < N) {
    const unsigned char* Hit;
    if (State == kData) {
      Hit = static_cast<const unsigned char*>(std::memchr(T + P, '<', N - P));
    } else {
      Hit = T + P;
      while (Hit < T + N && *Hit != '<' && *Hit != '-') ++Hit;
      if (Hit == T + N) Hit = nullptr;
    }
    if (Hit == nullptr) return N;
    P = static_cast<std::size_t>(Hit - T);
    if (*Hit == '-') {
      const bool Closes = N - P >= 3 && Hit[1] == '-' && Hit[2] == '>';
      if (Closes) State = kData;
      P += Closes ? 3 : 1;
      continue;
    }
    if (AtServerBlock(T, N, P)) {
      *Server = true;
      P = ServerBlockEnd(T, N, P);
      continue;
    }
    if (State == kDoubleEscaped) {
      const bool Ends = AtTagOf(T, N, P, Name, true, IsBlank);
      if (Ends) State = kEscaped;
      P += Ends ? 2 + Name.size() : 1;
      continue;
    }
    if (AtTagOf(T, N, P, Name, true, IsBlank)) return P;
    if (Script && State == kData && N - P >= 4 && std::memcmp(T + P, "<!--", 4) == 0) {
      State = kEscaped;
      P += 2;  // the dashes may be the start of "-->"
      continue;
    }
    if (Script && State == kEscaped && AtTagOf(T, N, P, Name, false, IsBlank)) {
      State = kDoubleEscaped;
      P += 1 + Name.size();
      continue;
    }
    ++P;
  }
  return N;
}

}  // namespace raw_text
