#pragma once

// A slow, literal model of the compaction filter for cross-checking.
//
// It reads the input as lines through a TTextStream over a TMemStream and
// then follows the rules one position at a time on std::string copies,
// erasing each deleted character where it stands. It is quadratic on long
// lines and meant for tests and fuzzing only.

#include <string>

std::string ReferenceCompact(const std::string& input);
