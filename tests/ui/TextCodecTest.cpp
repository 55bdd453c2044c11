#include "ui/TextCodec.h"

#include <gtest/gtest.h>

#include <string>


namespace {

struct TCodecCase {
  const char* Name;
  std::string Bytes;
  std::u16string Text;
  bool Valid;
};

const TCodecCase kCases[] = {
    {"Ascii", "/srv/www/a.htm", u"/srv/www/a.htm", true},
    {"Utf8", "/w/\xC3\xA9t\xC3\xA9.htm", u"/w/\u00E9t\u00E9.htm", true},
    {"FourByteUtf8", "\xF0\x9F\x98\x80.htm", u"\U0001F600.htm", true},
    {"Latin1Byte", "caf\xE9.htm", u"caf\xDCE9.htm", false},
    {"StrayContinuation", "\x80x\xBF", u"\xDC80x\xDCBF", false},
    {"Overlong", "\xC0\xAF", u"\xDCC0\xDCAF", false},
    {"EncodedSurrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80", false},
    {"AboveUnicode", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80", false},
    {"CutOffAtTheEnd", "a\xE2\x82", u"a\xDCE2\xDC82", false},
    {"CutOffBeforeAscii", "\xE2\x82z", u"\xDCE2\xDC82z", false},
    {"Empty", "", u"", true},
};

class TextCodecTest : public testing::TestWithParam<TCodecCase> {};

TEST_P(TextCodecTest, DecodesAndComesBackByteExact) {
  const TCodecCase& c = GetParam();
  EXPECT_EQ(Utf16FromBytes(c.Bytes), c.Text);
  EXPECT_EQ(BytesFromUtf16(c.Text), c.Bytes);
  EXPECT_EQ(IsValidUtf8(c.Bytes), c.Valid);
}

INSTANTIATE_TEST_SUITE_P(Cases, TextCodecTest, testing::ValuesIn(kCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(TextCodecRoundTrip, EveryByteAndEveryPairOfBytes) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string bytes{static_cast<char>(a), static_cast<char>(b), '\xC3'};
      ASSERT_EQ(BytesFromUtf16(Utf16FromBytes(bytes)), bytes) << a << " " << b;
    }
  }
}

TEST(TextCodecRoundTrip, SurrogatesThatNoDecodingMakes) {
  // A lone high surrogate, or a low one outside the escapes, has no byte.
  EXPECT_EQ(BytesFromUtf16(u"a\xD800" u"b"), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(BytesFromUtf16(u"\xDC10"), "\xEF\xBF\xBD");
}

}  // namespace
