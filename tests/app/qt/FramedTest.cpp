// The rules about the window manager's frame, minimising and maximising,
// tried on a real X server with a window manager (FramedMain.cpp).

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>
#include <regex>
#include <utility>
#include <string>

#include "about/qt/About.h"
#include "app/qt/CheckRunning.h"
#include "app/qt/Main.h"
#include "dialogs/qt/BrowseFolderDlg.h"
#include "dialogs/qt/FolderBrowserDialog.h"
#include "support/Process.h"
#include "support/XServer.h"
#include "support/qt/GuiTest.h"
#include "ui/Placement.h"

using namespace testsupport;

extern testsupport::XServer* TheDisplay;

namespace {

// The frame of the shown top-level Window as the window system has it now
// (QWidget::frameGeometry is brought up to date only when the window moves).
QRect FrameOf(const QWidget* Window) { return Window->windowHandle()->frameGeometry(); }

// What the X server and the window manager say of Window, for a failure.
std::string WindowReport(const QWidget* Window) {
  const std::string id = std::to_string(Window->winId());
  std::string report = RunProcess("/usr/bin/xwininfo", {"-id", id}).out;
  report = report.substr(report.find("Map State"), 30);
  const std::string props = RunProcess("/usr/bin/xprop", {"-id", id, "WM_STATE", "_NET_WM_STATE", "_NET_FRAME_EXTENTS"}).out;
  return report + " | " + props + " | window manager " + TheDisplay->ManagerState();
}

std::unique_ptr<THTMLMainForm> ShownForm() {
  auto form = std::make_unique<THTMLMainForm>();
  form->AboutBox = [] {};
  form->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()))
      << "window manager " << TheDisplay->ManagerState();
  // The frame comes from the window manager, shortly after.
  EXPECT_TRUE(QTest::qWaitFor([&] { return FrameOf(form.get()).height() > form->height(); }, 5000));
  return form;
}

// What the X server says about the frame of the top-level Window, in the
// screen's own pixels: "left top width height".
std::string ServerFrame(const QWidget* Window) {
  const std::string id = std::to_string(Window->winId());
  const ProcessResult info = RunProcess("/usr/bin/xwininfo", {"-id", id});
  const ProcessResult extents = RunProcess("/usr/bin/xprop", {"-id", id, "_NET_FRAME_EXTENTS"});
  std::smatch m;
  int x = 0, y = 0, w = 0, h = 0, l = 0, r = 0, t = 0, b = 0;
  if (std::regex_search(info.out, m, std::regex("Absolute upper-left X: +(-?\\d+)"))) x = std::stoi(m[1]);
  if (std::regex_search(info.out, m, std::regex("Absolute upper-left Y: +(-?\\d+)"))) y = std::stoi(m[1]);
  if (std::regex_search(info.out, m, std::regex("Width: +(\\d+)"))) w = std::stoi(m[1]);
  if (std::regex_search(info.out, m, std::regex("Height: +(\\d+)"))) h = std::stoi(m[1]);
  if (std::regex_search(extents.out, m, std::regex("= (\\d+), (\\d+), (\\d+), (\\d+)"))) {
    l = std::stoi(m[1]), r = std::stoi(m[2]), t = std::stoi(m[3]), b = std::stoi(m[4]);
  }
  return std::to_string(x - l) + " " + std::to_string(y - t) + " " + std::to_string(w + l + r) +
         " " + std::to_string(h + t + b);
}

// The X server's screen, "width height".
std::string ServerScreen() {
  const ProcessResult info = RunProcess("/usr/bin/xwininfo", {"-root"});
  std::smatch m;
  std::string w = "?", h = "?";
  if (std::regex_search(info.out, m, std::regex("Width: +(\\d+)"))) w = m[1];
  if (std::regex_search(info.out, m, std::regex("Height: +(\\d+)"))) h = m[1];
  return w + " " + h;
}

