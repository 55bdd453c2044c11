// The program's entry: version, application, title, icon, the single
// instance guard, the main window, the message loop, shut-down (also when
// the system asks the program to end).

#include <memory>

#include "about/VersionInfo.h"
#include "app/MainLogic.h"
#include "app/qt/Application.h"
#include "app/qt/CheckRunning.h"
#include "app/qt/Main.h"
#include "platform/StopRequests.h"
#include "ui/qt/QtPictures.h"

int main(int argc, char** argv) {
  ProgramVersion();  // read once, at start-up

  TPagetrimApplication app(argc, argv);
  // A log-off, a closed terminal or Ctrl+C ends the program as its
  // "&Close" would, settings saved; requests made before the window is up
  // wait for it.
  platform::StopRequests::Catch();
  QCoreApplication::setOrganizationName(QString::fromLatin1(SSettingsOrganization));
  QCoreApplication::setApplicationName(QString::fromLatin1(SApplicationTitle));
  QApplication::setWindowIcon(ProgramIcon());

  TInstanceGuard guard;
  if (guard.Check(SApplicationTitle) == TInstanceGuard::TRole::Second) return 0;

  auto form = std::make_unique<THTMLMainForm>();
  THTMLMainForm* window = form.get();
  WatchStopRequests(window, [window] { window->Presenter().RequestEnd(); });
  form->show();
  guard.Listen(form.get());
  app.exec();

  form.reset();  // saves the remembered paths
  return 0;
}
