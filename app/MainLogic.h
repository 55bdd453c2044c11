#pragma once

// The main window's decisions, free of any window: layout arithmetic, the
// function keys, the pickers' path rules and the remembered settings.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/SettingsStore.h"
#include "ui/Placement.h"

// The program's title: the application window's caption, the error report's
// caption, the About box's product name and the single-instance name.
inline constexpr char SApplicationTitle[] = "Pagetrim";

// ---- Layout

// The designed client area (of a 389 x 188 outer window).
inline constexpr int kDesignedClientWidth = 381;
inline constexpr int kDesignedClientHeight = 161;

// Designed positions of the controls the layout moves.
inline constexpr int kPickerLeft = 8;   // BitBtn1's left
inline constexpr int kEditLeft = 40;    // Edit1's left
inline constexpr int kCloseWidth = 75;  // Button2's width

struct TMainLayout {
  int EditWidth;  // Edit1 and Edit2
  int CloseLeft;  // Button2
};

// The layout for a client area ClientWidth pixels wide: the fields end and
// "&Close" ends as far from the right edge as the pickers start from the
// left one. Widths never go below 0.
TMainLayout MainLayout(int ClientWidth);

// Where F5 and F6 put the window: its frame (decoration included) from the
// screen's left edge across the screen's whole width; top and height stay.
// In the screen's device pixels, where nothing is rounded.
TRect SpanScreenFrame(const TRect& Frame, const TRect& Screen);

// The same for controls that are not at their designed places (a window
// scaled for the screen's pixel density): BitBtn1's left PickerLeft,
// Edit1's left EditLeft and Button2's width CloseWidth.
TMainLayout MainLayout(int ClientWidth, int PickerLeft, int EditLeft, int CloseWidth);

// ---- Keys

enum class TKeyAction { None, ChooseDestination, ChooseSources, SpanScreen, PressFocusedButton };

// The virtual-key codes of the keys handled (windows.h has the same as
// macros).
#ifndef VK_F2
inline constexpr int VK_RETURN = 0x0D;  // Return and the keypad's Enter
inline constexpr int VK_F2 = 0x71;
inline constexpr int VK_F3 = 0x72;
inline constexpr int VK_F5 = 0x74;
inline constexpr int VK_F6 = 0x75;
#endif

// What a key does, on its virtual-key code alone (modifiers are not looked
// at): F2 and F3 only while their picker is enabled, F5 and F6 only while
// the window is not maximised. These leave the key to the focused control.
// Enter presses the focused button, if one has the focus, and nothing else:
// no button is the default button. The key goes no further.
TKeyAction KeyAction(int VirtualKey, bool PickersEnabled, bool Maximized);

// ---- Focus

// The window's controls that can hold the focus.
enum class TMainControl {
  None,
  Go,
  SourcePicker,
  DestinationPicker,
  About,
  Close,
  SourceField,
  DestinationField,
};

// The control that gets the focus back when a run ends. The run disables
// "&Go!", "&Close" and the pickers, and the toolkit moves the focus off a
// control it disables, so without this it would end on "&About" (and Space
// would open the About box). The control that had the focus when the run
// started gets it back; "&Go!" when none of the window's controls had it.
TMainControl FocusAfterRun(TMainControl AtStart);

// ---- Pickers

// The folder the source picker starts in for the source list Sources:
// CurrentFolder when the list is empty; else the folder part of its first
// entry (up to and including its last delimiter), which is empty when the
// entry has none (the dialog then starts where it likes).
std::string SourceDialogFolder(const std::string& Sources, const std::string& CurrentFolder);

// What the source picker shows for a chosen path that the source list
// cannot hold (TSourceList::CanHold).
inline constexpr char SPathWithSeparator[] =
    "The file name \"%s\" contains the character '|', which separates the files of the source "
    "list. Rename the file or choose another one.";

// The source list of the files chosen in the source picker, in the
// dialog's order. Raises Exception (SPathWithSeparator) for the first path
// the list cannot hold.
std::string ChosenSourceList(const std::vector<std::string>& Files);

// The folder browser's starting folder for the destination field's text:
// the text with one final delimiter removed. A root keeps its delimiter:
// the file system's root "/" stays "/" (nothing would be left of it), while
// a drive root such as C:\ becomes C:, which still names the drive.
std::string BrowseStartFolder(const std::string& Destination);

// The source picker's filter: its name and its patterns.
inline constexpr char SSourceFilterName[] = "HTML and ASP documents";
inline constexpr char SSourcePatterns[] = "*.htm;*.html;*.asp";

// True for a file name the source picker lists (SSourcePatterns, letter
// case ignored): a page to compact.
bool IsSourceDocument(const std::string& FileName);

// ---- Tool tips

inline constexpr char SSourcePickerHint[] = "Choose source files (F3)";
inline constexpr char SDestinationPickerHint[] = "Choose destination folder (F2)";

// The source field's tool tip for the list Sources, when the field cannot
// show all of it: how many files it holds, then each one on a line of its
// own, at most MaxLines of them, then how many more there are. Empty for an
// empty list.
std::string SourceListHint(const std::string& Sources, std::size_t MaxLines = 25);

// ---- Drops

// A path dropped on the window, as the system found it.
struct TDroppedItem {
  enum TKind { Missing, File, Folder };
  std::string Path;
  TKind Kind = Missing;
};

// Path as the system finds it now: a folder, a file, or missing.
TDroppedItem FindDroppedItem(const std::string& Path);

// What a drop does.
struct TDropAction {
  enum TKind {
    None,         // nothing: the drop is not taken
    Sources,      // Text is the new source list
    Destination,  // Text is the new destination
    Refused,      // Text is a path the source list cannot hold (SPathWithSeparator)
  };
  TKind Kind = None;
  std::string Text;
  bool operator==(const TDropAction&) const = default;
};

// What dropping Items on the window does. Files dropped anywhere set the
// source list as the picker would: documents it lists (IsSourceDocument)
// only, in the order dropped, a path holding '|' refused. One folder
// dropped on the destination field sets the destination (without a final
// delimiter, as the folder browser gives it). Anything else (a folder
// elsewhere, folders with files, other files, missing paths) does nothing,
// and nothing happens at all while a run is busy.
TDropAction DropAction(const std::vector<TDroppedItem>& Items, bool OnDestinationField, bool Busy);

// ---- Remembered settings

inline constexpr char SSettingsOrganization[] = "Brindle";
inline constexpr char SSettingsApplication[] = "Pagetrim";
// The key of both values in the current user's registry hive.
inline constexpr char SSettingsKey[] = "Software\\Brindle\\Pagetrim";
inline constexpr char SInputPath[] = "InputPath";
inline constexpr char SOutputPath[] = "OutputPath";
inline constexpr char SInvalidDataType[] = "Invalid data type for '%s'";
inline constexpr char SFailedToGetData[] = "Failed to get data for '%s'";
inline constexpr char SFailedToSetData[] = "Failed to set data for '%s'";

struct TRememberedPaths {
  std::string InputPath;
  std::string OutputPath;
};

// Loads both values into Paths (a missing value leaves its field as it
// is). A store that cannot be opened is skipped silently. Raises Exception
// with the message for the first value that has a wrong type or cannot be
// read, leaving the values after it unread; the store is closed either way.
void LoadSettings(platform::SettingsStore& Store, TRememberedPaths& Paths);

// Writes both values, always, in order; stops with Exception at the first
// value that cannot be written. The store is closed either way.
void SaveSettings(platform::SettingsStore& Store, const TRememberedPaths& Paths);
