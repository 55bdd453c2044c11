#pragma once

// Server code in a page: where a block starts and where the server ends it.
//
// - The "<%" family (ASP, JSP, ASP.NET, ERB, EJS): "<%" up to the next
//   "%>"; a JSP or ASP.NET comment "<%--" up to the next "--%>". A block
//   that ends in "-%>" (ERB and EJS: the line end after it is not written)
//   takes one line end after it as well.
// - PHP: "<?php" (any letter case), "<?=" and the short "<?", but not
//   "<?xml", up to the "?>" that ends the code as PHP reads it (one in a
//   string or a block comment does not end it; one in a line comment
//   does), and the one line end PHP takes after "?>". Without an end the
//   block runs to the end of the page, as in PHP.
//
// Every block is kept byte for byte; finding its end reads every byte at
// most once.

#include <cstddef>
#include <string_view>

// Whether a server block starts at P (at "<%", or at a PHP opening tag).
inline bool AtServerBlock(const unsigned char* T, std::size_t N, std::size_t P) {
  if (P + 1 >= N || T[P] != '<') return false;
  const unsigned char D = T[P + 1];
  if (D == '%') return true;
  if (D != '?') return false;
  // "<?xml" is an XML declaration or processing instruction.
  if (P + 4 < N && (T[P + 2] | 0x20) == 'x' && (T[P + 3] | 0x20) == 'm' && (T[P + 4] | 0x20) == 'l')
    return false;
  return true;
}

// Where the server block that starts at P ends: just past its last byte,
// or N.
std::size_t ServerBlockEnd(const unsigned char* T, std::size_t N, std::size_t P);

// Where markup that runs from P up to and including Close ends: just past
// Close, or N. Server blocks inside are read whole, so that a Close written
// by server code does not end it.
std::size_t MarkupEnd(const unsigned char* T, std::size_t N, std::size_t P, std::string_view Close);
