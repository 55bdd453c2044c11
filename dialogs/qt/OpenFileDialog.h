#pragma once

// The open-file dialog: "Look in" with the folders above, the folder's
// sub-folders and the files its filter lists, a file name field, the
// filter, "Open" and "Cancel"; several files may be chosen, and only files
// that exist. It lists folders through the platform seam rather than
// through Qt's own file dialog, which leaves out every name that is not
// valid UTF-8: here such a name is shown, can be chosen, and comes back
// byte for byte.

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QToolButton;
class QTreeView;

// The dialog's child widgets, made by its constructor and owned by the dialog.
struct TOpenFileControls {
  QComboBox* LookIn = nullptr;
  QToolButton* Up = nullptr;
  QTreeView* List = nullptr;
  QLineEdit* FileName = nullptr;
  QComboBox* FileType = nullptr;
  QCheckBox* Hidden = nullptr;
  QPushButton* Open = nullptr;
};

class TOpenFileDialog : public QDialog {
  Q_OBJECT

public:
  // FilterName and Patterns ("*.htm;*.html") make the one filter.
  TOpenFileDialog(const QString& Title, const std::string& FilterName, const std::string& Patterns,
                  QWidget* Parent = nullptr);
  ~TOpenFileDialog() override;

  // Lists Folder; a folder that cannot be listed gives way to the nearest
  // one above it that can.
  void SetFolder(const std::string& Folder);
  const std::string& Folder() const { return folder_; }

  // After the dialog was accepted: the full paths of the chosen files, in
  // the order the field named them.
  const std::vector<std::string>& SelectedFiles() const { return selected_; }

  // The names the list shows, as bytes, in its order (folders end in the
  // path delimiter).
  std::vector<std::string> ListedNames() const;
  // Selects the listed entries called Names (as the user would, one click
  // and more with Ctrl held).
  void SelectNames(const std::vector<std::string>& Names);

  // Checks the field's names: enters a folder it names, else takes the
  // files when they all exist, else says which one does not.
  void accept() override;

  const TOpenFileControls& Controls() const { return controls_; }

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  void Refresh();
  void SelectionChanged();
  void Activated(const QModelIndex& Index);
  void UpdateOpenButton();
  std::string NameAt(int Row) const;
  bool IsFolderAt(int Row) const;

  std::vector<std::string> patterns_;
  std::string folder_;
  std::vector<std::string> selected_;
  QStandardItemModel* model_ = nullptr;
  TOpenFileControls controls_;
};
