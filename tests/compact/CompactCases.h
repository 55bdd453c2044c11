#pragma once

// The pieces the compaction tables share: a row of input and expected
// output with a name (most rows stand in the files of cases/, see
// support/TableRows.h), the rows named after it, lines with their ends,
// and the meta tag the filter removes.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "support/CaseName.h"
#include "support/TableRows.h"

using Case = testsupport::TableRow;

// Names parameterised cases after their Name field.
using ByName = testsupport::RowName;

// The rows of File in the cases folder, as the values of a parameterised
// suite.
inline testing::internal::ParamGenerator<Case> CaseRows(const char* File) {
  return testing::ValuesIn(testsupport::ReadTableRows(std::string(PAGETRIM_COMPACT_CASES) + "/" + File));
}

// The lines, each ended by End.
inline std::string LinesEndedBy(std::initializer_list<std::string> L, const std::string& End) {
  std::string S;
  for (const auto& Line : L) S += Line + End;
  return S;
}

inline const std::string kMeta =
    "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage Express 2.0\">";
