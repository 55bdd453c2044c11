#pragma once

// TBrowseFolderDlg: a non-visual component that lets the user pick a folder
// (or, when computers are browsed, a computer) from a modal folder tree.
//
// On top of the plain tree it preselects FolderName, can centre the dialog on
// the primary screen, can add a "&Help" button, and keeps the OK button
// enabled only while the selection is an existing directory. The decisions it
// takes are plain functions below, so that they can be checked without a
// dialog on the screen.

#include <QObject>
#include <QPointer>
#include <QPushButton>

#include <cstdint>
#include <functional>
#include <string>

class QWidget;
class TFolderBrowserDialog;

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

// What the folder tree lets the user confirm.
inline constexpr std::uint32_t BIF_RETURNONLYFSDIRS = 0x0001;   // items with a path only
inline constexpr std::uint32_t BIF_RETURNFSANCESTORS = 0x0008;  // and what holds them
inline constexpr std::uint32_t BIF_BROWSEFORCOMPUTER = 0x1000;  // computers only

// The browse flags of Kind: computers for bkComputers, folders otherwise.
std::uint32_t BrowseFlags(TBrowseKind Kind);

// A help topic number; 0 means none.
using THelpContext = std::int32_t;

class TBrowseFolderDlg;
using TNotifyEvent = std::function<void(QObject* Sender)>;

// A window rectangle in screen pixels: right and bottom are exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TRect&) const = default;
};

// Drops one trailing Delimiter from Path, except from a lone delimiter and,
// with the backslash, from a drive root such as C:\.
std::string TrimFolderPath(const std::string& Path, char Delimiter);
// TrimFolderPath with the platform's path delimiter.
std::string TrimFolderPath(const std::string& Path);

// True when Path names an existing directory (following symbolic links).
bool DirectoryExists(const std::string& Path);

// Shifts Rect, keeping its size, into a screen of ScreenWidth x ScreenHeight:
// first its right edge, then its left, then its bottom, then its top. A
// rectangle larger than the screen ends with its left or top edge at 0.
TRect ClampToScreen(TRect Rect, int ScreenWidth, int ScreenHeight);

// Centres Rect on a screen of ScreenWidth x ScreenHeight (the differences
// halved toward zero) and clamps it to the screen.
TRect CenterRect(const TRect& Rect, int ScreenWidth, int ScreenHeight);

// Moves the top-level Window to the centre of the primary screen.
void CenterOnScreen(QWidget* Window);

// Where the Help button goes: at x = 12, with the top edge, width and height
// of the dialog's first button.
TRect HelpButtonRect(const TRect& FirstButton);

// The application's help facility: shows help topic Context through the
// handler the program installed. False when there is none.
using THelpHandler = std::function<void(THelpContext Context)>;
THelpHandler SetHelpHandler(THelpHandler Handler);  // returns the previous one
bool ShowHelpContext(THelpContext Context);

class TBrowseFolderDlg : public QObject {
  Q_OBJECT

public:
  explicit TBrowseFolderDlg(QObject* Owner = nullptr);
  ~TBrowseFolderDlg() override;

  // Shows the dialog modally; true when the user confirmed a selection, and
  // then FolderName, SelectedFolder and ImageIndex hold the result.
  bool Execute();

  TBrowseKind BrowseKind() const { return FBrowseKind; }
  void SetBrowseKind(TBrowseKind Value) { FBrowseKind = Value; }
  const std::string& DialogText() const { return FDialogText; }
  void SetDialogText(const std::string& Value) { FDialogText = Value; }
  const std::string& FolderName() const { return FFolderName; }
  void SetFolderName(const std::string& Value) { FFolderName = Value; }
  THelpContext HelpContext() const { return FHelpContext; }
  void SetHelpContext(THelpContext Value) { FHelpContext = Value; }
  TDialogPosition Position() const { return FPosition; }
  void SetPosition(TDialogPosition Value) { FPosition = Value; }
  const TNotifyEvent& OnInitialized() const { return FOnInitialized; }
  void SetOnInitialized(TNotifyEvent Value) { FOnInitialized = std::move(Value); }
  const TNotifyEvent& OnSelChanged() const { return FOnSelChanged; }
  void SetOnSelChanged(TNotifyEvent Value) { FOnSelChanged = std::move(Value); }

  // During a run the current selection as a path (a computer's name with
  // bkComputers), empty for an item without one; after a confirmed run a copy
  // of FolderName.
  const std::string& SelectedFolder() const { return FSelectedFolder; }
  // The kind of icon the chosen item shows, a QAbstractFileIconProvider::IconType.
  int ImageIndex() const { return FImageIndex; }

  // The open dialog, or null when no dialog is open.
  TFolderBrowserDialog* DialogHandle() const { return FDialogHandle; }
  // The added Help button of the open dialog, or null.
  QPushButton* HelpButton() const { return FHelpButton; }

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  void DoInitialized();
  void DoSelChanged();
  void SetSelection(const std::string& Folder);
  void EnableOK(bool Flag);
  void AddHelpButton();
  void PlaceHelpButton();

  THelpContext FHelpContext = 0;
  TFolderBrowserDialog* FDialogHandle = nullptr;
  TBrowseKind FBrowseKind = bkMyComputer;
  TDialogPosition FPosition = dpScreenCenter;
  std::string FDialogText;
  std::string FDisplayName;
  std::string FSelectedFolder;
  std::string FFolderName;
  int FImageIndex = 0;
  TNotifyEvent FOnInitialized;
  TNotifyEvent FOnSelChanged;
  QPointer<QPushButton> FHelpButton;
  QPointer<QPushButton> FFirstButton;
};
