#include "ui/win32/Screen.h"

#include "ui/Placement.h"

void CenterOnScreen(HWND Window) {
  RECT r;
  if (!GetWindowRect(Window, &r)) return;
  const TRect placed = CenterRect({r.left, r.top, r.right, r.bottom},
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(Window, nullptr, placed.Left, placed.Top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
