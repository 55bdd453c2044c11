#include "ui/qt/QtScreen.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "ui/Placement.h"

namespace {

// The frame around Window as far as the system has told: nothing before
// the window manager has framed it (and nothing while what it tells is
// still half done: a frame smaller than the window).
QMargins FrameOf(const QWidget* Window) {
  // The window's own account is the fresh one: the widget's is brought up
  // to date only when the window moves.
  const QWindow* Handle = Window->windowHandle();
  const QRect Frame = Handle ? Handle->frameGeometry() : Window->frameGeometry();
  const QRect Inner = Handle ? Handle->geometry() : Window->geometry();
  const QMargins Margins(Inner.left() - Frame.left(), Inner.top() - Frame.top(),
                         Frame.right() - Inner.right(), Frame.bottom() - Inner.bottom());
  if (Margins.left() < 0 || Margins.top() < 0 || Margins.right() < 0 || Margins.bottom() < 0)
    return {};
  return Margins;
}

// The frame the window manager puts around the program's other windows:
// the best guess for a window it has not framed yet.
QMargins FrameOfOthers(const QWidget* Except) {
  for (const QWidget* Other : QApplication::topLevelWidgets())
    if (Other != Except && Other->isVisible() && !FrameOf(Other).isNull()) return FrameOf(Other);
  return {};
}

// Centres Window with its frame taken to be Margins.
void CenterWith(QWidget* Window, const QMargins& Margins) {
  const QScreen* Screen = QGuiApplication::primaryScreen();
  const QRect Area = Screen->geometry();
  const QRect Frame = Window->geometry().marginsAdded(Margins);
  const TRect Placed = CenterRect({0, 0, Frame.width(), Frame.height()}, Area.width(), Area.height());
  // Where the inside of the window goes; move() takes what pos() gives,
  // which is where the system has the frame.
  const QPoint Inside(Area.left() + Placed.Left + Margins.left(),
                      Area.top() + Placed.Top + Margins.top());
  Window->move(Inside - (Window->geometry().topLeft() - Window->pos()));
}

// Centres a window again once the window manager has framed it, if the
// frame is not the one it was centred with. The frame may come without the
// window moving (when only its bottom differs from the guess), so it is
// looked at as the window moves and every few milliseconds. The watch lets
// go after a second, so that it never moves a window the user has moved.
class TFrameWatch : public QObject {
public:
  TFrameWatch(QWidget* Window, const QMargins& Used) : QObject(Window), window_(Window), used_(Used) {
    Window->installEventFilter(this);
    auto* Poll = new QTimer(this);
    connect(Poll, &QTimer::timeout, this, &TFrameWatch::Check);
    Poll->start(10);
    QTimer::singleShot(1000, this, [this] { deleteLater(); });
  }

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Watched == window_ && (Event->type() == QEvent::Move || Event->type() == QEvent::Resize))
      Check();
    return QObject::eventFilter(Watched, Event);
  }

private:
  void Check() {
    if (!window_ || done_) return;
    const QMargins Frame = FrameOf(window_);
    if (Frame.isNull()) return;
    done_ = true;
    if (Frame != used_) CenterWith(window_, Frame);
    deleteLater();
  }

  QPointer<QWidget> window_;
  QMargins used_;
  bool done_ = false;
};

}  // namespace

void CenterOnScreen(QWidget* Window) {
  if (!Window || !QGuiApplication::primaryScreen()) return;
  QMargins Margins = FrameOf(Window);
  const bool Framed = !Margins.isNull();
  if (!Framed) Margins = FrameOfOthers(Window);
  CenterWith(Window, Margins);
  if (!Framed) new TFrameWatch(Window, Margins);
}
