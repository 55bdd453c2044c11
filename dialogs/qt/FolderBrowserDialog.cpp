#include "dialogs/qt/FolderBrowserDialog.h"

#include <QCheckBox>
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
    : QDialog(Parent),
      kind_(Kind),
      flags_(BrowseFlags(Kind)),
      roots_(std::make_unique<TFolderRoots>(Roots)) {
  setWindowTitle(flags_ & BIF_BROWSEFORCOMPUTER ? tr("Browse for Computer")
                                                : tr("Browse for Folder"));

  // The buttons come first among the dialog's children: OK is the first
  // button a look-up finds.
  controls_.OK = new QPushButton(tr("OK"), this);
  controls_.OK->setDefault(true);
  controls_.OK->setEnabled(false);
  controls_.Cancel = new QPushButton(tr("Cancel"), this);

  controls_.Text = new QLabel(Text, this);
  controls_.Text->setWordWrap(true);
  controls_.Text->setVisible(!Text.isNull());

  controls_.Tree = new QTreeView(this);
  controls_.Tree->setHeaderHidden(true);
  controls_.Tree->setUniformRowHeights(true);
  controls_.Tree->setSelectionMode(QAbstractItemView::SingleSelection);
  controls_.Tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  controls_.Tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  controls_.Tree->header()->setStretchLastSection(false);
  SetModel(false);

  controls_.Hidden = new QCheckBox(tr("Show &hidden folders"), this);
  controls_.Hidden->setVisible(!(flags_ & BIF_BROWSEFORCOMPUTER));

  auto* Buttons = new QHBoxLayout;
  reserve_ = new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
  Buttons->addSpacerItem(reserve_);
  Buttons->addStretch(1);
  Buttons->addWidget(controls_.OK);
  Buttons->addWidget(controls_.Cancel);

  auto* Layout = new QVBoxLayout(this);
  Layout->addWidget(controls_.Text);
  Layout->addWidget(controls_.Tree, 1);
  Layout->addWidget(controls_.Hidden);
  Layout->addLayout(Buttons);
  setTabOrder(controls_.Tree, controls_.Hidden);
  setTabOrder(controls_.Hidden, controls_.OK);
  setTabOrder(controls_.OK, controls_.Cancel);
  controls_.Tree->setFocus();
  resize(340, 420);

  connect(controls_.OK, &QPushButton::clicked, this, &TFolderBrowserDialog::accept);
  connect(controls_.Cancel, &QPushButton::clicked, this, &TFolderBrowserDialog::reject);
  connect(controls_.Hidden, &QCheckBox::toggled, this, &TFolderBrowserDialog::ShowHiddenChanged);
  for (QObject* Input :
       {static_cast<QObject*>(controls_.Tree), static_cast<QObject*>(controls_.Tree->viewport()),
        static_cast<QObject*>(controls_.Tree->verticalScrollBar()),
        static_cast<QObject*>(controls_.Tree->horizontalScrollBar())})
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
  if (reveal_ && CurrentItem().isValid()) ScrollTo(CurrentItem());
}

void TFolderBrowserDialog::ScrollTo(const QModelIndex& Index) {
  controls_.Tree->scrollTo(Index, QAbstractItemView::PositionAtCenter);
  // Centring also centres sideways, which cuts off the start of every name.
  controls_.Tree->horizontalScrollBar()->setValue(controls_.Tree->horizontalScrollBar()->minimum());
}

void TFolderBrowserDialog::SetModel(bool ShowHidden) {
  TFolderTreeModel* Old = model_;
  QItemSelectionModel* OldSelection = controls_.Tree->selectionModel();
  model_ = new TFolderTreeModel(BuildFolderTree(kind_, *roots_), this, ShowHidden);
  controls_.Tree->setModel(model_);
  delete OldSelection;
  delete Old;
  for (int Row = 0; Row < model_->rowCount(); ++Row) controls_.Tree->expand(model_->index(Row, 0));
  connect(controls_.Tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TFolderBrowserDialog::CurrentChanged);
  connect(model_, &QAbstractItemModel::rowsInserted, this, &TFolderBrowserDialog::Reveal);
  connect(model_, &QAbstractItemModel::layoutChanged, this, &TFolderBrowserDialog::Reveal);
}

void TFolderBrowserDialog::ShowHiddenChanged(bool Show) {
  if (Show == model_->ShowHidden()) return;
  const QModelIndex Before = CurrentItem();
  const std::string Current = model_->ItemPath(Before);
  const bool Fixed = Before.isValid() && Current.empty();  // "Computer", say
  const QString FixedName = Before.data().toString();
  SetModel(Show);
  if (Fixed) {
    // The same fixed item, found by its name among the top two levels.
    for (int Row = 0; Row < model_->rowCount(); ++Row) {
      const QModelIndex Top = model_->index(Row, 0);
      if (Top.data().toString() == FixedName) return SelectItem(Top);
      for (int Sub = 0; Sub < model_->rowCount(Top); ++Sub)
        if (model_->index(Sub, 0, Top).data().toString() == FixedName)
          return SelectItem(model_->index(Sub, 0, Top));
    }
  }
  // The folder that was chosen, or, when it is no longer shown, the nearest
  // one above it that is.
  for (std::string Up = Current; !Up.empty();) {
    if (const QModelIndex Item = model_->IndexForPath(Up); Item.isValid()) return SelectItem(Item);
    const std::size_t Cut = Up.find_last_of('/');
    Up = Cut == std::string::npos ? std::string() : Cut == 0 ? (Up == "/" ? "" : "/") : Up.substr(0, Cut);
  }
  SelectItem(model_->index(0, 0));
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
  if (flags_ & BIF_BROWSEFORCOMPUTER) return SelectItem(model_->IndexForComputer(ToQString(Path)));
  QModelIndex Item = model_->IndexForPath(Path);
  if (!Item.isValid() && !model_->ShowHidden() && HasHiddenPart(Path)) {
    // A folder in a hidden folder: the tree shows those from now on.
    controls_.Hidden->setChecked(true);
    Item = model_->IndexForPath(Path);
  }
  SelectItem(Item);
}

void TFolderBrowserDialog::SelectItem(const QModelIndex& Index) {
  if (!Index.isValid()) return;
  controls_.Tree->selectionModel()->setCurrentIndex(Index, QItemSelectionModel::ClearAndSelect);
  ScrollTo(Index);
  reveal_ = true;
}

void TFolderBrowserDialog::EnableOK(bool Enabled) { controls_.OK->setEnabled(Enabled); }

QModelIndex TFolderBrowserDialog::CurrentItem() const { return controls_.Tree->currentIndex(); }

void TFolderBrowserDialog::ReserveButtonSpace(int Width) {
  reserve_->changeSize(Width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
  layout()->invalidate();
}

void TFolderBrowserDialog::accept() {
  if (controls_.OK->isEnabled()) QDialog::accept();
}
