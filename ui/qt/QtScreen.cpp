#include "ui/qt/QtScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "ui/Placement.h"

void CenterOnScreen(QWidget* Window) {
  const QScreen* Screen = QGuiApplication::primaryScreen();
  if (!Window || !Screen) return;
  const QRect Area = Screen->geometry();
  const QRect Frame = Window->frameGeometry();
  const TRect Placed = CenterRect({Frame.left() - Area.left(), Frame.top() - Area.top(),
                                   Frame.left() - Area.left() + Frame.width(),
                                   Frame.top() - Area.top() + Frame.height()},
                                  Area.width(), Area.height());
  Window->move(Area.left() + Placed.Left, Area.top() + Placed.Top);
}
