#pragma once

// The attributes of one tag, read as a browser's tokenizer reads them
// (names up to blanks, "/", ">" or "="; values quoted with either quote or
// unquoted up to a blank or ">"), with server blocks skipped whole: a name
// or value that holds one is not known.

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "compact/ServerBlocks.h"

struct TTagAttribute {
  std::string_view Name;   // as written
  std::string_view Value;  // without quotes, character references as written
  bool Known = true;       // false: server code in the name or value
};

// Where a tag's reader stands, as safe mode reads a tag (and best mode
// reads again where safe mode ended it).
enum TTagState : unsigned char {
  tsName,         // in the tag name
  tsBeforeAttr,   // after white space, before an attribute
  tsAttr,         // in an attribute name
  tsAfterAttr,    // after an attribute name and white space
  tsBeforeValue,  // after "="
  tsUnquoted,     // in an unquoted value
  tsAfterQuoted,  // just after a quoted value's closing quote
  tsSlash,        // after a "/" that may close the tag
};

// The state after a run of white space in state S.
inline TTagState AfterBlanks(TTagState S) {
  if (S == tsName || S == tsUnquoted || S == tsAfterQuoted || S == tsSlash) return tsBeforeAttr;
  return S == tsAttr ? tsAfterAttr : S;
}

// The state after the byte C in state S; C is none of white space, ">"
// and a quote that opens a value.
inline TTagState AfterByte(TTagState S, unsigned char C) {
  if (C == '/') {
    if (S == tsUnquoted) return S;
    return S == tsBeforeValue ? tsUnquoted : tsSlash;
  }
  if (C == '=' && (S == tsAttr || S == tsAfterAttr)) return tsBeforeValue;
  if (S == tsBeforeValue) return tsUnquoted;
  return S != tsName && S != tsUnquoted ? tsAttr : S;
}

// Whether Name is Lower (which is lower-case ASCII) in any letter case.
inline bool AttributeNameIs(std::string_view Name, std::string_view Lower) {
  if (Name.size() != Lower.size()) return false;
  for (std::size_t I = 0; I < Name.size(); ++I) {
    const auto C = static_cast<unsigned char>(Name[I]);
    if ((C >= 'A' && C <= 'Z' ? C + 32 : C) != static_cast<unsigned char>(Lower[I])) return false;
  }
  return true;
}

// Reads the attributes of the tag in T[P, N), P just after the tag's name,
// calls Each(const TTagAttribute&) for each, and returns the position just
// past the tag's ">" (N when the tag does not end).
template <class F>
std::size_t ReadTagAttributes(const unsigned char* T, std::size_t N, std::size_t P, F&& Each) {
  auto Blank = [](unsigned char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f'; };
  auto Text = [&](std::size_t B, std::size_t E) {
    return std::string_view(reinterpret_cast<const char*>(T + B), E - B);
  };
  while (P < N) {
    const unsigned char C = T[P];
    if (Blank(C) || C == '/') {
      ++P;
      continue;
    }
    if (C == '>') return P + 1;
    // A name; a leading "=" belongs to it.
    TTagAttribute A;
    const std::size_t NameStart = P;
    for (bool First = true; P < N; First = false) {
      if (AtServerBlock(T, N, P)) {
        A.Known = false;
        P = ServerBlockEnd(T, N, P);
        continue;
      }
      const unsigned char D = T[P];
      if (Blank(D) || D == '/' || D == '>' || (D == '=' && !First)) break;
      ++P;
    }
    A.Name = Text(NameStart, std::min(P, N));
    std::size_t Q = P;
    while (Q < N && Blank(T[Q])) ++Q;
    if (Q >= N || T[Q] != '=') {
      Each(A);
      P = Q;
      continue;
    }
    ++Q;
    while (Q < N && Blank(T[Q])) ++Q;
    // The value up to where Ends says, a server block read as a whole.
    auto ReadValue = [&](auto Ends) {
      const std::size_t Start = Q;
      while (Q < N && !Ends(T[Q])) {
        if (AtServerBlock(T, N, Q)) {
          A.Known = false;
          Q = ServerBlockEnd(T, N, Q);
        } else {
          ++Q;
        }
      }
      A.Value = Text(Start, std::min(Q, N));
    };
    if (Q < N && (T[Q] == '"' || T[Q] == '\'')) {
      const unsigned char Quote = T[Q++];
      ReadValue([Quote](unsigned char D) { return D == Quote; });
      P = Q < N ? Q + 1 : N;
    } else {
      ReadValue([&](unsigned char D) { return Blank(D) || D == '>'; });
      P = Q;
    }
    Each(A);
  }
  return N;
}

// The class and id of a tag, as a style sheet's keeping rules match them
// (TKeepRules::Matches): the first class and the first id attribute. A
// value with server code or a character reference in it is not known, and
// server code in an attribute's name may write any class or id.
struct TClassAndId {
  std::string_view Classes;
  std::string_view Id;
  bool ClassesKnown = true;
  bool IdKnown = true;
};

// Reads them from the tag in T[P, N), P just after the tag's name.
inline TClassAndId ReadClassAndId(const unsigned char* T, std::size_t N, std::size_t P) {
  TClassAndId R;
  bool HasClass = false;
  bool HasId = false;
  ReadTagAttributes(T, N, P, [&](const TTagAttribute& A) {
    if (!A.Known && A.Name.find('<') != std::string_view::npos) {
      R.ClassesKnown = R.IdKnown = false;
      return;
    }
    const bool Known = A.Known && A.Value.find('&') == std::string_view::npos;
    if (AttributeNameIs(A.Name, "class") && !HasClass) {
      HasClass = true;
      R.Classes = A.Value;
      R.ClassesKnown = R.ClassesKnown && Known;
    } else if (AttributeNameIs(A.Name, "id") && !HasId) {
      HasId = true;
      R.Id = A.Value;
      R.IdKnown = R.IdKnown && Known;
    }
  });
  return R;
}
