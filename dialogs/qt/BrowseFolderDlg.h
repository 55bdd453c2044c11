#pragma once

// TBrowseFolderDlg: a non-visual component that lets the user pick a folder
// (or, when computers are browsed, a computer) from a modal folder tree.
//
// On top of the plain tree it preselects FolderName, can centre the dialog on
// the primary screen, can add a "&Help" button, and keeps the OK button
// enabled only while the selection is an existing directory. The decisions it
// takes are plain functions (dialogs/BrowseFolderLogic.h), so that they can be
// checked without a dialog on the screen.

#include <QObject>
#include <QPointer>
#include <QPushButton>

#include <functional>
#include <string>

#include "dialogs/BrowseFolderLogic.h"

class TFolderBrowserDialog;

using TNotifyEvent = std::function<void(QObject* Sender)>;

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
