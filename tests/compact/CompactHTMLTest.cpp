#include "compact/CompactHTML.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <string>
#include <vector>

#include "compact/CompactCases.h"
#include "compact/CompactTestStreams.h"
#include "streams/MemStream.h"
#include "streams/Utils.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

const std::string CRLF = "\r\n";

// The lines, each ended by CR LF.
std::string Lines(std::initializer_list<std::string> L) { return LinesEndedBy(L, CRLF); }

class CompactTable : public testing::TestWithParam<Case> {};

TEST_P(CompactTable, GivesExactBytes) {
  EXPECT_EQ(Compact(GetParam().Input), GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(Rows, CompactTable, CaseRows("html.txt"), ByName());

// Lines as the text stream delivers them, made visible by a PRE region:
// every line of the region ends with CR LF in the output.
struct LineCase {
  const char* Name;
  std::string Content;  // glued to "<pre>" so that its first line end counts
  std::vector<std::string> Lines;
};

void PrintTo(const LineCase& C, std::ostream* Os) { *Os << C.Name; }

class CompactLines : public testing::TestWithParam<LineCase> {};

TEST_P(CompactLines, SplitsLikeTheTextStream) {
  std::string Expected = "<pre>";
  for (const auto& L : GetParam().Lines) Expected += L + CRLF;
  EXPECT_EQ(Compact("<pre>" + GetParam().Content), Expected);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, CompactLines,
    testing::Values(LineCase{"CrLf", "abc\r\ndef\r\n", {"abc", "def", ""}},
                    LineCase{"Lf", "abc\ndef\n", {"abc", "def"}},
                    LineCase{"Cr", "abc\rdef\r", {"abc", "def"}},
                    LineCase{"LfCr", "abc\n\rdef\n\r", {"abc", "def", ""}},
                    LineCase{"CrLfEmptyLine", "a\r\n\r\nb\r\n", {"a", "", "b", ""}},
                    LineCase{"LfEmptyLine", "a\n\nb\n", {"a", "", "b"}},
                    LineCase{"CrEmptyLine", "a\r\rb\r", {"a", "", "b"}},
                    LineCase{"LfCrEmptyLine", "a\n\r\n\rb\n\r", {"a", "", "b", ""}},
                    LineCase{"LoneLfDroppedAfterCrLf", "ab\r\ncd\nef\r\n", {"ab", "cdef", ""}},
                    LineCase{"LoneCrDroppedAfterLf", "ab\nc\rd\n", {"ab", "cd"}},
                    LineCase{"CrCrLf", "ab\r\r\ncd", {"ab", "", "cd"}},
                    LineCase{"NoFinalLineEndCrLf", "x\r\ny", {"x", "y"}},
                    LineCase{"NoFinalLineEndLf", "x\ny", {"x", "y"}},
                    LineCase{"NoFinalLineEndCr", "x\ry", {"x", "y"}},
                    LineCase{"NoFinalLineEndLfCr", "x\n\ry", {"x", "y"}},
                    LineCase{"NoLineEnd", "abc", {"abc"}}), ByName());

// Line ends that fall on the text stream's 65,536-byte refills.
TEST(CompactLines, LineEndAcrossReadBuffers) {
  const std::string Long(65536 - 6, 'a');  // "<pre>" + Long + CR ends the first buffer
  EXPECT_EQ(Compact("<pre>" + Long + "\r\nb\r\n"), "<pre>" + Long + "\r\nb\r\n\r\n");
  EXPECT_EQ(Compact("<pre>" + Long + "\n\rb\n\r"), "<pre>" + Long + "\r\nb\r\n\r\n");
  EXPECT_EQ(Compact("<pre>" + Long + "x\nb\r\n"), "<pre>" + Long + "x\r\nb\r\n");
  EXPECT_EQ(Compact("<pre>" + Long + "x\r\nb"), "<pre>" + Long + "x\r\nb\r\n");
}

// The meta tag where the text stream's reads split its line.
TEST(CompactLines, MetaTagAcrossReadBuffers) {
  for (std::size_t Before : {65536u - 30u, 65536u - 2u, 65536u, 65536u + 70u}) {
    const std::string Fill(Before - 2, 'a');
    EXPECT_EQ(Compact(Fill + "\r\n" + kMeta + "\r\nz\r\n"), Fill + " z") << Before;
    EXPECT_EQ(Compact(Fill + "\r\n<b>" + kMeta + "</b>\r\n"), Fill + " <b></b>") << Before;
  }
}

TEST(CompactLines, LineLongerThanManyBuffers) {
  std::string Long;
  for (int i = 0; i < 40000; ++i) Long += "ab  ";
  std::string Expected;
  for (int i = 0; i < 40000; ++i) Expected += "ab ";
  EXPECT_EQ(Compact(Long + "\r\n" + Long), Expected + Expected);
}

// ---- The write step, same-stream cases and failures

TEST(CompactWrite, EmptyInputWritesZeroBytesOnce) {
  TRecordingStream In("", true, false);
  TRecordingStream Out("", false, true);
  CompactHTML(In, Out);
  EXPECT_THAT(Out.Writes, testing::ElementsAre(0));
}

TEST(CompactWrite, WholeResultInOneWrite) {
  TRecordingStream In(Lines({"<p>", "  a  b", "</p>"}), true, false);
  TRecordingStream Out("", false, true);
  CompactHTML(In, Out);
  EXPECT_THAT(Out.Writes, testing::ElementsAre(12));
  EXPECT_EQ(Out.Written, "<p> a b </p>");
}

TEST(CompactWrite, ReadsFromInputPositionAndWritesAtOutputPosition) {
  TMemStream In;
  FillMem(In, "skip  a  b");
  In.Seek(4);
  TMemStream Out;
  FillMem(Out, "KEEP");
  Out.Seek(4);
  CompactHTML(In, Out);
  EXPECT_EQ(MemContents(Out), "KEEP a b");
}

TEST(CompactWrite, SameMemStreamIsCleared) {
  TMemStream S;
  FillMem(S, Lines({"  a", "  b", "", "", "", ""}));
  CompactHTML(S, S);
  EXPECT_EQ(S.GetSize(), 4);
  EXPECT_EQ(MemContents(S), " a b");
}

struct InPlaceCase {
  const char* Name;
  std::string Content;
  std::int32_t StartAt;
  std::string After;
};

void PrintTo(const InPlaceCase& C, std::ostream* Os) { *Os << C.Name; }

class CompactInPlace : public testing::TestWithParam<InPlaceCase> {};

// A file stream given as input and output is rewritten from its start
// and cut after the result, so no old bytes remain.
TEST_P(CompactInPlace, FileStreamRewrittenAndCut) {
  TempDir Dir;
  const std::string Name = Dir / "page.htm";
  WriteFile(Name, GetParam().Content);
  {
    TFileStream S(Name, omRead | omWrite);
    S.Seek(GetParam().StartAt);
    CompactHTML(S, S);
    EXPECT_EQ(S.GetSize(), static_cast<std::int32_t>(GetParam().After.size()));
  }
  EXPECT_EQ(ReadFile(Name), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompactInPlace,
    testing::Values(InPlaceCase{"Shrinks", Lines({"<p>", "   a   b   ", "</p>"}), 0, "<p> a b </p>"},
                    InPlaceCase{"SameLength", "abc", 0, "abc"},
                    InPlaceCase{"Grows", "<pre>\nx\ny\n", 0, "<pre>\r\nx\r\ny\r\n"},
                    InPlaceCase{"EmptyResult", "<!---->\r\n", 0, ""},
                    InPlaceCase{"FromMidFile", "HEAD  tail  end", 4, " tail end"}), ByName());

TEST(CompactWrite, DifferentFileStreamsAreNotCut) {
  TempDir Dir;
  WriteFile(Dir / "a.htm", Lines({"a", "b"}));
  WriteFile(Dir / "b.htm", "0123456789");
  {
    TFileStream In(Dir / "a.htm", omRead | omShareRead);
    TFileStream Out(Dir / "b.htm", omRead | omWrite);
    CompactHTML(In, Out);
  }
  EXPECT_EQ(ReadFile(Dir / "b.htm"), "a b3456789");
}

// Input and output as one stream that cannot seek: written where it stands.
TEST(CompactWrite, SameUnseekableStreamJustWritten) {
  TRecordingStream S("a  b");
  CompactHTML(S, S);
  EXPECT_EQ(S.Written, "a b");
}

TEST(CompactWrite, ResultTooLargeForOneWriteRaisesBeforeWriting) {
  static const char Byte = 'x';
  // Only the length is looked at before the refusal.
  const std::string_view Huge(&Byte, static_cast<std::size_t>(INT32_MAX) + 1);
  TMemStream Same;
  FillMem(Same, "old");
  const std::string Expected = Format(SResultTooLarge, {"2147483648"});
  try {
    WriteCompactedText(Same, Same, Huge);
    FAIL() << "no exception";
  } catch (const EInOutError& E) {
    EXPECT_EQ(E.Message(), Expected);
  }
  EXPECT_EQ(MemContents(Same), "old");  // not cleared

  TCountingStream Out;
  EXPECT_THROW(WriteCompactedText(Same, Out, Huge), EInOutError);
  EXPECT_TRUE(Out.Writes.empty());
}

TEST(CompactWrite, LargestResultIsWrittenInOneCall) {
  static const char Byte = 'x';
  const std::string_view Largest(&Byte, static_cast<std::size_t>(INT32_MAX));
  TMemStream In;
  TCountingStream Out;
  WriteCompactedText(In, Out, Largest);
  EXPECT_THAT(Out.Writes, testing::ElementsAre(INT32_MAX));
}

TEST(CompactFailure, UnreadableInputFailsAtFirstLine) {
  TRecordingStream In("abc", /*Readable=*/false, false);
  TRecordingStream Out("", false, true);
  try {
    CompactHTML(In, Out);
    FAIL() << "no exception";
  } catch (const EInOutError& E) {
    EXPECT_EQ(E.Message(), SCannotReadFromStream);
  }
  EXPECT_TRUE(Out.Writes.empty());
}

TEST(CompactFailure, ReadErrorLeavesOutputUntouchedAndRestoresInput) {
  std::string Big;
  while (Big.size() < 200000) Big += "<p>some   text</p>\r\n";
  TFailingReadStream In(Big, /*FailAtRead=*/3);
  TRecordingStream Out("", false, true);
  try {
    CompactHTML(In, Out);
    FAIL() << "no exception";
  } catch (const EInOutError& E) {
    EXPECT_EQ(E.Message(), "Error reading from stream - Input/output error");
  }
  EXPECT_TRUE(Out.Writes.empty());
  EXPECT_THAT(In.Reads, testing::ElementsAre(65536, 65536, 65536));
  EXPECT_THAT(In.ExactChanges, testing::ElementsAre(false, true));
}

TEST(CompactFailure, WriteErrorPassesThrough) {
  TRecordingStream In("abc", true, false);
  TRecordingStream Out("", false, true);
  Out.WriteLimit = 1;  // takes one byte: "Wrote less than expected"
  try {
    CompactHTML(In, Out);
    FAIL() << "no exception";
  } catch (const EInOutError& E) {
    EXPECT_EQ(E.Message(), SWroteLessThanExpected);
  }
  EXPECT_THAT(In.ExactChanges, testing::ElementsAre(false, true));
}

}  // namespace
