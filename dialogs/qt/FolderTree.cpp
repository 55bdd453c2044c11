#include "dialogs/qt/FolderTree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFileSystemWatcher>

#include "ui/qt/QtText.h"

TFolderItem* TFolderItem::Add(QString Name, std::string Path,
                              QAbstractFileIconProvider::IconType Image, bool Browse) {
  auto Item = std::make_unique<TFolderItem>();
  Item->Name = std::move(Name);
  Item->Path = std::move(Path);
  Item->Image = Image;
  Item->Browse = Browse;
  Item->Parent = this;
  Children.push_back(std::move(Item));
  return Children.back().get();
}

namespace {

void AddComputer(TFolderItem* Parent, const TFolderRoots& Roots) {
  TFolderItem* Computer =
      Parent->Add(QObject::tr("Computer"), {}, QAbstractFileIconProvider::Computer, false);
  Computer->Add(ToQString(Roots.FileSystemRoot), Roots.FileSystemRoot,
                QAbstractFileIconProvider::Drive, true);
  for (const TMountPoint& Mount : Roots.Mounts)
    Computer->Add(ToQString(Mount.Name), Mount.Path, QAbstractFileIconProvider::Drive, true);
}

}  // namespace

std::unique_ptr<TFolderItem> BuildFolderTree(TBrowseKind Kind, const TFolderRoots& Roots) {
  auto Top = std::make_unique<TFolderItem>();
  switch (Kind) {
    case bkDesktop: {
      TFolderItem* Desktop =
          Top->Add(QObject::tr("Desktop"), Roots.Desktop, QAbstractFileIconProvider::Desktop, true);
      if (!Roots.Home.empty() && Roots.Home != Roots.Desktop)
        Desktop->Add(QObject::tr("Home"), Roots.Home, QAbstractFileIconProvider::Folder, true);
      AddComputer(Desktop, Roots);
      break;
    }
    case bkComputers: {
      TFolderItem* Network =
          Top->Add(QObject::tr("Network"), {}, QAbstractFileIconProvider::Network, false);
      for (const std::string& Name : Roots.Computers)
        Network->Add(ToQString(Name), {}, QAbstractFileIconProvider::Computer, false)->Computer =
            true;
      break;
    }
    case bkMyComputer:
    default:
      AddComputer(Top.get(), Roots);
      break;
  }
  return Top;
}

// ---------------------------------------------------------------------------

TFolderTreeModel::TFolderTreeModel(std::unique_ptr<TFolderItem> Top, QObject* Parent,
                                   bool ShowHidden)
    : QAbstractItemModel(Parent),
      top_(std::move(Top)),
      roots_(new QFileSystemWatcher(this)),
      showHidden_(ShowHidden) {
  Attach(top_.get());
  connect(roots_, &QFileSystemWatcher::directoryChanged, this, &TFolderTreeModel::FolderChanged);
}

TFolderTreeModel::~TFolderTreeModel() {
  // The source models go first: they use the icon provider to the end.
  for (TFolderItem* Anchor : anchors_) {
    delete Anchor->Files;
    Anchor->Files = nullptr;
  }
}

namespace {

QDir::Filters FolderFilter(bool Hidden) {
  const QDir::Filters Folders = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives;
  return Hidden ? Folders | QDir::Hidden : Folders;
}

}  // namespace

void TFolderTreeModel::Attach(TFolderItem* Item) {
  fixed_[Item] = std::make_unique<Node>(Node{Item, true, {}});
  if (Item->Browse) {
    auto* Files = new QFileSystemModel(this);
    Files->setIconProvider(&icons_);
    Files->setFilter(FolderFilter(showHidden_));
    Files->setReadOnly(true);
    Item->Files = Files;
    if (QFileInfo(ToQString(Item->Path)).isDir()) {
      const QString Path = ToQString(Item->Path);
      Files->setRootPath(Path);
      Item->Source = Files->index(Path);
      roots_->addPath(Path);
    }
    anchors_.push_back(Item);
    Watch(Item);
  }
  for (auto& Child : Item->Children) Attach(Child.get());
}

