#pragma once

// The pieces the compaction tables share: a row of input and expected
// output with a name, the rows named after it, lines with their ends, and
// the meta tag the filter removes.

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>

// Names parameterised cases after their Name field.
struct ByName {
  template <class T>
  std::string operator()(const testing::TestParamInfo<T>& Info) const {
    return Info.param.Name;
  }
};

struct Case {
  const char* Name;
  std::string Input;
  std::string Output;
};

inline void PrintTo(const Case& C, std::ostream* Os) { *Os << C.Name; }

// The lines, each ended by End.
inline std::string LinesEndedBy(std::initializer_list<std::string> L, const std::string& End) {
  std::string S;
  for (const auto& Line : L) S += Line + End;
  return S;
}

inline const std::string kMeta =
    "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage Express 2.0\">";
