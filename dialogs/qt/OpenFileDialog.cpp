#include "dialogs/qt/OpenFileDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

#include "dialogs/FileDialogLogic.h"
#include "platform/FileEnv.h"
#include "platform/FileIdentity.h"
#include "platform/FolderList.h"
#include "ui/qt/QtMessageBox.h"
#include "ui/qt/QtText.h"

namespace {

// Where an entry's name and kind are kept in the list's first column.
constexpr int kNameRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;

bool IsFile(const std::string& Path) {
  return platform::IdentifyFile(Path).has_value() && !platform::IsDirectory(Path);
}

}  // namespace

TOpenFileDialog::TOpenFileDialog(const QString& Title, const std::string& FilterName,
                                 const std::string& Patterns, QWidget* Parent)
    : QDialog(Parent), patterns_(SplitPatterns(Patterns)) {
  setWindowTitle(Title);

  lookIn_ = new QComboBox(this);
  lookIn_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  up_ = new QToolButton(this);
  up_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  up_->setToolTip(tr("Up one level (Backspace)"));

  model_ = new QStandardItemModel(0, 3, this);
  model_->setHorizontalHeaderLabels({tr("Name"), tr("Size"), tr("Date Modified")});
  list_ = new QTreeView(this);
  list_->setModel(model_);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  list_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  list_->installEventFilter(this);

  fileName_ = new QLineEdit(this);
  fileType_ = new QComboBox(this);
  QString filter = ToQString(FilterName) + QStringLiteral(" (");
  for (std::size_t i = 0; i < patterns_.size(); ++i)
    filter += (i ? QStringLiteral(" ") : QString()) + ToQString(patterns_[i]);
  fileType_->addItem(filter + QLatin1Char(')'));
  hidden_ = new QCheckBox(tr("Show &hidden files"), this);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
  open_ = buttons->button(QDialogButtonBox::Open);

  auto* lookInLabel = new QLabel(tr("Look &in:"), this);
  lookInLabel->setBuddy(lookIn_);
  auto* nameLabel = new QLabel(tr("File &name:"), this);
  nameLabel->setBuddy(fileName_);
  auto* typeLabel = new QLabel(tr("Files of &type:"), this);
  typeLabel->setBuddy(fileType_);

  auto* grid = new QGridLayout(this);
  grid->addWidget(lookInLabel, 0, 0);
  auto* top = new QHBoxLayout;
  top->addWidget(lookIn_);
  top->addWidget(up_);
  grid->addLayout(top, 0, 1, 1, 2);
  grid->addWidget(list_, 1, 0, 1, 3);
  grid->addWidget(hidden_, 2, 0, 1, 3);
  grid->addWidget(nameLabel, 3, 0);
  grid->addWidget(fileName_, 3, 1);
  grid->addWidget(typeLabel, 4, 0);
  grid->addWidget(fileType_, 4, 1);
  grid->addWidget(buttons, 3, 2, 2, 1, Qt::AlignTop);
  grid->setColumnStretch(1, 1);
  resize(620, 420);

  connect(buttons, &QDialogButtonBox::accepted, this, &TOpenFileDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TOpenFileDialog::reject);
  connect(up_, &QToolButton::clicked, this, [this] { SetFolder(ParentFolder(folder_)); });
  connect(lookIn_, &QComboBox::activated, this, [this](int Index) {
    SetFolder(ToBytes(lookIn_->itemData(Index).toString()));
  });
  connect(hidden_, &QCheckBox::toggled, this, &TOpenFileDialog::Refresh);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TOpenFileDialog::SelectionChanged);
  connect(list_, &QTreeView::activated, this, &TOpenFileDialog::Activated);
  connect(fileName_, &QLineEdit::textChanged, this, &TOpenFileDialog::UpdateOpenButton);
  list_->setFocus();
  UpdateOpenButton();
}

TOpenFileDialog::~TOpenFileDialog() = default;

void TOpenFileDialog::SetFolder(const std::string& Folder) {
  std::string folder = PlainFolder(Folder);
  while (!platform::ListFolder(folder)) {
    const std::string up = ParentFolder(folder);
    if (up == folder || up.empty()) break;
    folder = up;
  }
  folder_ = folder;
  lookIn_->clear();
  for (const std::string& at : FolderAndAncestors(folder_))
    lookIn_->addItem(style()->standardIcon(QStyle::SP_DirIcon), ToQString(at), ToQString(at));
  lookIn_->setCurrentIndex(lookIn_->count() - 1);
  up_->setEnabled(ParentFolder(folder_) != folder_);
  Refresh();
}