// Passes the changes of an anchor's source model on, as far as they concern
// the rows below the anchor.
void TFolderTreeModel::Watch(TFolderItem* Anchor) {
  QFileSystemModel* Files = Anchor->Files;
  auto Push = [this, Files](bool Concerns) { pending_[Files].push_back(Concerns); };
  auto Pop = [this, Files] {
    std::vector<bool>& Stack = pending_[Files];
    const bool Concerns = !Stack.empty() && Stack.back();
    if (!Stack.empty()) Stack.pop_back();
    return Concerns;
  };

  connect(Files, &QAbstractItemModel::rowsAboutToBeInserted, this,
          [this, Anchor, Push](const QModelIndex& Parent, int First, int Last) {
            int Offset = 0;
            if (!Under(Anchor, Parent)) return Push(false);
            beginInsertRows(ParentFor(Anchor, Parent, &Offset), First + Offset, Last + Offset);
            Push(true);
          });
  connect(Files, &QAbstractItemModel::rowsInserted, this, [this, Pop] {
    if (Pop()) endInsertRows();
  });

  connect(Files, &QAbstractItemModel::rowsAboutToBeRemoved, this,
          [this, Anchor, Push](const QModelIndex& Parent, int First, int Last) {
            int Offset = 0;
            if (Under(Anchor, Parent)) {
              beginRemoveRows(ParentFor(Anchor, Parent, &Offset), First + Offset, Last + Offset);
              return Push(true);
            }
            // The anchor's own folder (or a folder above it) goes: its rows go too.
            for (QModelIndex Up = Anchor->Source; Up.isValid(); Up = Up.parent()) {
              if (Up.parent() == Parent && Up.row() >= First && Up.row() <= Last) {
                const int Count = Anchor->Files->rowCount(Anchor->Source);
                const int Fixed = static_cast<int>(Anchor->Children.size());
                if (Count == 0) break;
                beginRemoveRows(IndexOfItem(Anchor), Fixed, Fixed + Count - 1);
                return Push(true);
              }
            }
            Push(false);
          });
  connect(Files, &QAbstractItemModel::rowsRemoved, this, [this, Pop] {
    if (Pop()) endRemoveRows();
  });

  connect(Files, &QAbstractItemModel::dataChanged, this,
          [this, Anchor](const QModelIndex& TopLeft, const QModelIndex& BottomRight) {
            if (TopLeft.column() > 0 || !Under(Anchor, TopLeft.parent())) return;
            emit dataChanged(FromSource(Anchor, TopLeft),
                             FromSource(Anchor, BottomRight.siblingAtColumn(0)));
          });

  connect(Files, &QAbstractItemModel::layoutAboutToBeChanged, this, [this, Anchor] {
    emit layoutAboutToBeChanged();
    layout_.clear();
    for (const QModelIndex& Index : persistentIndexList()) {
      const Target T = TargetOf(Index);
      if (T.Anchor == Anchor) layout_.emplace_back(Index, T.Source);
    }
  });
  connect(Files, &QAbstractItemModel::layoutChanged, this, [this, Anchor] {
    QModelIndexList From, To;
    for (const auto& [Old, Source] : layout_) {
      From.append(Old);
      To.append(Source.isValid() ? FromSource(Anchor, Source) : QModelIndex());
    }
    layout_.clear();
    changePersistentIndexList(From, To);
    emit layoutChanged();
  });

  connect(Files, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
  connect(Files, &QAbstractItemModel::modelReset, this, [this, Anchor] {
    folders_.clear();
    Anchor->Source = QFileInfo(ToQString(Anchor->Path)).isDir()
                         ? QPersistentModelIndex(Anchor->Files->index(ToQString(Anchor->Path)))
                         : QPersistentModelIndex();
    endResetModel();
  });
}

void TFolderTreeModel::FolderChanged(const QString& Path) {
  if (QFileInfo(Path).isDir()) return;
  // A browsed folder went away: its item stays, without sub-folders.
  for (TFolderItem* Anchor : anchors_) {
    if (!Anchor->Source.isValid() || ToQString(Anchor->Path) != Path) continue;
    const int Count = Anchor->Files->rowCount(Anchor->Source);
    const int Fixed = static_cast<int>(Anchor->Children.size());
    if (Count > 0) beginRemoveRows(IndexOfItem(Anchor), Fixed, Fixed + Count - 1);
    Anchor->Source = QPersistentModelIndex();
    if (Count > 0) endRemoveRows();
  }
}

bool TFolderTreeModel::Under(const TFolderItem* Anchor, const QModelIndex& Source) {
  if (!Anchor->Source.isValid()) return false;
  for (QModelIndex Up = Source; Up.isValid(); Up = Up.parent())
    if (Up == Anchor->Source) return true;
  return false;
}

TFolderTreeModel::Node* TFolderTreeModel::FixedNode(const TFolderItem* Item) const {
  return fixed_.at(Item).get();
}

TFolderTreeModel::Node* TFolderTreeModel::FolderNode(TFolderItem* Anchor,
                                                     const QModelIndex& Folder) const {
  std::unique_ptr<Node>& Slot = folders_[{Anchor, Folder.internalPointer()}];
  if (!Slot) Slot = std::make_unique<Node>(Node{Anchor, false, {}});
  // A folder node of a removed folder may meet a new folder at the same
  // address: it then stands for the new one.
  if (Slot->Folder != Folder) Slot->Folder = Folder;
  return Slot.get();
}

TFolderTreeModel::Target TFolderTreeModel::TargetOf(const QModelIndex& Index) const {
  Target T;
  if (!Index.isValid() || Index.model() != this) return T;
  const Node* Parent = static_cast<const Node*>(Index.internalPointer());
  if (Parent->Fixed) {
    TFolderItem* Item = Parent->Item;
    const int Fixed = static_cast<int>(Item->Children.size());
    if (Index.row() < Fixed) {
      T.Fixed = Item->Children[Index.row()].get();
    } else if (Item->Browse && Item->Source.isValid()) {
      T.Anchor = Item;
      T.Source = Item->Files->index(Index.row() - Fixed, 0, Item->Source);
    }
  } else if (Parent->Folder.isValid()) {
    T.Anchor = Parent->Item;
    T.Source = Parent->Item->Files->index(Index.row(), 0, Parent->Folder);
  }
  return T;
}

TFolderTreeModel::Node* TFolderTreeModel::NodeOf(const QModelIndex& Parent) const {
  if (!Parent.isValid()) return FixedNode(top_.get());
  const Target T = TargetOf(Parent);
  if (T.Fixed) return FixedNode(T.Fixed);
  if (T.Anchor && T.Source.isValid()) return FolderNode(T.Anchor, T.Source);
  return nullptr;
}

QModelIndex TFolderTreeModel::IndexOfItem(const TFolderItem* Item) const {
  if (!Item || !Item->Parent) return {};
  const auto& Siblings = Item->Parent->Children;
  for (std::size_t Row = 0; Row < Siblings.size(); ++Row)
    if (Siblings[Row].get() == Item)
      return createIndex(static_cast<int>(Row), 0, FixedNode(Item->Parent));
  return {};
}

QModelIndex TFolderTreeModel::ParentFor(TFolderItem* Anchor, const QModelIndex& SourceParent,
                                        int* Offset) const {
  if (SourceParent == Anchor->Source) {
    *Offset = static_cast<int>(Anchor->Children.size());
    return IndexOfItem(Anchor);
  }
  *Offset = 0;
  return FromSource(Anchor, SourceParent);
}

QModelIndex TFolderTreeModel::FromSource(TFolderItem* Anchor, const QModelIndex& Source) const {
  if (!Source.isValid()) return {};
  if (Source == Anchor->Source) return IndexOfItem(Anchor);
  const QModelIndex Folder = Source.parent();
  if (Folder == Anchor->Source)
    return createIndex(Source.row() + static_cast<int>(Anchor->Children.size()), 0,
                       FixedNode(Anchor));
  return createIndex(Source.row(), 0, FolderNode(Anchor, Folder));
}

QModelIndex TFolderTreeModel::index(int Row, int Column, const QModelIndex& Parent) const {
  if (Row < 0 || Column != 0 || Row >= rowCount(Parent)) return {};
  Node* N = NodeOf(Parent);
  return N ? createIndex(Row, 0, N) : QModelIndex();
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& Index) const {
  if (!Index.isValid()) return {};
  const Node* N = static_cast<const Node*>(Index.internalPointer());
  if (N->Fixed) return IndexOfItem(N->Item);
  if (!N->Folder.isValid()) return {};
  return FromSource(N->Item, N->Folder);
}

int TFolderTreeModel::rowCount(const QModelIndex& Parent) const {
  if (Parent.column() > 0) return 0;
  const Node* N = NodeOf(Parent);
  if (!N) return 0;
  if (!N->Fixed) return N->Item->Files->rowCount(N->Folder);
  const TFolderItem* Item = N->Item;
  int Count = static_cast<int>(Item->Children.size());
  if (Item->Browse && Item->Source.isValid()) Count += Item->Files->rowCount(Item->Source);
  return Count;
}

int TFolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool TFolderTreeModel::hasChildren(const QModelIndex& Parent) const {
  if (!Parent.isValid()) return !top_->Children.empty();
  const Target T = TargetOf(Parent);
  if (T.Fixed)
    return !T.Fixed->Children.empty() ||
           (T.Fixed->Browse && T.Fixed->Source.isValid() &&
            T.Fixed->Files->hasChildren(T.Fixed->Source));
  return T.Anchor && T.Anchor->Files->hasChildren(T.Source);
}

bool TFolderTreeModel::canFetchMore(const QModelIndex& Parent) const {
  const Target T = TargetOf(Parent);
  if (T.Fixed)
    return T.Fixed->Browse && T.Fixed->Source.isValid() &&
           T.Fixed->Files->canFetchMore(T.Fixed->Source);
  return T.Anchor && T.Anchor->Files->canFetchMore(T.Source);
}

void TFolderTreeModel::fetchMore(const QModelIndex& Parent) {
  const Target T = TargetOf(Parent);
  if (T.Fixed && T.Fixed->Browse && T.Fixed->Source.isValid())
    T.Fixed->Files->fetchMore(T.Fixed->Source);
  else if (T.Anchor)
    T.Anchor->Files->fetchMore(T.Source);
}

QVariant TFolderTreeModel::data(const QModelIndex& Index, int Role) const {
  const Target T = TargetOf(Index);
  if (T.Fixed) {
    switch (Role) {
      case Qt::DisplayRole:
        return T.Fixed->Name;
      case Qt::DecorationRole:
        return icons_.icon(T.Fixed->Image);
      case Qt::ToolTipRole:
        return T.Fixed->Path.empty() ? QVariant() : QVariant(ToQString(T.Fixed->Path));
      default:
        return {};
    }
  }
  if (!T.Anchor) return {};
  switch (Role) {
    case Qt::DisplayRole:
    case Qt::DecorationRole:
      return T.Anchor->Files->data(T.Source, Role);
    case Qt::ToolTipRole:
      return T.Anchor->Files->filePath(T.Source);
    default:
      return {};
  }
}

Qt::ItemFlags TFolderTreeModel::flags(const QModelIndex& Index) const {
  if (!Index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

std::string TFolderTreeModel::ItemPath(const QModelIndex& Index) const {
  const Target T = TargetOf(Index);
  if (T.Fixed) return T.Fixed->Path;
  if (T.Anchor) return ToBytes(T.Anchor->Files->filePath(T.Source));
  return {};
}

QString TFolderTreeModel::ItemName(const QModelIndex& Index) const {
  return data(Index, Qt::DisplayRole).toString();
}

int TFolderTreeModel::ItemImage(const QModelIndex& Index) const {
  const Target T = TargetOf(Index);
  if (T.Fixed) return T.Fixed->Image;
  return QAbstractFileIconProvider::Folder;
}

bool TFolderTreeModel::IsComputer(const QModelIndex& Index) const {
  const Target T = TargetOf(Index);
  return T.Fixed && T.Fixed->Computer;
}

QModelIndex TFolderTreeModel::IndexForPath(const std::string& Path) {
  if (Path.empty()) return {};
  const QString Wanted = QDir::cleanPath(QFileInfo(ToQString(Path)).absoluteFilePath());
  const std::string WantedBytes = ToBytes(Wanted);

  // The deepest browsed item whose folder holds the path; the first one in
  // the tree's order among equals.
  TFolderItem* Best = nullptr;
  std::size_t BestLength = 0;
  for (TFolderItem* Anchor : anchors_) {
    if (!Anchor->Source.isValid()) continue;
    const std::string Folder = ToBytes(QDir::cleanPath(ToQString(Anchor->Path)));
    if (!IsAtOrBelow(WantedBytes, Folder)) continue;
    if (!Best || Folder.size() > BestLength) {
      Best = Anchor;
      BestLength = Folder.size();
    }
  }
  if (!Best) return {};
  // The source model would make up an item for any path asked for: only
  // folders the tree lists are looked up, hidden ones only while shown.
  if (!QFileInfo(Wanted).isDir()) return {};
  if (!showHidden_ && HasHiddenPart(WantedBytes.substr(BestLength))) return {};
  const QModelIndex Source = Best->Files->index(Wanted);
  if (!Under(Best, Source)) return {};
  return FromSource(Best, Source);
}

QModelIndex TFolderTreeModel::IndexForComputer(const QString& Name) const {
  std::vector<const TFolderItem*> Stack{top_.get()};
  while (!Stack.empty()) {
    const TFolderItem* Item = Stack.back();
    Stack.pop_back();
    if (Item->Computer && Item->Name.compare(Name, Qt::CaseInsensitive) == 0)
      return IndexOfItem(Item);
    for (auto It = Item->Children.rbegin(); It != Item->Children.rend(); ++It)
      Stack.push_back(It->get());
  }
  return {};
}
