#include "app/MainLogic.h"

#include <algorithm>
#include <utility>

#include "app/SourceList.h"
#include "app/TreeWalk.h"
#include "platform/FileEnv.h"
#include "platform/FileIdentity.h"
#include "streams/Streams.h"
#include "streams/Utils.h"

TMainLayout MainLayout(int ClientWidth) {
  return MainLayout(ClientWidth, kPickerLeft, kEditLeft, kCloseWidth);
}

TMainLayout MainLayout(int ClientWidth, int PickerLeft, int EditLeft, int CloseWidth) {
  return {std::max(0, ClientWidth - EditLeft - PickerLeft), ClientWidth - CloseWidth - PickerLeft};
}

TRect SpanScreenFrame(const TRect& Frame, const TRect& Screen) {
  return {Screen.Left, Frame.Top, Screen.Right, Frame.Bottom};
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

std::string ChosenSourceList(const std::vector<std::string>& Files) {
  if (const std::string* refused = TSourceList::FirstRefused(Files))
    throw Exception(Format(SPathWithSeparator, {*refused}));
  return TSourceList::FromFiles(Files)->Text();
}

std::string BrowseStartFolder(const std::string& Destination) {
  if (Destination.size() > 1 && Destination.back() == platform::PathDelimiter())
    return Destination.substr(0, Destination.size() - 1);
  return Destination;
}

bool IsSourceDocument(const std::string& FileName) {
  // A bare extension such as ".htm" names no document.
  if (FileName.empty() || (FileName[0] == '.' && FileName.find('.', 1) == std::string::npos))
    return false;
  for (const std::string& pattern : DefaultPatterns())
    if (MatchGlob(pattern, FileName)) return true;
  return false;
}

std::string SourceListHint(const std::string& Sources, std::size_t MaxLines) {
  if (Sources.empty()) return {};
  const TSourceList list(Sources);
  const std::vector<std::string>& entries = list.Entries();
  std::string hint = std::to_string(entries.size()) + (entries.size() == 1 ? " file:" : " files:");
  const std::size_t shown = std::min(entries.size(), MaxLines);
  for (std::size_t i = 0; i < shown; ++i) hint += "\n" + entries[i];
  if (shown < entries.size()) hint += "\n... and " + std::to_string(entries.size() - shown) + " more";
  return hint;
}

TDroppedItem FindDroppedItem(const std::string& Path) {
  if (platform::IsDirectory(Path)) return {Path, TDroppedItem::Folder};
  return {Path, platform::IdentifyFile(Path) ? TDroppedItem::File : TDroppedItem::Missing};
}

TDropAction DropAction(const std::vector<TDroppedItem>& Items, bool OnDestinationField, bool Busy) {
  if (Busy || Items.empty()) return {};
  if (Items.size() == 1 && Items[0].Kind == TDroppedItem::Folder)
    return OnDestinationField
               ? TDropAction{TDropAction::Destination, BrowseStartFolder(Items[0].Path)}
               : TDropAction{};
  std::vector<std::string> files;
  for (const TDroppedItem& item : Items) {
    const std::size_t cut = item.Path.find_last_of(platform::PathDelimiter());
    const std::string name = cut == std::string::npos ? item.Path : item.Path.substr(cut + 1);
    if (item.Kind != TDroppedItem::File || !IsSourceDocument(name)) return {};
    files.push_back(item.Path);
  }
  if (const std::string* bad = TSourceList::FirstRefused(files))
    return {TDropAction::Refused, *bad};
  return {TDropAction::Sources, TSourceList::FromFiles(files)->Text()};
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
  for (const auto& [name, value] :
       {std::pair{SInputPath, &Paths.InputPath}, {SOutputPath, &Paths.OutputPath}})
    if (!Store.WriteString(name, *value)) throw Exception(Format(SFailedToSetData, {name}));
}
