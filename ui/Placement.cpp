#include "ui/Placement.h"

TRect ClampToScreen(TRect Rect, int ScreenWidth, int ScreenHeight) {
  auto ShiftX = [&Rect](int By) {
    Rect.Left += By;
    Rect.Right += By;
  };
  auto ShiftY = [&Rect](int By) {
    Rect.Top += By;
    Rect.Bottom += By;
  };
  if (Rect.Right > ScreenWidth) ShiftX(ScreenWidth - Rect.Right);
  if (Rect.Left < 0) ShiftX(-Rect.Left);
  if (Rect.Bottom > ScreenHeight) ShiftY(ScreenHeight - Rect.Bottom);
  if (Rect.Top < 0) ShiftY(-Rect.Top);
  return Rect;
}

TRect CenterRect(const TRect& Rect, int ScreenWidth, int ScreenHeight) {
  const int Width = Rect.Right - Rect.Left;
  const int Height = Rect.Bottom - Rect.Top;
  // C++ integer division truncates toward zero, as the placement requires.
  const int Left = (ScreenWidth - Width) / 2;
  const int Top = (ScreenHeight - Height) / 2;
  return ClampToScreen({Left, Top, Left + Width, Top + Height}, ScreenWidth, ScreenHeight);
}

int ScaledPixels(int Pixels, int Dpi) {
  const long long product = static_cast<long long>(Pixels) * Dpi;
  const long long half = kDesignedDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDesignedDpi
                                       : (product - half) / kDesignedDpi);
}
