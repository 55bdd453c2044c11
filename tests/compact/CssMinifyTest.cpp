#include "compact/CssMinify.h"

#include <gtest/gtest.h>

#include <string>

#include "compact/CompactCases.h"

namespace {

void ExpectMinified(const Case& C, bool List) {
  std::string Out(C.Input.size(), '\0');
  const TCssResult R = List ? MinifyCssDeclarationsTo(C.Input, Out.data()) : MinifyCssSheetTo(C.Input, Out.data());
  Out.resize(R.Size);
  EXPECT_EQ(R.Outcome, TCssOutcome::Minified);
  EXPECT_EQ(Out, C.Output);
  EXPECT_EQ(R.Changed, Out != C.Input);
  EXPECT_EQ(List ? MinifyCssDeclarations(Out) : MinifyCssSheet(Out), Out);
}

class CssSheet : public testing::TestWithParam<Case> {};
TEST_P(CssSheet, GivesExactBytes) { ExpectMinified(GetParam(), false); }

INSTANTIATE_TEST_SUITE_P(Rows, CssSheet, CaseRows("css-sheet.txt"), ByName());

class CssList : public testing::TestWithParam<Case> {};
TEST_P(CssList, GivesExactBytes) { ExpectMinified(GetParam(), true); }

INSTANTIATE_TEST_SUITE_P(Rows, CssList, CaseRows("css-list.txt"), ByName());

// Rows whose text the minifier leaves alone: the expected output is the
// outcome's name, and a fourth field "list" reads the text as a
// declaration list.
class CssRefusals : public testing::TestWithParam<Case> {};

TEST_P(CssRefusals, LeaveTheTextAlone) {
  const Case& R = GetParam();
  ASSERT_TRUE(R.Extra.empty() || R.Extra == "list") << R.Extra;
  const bool List = R.Extra == "list";
  std::string Out(R.Input.size(), '\0');
  const TCssResult Result = List ? MinifyCssDeclarationsTo(R.Input, Out.data()) : MinifyCssSheetTo(R.Input, Out.data());
  EXPECT_EQ(CssOutcomeName(Result.Outcome), R.Output);
  EXPECT_FALSE(Result.Changed);
  EXPECT_EQ(Out.substr(0, Result.Size), R.Input);
}

INSTANTIATE_TEST_SUITE_P(Rows, CssRefusals, CaseRows("css-refused.txt"), ByName());

// Deep nesting uses the bracket stack, not the call stack.
TEST(CssEdges, DeepNesting) {
  const std::size_t Depth = 200000;
  std::string In;
  std::string Expected;
  for (std::size_t I = 0; I < Depth; ++I) {
    In += ":is( ";
    Expected += ":is(";
  }
  In += "a";
  Expected += "a";
  for (std::size_t I = 0; I < Depth; ++I) {
    In += " ) ";
    Expected += ")";
  }
  EXPECT_EQ(MinifyCssSheet(In + "{}"), Expected + "{}");
}

}  // namespace
