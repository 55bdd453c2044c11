#include "app/win32/OpenDialog.h"

#include <cderr.h>

#include <algorithm>

#include "app/MainLogic.h"
#include "streams/Streams.h"

namespace {

// Folder followed by Name, with one backslash between them.
std::string InFolder(const std::string& Folder, const std::string& Name) {
  if (Folder.empty() || Folder.back() == '\\' || Folder.back() == ':') return Folder + Name;
  return Folder + '\\' + Name;
}

// The dialog's filter, the source picker's (SSourceFilterName and
// SSourcePatterns): the description and the patterns, each ended by a NUL,
// and one more NUL at the end of the list.
const char* OpenDialogFilter() {
  // c_str() adds the list's final NUL.
  static const std::string filter = std::string(SSourceFilterName) + '\0' + SSourcePatterns + '\0';
  return filter.c_str();
}

}  // namespace

std::vector<std::string> OpenDialogFiles(const char* List, std::size_t Size) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at < Size && List[at] != '\0') {
    const std::size_t end = std::find(List + at, List + Size, '\0') - List;
    parts.emplace_back(List + at, end - at);
    at = end + 1;
  }
  if (parts.size() <= 1) return parts;  // one file: its full path
  std::vector<std::string> files;
  files.reserve(parts.size() - 1);
  for (std::size_t i = 1; i < parts.size(); ++i) files.push_back(InFolder(parts[0], parts[i]));
  return files;
}

bool SystemOpenDialog(OPENFILENAMEA& Dialog, DWORD* Error) {
  if (GetOpenFileNameA(&Dialog)) return true;
  *Error = CommDlgExtendedError();
  return false;
}

std::optional<std::vector<std::string>> RunOpenDialog(HWND Owner, const std::string& InitialFolder,
                                                      DWORD BufferSize,
                                                      const TShowOpenDialog& Show) {
  std::vector<char> buffer(std::max<DWORD>(BufferSize, 4), '\0');
  for (;;) {
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Owner;
    dialog.lpstrFilter = OpenDialogFilter();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrInitialDir = InitialFolder.empty() ? nullptr : InitialFolder.c_str();
    dialog.lpstrTitle = SOpenDialogTitle;
    dialog.Flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST |
                   OFN_FILEMUSTEXIST | OFN_EXPLORER;
    DWORD error = 0;
    if (Show(dialog, &error)) return OpenDialogFiles(buffer.data(), buffer.size());
    if (error == 0) return std::nullopt;  // cancelled
    if (error != FNERR_BUFFERTOOSMALL)
      throw Exception("The file dialog failed (error " + std::to_string(error) + ")");
    // The first two bytes hold the characters needed, as far as they can
    // count; a larger answer is met by doubling. The dialog then opens
    // again, in the same folder as before.
    const std::size_t needed = static_cast<unsigned char>(buffer[0]) |
                               static_cast<std::size_t>(static_cast<unsigned char>(buffer[1])) << 8;
    buffer.assign(std::max(needed + 2, buffer.size() * 2), '\0');
  }
}
