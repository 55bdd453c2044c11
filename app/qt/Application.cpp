#include "app/Application.h"

#include <QFile>
#include <QMessageBox>

#include <exception>

#include "app/ErrorReport.h"

namespace {

void DefaultErrorBox(const QString& Caption, const QString& Text) {
  QMessageBox::critical(nullptr, Caption, Text, QMessageBox::Ok);
}

TErrorBoxFunc& ErrorBox() {
  static TErrorBoxFunc box = DefaultErrorBox;
  return box;
}

}  // namespace

TErrorBoxFunc SetErrorReportBox(TErrorBoxFunc Box) {
  TErrorBoxFunc previous = ErrorBox();
  ErrorBox() = Box ? std::move(Box) : TErrorBoxFunc(DefaultErrorBox);
  return previous;
}

void ShowErrorReport(const std::string& Message) {
  const QByteArray text = QByteArray::fromStdString(ErrorReportText(Message));
  ErrorBox()(QCoreApplication::applicationName(), QFile::decodeName(text));
}

TPagetrimApplication::TPagetrimApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TPagetrimApplication::notify(QObject* Receiver, QEvent* Event) {
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& e) {
    ShowErrorReport(e.what());
  } catch (...) {
    ShowErrorReport("");
  }
  return false;
}
