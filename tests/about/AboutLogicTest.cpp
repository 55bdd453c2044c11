#include "about/AboutLogic.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "streams/Monitor.h"

namespace {

TVersionPair Pair(unsigned Major, unsigned Minor, unsigned Release, unsigned Build) {
  return {(Major << 16) | Minor, (Release << 16) | Build};
}

TEST(AboutDecisions, TwoDigitText) {
  const std::pair<int, const char*> Cases[] = {{0, "00"},   {7, "07"},   {9, "09"},
                                               {10, "10"},  {12, "12"},  {100, "100"},
                                               {65535, "65535"}, {-1, "-1"}};
  for (const auto& [Value, Text] : Cases) EXPECT_EQ(TwoDigitText(Value), Text) << Value;
}

TEST(AboutDecisions, VersionCaption) {
  const struct {
    const char* Text;
    TVersionPair Version;
    const char* Caption;
  } Cases[] = {
      {"1.2.3 (build 4)", Pair(1, 2, 3, 4), "Version 1.02     3"},
      {"2.0.0 (build 15)", Pair(2, 0, 0, 15), "Version 2.00     0"},
      {"3.10.1 (build 0)", Pair(3, 10, 1, 0), "Version 3.10     1"},
      {"0.9.12 (build 7)", Pair(0, 9, 12, 7), "Version 0.09     12"},
      {"x", Pair(65535, 65535, 65535, 65535), "Version 65535.65535     65535"},
      {"", Pair(1, 2, 3, 4), ""},  // unknown: nothing, whatever the numbers say
  };
  for (const auto& C : Cases) EXPECT_EQ(VersionCaption(C.Text, C.Version), C.Caption);
}

TEST(AboutDecisions, HeightsStackPanelButtonAndForm) {
  const std::pair<int, TAboutHeights> Cases[] = {
      {0, {185, 197, 227}}, {13, {198, 210, 240}}, {52, {237, 249, 279}}};
  for (const auto& [Info, Heights] : Cases) EXPECT_EQ(AboutHeights(4, 8, 176, Info, 26), Heights);
  EXPECT_EQ(AboutHeights(10, 20, 100, 5, 30), (TAboutHeights{126, 156, 196}));
}

// This program has no debug monitor: the box shows its own version and no
// information text.
TEST(AboutDecisions, ThisProgramsContentIsItsVersionWithoutInformationText) {
  ASSERT_EQ(CurrentMonitor(), nullptr);
  EXPECT_EQ(TakeMonitorReport(), "");
  const TAboutContent Content = ProgramAboutContent();
  EXPECT_EQ(Content.VersionText, TEST_VERSION_TEXT);
  EXPECT_EQ(Content.ProductVersion.Ms, TEST_VERSION_MS);
  EXPECT_EQ(Content.ProductVersion.Ls, TEST_VERSION_LS);
  EXPECT_EQ(Content.InfoText, "");
}

}  // namespace
