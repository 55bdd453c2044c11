// Folder names compared as the platform's file system compares them.

#include "platform/PathCompare.h"

#include <gtest/gtest.h>

#include <string>

#include "support/PlatformExpect.h"

namespace {

struct NameCase {
  const char* name;
  std::string a, b;
  bool same;
};

class SameFolderNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SameFolderNameTest, ComparesWithoutRegardToLetterCase) {
  const NameCase& c = GetParam();
  EXPECT_EQ(platform::SameFolderName(c.a, c.b), c.same);
  EXPECT_EQ(platform::SameFolderName(c.b, c.a), c.same) << "not symmetric";
}

INSTANTIATE_TEST_SUITE_P(
    Table, SameFolderNameTest,
    ::testing::Values(
        NameCase{"Identical", "C:\\Web\\", "C:\\Web\\", true},
        NameCase{"AsciiCase", "C:\\Web\\Sub\\", "c:\\WEB\\sUB\\", true},
        NameCase{"BothEmpty", "", "", true},
        NameCase{"OneEmpty", "C:\\", "", false},
        NameCase{"DifferentLetter", "C:\\Web\\", "C:\\Wab\\", false},
        // Textual: a trailing delimiter makes a different name.
        NameCase{"TrailingDelimiter", "C:\\Web\\", "C:\\Web", false},
        NameCase{"Prefix", "C:\\Web\\", "C:\\Web\\Sub\\", false},
        // Only letters fold: '@' and '`', '[' and '{' differ by the case bit.
        NameCase{"AtAndBacktick", "a@", "a`", false},
        NameCase{"Brackets", "[x]", "{x}", false},
        NameCase{"DigitsAndPunctuation", "C:\\2024-05\\", "C:\\2024_05\\", false},
        NameCase{"EmbeddedNul", std::string("a\0b", 3), std::string("a\0c", 3), false},
        // 0xC4 and 0xE4: A and a with diaeresis in the ANSI code page.
        NameCase{"BeyondAscii", "C:\\\xC4\\", "C:\\\xE4\\", expect::kFoldsBeyondAscii},
        NameCase{"HighBytesEqual", "C:\\\xE9t\xE9\\", "C:\\\xE9T\xE9\\", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
