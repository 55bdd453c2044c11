#include "ui/Placement.h"

#include <gtest/gtest.h>

namespace {

TEST(PlacementTest, ClampsRightLeftBottomTopInThatOrder) {
  const struct {
    TRect Rect, Clamped;
  } Cases[] = {
      {{10, 20, 110, 220}, {10, 20, 110, 220}},    {{750, 10, 850, 110}, {700, 10, 800, 110}},
      {{-30, -7, 70, 93}, {0, 0, 100, 100}},       {{10, 550, 110, 650}, {10, 500, 110, 600}},
      {{100, 10, 1100, 110}, {0, 10, 1000, 110}},  {{-300, 10, 700, 110}, {0, 10, 1000, 110}},
      {{10, 50, 110, 750}, {10, 0, 110, 700}},
  };
  for (const auto& C : Cases) EXPECT_EQ(ClampToScreen(C.Rect, 800, 600), C.Clamped) << C.Rect.Left;
}

TEST(PlacementTest, CentresHalvingTowardZero) {
  const struct {
    TRect Rect;
    int Width, Height;
    TRect Centred;
  } Cases[] = {
      {{700, -40, 900, 60}, 800, 600, {300, 250, 500, 350}},
      {{0, 0, 201, 101}, 800, 600, {299, 249, 500, 350}},
      // -5 halves to -2, which the clamp moves to 0.
      {{0, 0, 805, 605}, 800, 600, {0, 0, 805, 605}},
      {{0, 0, 1000, 100}, 800, 600, {0, 250, 1000, 350}},
      {{0, 0, 100, 700}, 800, 600, {350, 0, 450, 700}},
      {{0, 0, 0, 0}, 801, 601, {400, 300, 400, 300}},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(CenterRect(C.Rect, C.Width, C.Height), C.Centred) << C.Rect.Right;
}

TEST(PlacementTest, ScalesDesignedPixelsToTheScreensDensity) {
  const struct {
    int Pixels, Dpi, Scaled;
  } Cases[] = {
      {389, 96, 389}, {389, 120, 486},  // 486.25
      {188, 120, 235}, {8, 144, 12},     {25, 120, 31},  // 31.25
      {2, 72, 2},                                        // 1.5 rounds up
      {-11, 120, -14},                                   // -13.75
      {-2, 72, -2},                                      // -1.5 rounds away from zero
      {0, 192, 0},      {381, 192, 762},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(ScaledPixels(C.Pixels, C.Dpi), C.Scaled) << C.Pixels << " at " << C.Dpi;
}

}  // namespace
