#pragma once

// Opening documents and addresses through the desktop shell.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <string>

// What the shell is asked to do: start Program with Arguments in
// WorkingDirectory, or, when Program is empty, open Url with the program the
// desktop associates with it. An empty request does nothing.
struct TShellRequest {
  QUrl Url;
  QString Program;
  QStringList Arguments;
  QString WorkingDirectory;
};

// Turns the shell's open of FileName into a request. FileName is an address
// with a scheme (https:, mailto:, file:, ...) or a path, a relative one
// taken from Directory (or from the current folder when Directory is
// empty). A path to an executable file starts that program with Parameters,
// split at blanks with double quotes grouping words; anything else is opened
// as a document, and Parameters do not apply to it.
TShellRequest ShellRequest(const std::string& FileName, const std::string& Parameters,
                           const std::string& Directory);

// Carries a request out. The default one starts the program detached or
// hands the address to QDesktopServices; tests put a recorder here.
using TShellHandler = std::function<void(const TShellRequest& Request)>;
TShellHandler SetShellHandler(TShellHandler Handler);  // returns the previous one

// Opens FileName through the shell and ignores the outcome, as a link does.
// ShowCommand (the window state asked for the opened program, SW_SHOW = 5)
// has no counterpart in the desktop services and is not used.
void OpenWithShell(const std::string& FileName, const std::string& Parameters,
                   const std::string& Directory, int ShowCommand);