void TOpenFileDialog::Refresh() {
  model_->removeRows(0, model_->rowCount());
  const auto entries = platform::ListFolder(folder_);
  if (!entries) return;
  const QFileIconProvider icons;
  const QLocale locale;
  for (const platform::FolderEntry& entry :
       ListedEntries(*entries, patterns_, hidden_->isChecked())) {
    auto* name = new QStandardItem(
        icons.icon(entry.Folder ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File),
        ToQString(entry.Name));
    name->setData(QByteArray::fromStdString(entry.Name), kNameRole);
    name->setData(entry.Folder, kFolderRole);
    name->setToolTip(ToQString(PathInFolder(folder_, entry.Name)));
    auto* size = new QStandardItem(entry.Folder ? QString() : locale.formattedDataSize(entry.Size));
    size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* modified = new QStandardItem(
        locale.toString(QDateTime::fromSecsSinceEpoch(entry.Modified), QLocale::ShortFormat));
    model_->appendRow({name, size, modified});
  }
  UpdateOpenButton();
}

std::string TOpenFileDialog::NameAt(int Row) const {
  return model_->item(Row, 0)->data(kNameRole).toByteArray().toStdString();
}

bool TOpenFileDialog::IsFolderAt(int Row) const {
  return model_->item(Row, 0)->data(kFolderRole).toBool();
}

std::vector<std::string> TOpenFileDialog::ListedNames() const {
  std::vector<std::string> names;
  for (int row = 0; row < model_->rowCount(); ++row)
    names.push_back(NameAt(row) + (IsFolderAt(row) ? std::string(1, platform::PathDelimiter()) : ""));
  return names;
}

void TOpenFileDialog::SelectNames(const std::vector<std::string>& Names) {
  list_->selectionModel()->clearSelection();
  for (int row = 0; row < model_->rowCount(); ++row) {
    for (const std::string& name : Names) {
      if (NameAt(row) != name) continue;
      list_->selectionModel()->select(
          model_->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
      list_->selectionModel()->setCurrentIndex(model_->index(row, 0),
                                               QItemSelectionModel::NoUpdate);
    }
  }
}

void TOpenFileDialog::SelectionChanged() {
  // The chosen files in the list's order (not in the order they were
  // clicked).
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows())
    if (!IsFolderAt(index.row())) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  std::vector<std::string> files;
  for (const int row : rows) files.push_back(NameAt(row));
  if (!files.empty() && !fileName_->hasFocus()) fileName_->setText(ToQString(FileNameFieldText(files)));
  UpdateOpenButton();
}

void TOpenFileDialog::Activated(const QModelIndex& Index) {
  if (!Index.isValid()) return;
  const int row = Index.row();
  if (IsFolderAt(row)) {
    fileName_->clear();
    SetFolder(PathInFolder(folder_, NameAt(row)));
  } else {
    fileName_->setText(ToQString(NameAt(row)));
    accept();
  }
}

void TOpenFileDialog::UpdateOpenButton() {
  const bool folderChosen = list_->selectionModel()->selectedRows().size() == 1 &&
                            IsFolderAt(list_->selectionModel()->selectedRows().first().row());
  open_->setEnabled(!fileName_->text().trimmed().isEmpty() || folderChosen);
}

void TOpenFileDialog::accept() {
  const std::vector<std::string> names = FileNameFieldNames(ToBytes(fileName_->text()));
  if (names.empty()) {
    // "Open" on a chosen folder enters it.
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    if (rows.size() == 1 && IsFolderAt(rows.first().row()))
      SetFolder(PathInFolder(folder_, NameAt(rows.first().row())));
    return;
  }
  if (names.size() == 1 && platform::IsDirectory(PathInFolder(folder_, names[0]))) {
    fileName_->clear();
    SetFolder(PathInFolder(folder_, names[0]));
    return;
  }
  std::vector<std::string> files;
  for (const std::string& name : names) {
    const std::string path = PathInFolder(folder_, name);
    if (!IsFile(path)) {
      ShowErrorBox(windowTitle(), ToQString(name) + tr("\nFile not found.\nCheck the file name and try again."));
      return;
    }
    files.push_back(path);
  }
  selected_ = std::move(files);
  QDialog::accept();
}

bool TOpenFileDialog::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == list_ && Event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Backspace) {
    SetFolder(ParentFolder(folder_));
    return true;
  }
  return QDialog::eventFilter(Watched, Event);
}
