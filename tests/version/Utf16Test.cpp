#include "version/Utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TUtf8Case {
  const char* name;
  std::string text;
  std::u16string units;
  bool valid;
};

void PrintTo(const TUtf8Case& c, std::ostream* os) { *os << c.name; }

class Utf8ToUtf16Test : public testing::TestWithParam<TUtf8Case> {};

TEST_P(Utf8ToUtf16Test, ConvertsAndTellsIllFormedText) {
  const TUtf8Case& c = GetParam();
  bool valid = !c.valid;
  EXPECT_EQ(versionres::Utf8ToUtf16(c.text, &valid), c.units);
  EXPECT_EQ(valid, c.valid);
  EXPECT_EQ(versionres::Utf8ToUtf16(c.text), c.units);  // without the flag
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ToUtf16Test,
    testing::Values(TUtf8Case{"Empty", "", u"", true},
                    TUtf8Case{"Ascii", "Pagetrim 1.0", u"Pagetrim 1.0", true},
                    TUtf8Case{"TwoAndThreeBytes", "\xC2\xA9 \xE2\x82\xAC", u"\u00A9 \u20AC", true},
                    TUtf8Case{"FourBytesMakeAPair", "\xF0\x9F\x98\x80", u"\xD83D\xDE00", true},
                    TUtf8Case{"ReplacementCharacterItself", "\xEF\xBF\xBD", u"\uFFFD", true},
                    TUtf8Case{"StrayContinuation", "a\x80z", u"a\uFFFDz", false},
                    TUtf8Case{"Overlong", "\xC0\xAF", u"\uFFFD\uFFFD", false},
                    TUtf8Case{"Truncated", "\xE2\x82", u"\uFFFD", false},
                    TUtf8Case{"BadContinuation", "\xE2(", u"\uFFFD(", false},
                    TUtf8Case{"Surrogate", "\xED\xA0\x80", u"\uFFFD", false},
                    TUtf8Case{"BeyondUnicode", "\xF4\x90\x80\x80", u"\uFFFD", false}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<unsigned char> Units(const std::u16string& Text) {
  std::vector<unsigned char> bytes;
  for (char16_t u : Text) {
    bytes.push_back(static_cast<unsigned char>(u & 0xFF));
    bytes.push_back(static_cast<unsigned char>(u >> 8));
  }
  return bytes;
}

std::string ToUtf8(const std::u16string& Text, std::uint32_t Units16) {
  const std::vector<unsigned char> in = Units(Text);
  std::vector<unsigned char> out(3 * Units16 + 1, 0xAA);
  const std::uint32_t n = versionres::Utf16ToUtf8(in.data(), Units16, out.data());
  EXPECT_LE(n, out.size());
  EXPECT_EQ(out[n - 1], 0) << "the NUL ends the text";
  return std::string(out.begin(), out.begin() + n - 1);
}

TEST(Utf16ToUtf8Test, StopsAtTheFirstNulAndReplacesLoneSurrogates) {
  EXPECT_EQ(ToUtf8(u"Brindle", 7), "Brindle");
  EXPECT_EQ(ToUtf8(u"\u00A9 \u20AC\xD83D\xDE00", 5), "\xC2\xA9 \xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(ToUtf8(std::u16string(u"ab\0cd", 5), 5), "ab");
  EXPECT_EQ(ToUtf8(u"a\xD83D", 2), "a\xEF\xBF\xBD");  // a high half at the end
  EXPECT_EQ(ToUtf8(u"\xDE00z", 2), "\xEF\xBF\xBDz");   // a low half alone
  EXPECT_EQ(ToUtf8(u"", 0), "");
}

}  // namespace
