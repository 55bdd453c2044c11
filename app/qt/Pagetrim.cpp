// The program's entry: version, application, title, icon, the single
// instance guard, the main window, the message loop, shut-down.

#include <memory>

#include "about/VersionInfo.h"
#include "app/qt/Application.h"
#include "app/qt/CheckRunning.h"
#include "app/qt/Main.h"
#include "app/MainLogic.h"
#include "app/qt/ProgramIcon.h"

int main(int argc, char** argv) {
  LoadProgramVersion();

  TPagetrimApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QString::fromLatin1(SSettingsOrganization));
  QCoreApplication::setApplicationName(QString::fromLatin1(SApplicationTitle));
  QApplication::setWindowIcon(ProgramIcon());

  TInstanceGuard guard;
  if (guard.Check(SApplicationTitle) == TInstanceGuard::TRole::Second) return 0;

  auto form = std::make_unique<THTMLMainForm>();
  form->show();
  guard.Listen(form.get());
  app.exec();

  form.reset();  // saves the remembered paths
  return 0;
}