TEST(FramedWindowTest, F5SpansTheScreenFrameIncludedInTheScreensOwnPixels) {
  TempSettings settings;
  auto form = ShownForm();
  // Where the window manager put it, once it stays there.
  std::string before = ServerFrame(form.get());
  ASSERT_TRUE(QTest::qWaitFor([&] {
    const std::string now = ServerFrame(form.get());
    return std::exchange(before, now) == now;
  }, 5000));
  ASSERT_NE(before.rfind("0 ", 0), 0u) << before;  // not at the left edge yet
  QTest::keyClick(form->Button3, Qt::Key_F5);
  const std::string screen = ServerScreen();
  const std::string width = screen.substr(0, screen.find(' '));
  // Left edge at 0, as wide as the screen; top and height as they were.
  std::smatch m;
  ASSERT_TRUE(std::regex_match(before, m, std::regex("(-?\\d+) (-?\\d+) (\\d+) (\\d+)")));
  const std::string expected = "0 " + m[2].str() + " " + width + " " + m[4].str();
  EXPECT_TRUE(QTest::qWaitFor([&] { return ServerFrame(form.get()) == expected; }, 5000))
      << ServerFrame(form.get()) << " instead of " << expected << " (scale "
      << qEnvironmentVariable("QT_SCALE_FACTOR").toStdString() << ")";
}

// Asks the window manager to minimise Window, as its title bar's button
// would.
bool MinimiseAsAUserWould(const QWidget* Window) {
  return RunProcess("/usr/bin/xdotool", {"windowminimize", "--sync", std::to_string(Window->winId())},
                    ProcessOptions::Within(10))
             .status == 0;
}

TEST(FramedWindowTest, ASecondStartRestoresAMinimisedMaximisedWindowMaximised) {
  TempSettings settings;
  auto form = ShownForm();
  TInstanceGuard guard;
  ASSERT_EQ(guard.Check("Pagetrim"), TInstanceGuard::TRole::First);
  ASSERT_TRUE(guard.Listen(form.get()));
  const QRect normal = form->geometry();
  form->showMaximized();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->width() >= area.width() - 4; }, 5000));
  QTest::qWait(200);  // the window manager's own notes about the change come in meanwhile
  const QRect maximized = form->geometry();
  ASSERT_TRUE(MinimiseAsAUserWould(form.get()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->isMinimized(); }, 5000));

  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(settings.dir.Path()));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  second.setProcessEnvironment(env);
  second.start(QStringLiteral(PAGETRIM_EXE), {});
  ASSERT_TRUE(second.waitForStarted(5000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000));
  EXPECT_EQ(second.exitCode(), 0);

  // Back as it was: maximised, not the designed size.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return !form->isMinimized() && form->isMaximized() && form->geometry() == maximized; },
      5000))
      << form->geometry().width() << " wide, " << normal.width() << " when normal";
  QTest::qWait(300);  // and it stays so
  EXPECT_TRUE(form->isMaximized());
  EXPECT_EQ(form->geometry(), maximized);
}

// Where a frame of Frame's size sits when it is centred on the screen.
QPoint CentredFrame(const QRect& Frame) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const TRect placed = CenterRect({0, 0, Frame.width(), Frame.height()}, screen.width(), screen.height());
  return {screen.left() + placed.Left, screen.top() + placed.Top};
}

TEST(FramedDialogTest, TheAboutBoxCentresItsFrame) {
  TempSettings settings;
  auto form = ShownForm();
  QRect frame;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return FrameOf(box).height() > box->height(); }, 5000))
        << WindowReport(box);
    // The window manager may move the frame once more after it appears
    // (later on a loaded machine): give it the time to settle.
    (void)QTest::qWaitFor([&] { return (frame = FrameOf(box)).topLeft() == CentredFrame(frame); }, 2000);
    box->close();
  });
  ShowAboutBox();
  ASSERT_FALSE(frame.isEmpty());
  EXPECT_EQ(frame.topLeft(), CentredFrame(frame)) << frame.height();
}

std::string Text(const QRect& R) {
  return std::to_string(R.x()) + "," + std::to_string(R.y()) + " " + std::to_string(R.width()) + "x" +
         std::to_string(R.height());
}

TEST(FramedDialogTest, TheFolderBrowserCentresItsFrame) {
  TempSettings settings;
  auto form = ShownForm();
  TBrowseFolderDlg dialog;
  QRect frame, inner;
  QTimer::singleShot(0, [&] {
    TFolderBrowserDialog* box = dialog.DialogHandle();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return FrameOf(box).height() > box->height(); }, 5000))
        << WindowReport(box);
    // As with the About box: the frame may move once more after it appears.
    (void)QTest::qWaitFor([&] { return (frame = FrameOf(box)).topLeft() == CentredFrame(frame); }, 2000);
    inner = box->geometry();
    box->reject();
  });
  dialog.Execute();
  ASSERT_FALSE(frame.isEmpty());
  EXPECT_EQ(frame.topLeft(), CentredFrame(frame)) << Text(frame) << " " << Text(inner) << " wm "
                                                  << TheDisplay->ManagerState();
}

}  // namespace
