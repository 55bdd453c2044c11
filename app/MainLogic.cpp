#include "app/MainLogic.h"

#include <algorithm>

#include "app/SourceList.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"
#include "streams/Utils.h"

TMainLayout MainLayout(int ClientWidth) {
  TMainLayout l;
  l.EditWidth = std::max(0, ClientWidth - kEditLeft - kPickerLeft);
  l.CloseLeft = ClientWidth - kCloseWidth - kPickerLeft;
  return l;
}

TKeyAction KeyAction(int VirtualKey, bool PickersEnabled, bool Maximized) {
  switch (VirtualKey) {
    case VK_F2:
      return PickersEnabled ? TKeyAction::ChooseDestination : TKeyAction::None;
    case VK_F3:
      return PickersEnabled ? TKeyAction::ChooseSources : TKeyAction::None;
    case VK_F5:
    case VK_F6:
      return Maximized ? TKeyAction::None : TKeyAction::SpanScreen;
    case VK_RETURN:
      return TKeyAction::PressFocusedButton;
    default:
      return TKeyAction::None;
  }
}

TMainControl FocusAfterRun(TMainControl AtStart) {
  return AtStart == TMainControl::None ? TMainControl::Go : AtStart;
}

std::string SourceDialogFolder(const std::string& Sources, const std::string& CurrentFolder) {
  if (Sources.empty()) return CurrentFolder;
  const std::string first = TSourceList(Sources).Entries().front();
  // Windows paths also end a drive part with a colon ("C:a.htm").
  std::string delimiters(1, platform::PathDelimiter());
  if (platform::PathDelimiter() == '\\') delimiters += ':';
  const std::size_t cut = first.find_last_of(delimiters);
  return cut == std::string::npos ? std::string() : first.substr(0, cut + 1);
}

std::string BrowseStartFolder(const std::string& Destination) {
  if (Destination.size() > 1 && Destination.back() == platform::PathDelimiter())
    return Destination.substr(0, Destination.size() - 1);
  return Destination;
}

namespace {

// Closes the store when it goes out of scope.
struct StoreCloser {
  platform::SettingsStore& store;
  ~StoreCloser() { store.Close(); }
};

void ReadValue(platform::SettingsStore& Store, const char* Name, std::string& Field) {
  std::string value;
  switch (Store.ReadString(Name, &value)) {
    case platform::SettingsStore::ReadResult::Ok:
      Field = value;
      break;
    case platform::SettingsStore::ReadResult::Missing:
      break;
    case platform::SettingsStore::ReadResult::WrongType:
      throw Exception(Format(SInvalidDataType, {Name}));
    case platform::SettingsStore::ReadResult::Failed:
      throw Exception(Format(SFailedToGetData, {Name}));
  }
}

}  // namespace

void LoadSettings(platform::SettingsStore& Store, TRememberedPaths& Paths) {
  if (!Store.Open()) return;
  StoreCloser closer{Store};
  ReadValue(Store, SInputPath, Paths.InputPath);
  ReadValue(Store, SOutputPath, Paths.OutputPath);
}

void SaveSettings(platform::SettingsStore& Store, const TRememberedPaths& Paths) {
  if (!Store.Open()) return;
  StoreCloser closer{Store};
  if (!Store.WriteString(SInputPath, Paths.InputPath))
    throw Exception(Format(SFailedToSetData, {SInputPath}));
  if (!Store.WriteString(SOutputPath, Paths.OutputPath))
    throw Exception(Format(SFailedToSetData, {SOutputPath}));
}
