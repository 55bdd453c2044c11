#pragma once

// Folder trees for the tree-run tests, built from a short description.

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compact/CompactTestStreams.h"
#include "support/TempDir.h"

namespace treetest {

// Builds the entries of Spec under Root, in order. Each entry is one of
//   "name/"            a folder
//   "name=bytes"       a file with these bytes
//   "name->target"     a symbolic link to target (POSIX only)
//   "name|fifo"        a FIFO (POSIX only)
// where name is relative to Root, with '/' between its components; the
// first '=' makes a file, whatever the bytes after it hold.
inline void MakeTree(const testsupport::TempDir& Root, const std::vector<std::string>& Spec) {
  for (const std::string& entry : Spec) {
    const std::size_t eq = entry.find('=');
    const std::size_t at = entry.find("->");
    if (eq != std::string::npos && (at == std::string::npos || eq < at)) {
      testsupport::WriteFile(Root / entry.substr(0, eq), entry.substr(eq + 1));
    } else if (entry.back() == '/') {
      testsupport::MakeDir(Root / entry.substr(0, entry.size() - 1));
    } else if (at != std::string::npos) {
#ifdef _WIN32
      FAIL() << "no symbolic links here: " << entry;
#else
      ASSERT_EQ(symlink(entry.substr(at + 2).c_str(), (Root / entry.substr(0, at)).c_str()), 0)
          << entry;
#endif
    } else if (entry.size() > 5 && entry.compare(entry.size() - 5, 5, "|fifo") == 0) {
#ifdef _WIN32
      FAIL() << "no FIFOs here: " << entry;
#else
      ASSERT_EQ(mkfifo((Root / entry.substr(0, entry.size() - 5)).c_str(), 0600), 0) << entry;
#endif
    } else {
      FAIL() << "not understood: " << entry;
    }
  }
}

// Name with Root and the delimiter after it taken off, and the platform's
// delimiters turned into '/'.
inline std::string Relative(const testsupport::TempDir& Root, const std::string& Name) {
  std::string rel = Name.rfind(Root.Path(), 0) == 0 ? Name.substr(Root.Path().size() + 1) : Name;
  for (char& c : rel)
    if (c == '\\') c = '/';
  return rel;
}

// A text of at most MaxPieces of Pieces, drawn from Seed.
template <std::size_t N>
std::string RandomText(unsigned Seed, const char* const (&Pieces)[N], int MaxPieces) {
  std::mt19937 random(Seed);
  std::uniform_int_distribution<std::size_t> piece(0, N - 1);
  std::uniform_int_distribution<int> length(0, MaxPieces);
  std::string text;
  for (int i = length(random); i > 0; --i) text += Pieces[piece(random)];
  return text;
}

// The compacted form of Doc, made in memory.
using testsupport::Compacted;

}  // namespace treetest
