#pragma once

// TBrowseFolderDlg: a non-visual component that lets the user pick a folder
// (or, when computers are browsed, a computer) from the shell's folder tree
// (SHBrowseForFolderA).
//
// On top of the shell's dialog it preselects FolderName, can centre the
// dialog on the primary screen, can add a "&Help" button, and keeps the OK
// button enabled only while the selection is an existing directory. The
// decisions it takes are plain functions (dialogs/BrowseFolderLogic.h);
// the shell's folder services are reached through TShellFolders, so that
// tests can make single calls fail.
//
//   TBrowseFolderDlg Dlg(MainWindow);
//   Dlg.DialogText = "Destination path:";
//   Dlg.FolderName = "D:\\Out";
//   if (Dlg.Execute()) UseFolder(Dlg.SelectedFolder());

#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <exception>
#include <functional>
#include <string>

#include "dialogs/BrowseFolderLogic.h"

// The shell's folder services as the dialog uses them. Default() calls the
// system; TShellFoldersWrapper forwards every call to another instance, so
// that a test can replace single calls.
class TShellFolders {
public:
  virtual ~TShellFolders() = default;

  // The system's services. Never null; lives for the whole process.
  static TShellFolders* Default();

  // Stores the item list of special folder Folder (a CSIDL) in *List and
  // returns S_OK, or returns the failing result code and leaves *List null.
  // The caller frees the list with FreeIDList.
  virtual HRESULT SpecialFolderLocation(int Folder, LPITEMIDLIST* List) = 0;

  // Runs the shell's modal folder dialog described by Info; calls
  // Info->lpfn with BFFM_INITIALIZED and BFFM_SELCHANGED while it runs.
  // Returns the item list of the confirmed item (the caller frees it with
  // FreeIDList), or null when the user cancelled.
  virtual LPITEMIDLIST BrowseForFolder(BROWSEINFOA* Info) = 0;

  // Writes the file-system path of List into Path (room for MAX_PATH + 1
  // characters) and returns true; false, with the thread's last error set
  // where the system sets one, when the item has no path.
  virtual bool PathFromIDList(LPCITEMIDLIST List, char* Path) = 0;

  // Releases an item list the shell returned; null does nothing.
  virtual void FreeIDList(LPITEMIDLIST List) = 0;
};

// Forwards every call to Target, which it does not own.
class TShellFoldersWrapper : public TShellFolders {
public:
  explicit TShellFoldersWrapper(TShellFolders* Target) : target_(Target) {}

  HRESULT SpecialFolderLocation(int Folder, LPITEMIDLIST* List) override {
    return target_->SpecialFolderLocation(Folder, List);
  }
  LPITEMIDLIST BrowseForFolder(BROWSEINFOA* Info) override {
    return target_->BrowseForFolder(Info);
  }
  bool PathFromIDList(LPCITEMIDLIST List, char* Path) override {
    return target_->PathFromIDList(List, Path);
  }
  void FreeIDList(LPITEMIDLIST List) override { target_->FreeIDList(List); }

private:
  TShellFolders* target_;
};

class TBrowseFolderDlg;
using TBrowseNotifyEvent = std::function<void(TBrowseFolderDlg& Sender)>;

// A window message as the component's handlers see it.
struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

class TBrowseFolderDlg {
public:
  // Owner: the window the dialog belongs to (the application's owner
  // window); null for none.
  explicit TBrowseFolderDlg(HWND Owner = nullptr);
  virtual ~TBrowseFolderDlg();
  TBrowseFolderDlg(const TBrowseFolderDlg&) = delete;
  TBrowseFolderDlg& operator=(const TBrowseFolderDlg&) = delete;

  // Shows the dialog modally; true when the user confirmed a selection, and
  // then FolderName, SelectedFolder and ImageIndex hold the result. Raises
  // EOleSysError when the root cannot be found (nothing is shown) and
  // EWin32Error when the confirmed item has no path.
  bool Execute();

  // Properties, with their defaults.
  HWND Owner;
  TBrowseKind BrowseKind = bkMyComputer;
  std::string DialogText;  // shown above the tree; empty for none
  std::string FolderName;  // on entry the folder to preselect, after a confirmed run the choice
  THelpContext HelpContext = 0;  // 0: no Help button
  TDialogPosition Position = dpScreenCenter;
  TBrowseNotifyEvent OnInitialized;  // once the dialog window is set up
  TBrowseNotifyEvent OnSelChanged;   // after each change of selection
  // The shell services used; tests put a wrapper here.
  TShellFolders* Shell = TShellFolders::Default();

  // During a run the current selection as a path (a computer's name with
  // bkComputers), empty for an item without one; after a confirmed run a
  // copy of FolderName.
  const std::string& SelectedFolder() const { return FSelectedFolder; }
  // The system image-list index of the chosen item, as the shell reports it.
  int ImageIndex() const { return FImageIndex; }
  // The open shell dialog, or null when none is open.
  HWND DialogHandle() const { return FDialogHandle; }

  // The callback the shell calls while the dialog runs (Data is the
  // component). Public so that tests can hand the open dialog a
  // notification the shell would send for an item they cannot select.
  static int CALLBACK BrowseCallback(HWND Window, UINT Message, LPARAM LParam, LPARAM Data);

protected:
  // Dispatches a message of the subclassed dialog to its handler, every
  // other one to DefaultHandler.
  virtual void WndProc(TMessage& Message);
  // Passes Message on to the dialog's own window procedure while the dialog
  // is open.
  virtual void DefaultHandler(TMessage& Message);

private:
  void WMCommand(TMessage& Message);
  void WMNCDestroy(TMessage& Message);
  void DoInitialized();
  void DoSelChanged(LPCITEMIDLIST List);
  void SetSelection(const std::string& Folder);
  void EnableOK(bool Flag);
  void AddHelpButton();
  // The procedure the dialog is subclassed with; finds the component
  // through a window property.
  static LRESULT CALLBACK SubclassProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);

  WNDPROC FDefWndProc = nullptr;
  HWND FDialogHandle = nullptr;
  std::string FDisplayName;
  std::string FSelectedFolder;
  int FImageIndex = 0;
  // An error raised by a handler inside the shell's modal loop, which must
  // not unwind through the shell's frames: Execute raises it once the
  // dialog is gone.
  std::exception_ptr FPendingError;
};
