// Standard input and output as streams: what the compaction filter needs
// of them, on regular files and on pipes.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "cli/StdioStream.h"
#include "compact/CompactHTML.h"
#include "streams/MemStream.h"
#include "support/MemText.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* F) const { std::fclose(F); }
};
using TFile = std::unique_ptr<std::FILE, FileCloser>;

// A temporary file holding Content, positioned at its start.
TFile TempFileWith(const std::string& Content) {
  TFile F(std::tmpfile());
  EXPECT_NE(F, nullptr);
  if (!Content.empty()) std::fwrite(Content.data(), 1, Content.size(), F.get());
  std::rewind(F.get());
  return F;
}

std::string ContentsOf(std::FILE* F) {
  std::fflush(F);
  std::rewind(F);
  std::string S;
  char Buf[4096];
  for (std::size_t N; (N = std::fread(Buf, 1, sizeof Buf, F)) > 0;) S.append(Buf, N);
  return S;
}

// A document that spans several read buffers, with every kind of region.
std::string LongDocument() {
  std::string Doc;
  for (int I = 0; I < 4000; ++I)
    Doc += "<p>  line " + std::to_string(I) + "  </p>\r\n<pre>\r\n  kept  </pre>\r\n<!---->\r\n"
           "<% If a > 1 Then %>  b\r\n<a  href=\"x\"  title=\"y  z\">q</a>\r\n";
  return Doc;
}

class StdioCompactTest : public ::testing::TestWithParam<bool> {};

TEST_P(StdioCompactTest, CompactsLikeTheMemoryStreams) {
  const TCompactOptions Options = GetParam() ? SafeOptions() : TCompactOptions{};
  const std::string Doc = LongDocument();
  TMemStream MemIn, MemOut;
  FillMem(MemIn, Doc);
  CompactHTML(MemIn, MemOut, Options);

  TFile In = TempFileWith(Doc);
  TFile Out(std::tmpfile());
  TStdioStream Input(In.get(), TStdioStream::sdRead);
  TStdioStream Output(Out.get(), TStdioStream::sdWrite);
  CompactHTML(Input, Output, Options);
  Output.Flush();
  EXPECT_EQ(ContentsOf(Out.get()), MemContents(MemOut));
  EXPECT_TRUE(Input.ExactTransfer());  // given back by the line reader
}

INSTANTIATE_TEST_SUITE_P(Modes, StdioCompactTest, ::testing::Values(false, true),
                         [](const auto& Info) { return Info.param ? "Safe" : "Default"; });

TEST(StdioStreamTest, RegularFileTellsWhatIsLeftAndReadsAreExact) {
  TFile F = TempFileWith("0123456789");
  TStdioStream S(F.get(), TStdioStream::sdRead);
  EXPECT_TRUE(S.CanRead());
  EXPECT_FALSE(S.CanWrite());
  EXPECT_EQ(S.Available(), 10);
  char Buf[16];
  EXPECT_EQ(S.Read(Buf, 4), 4);
  EXPECT_EQ(S.Available(), 6);
  try {
    S.Read(Buf, 16);
    FAIL() << "a short read with exact transfers on went through";
  } catch (const EInOutError& E) {
    EXPECT_EQ(E.Message(), SReadLessThanExpected);
  }
  EXPECT_TRUE(S.EndOfStream());
  S.SetExactTransfer(false);
  EXPECT_EQ(S.Read(Buf, 16), 0);
  EXPECT_EQ(S.Read(Buf, 0), 0);
}

TEST(StdioStreamTest, AFailedWriteRaisesTheWriteMessage) {
  // A C stream opened only for reading refuses writes.
  TFile ReadOnly(std::fopen("/dev/null", "rb"));
  if (ReadOnly == nullptr) GTEST_SKIP() << "no null device";
  TStdioStream S(ReadOnly.get(), TStdioStream::sdWrite);
  try {
    S.Write("abc", 3);
    S.Flush();
    FAIL() << "a refused write went through";
  } catch (const EInOutError& E) {
    EXPECT_EQ(E.Message().rfind("Error writing to stream - ", 0), 0u) << E.Message();
  }
}

#ifndef _WIN32
TEST(StdioStreamTest, PipeHasMoreUntilItEnds) {
  int Fds[2];
  ASSERT_EQ(pipe(Fds), 0);
  TFile Reader(fdopen(Fds[0], "rb"));
  ASSERT_EQ(write(Fds[1], "<p>  a\n", 7), 7);
  close(Fds[1]);
  TStdioStream S(Reader.get(), TStdioStream::sdRead);
  EXPECT_EQ(S.Available(), 1);  // unknown, but not ended
  TMemStream Out;
  CompactHTML(S, Out);
  EXPECT_EQ(MemContents(Out), "<p> a");
  EXPECT_EQ(S.Available(), 0);
}
#endif

}  // namespace
