// Names and messages printed on a terminal: control bytes and invalid
// UTF-8 are escaped, everything printable stays as it is.

#include "cli/TerminalText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TextCase {
  const char* name;
  std::string text;
  TNameBytes bytes;
  std::string quoted;   // QuotedName
  std::string escaped;  // EscapedText
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

constexpr TNameBytes kUtf8 = TNameBytes::Utf8;
constexpr TNameBytes kAnsi = TNameBytes::SingleByte;

class TerminalText : public ::testing::TestWithParam<TextCase> {};

TEST_P(TerminalText, QuotesAndEscapesOnlyWhatIsUnsafe) {
  const TextCase& c = GetParam();
  EXPECT_EQ(QuotedName(c.text, c.bytes), c.quoted);
  EXPECT_EQ(EscapedText(c.text, c.bytes), c.escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TerminalText,
    ::testing::Values(
        // Printable names are left alone, blanks and quotes included.
        TextCase{"Plain", "/web/index.htm", kUtf8, "/web/index.htm", "/web/index.htm"},
        TextCase{"Empty", "", kUtf8, "", ""},
        TextCase{"BlanksAndQuotes", "my 'new' page.htm", kUtf8, "my 'new' page.htm",
                 "my 'new' page.htm"},
        TextCase{"Utf8Letters", "caf\xC3\xA9-\xE2\x82\xAC-\xF0\x9F\x98\x80.htm", kUtf8,
                 "caf\xC3\xA9-\xE2\x82\xAC-\xF0\x9F\x98\x80.htm",
                 "caf\xC3\xA9-\xE2\x82\xAC-\xF0\x9F\x98\x80.htm"},
        TextCase{"LastCharacterBeforeC1", "\xC2\xA0x", kUtf8, "\xC2\xA0x", "\xC2\xA0x"},
        // The terminal's title set and its screen cleared, as one shell word.
        TextCase{"TitleAndClearScreen", "x\x1B]0;owned\a\x1B[2J.htm", kUtf8,
                 "'x'$'\\033'']0;owned'$'\\a\\033''[2J.htm'", "x\\033]0;owned\\a\\033[2J.htm"},
        TextCase{"LineBreaksAndTab", "a\nb\r\tc", kUtf8, "'a'$'\\n''b'$'\\r\\t''c'",
                 "a\\nb\\r\\tc"},
        TextCase{"ControlFirstAndLast", "\x01x\x7F", kUtf8, "$'\\001''x'$'\\177'", "\\001x\\177"},
        TextCase{"QuoteInAnEscapedName", "it's\x1B", kUtf8, "'it'\\''s'$'\\033'", "it's\\033"},
        TextCase{"Nul", std::string("a\0b", 3), kUtf8, "'a'$'\\000''b'", "a\\000b"},
        // C1 controls: U+009B is a control sequence introducer.
        TextCase{"C1Control",
                 "a\xC2\x9B"
                 "2J",
                 kUtf8, "'a'$'\\302\\233''2J'", "a\\302\\2332J"},
        // Bytes that are no UTF-8.
        TextCase{"LatinOneByte", "caf\xE9.htm", kUtf8, "'caf'$'\\351''.htm'", "caf\\351.htm"},
        TextCase{"LoneContinuation", "\x80", kUtf8, "$'\\200'", "\\200"},
        TextCase{"TruncatedAtTheEnd", "a\xE2\x82", kUtf8, "'a'$'\\342\\202'", "a\\342\\202"},
        TextCase{"Overlong", "\xC0\xAF", kUtf8, "$'\\300\\257'", "\\300\\257"},
        TextCase{"OverlongThreeBytes", "\xE0\x80\xAF", kUtf8, "$'\\340\\200\\257'",
                 "\\340\\200\\257"},
        TextCase{"Surrogate", "\xED\xA0\x80", kUtf8, "$'\\355\\240\\200'", "\\355\\240\\200"},
        TextCase{"BeyondUnicode", "\xF4\x90\x80\x80", kUtf8, "$'\\364\\220\\200\\200'",
                 "\\364\\220\\200\\200"},
        TextCase{"FF", "\xFF", kUtf8, "$'\\377'", "\\377"},
        // One byte a character: only the control characters are unsafe.
        TextCase{"AnsiHighBytes", "caf\xE9 \x9B\x80.htm", kAnsi, "caf\xE9 \x9B\x80.htm",
                 "caf\xE9 \x9B\x80.htm"},
        TextCase{"AnsiControl", "a\x1B[2J", kAnsi, "'a'$'\\033''[2J'", "a\\033[2J"},
        // A message keeps the line end it closes with, and only that one.
        TextCase{"FinalLineFeed", "Error \"a\x1B\" - gone\n", kUtf8,
                 "'Error \"a'$'\\033''\" - gone'$'\\n'", "Error \"a\\033\" - gone\n"},
        TextCase{"FinalCrLf", "gone.\r\n", kUtf8, "'gone.'$'\\r\\n'", "gone.\r\n"},
        TextCase{"InnerLineFeed", "a\nb\n", kUtf8, "'a'$'\\n''b'$'\\n'", "a\\nb\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TerminalTextDefault, FollowsThePlatformsNames) {
  const std::string name = "caf\xE9.htm";
  EXPECT_EQ(QuotedName(name), QuotedName(name, kPlatformNameBytes));
#ifdef _WIN32
  EXPECT_EQ(kPlatformNameBytes, TNameBytes::SingleByte);
#else
  EXPECT_EQ(kPlatformNameBytes, TNameBytes::Utf8);
#endif
}

}  // namespace
