#include "ui/win32/Screen.h"

#include "ui/Placement.h"

void CenterOnScreen(HWND Window) {
  RECT Bounds;
  if (!::GetWindowRect(Window, &Bounds)) return;
  const TRect Centred =
      CenterRect({Bounds.left, Bounds.top, Bounds.right, Bounds.bottom},
                 ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  ::SetWindowPos(Window, nullptr, Centred.Left, Centred.Top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
