#include "compact/ServerBlocks.h"

#include <cstring>

namespace {

// The first occurrence of the two bytes A B at or after P, or N.
std::size_t FindPair(const unsigned char* T, std::size_t N, std::size_t P, unsigned char A, unsigned char B) {
  while (P + 1 < N) {
    const void* Hit = std::memchr(T + P, A, N - P - 1);
    if (Hit == nullptr) break;
    P = static_cast<std::size_t>(static_cast<const unsigned char*>(Hit) - T);
    if (T[P + 1] == B) return P;
    ++P;
  }
  return N;
}

// Past one line end at P (LF, CR LF or CR), when there is one.
std::size_t PastLineEnd(const unsigned char* T, std::size_t N, std::size_t P) {
  if (P < N && T[P] == '\n') return P + 1;
  if (P < N && T[P] == '\r') return P + 1 < N && T[P + 1] == '\n' ? P + 2 : P + 1;
  return P;
}

std::size_t AspEnd(const unsigned char* T, std::size_t N, std::size_t P) {
  // "<%--" is a JSP or ASP.NET comment, ended by "--%>".
  if (P + 3 < N && T[P + 2] == '-' && T[P + 3] == '-') {
    for (std::size_t Q = P + 4; (Q = FindPair(T, N, Q, '%', '>')) < N; Q += 2)
      if (Q >= P + 6 && T[Q - 1] == '-' && T[Q - 2] == '-') return Q + 2;
    return N;
  }
  const std::size_t Q = FindPair(T, N, P + 2, '%', '>');
  if (Q >= N) return N;
  // "-%>" trims the line end that follows: it belongs to the block.
  if (Q >= P + 3 && T[Q - 1] == '-') return PastLineEnd(T, N, Q + 2);
  return Q + 2;
}

bool IsNameByte(unsigned char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_' || C >= 0x80;
}

// Past the closing "?>" at Q and the line end PHP takes with it.
std::size_t PhpClose(const unsigned char* T, std::size_t N, std::size_t Q) { return PastLineEnd(T, N, Q + 2); }

// A heredoc or nowdoc whose "<<<" stands at Q: past its closing name, or
// Q + 3 when no heredoc starts there.
std::size_t PastHeredoc(const unsigned char* T, std::size_t N, std::size_t Q) {
  std::size_t P = Q + 3;
  while (P < N && (T[P] == ' ' || T[P] == '\t')) ++P;
  unsigned char Quote = 0;
  if (P < N && (T[P] == '\'' || T[P] == '"')) Quote = T[P++];
  const std::size_t NameStart = P;
  if (P >= N || !IsNameByte(T[P]) || (T[P] >= '0' && T[P] <= '9')) return Q + 3;
  while (P < N && IsNameByte(T[P])) ++P;
  const std::size_t NameLen = P - NameStart;
  if (Quote != 0) {
    if (P >= N || T[P] != Quote) return Q + 3;
    ++P;
  }
  if (P >= N || (T[P] != '\n' && T[P] != '\r')) return Q + 3;
  // The body: the heredoc ends at a line holding the name after optional
  // blanks, followed by a byte that cannot continue the name.
  while (P < N) {
    P = PastLineEnd(T, N, P);
    std::size_t L = P;
    while (L < N && (T[L] == ' ' || T[L] == '\t')) ++L;
    if (N - L >= NameLen && std::memcmp(T + L, T + NameStart, NameLen) == 0 &&
        (L + NameLen == N || !IsNameByte(T[L + NameLen])))
      return L + NameLen;
    while (P < N && T[P] != '\n' && T[P] != '\r') ++P;
  }
  return N;
}

std::size_t PhpEnd(const unsigned char* T, std::size_t N, std::size_t P) {
  std::size_t Q = P + 2;
  while (Q < N) {
    const unsigned char C = T[Q];
    switch (C) {
      case '?':
        if (Q + 1 < N && T[Q + 1] == '>') return PhpClose(T, N, Q);
        ++Q;
        break;
      case '\'':
      case '"':
      case '`':
        // A string: "?>" inside does not end the code.
        for (++Q; Q < N && T[Q] != C; ++Q)
          if (T[Q] == '\\') ++Q;
        Q = Q < N ? Q + 1 : N;
        break;
      case '/':
        if (Q + 1 < N && T[Q + 1] == '*') {
          const std::size_t E = FindPair(T, N, Q + 2, '*', '/');
          Q = E < N ? E + 2 : N;
          break;
        }
        if (Q + 1 < N && T[Q + 1] == '/') {
          Q += 2;
          goto LineComment;
        }
        ++Q;
        break;
      case '#':
        // "#[" starts an attribute, which is code.
        if (Q + 1 < N && T[Q + 1] == '[') {
          Q += 2;
          break;
        }
        ++Q;
        goto LineComment;
      case '<':
        if (Q + 2 < N && T[Q + 1] == '<' && T[Q + 2] == '<') {
          Q = PastHeredoc(T, N, Q);
          break;
        }
        ++Q;
        break;
      default:
        ++Q;
        break;
    }
    continue;
  LineComment:
    // A line comment ends at the line end, or at "?>", which ends the code.
    for (; Q < N && T[Q] != '\n' && T[Q] != '\r'; ++Q)
      if (T[Q] == '?' && Q + 1 < N && T[Q + 1] == '>') return PhpClose(T, N, Q);
  }
  return N;
}

}  // namespace

std::size_t ServerBlockEnd(const unsigned char* T, std::size_t N, std::size_t P) {
  return T[P + 1] == '%' ? AspEnd(T, N, P) : PhpEnd(T, N, P);
}

std::size_t MarkupEnd(const unsigned char* T, std::size_t N, std::size_t P, std::string_view Close) {
  while (P < N) {
    if (AtServerBlock(T, N, P)) {
      P = ServerBlockEnd(T, N, P);
    } else if (N - P >= Close.size() && std::memcmp(T + P, Close.data(), Close.size()) == 0) {
      return P + Close.size();
    } else {
      ++P;
    }
  }
  return N;
}
