// The fast filter against the literal model, on hand-picked documents and
// on generated ones.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "compact/CompactHTML.h"
#include "compact/CompactTestStreams.h"
#include "compact/ScanPath.h"
#include "support/ReferenceCompact.h"
#include "streams/MemStream.h"

namespace {

// Shows where two results part, with a little context.
std::string FirstDifference(const std::string& A, const std::string& B) {
  std::size_t I = 0;
  while (I < A.size() && I < B.size() && A[I] == B[I]) ++I;
  const std::size_t From = I > 20 ? I - 20 : 0;
  return "at " + std::to_string(I) + ": fast [" + A.substr(From, 40) + "] model [" +
         B.substr(From, 40) + "]";
}

void ExpectSame(const std::string& Input) {
  const std::string Fast = Compact(Input);
  const std::string Model = ReferenceCompact(Input);
  ASSERT_EQ(Fast, Model) << FirstDifference(Fast, Model) << "\ninput: [" << Input.substr(0, 400)
                         << "]";
}

// The model itself must give the documented results, or the cross-check
// proves nothing.
TEST(ReferenceCompact, KnownResults) {
  EXPECT_EQ(ReferenceCompact("abc\r\ndef\r\n"), "abc def");
  EXPECT_EQ(ReferenceCompact("<!--\r\n-->x\r\n"), "x");
  EXPECT_EQ(ReferenceCompact("<\r\npre>\r\n  a\r\n"), "<pre> a");
  EXPECT_EQ(ReferenceCompact("<a title=\"x\r\n  y\">q</a>\r\n"), "<a title=\"x   y\">q</a>");
  EXPECT_EQ(ReferenceCompact("<pre>\nx\n"), "<pre>\r\nx\r\n");
  EXPECT_EQ(ReferenceCompact("ab\r\ncd\nef\r\n"), "ab cdef");
  EXPECT_EQ(ReferenceCompact(""), "");
}

// Fragments that the rules react to, mixed with plain text.
const std::vector<std::string> kPieces = {
    " ", " ", " ", "  ", "\t", "a", "b", "x", "-", "--", "\"", "\"", "<", "<", ">", ">", "%",
    "/", "!", "\r", "\n", "\r\n", "\n\r", "pre>", "PRE>", "/pre>", "/PRE>", "script", "SCRIPT",
    "/script>", "/ScRiPt>", "!---->", "<!---->", "<!--", "-->", "<%", "%>", "\xFF", "\xFE",
    "<pre>", "</pre>", "<script>", "</script>", "=\"", "<meta name=\"GENERATOR\" ",
    "content=\"Microsoft FrontPage Express 2.0\">",
    "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage Express 2.0\">",
    // Long runs, so that whole blocks of plain bytes come between events.
    "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJ", "                    ",
    "\"quoted value with  two  blanks and more text\"", "text with single blanks only here"};

std::string RandomDocument(std::mt19937& Rng, std::size_t Pieces) {
  std::string Doc;
  for (std::size_t I = 0; I < Pieces; ++I) Doc += kPieces[Rng() % kPieces.size()];
  return Doc;
}

// Every cross-check runs on the wide scanners and on the portable ones.
class CompactCrossCheck : public ::testing::TestWithParam<TScanPath> {
protected:
  void SetUp() override {
    Saved = CurrentScanPath();
    SetScanPath(GetParam());
  }
  void TearDown() override { SetScanPath(Saved); }

private:
  TScanPath Saved = TScanPath::spWide;
};

TEST_P(CompactCrossCheck, RandomSmallDocuments) {
  std::mt19937 Rng(20240611);
  for (int N = 0; N < 20000; ++N) {
    const std::string Doc = RandomDocument(Rng, 1 + Rng() % 60);
    ExpectSame(Doc);
    if (HasFatalFailure()) return;
  }
}

TEST_P(CompactCrossCheck, RandomDocumentsWithOneLineEndKind) {
  const char* Ends[] = {"\r\n", "\n", "\r", "\n\r"};
  std::mt19937 Rng(77);
  for (int N = 0; N < 10000; ++N) {
    std::string Doc;
    const int Lines = 1 + static_cast<int>(Rng() % 12);
    for (int L = 0; L < Lines; ++L) {
      std::string Line = RandomDocument(Rng, Rng() % 10);
      std::erase_if(Line, [](char C) { return C == '\r' || C == '\n'; });
      Doc += Line + Ends[N % 4];
    }
    if (Rng() % 2) Doc.pop_back();
    ExpectSame(Doc);
    if (HasFatalFailure()) return;
  }
}

// Many short lines of a few pieces each: what one pass sees within a line
// and the other across lines differs most here.
TEST_P(CompactCrossCheck, RandomShortLines) {
  const std::vector<std::string> Short = {"<", ">", " ", "  ", "-", "--", "!", "!--", "-->",
                                          "<!--", "<!-- -->", "pre>", "< pre>", "/pre>",
                                          "script", "%", "<%", "\"", "a", "\t", "<!---->"};
  std::mt19937 Rng(909);
  for (int N = 0; N < 20000; ++N) {
    std::string Doc;
    const int Lines = 1 + static_cast<int>(Rng() % 8);
    for (int L = 0; L < Lines; ++L) {
      const int Pieces = static_cast<int>(Rng() % 4);
      for (int P = 0; P < Pieces; ++P) Doc += Short[Rng() % Short.size()];
      Doc += "\r\n";
    }
    ExpectSame(Doc);
    if (HasFatalFailure()) return;
  }
}

// Documents spanning several 65,536-byte reads of the text stream, so that
// line ends and pair bytes fall on refills.
TEST_P(CompactCrossCheck, RandomDocumentsAcrossReadBuffers) {
  std::mt19937 Rng(4242);
  for (int N = 0; N < 6; ++N) {
    std::string Doc;
    while (Doc.size() < 140000) {
      Doc += RandomDocument(Rng, 1 + Rng() % 8);
      Doc += std::string(Rng() % 50, 'w');
      Doc += N % 2 ? "\r\n" : "\n";
    }
    ExpectSame(Doc);
    if (HasFatalFailure()) return;
  }
}

// Long runs that no rule looks at, after deletions and between them, so
// that whole blocks are moved over deleted bytes and runs of blanks span
// many blocks.
TEST_P(CompactCrossCheck, LongRunsAroundDeletions) {
  const std::vector<std::string> Runs = {std::string(37, 'r'), std::string(16, ' '),
                                         std::string(53, ' '), std::string(31, 'q'),
                                         "<a  href=\"" + std::string(40, 'h') + "\"  >",
                                         "<!---->", "  ", "<pre>", "</pre>", "\r\n"};
  std::mt19937 Rng(31337);
  for (int N = 0; N < 3000; ++N) {
    std::string Doc;
    const int Pieces = 1 + static_cast<int>(Rng() % 30);
    for (int P = 0; P < Pieces; ++P) Doc += Runs[Rng() % Runs.size()];
    ExpectSame(Doc);
    if (HasFatalFailure()) return;
  }
}

// Long lines of dense markup, with fillers of every length between the
// pieces, so that tags, quotes, runs of blanks and "<" with a look-ahead
// to decide fall at every offset of a block and across block ends.
TEST_P(CompactCrossCheck, LongLinesOfMarkup) {
  const std::vector<std::string> Markup = {
      "<td  class=\"c\"  align=\"left\">", "</td>", "<a  href=\"x  y\"  >", "  ", "   ",
      "<", ">", "\"", "-", " - ", "<!---->", "<!-- c -->", "</", "</ p>", "< b>", "<%= x %>",
      "<pre>", "</pre>", "<script>", "</script>", "<p>", "<P", "<s", "<!", "word", "\t"};
  std::mt19937 Rng(6464);
  for (int N = 0; N < 4000; ++N) {
    std::string Doc;
    const int Lines = 1 + static_cast<int>(Rng() % 3);
    for (int L = 0; L < Lines; ++L) {
      const int Pieces = 10 + static_cast<int>(Rng() % 40);
      for (int P = 0; P < Pieces; ++P) {
        Doc += Markup[Rng() % Markup.size()];
        Doc += std::string(Rng() % 70, "ab "[Rng() % 3]);
      }
      Doc += "\r\n";
    }
    ExpectSame(Doc);
    if (HasFatalFailure()) return;
  }
}

// Each event placed at every offset around the ends of the first two
// 64-byte blocks of a line, after a run of plain bytes or of blanks.
TEST_P(CompactCrossCheck, EventsAtBlockEnds) {
  const std::vector<std::string> Events = {
      "<pre>x</pre>", "<!---->  y", "</p>  z", "<a  b=\"  c\"  d>", "<% x  %>  e", "<  f",
      "<s", "</s", "< ", "\"  \"", "-  g", "<P", "</ SCRIPT>", "</", "<"};
  for (const std::string& Event : Events) {
    for (std::size_t Offset = 50; Offset < 140; ++Offset) {
      for (const char Filler : {'w', ' '}) {
        const std::string Line = std::string(Offset, Filler) + Event;
        ExpectSame(Line + "\r\n" + Line);
        ExpectSame("<a x=\"" + Line + "\r\n<script>" + Line);
        ExpectSame("<pre>" + Line + "\r\npre>  q\r\n</" + Line + "\r\nscript>  r");
        if (HasFatalFailure()) return;
      }
    }
  }
}

// Runs of empty lines in regions and out of them, with stray pair bytes
// among the line ends, in every line-end convention, long enough to span
// read buffers.
TEST_P(CompactCrossCheck, RunsOfEmptyLines) {
  const std::vector<std::string> Ends = {"\r\n", "\n", "\r", "\n\r"};
  const std::vector<std::string> Text = {"<pre>", "</pre>", "<%", "%>", "<script>", "</script>",
                                         "x", "  y", "<", ">", "\"", "<!--"};
  std::mt19937 Rng(5150);
  for (int N = 0; N < 400; ++N) {
    const std::string& End = Ends[N % 4];
    std::string Doc = Ends[(N / 4) % 4];  // the first line end fixes the convention
    const std::size_t Size = N % 40 == 0 ? 150000 : 300;
    while (Doc.size() < Size) {
      const unsigned Kind = Rng() % 8;
      if (Kind < 3) {
        Doc += Text[Rng() % Text.size()];
      } else if (Kind < 7) {
        for (unsigned I = Rng() % 40; I > 0; --I) Doc += End;
      } else {
        Doc += std::string(1, "\r\n"[Rng() % 2]);
      }
    }
    ExpectSame(Doc);
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, CompactCrossCheck,
                         ::testing::Values(TScanPath::spWide, TScanPath::spPortable),
                         [](const auto& Info) {
                           return Info.param == TScanPath::spWide ? "Wide" : "Portable";
                         });

}  // namespace
