#include "ui/qt/QtNativeGeometry.h"

#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QtGui/private/qwindow_p.h>
#include <QtGui/qpa/qplatformscreen.h>
#include <QtGui/qpa/qplatformwindow.h>

namespace {

QPlatformWindow* PlatformWindow(const QWidget* Window) {
  if (Window == nullptr || Window->windowHandle() == nullptr) return nullptr;
  return Window->windowHandle()->handle();
}

}  // namespace

QRect NativeFrameGeometry(const QWidget* Window) {
  const QPlatformWindow* platform = PlatformWindow(Window);
  if (platform == nullptr) return {};
  return platform->geometry().marginsAdded(platform->frameMargins());
}

QRect NativeScreenGeometry(const QScreen* Screen) {
  if (Screen == nullptr || Screen->handle() == nullptr) return {};
  return Screen->handle()->geometry();
}

void SetNativeFrameGeometry(QWidget* Window, const QRect& Frame) {
  QPlatformWindow* platform = PlatformWindow(Window);
  if (platform == nullptr) return;
  const QRect client = Frame.marginsRemoved(platform->frameMargins());
  // The platform takes the frame's position when the window was last
  // placed by its frame, and the client area's position otherwise.
  const bool byFrame = qt_window_private(Window->windowHandle())->positionPolicy ==
                       QWindowPrivate::WindowFrameInclusive;
  platform->setGeometry(byFrame ? QRect(Frame.topLeft(), client.size()) : client);
}
