#pragma once

// The folder browser's decisions, free of any window: what each browse kind
// lets the user confirm, how a chosen path is trimmed, when OK may be
// pressed, where the dialog and its Help button go, and the application's
// help facility. TBrowseFolderDlg (qt/ and, on Windows, win32/) takes them
// from here.

#include <cstdint>
#include <functional>
#include <string>

#include "ui/Placement.h"

// What the tree shows and what a confirmed choice yields.
enum TBrowseKind : std::uint8_t {
  bkDesktop = 0,     // the user's desktop folder on top of the whole tree; a path
  bkMyComputer = 1,  // the file system root and the mounted drives; a path
  bkComputers = 2,   // the computers the system knows; a computer's name
};

// Where the dialog appears.
enum TDialogPosition : std::uint8_t {
  dpDefault = 0,       // where the toolkit puts it
  dpScreenCenter = 1,  // centred on the primary screen
};

// What the folder tree lets the user confirm. The Windows shell's header
// defines the same names, with the same values, as macros.
#ifndef BIF_RETURNONLYFSDIRS
inline constexpr std::uint32_t BIF_RETURNONLYFSDIRS = 0x0001;   // items with a path only
inline constexpr std::uint32_t BIF_RETURNFSANCESTORS = 0x0008;  // and what holds them
inline constexpr std::uint32_t BIF_BROWSEFORCOMPUTER = 0x1000;  // computers only
#endif

// The browse flags of Kind: computers for bkComputers, folders otherwise.
std::uint32_t BrowseFlags(TBrowseKind Kind);

// A help topic number; 0 means none.
using THelpContext = std::int32_t;

// Drops one trailing Delimiter from Path, except from a lone delimiter and,
// with the backslash, from a drive root such as C:\.
std::string TrimFolderPath(const std::string& Path, char Delimiter);
// TrimFolderPath with the platform's path delimiter.
std::string TrimFolderPath(const std::string& Path);

// True when Path names an existing directory (following symbolic links).
bool DirectoryExists(const std::string& Path);

// Where the Help button goes: at x = 12, with the top edge, width and height
// of the dialog's first button.
TRect HelpButtonRect(const TRect& FirstButton);

// The application's help facility: shows help topic Context through the
// handler the program installed. False when there is none.
using THelpHandler = std::function<void(THelpContext Context)>;
THelpHandler SetHelpHandler(THelpHandler Handler);  // returns the previous one
bool ShowHelpContext(THelpContext Context);
