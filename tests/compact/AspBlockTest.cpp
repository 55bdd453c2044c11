// ASP pages written the way real ones are (VBScript, JScript and PerlScript;
// directives, includes, "<%= %>" in attribute values, ">" and "->" in code,
// comments, blocks over many lines, "%>" followed by text): in safe mode
// every "<% ... %>" block comes out byte for byte, in order.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compact/CompactHTML.h"
#include "compact/CompactTestStreams.h"
#include "streams/MemStream.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> AspPages() {
  std::vector<fs::path> Pages;
  for (const auto& E : fs::directory_iterator(PAGETRIM_ASP_PAGES))
    if (E.path().extension() == ".asp") Pages.push_back(E.path());
  std::sort(Pages.begin(), Pages.end());
  return Pages;
}

std::string Read(const fs::path& File) {
  std::ifstream In(File, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

// The server code blocks, as the server finds them: "<%" up to the next "%>".
std::vector<std::string> Blocks(const std::string& Page) {
  std::vector<std::string> Found;
  for (std::size_t P = Page.find("<%"); P != std::string::npos; P = Page.find("<%", P)) {
    const std::size_t E = Page.find("%>", P + 2);
    const std::size_t End = E == std::string::npos ? Page.size() : E + 2;
    Found.push_back(Page.substr(P, End - P));
    P = End;
  }
  return Found;
}

// How many blocks of Page are not found, in order, in Compacted.
int ChangedBlocks(const std::string& Page, const std::string& Compacted) {
  int Changed = 0;
  std::size_t From = 0;
  for (const std::string& B : Blocks(Page)) {
    const std::size_t At = Compacted.find(B, From);
    if (At == std::string::npos) {
      ++Changed;
    } else {
      From = At + B.size();
    }
  }
  return Changed;
}

std::string Compact(const std::string& Page, bool Safe) {
  TMemStream In;
  TMemStream Out;
  FillMem(In, Page);
  CompactHTML(In, Out, Safe ? SafeOptions() : TCompactOptions{});
  return MemContents(Out);
}

TEST(AspBlocks, PagesAreThere) {
  const auto Pages = AspPages();
  ASSERT_GE(Pages.size(), 4u);
  std::size_t Count = 0;
  for (const auto& P : Pages) Count += Blocks(Read(P)).size();
  EXPECT_GE(Count, 50u);
}

TEST(AspBlocks, SafeModeKeepsEveryBlock) {
  for (const auto& P : AspPages()) {
    const std::string Page = Read(P);
    const std::string Out = Compact(Page, true);
    EXPECT_EQ(ChangedBlocks(Page, Out), 0) << P.filename();
    EXPECT_LT(Out.size(), Page.size()) << P.filename();
  }
}

// The default rules end a block at its first ">" and join its lines: the
// check above would see that.
TEST(AspBlocks, DefaultModeChangesBlocks) {
  int Changed = 0;
  for (const auto& P : AspPages()) {
    const std::string Page = Read(P);
    Changed += ChangedBlocks(Page, Compact(Page, false));
  }
  EXPECT_GT(Changed, 0);
}

}  // namespace
