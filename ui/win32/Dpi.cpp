#include "ui/win32/Dpi.h"

#include <windows.h>

#include "ui/Placement.h"

int ScreenDpi() {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return kDesignedDpi;
    const int value = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return value > 0 ? value : kDesignedDpi;
  }();
  return dpi;
}

int Scaled(int DesignedPixels) { return ScaledPixels(DesignedPixels, ScreenDpi()); }
