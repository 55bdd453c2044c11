#include "dialogs/BrowseFolderLogic.h"

#include "platform/FileEnv.h"
#include "platform/FileIdentity.h"

std::uint32_t BrowseFlags(TBrowseKind Kind) {
  return Kind == bkComputers ? BIF_BROWSEFORCOMPUTER
                             : BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
}

std::string TrimFolderPath(const std::string& Path, char Delimiter) {
  if (Path.size() < 2 || Path.back() != Delimiter) return Path;
  if (Delimiter == '\\' && Path.size() == 3 && Path[1] == ':') {
    const char Drive = Path[0];
    if ((Drive >= 'A' && Drive <= 'Z') || (Drive >= 'a' && Drive <= 'z')) return Path;
  }
  return Path.substr(0, Path.size() - 1);
}

std::string TrimFolderPath(const std::string& Path) {
  return TrimFolderPath(Path, platform::PathDelimiter());
}

bool DirectoryExists(const std::string& Path) {
  // A name with a NUL in it would name a shorter path to the system.
  if (Path.empty() || Path.find('\0') != std::string::npos) return false;
  return platform::IsDirectory(Path);
}

TRect HelpButtonRect(const TRect& FirstButton) {
  const int Width = FirstButton.Right - FirstButton.Left;
  const int Height = FirstButton.Bottom - FirstButton.Top;
  return {12, FirstButton.Top, 12 + Width, FirstButton.Top + Height};
}

namespace {

THelpHandler& HelpHandler() {
  static THelpHandler Handler;
  return Handler;
}

}  // namespace

THelpHandler SetHelpHandler(THelpHandler Handler) {
  THelpHandler Previous = std::move(HelpHandler());
  HelpHandler() = std::move(Handler);
  return Previous;
}

bool ShowHelpContext(THelpContext Context) {
  if (!HelpHandler()) return false;
  HelpHandler()(Context);
  return true;
}
