#include "compact/SafeCompact.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compact/CompactCases.h"
#include "compact/CompactHTML.h"
#include "compact/CompactTestStreams.h"
#include "compact/ScanPath.h"
#include "streams/MemStream.h"
#include "streams/Utils.h"
#include "support/FakeStreams.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

class SafeTable : public testing::TestWithParam<Case> {};

TEST_P(SafeTable, GivesExactBytes) {
  EXPECT_EQ(SafeCompactString(GetParam().Input), GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(Rows, SafeTable, CaseRows("safe.txt"), ByName());

TEST(SafeCompact, EmptyInputGivesEmptyOutput) { EXPECT_EQ(SafeCompactString(""), ""); }

// The option reaches the filter through CompactHTML; without it the
// default rules apply.
TEST(SafeCompact, OptionSelectsTheMode) {
  const std::string Input = "<pre class=\"x\">\n  a\n</pre>\n<% If a > 1 Then\n  b\n%>";
  const TCompactOptions Safe = SafeOptions();
  for (const bool UseSafe : {false, true}) {
    TMemStream In;
    TMemStream Out;
    FillMem(In, Input);
    CompactHTML(In, Out, UseSafe ? Safe : TCompactOptions{});
    if (UseSafe)
      EXPECT_EQ(MemContents(Out), SafeCompactString(Input));
    else
      EXPECT_EQ(MemContents(Out), "<pre class=\"x\"> a </pre><% If a > 1 Then b %>");
  }
}

TEST(SafeCompact, InPlaceInOneMemoryStream) {
  TMemStream S;
  FillMem(S, "<p>\n  a   b\n</p>\n");
  CompactHTML(S, S, SafeOptions());
  EXPECT_EQ(MemContents(S), "<p> a b </p>");
}

TEST(SafeCompact, InPlaceFileIsCut) {
  TempDir Dir;
  const std::string Name = Dir / "page.htm";
  WriteFile(Name, "HEAD<p>   a   </p>   ");
  {
    TFileStream S(Name, omRead | omWrite);
    S.Seek(4);
    CompactHTML(S, S, SafeOptions());
  }
  EXPECT_EQ(ReadFile(Name), "<p> a </p>");
}

// A source that hands out a few bytes per read, as a pipe does.
TEST(SafeCompact, ReadsInSmallPiecesToTheEnd) {
  class TTrickle : public TRecordingStream {
  public:
    using TRecordingStream::TRecordingStream;
    std::int32_t Read(void* Buffer, std::int32_t Count) override {
      return TRecordingStream::Read(Buffer, std::min<std::int32_t>(Count, 3));
    }
  };
  std::string Big;
  while (Big.size() < 100000) Big += "<td>\n  x  </td>\n";
  TTrickle In(Big, true, false);
  TRecordingStream Out("", false, true);
  CompactHTML(In, Out, SafeOptions());
  EXPECT_EQ(Out.Written, SafeCompactString(Big));
  EXPECT_TRUE(In.EndOfStream());
  EXPECT_THAT(In.ExactChanges, testing::ElementsAre(false, true));
}

TEST(SafeCompact, UnreadableInputFails) {
  TRecordingStream In("abc", /*Readable=*/false, false);
  TRecordingStream Out("", false, true);
  try {
    CompactHTML(In, Out, SafeOptions());
    FAIL() << "no exception";
  } catch (const EInOutError& E) {
    EXPECT_EQ(E.Message(), SCannotReadFromStream);
  }
  EXPECT_TRUE(Out.Writes.empty());
}

TEST(SafeCompact, ReadErrorLeavesOutputUntouchedAndRestoresInput) {
  TFailingReadStream In(std::string(300000, 'a'), /*FailAtRead=*/1);
  TRecordingStream Out("", false, true);
  EXPECT_THROW(CompactHTML(In, Out, SafeOptions()), EInOutError);
  EXPECT_TRUE(Out.Writes.empty());
  EXPECT_THAT(In.ExactChanges, testing::ElementsAre(false, true));
}

TEST(SafeCompact, ResultIsWrittenInOneCall) {
  TRecordingStream In("<p>  a  </p>", true, false);
  TRecordingStream Out("", false, true);
  CompactHTML(In, Out, SafeOptions());
  EXPECT_THAT(Out.Writes, testing::ElementsAre(10));
}

// Long runs of every kind stay linear and never grow the text.
TEST(SafeCompact, NeverLongerThanTheInput) {
  for (const std::string Piece :
       {"<", "<%", "<!--", "<a ", "\"", " \n", "<pre>", "</pre>", "<script>", "<!---->", "-->", "%>"}) {
    std::string Input;
    for (int I = 0; I < 2000; ++I) Input += Piece;
    EXPECT_LE(SafeCompactString(Input).size(), Input.size()) << Piece;
  }
}

// The wide scanners skip runs of text, white space, quoted values and tag
// bytes sixteen at a time; they must give the portable scanners' bytes.
std::string SafeOn(TScanPath Path, const std::string& Input) {
  const TScanPath Saved = CurrentScanPath();
  SetScanPath(Path);
  std::string Out = SafeCompactString(Input);
  SetScanPath(Saved);
  return Out;
}

void ExpectPathsAgree(const std::string& Input) {
  ASSERT_EQ(SafeOn(TScanPath::spWide, Input), SafeOn(TScanPath::spPortable, Input))
      << "input: [" << Input.substr(0, 300) << "]";
}

TEST(SafeCompact, WideScannersGiveThePortableBytes) {
  if (!WideScanAvailable()) GTEST_SKIP() << "no wide scanners in this build";
  // Events at every offset around the first 16-byte steps of a text run,
  // of the white space after it, of a quoted value and of a tag.
  const std::vector<std::string> Events = {" ", "  ", "\t", "\n", "\r\n", " x", "x ", "<", "< ",
                                           "<b>", "</p>", "<%=a%>", "\"", "'", "<!---->", "w",
                                           "<<", "<1 ", "<?p?>", "<!d>", "< b", "<Z"};
  const std::vector<std::string> Contexts = {"", "<p>", "<div title=\"", "<td   class=x ",
                                             "<span style='white-space:pre'>", "   \n  "};
  for (const std::string& Context : Contexts)
    for (const std::string& Event : Events)
      for (std::size_t At = 0; At < 40; ++At) {
        const std::string Filler = std::string(At, 'a') + (At % 3 == 0 ? " b" : "");
        ExpectPathsAgree(Context + Filler + Event + "cd ef gh ij kl mn op\" >" + Filler + "\n");
      }
  // Generated documents of the kinds the scanner tells apart.
  const std::vector<std::string> Pieces = {
      " ", " ", "  ", "\t", "\n", "\r\n", "a", "word", "<", ">", "\"", "'", "=", "/", "<p>",
      "</p>", "<td class=\"c\">", "</td>", "<a href=x>", "<br/>", "<%", "%>", "<%= v %>",
      "<!---->", "<!--", "-->", "<pre>", "</pre>", "<script>", "</script>", "style=\"white-space: pre\"",
      "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage Express 2.0\">",
      "<?x?>", "<!x>", "<1", "<<", "plain text with single blanks", "                   ", "\"a quoted value, <b> in it\""};
  std::mt19937 Rng(17);
  for (int Doc = 0; Doc < 3000; ++Doc) {
    std::string Input;
    for (std::size_t I = 0, Count = Rng() % 60; I < Count; ++I) Input += Pieces[Rng() % Pieces.size()];
    ExpectPathsAgree(Input);
  }
}

}  // namespace
