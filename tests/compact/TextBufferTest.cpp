#include "compact/TextBuffer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "compact/CompactCases.h"

namespace {

std::string Contents(const TTextBuffer& B) { return std::string(B.View()); }

TEST(TextBuffer, StartsEmpty) {
  TTextBuffer B;
  EXPECT_EQ(B.Size(), 0u);
  EXPECT_EQ(Contents(B), "");
}

TEST(TextBuffer, AppendPushPopShrinkErase) {
  TTextBuffer B;
  B.Append("hello", 5);
  B.PushBack(' ');
  B.Append("world", 5);
  EXPECT_EQ(Contents(B), "hello world");
  B.PopBack();
  EXPECT_EQ(Contents(B), "hello worl");
  B.Erase(2, 3);
  EXPECT_EQ(Contents(B), "he worl");
  B.Erase(0, 7);
  EXPECT_EQ(Contents(B), "");
  B.Append("abc", 3);
  B.Shrink(1);
  EXPECT_EQ(Contents(B), "a");
  B.Append("", 0);
  EXPECT_EQ(Contents(B), "a");
}

// Growth keeps every byte, also where the buffer turns into (and grows as)
// a mapping of its own, and reserved room is kept.
struct GrowthCase {
  const char* Name;
  std::size_t Reserve;  // 0: none
  std::size_t Bytes;
};

void PrintTo(const GrowthCase& C, std::ostream* Os) { *Os << C.Name; }

class TextBufferGrowth : public testing::TestWithParam<GrowthCase> {};

TEST_P(TextBufferGrowth, KeepsEveryByte) {
  TTextBuffer B;
  if (GetParam().Reserve > 0) {
    B.Reserve(GetParam().Reserve);
    EXPECT_GE(B.Capacity(), GetParam().Reserve);
  }
  std::string Expected;
  std::size_t Step = 1;
  while (Expected.size() < GetParam().Bytes) {
    std::string Piece(Step, static_cast<char>('a' + Expected.size() % 26));
    B.Append(Piece.data(), Piece.size());
    B.PushBack('|');
    Expected += Piece + '|';
    Step = Step * 3 % 70001 + 1;
  }
  EXPECT_EQ(B.Size(), Expected.size());
  EXPECT_TRUE(B.View() == Expected);
  EXPECT_GE(B.Capacity(), B.Size());
}

INSTANTIATE_TEST_SUITE_P(Sizes, TextBufferGrowth,
                         testing::Values(GrowthCase{"Small", 0, 1000},
                                         GrowthCase{"PastMappingSize", 0, 9u << 20},
                                         GrowthCase{"ReservedSmallGrowsLarge", 100, 6u << 20},
                                         GrowthCase{"ReservedLargeGrowsFurther", 5u << 20,
                                                    12u << 20}), ByName());

}  // namespace
