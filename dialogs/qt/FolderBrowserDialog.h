#pragma once

// The modal window of the folder browser: a text above a folder tree, OK and
// Cancel. It knows nothing of what the choice is for; TBrowseFolderDlg drives
// it through SetSelection, EnableOK and the two signals.

#include <QDialog>
#include <QModelIndex>

#include <memory>
#include <string>

#include "dialogs/BrowseFolderLogic.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpacerItem;
class QTreeView;
class TFolderTreeModel;
struct TFolderRoots;

// The dialog's child widgets, made by its constructor and owned by the dialog.
struct TFolderBrowserControls {
  QLabel* Text = nullptr;
  QTreeView* Tree = nullptr;
  // Shows hidden folders in the tree when checked.
  QCheckBox* Hidden = nullptr;
  QPushButton* OK = nullptr;
  QPushButton* Cancel = nullptr;
};

class TFolderBrowserDialog : public QDialog {
  Q_OBJECT

public:
  // Text is shown above the tree; a null text shows no line at all.
  TFolderBrowserDialog(TBrowseKind Kind, const TFolderRoots& Roots, const QString& Text,
                       QWidget* Parent = nullptr);
  ~TFolderBrowserDialog() override;

  TBrowseKind Kind() const { return kind_; }
  // The tree's model; showing hidden folders or not replaces it.
  TFolderTreeModel* Model() const { return model_; }
  const TFolderBrowserControls& Controls() const { return controls_; }

  // Selects the folder at Path (a computer's name when computers are
  // browsed); nothing happens when the tree does not show it. A folder in a
  // hidden folder turns the showing of hidden folders on.
  void SetSelection(const std::string& Path);
  // Makes Index the current item and shows it.
  void SelectItem(const QModelIndex& Index);
  void EnableOK(bool Enabled);
  QModelIndex CurrentItem() const;

  // Keeps Width pixels free at the left of the button row, for a button
  // placed there by hand.
  void ReserveButtonSpace(int Width);

  // Confirms only while OK is enabled.
  void accept() override;

signals:
  // The window is about to appear for the first time, laid out.
  void Initialized();
  // The current item changed.
  void SelectionChanged();

protected:
  void showEvent(QShowEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  void CurrentChanged();
  void Reveal();
  // Shows Index in the middle of the tree's height, with the names starting
  // at the left edge (the column is as wide as its widest name).
  void ScrollTo(const QModelIndex& Index);
  void ShowHiddenChanged(bool Show);
  // Lists the tree anew, with or without hidden folders (a source model
  // keeps showing a hidden folder it was once asked for).
  void SetModel(bool ShowHidden);

  TBrowseKind kind_;
  std::uint32_t flags_;
  std::unique_ptr<TFolderRoots> roots_;
  TFolderTreeModel* model_ = nullptr;
  TFolderBrowserControls controls_;
  QSpacerItem* reserve_ = nullptr;
  bool initialized_ = false;
  // The tree keeps a chosen item in view while folders above it are still
  // being listed, until the user takes over.
  bool reveal_ = false;
};
