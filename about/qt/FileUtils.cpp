#include "about/qt/FileUtils.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include "ui/qt/QtText.h"

namespace {

// An address starts with a scheme of two or more characters and a colon, so
// that a drive letter (C:) never counts as one.
bool HasScheme(const QString& Text) {
  static const QRegularExpression Scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.\\-]+:"));
  return Scheme.match(Text).hasMatch();
}

void RunRequest(const TShellRequest& Request) {
  if (!Request.Program.isEmpty())
    QProcess::startDetached(Request.Program, Request.Arguments, Request.WorkingDirectory);
  else if (Request.Url.isValid())
    QDesktopServices::openUrl(Request.Url);
}

TShellHandler& Handler() {
  static TShellHandler Current = RunRequest;
  return Current;
}

}  // namespace

TShellRequest ShellRequest(const std::string& FileName, const std::string& Parameters,
                           const std::string& Directory) {
  TShellRequest Request;
  if (FileName.empty()) return Request;
  const QString Name = ToQString(FileName);
  if (HasScheme(Name)) {
    Request.Url = QUrl(Name, QUrl::TolerantMode);
    return Request;
  }
  const QString Folder = Directory.empty() ? QDir::currentPath() : ToQString(Directory);
  const QString Path = QDir::cleanPath(QDir(Folder).absoluteFilePath(Name));
  const QFileInfo Info(Path);
  if (Info.isFile() && Info.isExecutable()) {
    Request.Program = Path;
    Request.Arguments = QProcess::splitCommand(ToQString(Parameters));
    Request.WorkingDirectory = Directory.empty() ? QString() : Folder;
    return Request;
  }
  Request.Url = QUrl::fromLocalFile(Path);
  return Request;
}

TShellHandler SetShellHandler(TShellHandler NewHandler) {
  TShellHandler Previous = std::move(Handler());
  Handler() = NewHandler ? std::move(NewHandler) : TShellHandler(RunRequest);
  return Previous;
}

void OpenWithShell(const std::string& FileName, const std::string& Parameters,
                   const std::string& Directory, int /*ShowCommand*/) {
  const TShellRequest Request = ShellRequest(FileName, Parameters, Directory);
  if (Request.Program.isEmpty() && !Request.Url.isValid()) return;
  Handler()(Request);
}
