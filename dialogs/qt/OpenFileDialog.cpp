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

  controls_.LookIn = new QComboBox(this);
  controls_.LookIn->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  controls_.Up = new QToolButton(this);
  controls_.Up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  controls_.Up->setToolTip(tr("Up one level (Backspace)"));

  model_ = new QStandardItemModel(0, 3, this);
  model_->setHorizontalHeaderLabels({tr("Name"), tr("Size"), tr("Date Modified")});
  controls_.List = new QTreeView(this);
  controls_.List->setModel(model_);
  controls_.List->setRootIsDecorated(false);
  controls_.List->setItemsExpandable(false);
  controls_.List->setUniformRowHeights(true);
  controls_.List->setSelectionMode(QAbstractItemView::ExtendedSelection);
  controls_.List->setSelectionBehavior(QAbstractItemView::SelectRows);
  controls_.List->setEditTriggers(QAbstractItemView::NoEditTriggers);
  controls_.List->header()->setStretchLastSection(false);
  controls_.List->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  controls_.List->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  controls_.List->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  controls_.List->installEventFilter(this);

  controls_.FileName = new QLineEdit(this);
  controls_.FileType = new QComboBox(this);
  QString filter = ToQString(FilterName) + QStringLiteral(" (");
  for (std::size_t i = 0; i < patterns_.size(); ++i)
    filter += (i ? QStringLiteral(" ") : QString()) + ToQString(patterns_[i]);
  controls_.FileType->addItem(filter + QLatin1Char(')'));
  controls_.Hidden = new QCheckBox(tr("Show &hidden files"), this);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
  controls_.Open = buttons->button(QDialogButtonBox::Open);

  auto* lookInLabel = new QLabel(tr("Look &in:"), this);
  lookInLabel->setBuddy(controls_.LookIn);
  auto* nameLabel = new QLabel(tr("File &name:"), this);
  nameLabel->setBuddy(controls_.FileName);
  auto* typeLabel = new QLabel(tr("Files of &type:"), this);
  typeLabel->setBuddy(controls_.FileType);

  auto* grid = new QGridLayout(this);
  grid->addWidget(lookInLabel, 0, 0);
  auto* top = new QHBoxLayout;
  top->addWidget(controls_.LookIn);
  top->addWidget(controls_.Up);
  grid->addLayout(top, 0, 1, 1, 2);
  grid->addWidget(controls_.List, 1, 0, 1, 3);
  grid->addWidget(controls_.Hidden, 2, 0, 1, 3);
  grid->addWidget(nameLabel, 3, 0);
  grid->addWidget(controls_.FileName, 3, 1);
  grid->addWidget(typeLabel, 4, 0);
  grid->addWidget(controls_.FileType, 4, 1);
  grid->addWidget(buttons, 3, 2, 2, 1, Qt::AlignTop);
  grid->setColumnStretch(1, 1);
  resize(620, 420);

  connect(buttons, &QDialogButtonBox::accepted, this, &TOpenFileDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TOpenFileDialog::reject);
  connect(controls_.Up, &QToolButton::clicked, this, [this] { SetFolder(ParentFolder(folder_)); });
  connect(controls_.LookIn, &QComboBox::activated, this,
          [this](int Index) { SetFolder(ToBytes(controls_.LookIn->itemData(Index).toString())); });
  connect(controls_.Hidden, &QCheckBox::toggled, this, &TOpenFileDialog::Refresh);
  connect(controls_.List->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TOpenFileDialog::SelectionChanged);
  connect(controls_.List, &QTreeView::activated, this, &TOpenFileDialog::Activated);
  connect(controls_.FileName, &QLineEdit::textChanged, this, &TOpenFileDialog::UpdateOpenButton);
  controls_.List->setFocus();
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
  controls_.LookIn->clear();
  for (const std::string& at : FolderAndAncestors(folder_))
    controls_.LookIn->addItem(style()->standardIcon(QStyle::SP_DirIcon), ToQString(at),
                              ToQString(at));
  controls_.LookIn->setCurrentIndex(controls_.LookIn->count() - 1);
  controls_.Up->setEnabled(ParentFolder(folder_) != folder_);
  Refresh();
}

void TOpenFileDialog::Refresh() {
  model_->removeRows(0, model_->rowCount());
  const auto entries = platform::ListFolder(folder_);
  if (!entries) return;
  const QFileIconProvider icons;
  const QLocale locale;
  for (const platform::FolderEntry& entry :
       ListedEntries(*entries, patterns_, controls_.Hidden->isChecked())) {
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
  controls_.List->selectionModel()->clearSelection();
  for (int row = 0; row < model_->rowCount(); ++row) {
    for (const std::string& name : Names) {
      if (NameAt(row) != name) continue;
      controls_.List->selectionModel()->select(
          model_->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
      controls_.List->selectionModel()->setCurrentIndex(model_->index(row, 0),
                                                        QItemSelectionModel::NoUpdate);
    }
  }
}

void TOpenFileDialog::SelectionChanged() {
  // The chosen files in the list's order (not in the order they were
  // clicked).
  std::vector<int> rows;
  for (const QModelIndex& index : controls_.List->selectionModel()->selectedRows())
    if (!IsFolderAt(index.row())) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  std::vector<std::string> files;
  for (const int row : rows) files.push_back(NameAt(row));
  if (!files.empty() && !controls_.FileName->hasFocus())
    controls_.FileName->setText(ToQString(FileNameFieldText(files)));
  UpdateOpenButton();
}

void TOpenFileDialog::Activated(const QModelIndex& Index) {
  if (!Index.isValid()) return;
  const int row = Index.row();
  if (IsFolderAt(row)) {
    controls_.FileName->clear();
    SetFolder(PathInFolder(folder_, NameAt(row)));
  } else {
    controls_.FileName->setText(ToQString(NameAt(row)));
    accept();
  }
}

void TOpenFileDialog::UpdateOpenButton() {
  const bool folderChosen =
      controls_.List->selectionModel()->selectedRows().size() == 1 &&
      IsFolderAt(controls_.List->selectionModel()->selectedRows().first().row());
  controls_.Open->setEnabled(!controls_.FileName->text().trimmed().isEmpty() || folderChosen);
}

void TOpenFileDialog::accept() {
  const std::vector<std::string> names = FileNameFieldNames(ToBytes(controls_.FileName->text()));
  if (names.empty()) {
    // "Open" on a chosen folder enters it.
    const QModelIndexList rows = controls_.List->selectionModel()->selectedRows();
    if (rows.size() == 1 && IsFolderAt(rows.first().row()))
      SetFolder(PathInFolder(folder_, NameAt(rows.first().row())));
    return;
  }
  if (names.size() == 1 && platform::IsDirectory(PathInFolder(folder_, names[0]))) {
    controls_.FileName->clear();
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
  if (Watched == controls_.List && Event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Backspace) {
    SetFolder(ParentFolder(folder_));
    return true;
  }
  return QDialog::eventFilter(Watched, Event);
}
