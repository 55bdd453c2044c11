#include "dialogs/qt/FolderBrowserDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSpacerItem>
#include <QTreeView>
#include <QVBoxLayout>

#include "dialogs/qt/FolderTree.h"
#include "ui/qt/QtText.h"

TFolderBrowserDialog::TFolderBrowserDialog(TBrowseKind Kind, const TFolderRoots& Roots,
                                           const QString& Text, QWidget* Parent)
    : QDialog(Parent), kind_(Kind), flags_(BrowseFlags(Kind)) {
  setWindowTitle(flags_ & BIF_BROWSEFORCOMPUTER ? tr("Browse for Computer")
                                                : tr("Browse for Folder"));
  model_ = new TFolderTreeModel(BuildFolderTree(Kind, Roots), this);

  // The buttons come first among the dialog's children: OK is the first
  // button a look-up finds.
  ok_ = new QPushButton(tr("OK"), this);
  ok_->setDefault(true);
  ok_->setEnabled(false);
  cancel_ = new QPushButton(tr("Cancel"), this);

  text_ = new QLabel(Text, this);
  text_->setWordWrap(true);
  text_->setVisible(!Text.isNull());

  tree_ = new QTreeView(this);
  tree_->setModel(model_);
  tree_->setHeaderHidden(true);
  tree_->setUniformRowHeights(true);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tree_->header()->setStretchLastSection(false);
  for (int Row = 0; Row < model_->rowCount(); ++Row) tree_->expand(model_->index(Row, 0));

  auto* Buttons = new QHBoxLayout;
  reserve_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
  Buttons->addSpacerItem(reserve_);
  Buttons->addStretch(1);
  Buttons->addWidget(ok_);
  Buttons->addWidget(cancel_);

  auto* Layout = new QVBoxLayout(this);
  Layout->addWidget(text_);
  Layout->addWidget(tree_, 1);
  Layout->addLayout(Buttons);
  setTabOrder(tree_, ok_);
  setTabOrder(ok_, cancel_);
  tree_->setFocus();
  resize(340, 420);

  connect(ok_, &QPushButton::clicked, this, &TFolderBrowserDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &TFolderBrowserDialog::reject);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TFolderBrowserDialog::CurrentChanged);
  connect(model_, &QAbstractItemModel::rowsInserted, this, &TFolderBrowserDialog::Reveal);
  connect(model_, &QAbstractItemModel::layoutChanged, this, &TFolderBrowserDialog::Reveal);
  for (QObject* Input : {static_cast<QObject*>(tree_), static_cast<QObject*>(tree_->viewport()),
                         static_cast<QObject*>(tree_->verticalScrollBar()),
                         static_cast<QObject*>(tree_->horizontalScrollBar())})
    Input->installEventFilter(this);
}

bool TFolderBrowserDialog::eventFilter(QObject* Watched, QEvent* Event) {
  switch (Event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
      reveal_ = false;
      break;
    default:
      break;
  }
  return QDialog::eventFilter(Watched, Event);
}

void TFolderBrowserDialog::Reveal() {
  if (reveal_ && CurrentItem().isValid())
    tree_->scrollTo(CurrentItem(), QAbstractItemView::PositionAtCenter);
}

TFolderBrowserDialog::~TFolderBrowserDialog() = default;

void TFolderBrowserDialog::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (initialized_) return;
  initialized_ = true;
  emit Initialized();
  // Without a preselection the tree starts at its top item.
  if (!CurrentItem().isValid()) SelectItem(model_->index(0, 0));
}

void TFolderBrowserDialog::CurrentChanged() {
  // Browsing for computers confirms computers only; browsing for folders
  // (BIF_RETURNONLYFSDIRS) items with a file-system path only.
  const QModelIndex Item = CurrentItem();
  EnableOK(flags_ & BIF_BROWSEFORCOMPUTER ? model_->IsComputer(Item)
                                          : !model_->ItemPath(Item).empty());
  emit SelectionChanged();
}

void TFolderBrowserDialog::SetSelection(const std::string& Path) {
  const QModelIndex Item =
      flags_ & BIF_BROWSEFORCOMPUTER
          ? model_->IndexForComputer(ToQString(Path))
          : model_->IndexForPath(Path);
  if (Item.isValid()) SelectItem(Item);
}

void TFolderBrowserDialog::SelectItem(const QModelIndex& Index) {
  if (!Index.isValid()) return;
  tree_->selectionModel()->setCurrentIndex(Index, QItemSelectionModel::ClearAndSelect);
  tree_->scrollTo(Index, QAbstractItemView::PositionAtCenter);
  reveal_ = true;
}

void TFolderBrowserDialog::EnableOK(bool Enabled) { ok_->setEnabled(Enabled); }

QModelIndex TFolderBrowserDialog::CurrentItem() const { return tree_->currentIndex(); }

void TFolderBrowserDialog::ReserveButtonSpace(int Width) {
  reserve_->changeSize(Width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
  layout()->invalidate();
}

void TFolderBrowserDialog::accept() {
  if (ok_->isEnabled()) QDialog::accept();
}
