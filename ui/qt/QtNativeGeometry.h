#pragma once

// Window and screen geometry in the screen's own device pixels. Qt's
// geometry is in logical pixels, which a fractional scale (QT_SCALE_FACTOR
// 1.5) rounds: a window placed through them can end a pixel or two off
// an edge. These go through Qt's platform layer instead.

#include <QRect>

class QScreen;
class QWidget;

// The shown top-level Window's frame (the window manager's decoration
// included), in device pixels. Empty while it has no platform window.
QRect NativeFrameGeometry(const QWidget* Window);

// Screen's area in device pixels.
QRect NativeScreenGeometry(const QScreen* Screen);

// Places the shown top-level Window so that its frame covers Frame (device
// pixels). Nothing while it has no platform window.
void SetNativeFrameGeometry(QWidget* Window, const QRect& Frame);
