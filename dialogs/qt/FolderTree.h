#pragma once

// The folder tree behind the folder browser.
//
// The upper part of the tree is fixed: items such as "Computer", the file
// system root, the mounted drives, the desktop or the known computers. An
// item with Browse set lists the sub-folders of its path below its fixed
// children; those come from a directories-only QFileSystemModel of its own,
// so that the same folder reached through two items (the root and a drive
// mounted below it) never makes one source row appear twice.

#include <QAbstractItemModel>
#include <QFileIconProvider>
#include <QPersistentModelIndex>
#include <QString>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/BrowseFolderLogic.h"
#include "dialogs/FolderRoots.h"

class QFileSystemModel;
class QFileSystemWatcher;

struct TFolderItem {
  QString Name;
  std::string Path;  // empty for an item without a file-system path
  QAbstractFileIconProvider::IconType Image = QAbstractFileIconProvider::Folder;
  bool Computer = false;  // a computer: its name is what choosing it yields
  bool Browse = false;    // list Path's sub-folders after Children
  std::vector<std::unique_ptr<TFolderItem>> Children;
  TFolderItem* Parent = nullptr;

  // Set by the model for a Browse item: the sub-folders' source model and
  // the index of Path in it (invalid when Path does not exist).
  QFileSystemModel* Files = nullptr;
  QPersistentModelIndex Source;

  TFolderItem* Add(QString Name, std::string Path, QAbstractFileIconProvider::IconType Image,
                   bool Browse);
};

// The invisible top item of the tree for Kind.
std::unique_ptr<TFolderItem> BuildFolderTree(TBrowseKind Kind, const TFolderRoots& Roots);

class TFolderTreeModel : public QAbstractItemModel {
  Q_OBJECT

public:
  // ShowHidden: the sub-folders include hidden ones (names starting with a
  // full stop).
  explicit TFolderTreeModel(std::unique_ptr<TFolderItem> Top, QObject* Parent = nullptr,
                            bool ShowHidden = false);
  ~TFolderTreeModel() override;

  QModelIndex index(int Row, int Column, const QModelIndex& Parent = {}) const override;
  QModelIndex parent(const QModelIndex& Index) const override;
  int rowCount(const QModelIndex& Parent = {}) const override;
  int columnCount(const QModelIndex& Parent = {}) const override;
  bool hasChildren(const QModelIndex& Parent = {}) const override;
  bool canFetchMore(const QModelIndex& Parent) const override;
  void fetchMore(const QModelIndex& Parent) override;
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& Index) const override;

  // The file-system path of an item, empty when it has none.
  std::string ItemPath(const QModelIndex& Index) const;
  QString ItemName(const QModelIndex& Index) const;
  // The item's icon kind, a QAbstractFileIconProvider::IconType.
  int ItemImage(const QModelIndex& Index) const;
  bool IsComputer(const QModelIndex& Index) const;

  // The item of Path below the deepest browsed item holding it; invalid when
  // the tree does not show Path (a folder in a hidden folder while hidden
  // folders are not shown).
  QModelIndex IndexForPath(const std::string& Path);

  bool ShowHidden() const { return showHidden_; }
  // The computer item called Name (case ignored); invalid when none.
  QModelIndex IndexForComputer(const QString& Name) const;
  // The index of a fixed item; invalid for the top.
  QModelIndex IndexOfItem(const TFolderItem* Item) const;
  const TFolderItem* Top() const { return top_.get(); }

private:
  // A parent of rows: a fixed item (Folder unused), or a folder below the
  // browsed item Item. Every index points at the node of its parent.
  struct Node {
    TFolderItem* Item = nullptr;
    bool Fixed = true;
    QPersistentModelIndex Folder;
  };
  // What an index stands for: a fixed item, or a source row below Anchor.
  struct Target {
    TFolderItem* Fixed = nullptr;
    TFolderItem* Anchor = nullptr;
    QModelIndex Source;
  };

  void Attach(TFolderItem* Item);
  void Watch(TFolderItem* Anchor);
  void FolderChanged(const QString& Path);
  Node* FixedNode(const TFolderItem* Item) const;
  Node* FolderNode(TFolderItem* Anchor, const QModelIndex& Folder) const;
  Node* NodeOf(const QModelIndex& Parent) const;
  Target TargetOf(const QModelIndex& Index) const;
  QModelIndex FromSource(TFolderItem* Anchor, const QModelIndex& Source) const;
  QModelIndex ParentFor(TFolderItem* Anchor, const QModelIndex& SourceParent, int* Offset) const;
  static bool Under(const TFolderItem* Anchor, const QModelIndex& Source);

  std::unique_ptr<TFolderItem> top_;
  mutable std::map<const TFolderItem*, std::unique_ptr<Node>> fixed_;
  mutable std::map<std::pair<const TFolderItem*, const void*>, std::unique_ptr<Node>> folders_;
  std::vector<TFolderItem*> anchors_;
  // The source models do not notice their own root folder going away.
  QFileSystemWatcher* roots_ = nullptr;
  // Per source model, whether each change under way concerns its anchor.
  std::map<const QFileSystemModel*, std::vector<bool>> pending_;
  std::vector<std::pair<QPersistentModelIndex, QPersistentModelIndex>> layout_;
  // Also the sub-folders' icons: it falls back on the style's folder icon
  // where the desktop has no icon theme. It outlives the source models.
  QFileIconProvider icons_;
  bool showHidden_ = false;
};
