#pragma once

// Where windows go on the screen: the arithmetic every window shares,
// whatever toolkit draws it.

// A window rectangle in screen pixels: right and bottom are exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TRect&) const = default;
};

// Shifts Rect, keeping its size, into a screen of ScreenWidth x ScreenHeight:
// first its right edge, then its left, then its bottom, then its top. A
// rectangle larger than the screen ends with its left or top edge at 0.
TRect ClampToScreen(TRect Rect, int ScreenWidth, int ScreenHeight);

// Centres Rect on a screen of ScreenWidth x ScreenHeight (the differences
// halved toward zero) and clamps it to the screen.
TRect CenterRect(const TRect& Rect, int ScreenWidth, int ScreenHeight);

// The pixel density windows are designed for, in pixels per inch.
inline constexpr int kDesignedDpi = 96;

// A designed length of Pixels (at kDesignedDpi) on a screen of Dpi pixels
// per inch, rounded to the nearest pixel (halves away from zero).
int ScaledPixels(int Pixels, int Dpi);
