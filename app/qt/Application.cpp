#include "app/qt/Application.h"

#include <QSocketNotifier>

#include <exception>
#include <utility>

#include "app/ErrorReport.h"
#include "platform/StopRequests.h"
#include "ui/qt/QtMessageBox.h"
#include "ui/qt/QtText.h"

namespace {

void DefaultErrorBox(const QString& Caption, const QString& Text) { ShowErrorBox(Caption, Text); }

TErrorBoxFunc& ErrorBox() {
  static TErrorBoxFunc box = DefaultErrorBox;
  return box;
}

}  // namespace

TErrorBoxFunc SetErrorReportBox(TErrorBoxFunc Box) {
  return std::exchange(ErrorBox(), Box ? std::move(Box) : TErrorBoxFunc(DefaultErrorBox));
}

void ShowErrorReport(const std::string& Message) {
  ErrorBox()(QCoreApplication::applicationName(), ToQString(ErrorReportText(Message)));
}

bool WatchStopRequests(QObject* Context, std::function<void()> OnRequest) {
  const int handle = platform::StopRequests::Catch();
  if (handle == -1) return false;
  auto* notifier = new QSocketNotifier(handle, QSocketNotifier::Read, Context);
  QObject::connect(notifier, &QSocketNotifier::activated, Context, [OnRequest] {
    if (platform::StopRequests::Take()) OnRequest();
  });
  return true;
}

TPagetrimApplication::TPagetrimApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TPagetrimApplication::notify(QObject* Receiver, QEvent* Event) {
  bool handled = false;
  CatchErrors([&] { handled = QApplication::notify(Receiver, Event); }, ShowErrorReport);
  return handled;
}
