#pragma once

// The application object: a QApplication whose event dispatch reports
// every error that escapes a handler and then goes on.

#include <QApplication>
#include <QString>

#include <functional>
#include <string>

#include "app/ErrorReport.h"
#include "app/MainLogic.h"

class TPagetrimApplication : public QApplication {
  Q_OBJECT

public:
  TPagetrimApplication(int& argc, char** argv);

  bool notify(QObject* Receiver, QEvent* Event) override;
};

// Shows Message (bytes, as errors carry them) in the default error report: a
// modal critical box captioned with the application title, with the full
// stop rule applied.
void ShowErrorReport(const std::string& Message);

// Runs Handler and shows any error that escapes it in the default error
// report. Handlers are wrapped in it where they are connected, so that no
// exception has to unwind through the toolkit's own frames; notify() above
// stays as the last net.
template <class F>
void ReportErrors(F&& Handler) {
  CatchErrors(Handler, ShowErrorReport);
}

// From now on, the system's requests to end the program (on POSIX the
// signals SIGTERM, SIGHUP and SIGINT) no longer end it at once: each one
// runs OnRequest in the event loop, while Context lives. False when they
// cannot be caught.
bool WatchStopRequests(QObject* Context, std::function<void()> OnRequest);

// What ShowErrorReport calls to show its box; tests put a recorder here.
// Process state on purpose: an error may escape any event handler of any
// window, and all of them report it the same way.
using TErrorBoxFunc = std::function<void(const QString& Caption, const QString& Text)>;
TErrorBoxFunc SetErrorReportBox(TErrorBoxFunc Box);
