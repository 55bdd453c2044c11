#pragma once

// A table of texts and what a function makes of them, checked in one
// test; a row that fails is named by its input.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace testsupport {

template <class Fn>
void ExpectEachGives(Fn&& F, std::initializer_list<std::pair<std::string, std::string>> Rows) {
  for (const auto& [Input, Expected] : Rows) {
    SCOPED_TRACE("input: " + testing::PrintToString(Input));
    EXPECT_EQ(F(Input), Expected);
  }
}

}  // namespace testsupport
