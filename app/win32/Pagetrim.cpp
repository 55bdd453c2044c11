// The program's entry: version, component objects, title, the single
// instance guard, the main window, the message loop, shut-down.

#include <windows.h>
#include <objbase.h>

#include <memory>

#include "about/VersionInfo.h"
#include "app/MainLogic.h"
#include "app/win32/Application.h"
#include "app/win32/CheckRunning.h"
#include "app/win32/Main.h"
#include "ui/win32/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int ShowCommand) {
  ProgramVersion();  // read once, at start-up

  // The folder browser needs a single-threaded apartment.
  const HRESULT com = CoInitialize(nullptr);
  SetApplicationTitle(SApplicationTitle);

  if (CheckRunning(SApplicationTitle, THTMLMainForm::ClassName) == TInstanceRole::Second)
    return 0;

  std::unique_ptr<THTMLMainForm> form;
  if (ReportErrors([&] { form = std::make_unique<THTMLMainForm>(); })) {
    form->Show(ShowCommand);
    RunMessageLoop();
  }
  form.reset();  // a window still there is destroyed, which saves the paths

  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}
