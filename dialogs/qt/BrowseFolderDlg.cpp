#include "dialogs/qt/BrowseFolderDlg.h"

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QWidget>

#include "dialogs/qt/FolderBrowserDialog.h"
#include "dialogs/qt/FolderTree.h"
#include "dialogs/qt/SystemRoots.h"
#include "ui/qt/QtScreen.h"
#include "ui/qt/QtText.h"

TBrowseFolderDlg::TBrowseFolderDlg(QObject* Owner) : QObject(Owner) {}

TBrowseFolderDlg::~TBrowseFolderDlg() = default;

bool TBrowseFolderDlg::Execute() {
  QPointer<QWidget> Previous = QApplication::activeWindow();
  const QString Text = FDialogText.empty() ? QString() : ToQString(FDialogText);
  TFolderBrowserDialog Dialog(FBrowseKind, SystemFolderRoots(), Text, Previous);
  Dialog.setWindowModality(Qt::ApplicationModal);
  connect(&Dialog, &TFolderBrowserDialog::Initialized, this, &TBrowseFolderDlg::DoInitialized);
  connect(&Dialog, &TFolderBrowserDialog::SelectionChanged, this,
          &TBrowseFolderDlg::DoSelChanged);

  // However the run ends, the component lets go of the dialog and the window
  // that was active before gets the focus back.
  struct Restore {
    TBrowseFolderDlg* Self;
    QPointer<QWidget>& Previous;
    ~Restore() {
      Self->FDialogHandle = nullptr;
      Self->FFirstButton = nullptr;
      Self->FHelpButton = nullptr;
      if (Previous) Previous->activateWindow();
    }
  } Cleanup{this, Previous};
  FDialogHandle = &Dialog;

  if (Dialog.exec() != QDialog::Accepted) return false;

  const QModelIndex Item = Dialog.CurrentItem();
  std::string Folder;
  if (FBrowseKind == bkComputers) {
    FDisplayName = ToBytes(Dialog.Model()->ItemName(Item));
    Folder = FDisplayName;
  } else {
    const std::string Path = Dialog.Model()->ItemPath(Item);
    // The dialog confirms only with OK enabled, which takes a path.
    if (Path.empty()) return false;
    FDisplayName = ToBytes(Dialog.Model()->ItemName(Item));
    Folder = TrimFolderPath(Path);
  }
  FFolderName = Folder;
  FSelectedFolder = FFolderName;
  FImageIndex = Dialog.Model()->ItemImage(Item);
  return true;
}

void TBrowseFolderDlg::DoInitialized() {
  if (!FDialogHandle) return;
  if (FPosition == dpScreenCenter) CenterOnScreen(FDialogHandle);
  if (FBrowseKind == bkComputers || DirectoryExists(FFolderName)) SetSelection(FFolderName);
  if (FHelpContext != 0) AddHelpButton();
  if (FOnInitialized) FOnInitialized(this);
}

void TBrowseFolderDlg::DoSelChanged() {
  if (!FDialogHandle) return;
  const QModelIndex Item = FDialogHandle->CurrentItem();
  const TFolderTreeModel* Model = FDialogHandle->Model();
  if (FBrowseKind == bkComputers) {
    // The name of the computer under the cursor; the OK button is the
    // dialog's business here.
    FSelectedFolder = Model->IsComputer(Item) ? ToBytes(Model->ItemName(Item)) : std::string();
  } else {
    const std::string Path = Model->ItemPath(Item);
    FSelectedFolder = Path;
    EnableOK(!Path.empty() && DirectoryExists(Path));
  }
  if (FOnSelChanged) FOnSelChanged(this);
}

void TBrowseFolderDlg::SetSelection(const std::string& Folder) {
  if (FDialogHandle) FDialogHandle->SetSelection(Folder);
}

void TBrowseFolderDlg::EnableOK(bool Flag) {
  if (FDialogHandle) FDialogHandle->EnableOK(Flag);
}

void TBrowseFolderDlg::AddHelpButton() {
  const QList<QPushButton*> Buttons = FDialogHandle->findChildren<QPushButton*>();
  if (Buttons.isEmpty()) return;
  FFirstButton = Buttons.first();
  FHelpButton = new QPushButton(tr("&Help"), FDialogHandle);
  FHelpButton->setFont(FFirstButton->font());
  FHelpButton->setAutoDefault(false);
  connect(FHelpButton, &QPushButton::clicked, this, [this] {
    if (FHelpContext != 0) ShowHelpContext(FHelpContext);
  });
  PlaceHelpButton();
  FDialogHandle->ReserveButtonSpace(FHelpButton->width() + 12);
  // The first button moves with the layout when the dialog is resized; the
  // Help button keeps its row.
  FFirstButton->installEventFilter(this);
  FHelpButton->show();
  FDialogHandle->update();
}

void TBrowseFolderDlg::PlaceHelpButton() {
  if (!FHelpButton || !FFirstButton || !FDialogHandle) return;
  const QPoint TopLeft = FFirstButton->mapTo(FDialogHandle, QPoint(0, 0));
  const TRect Rect = HelpButtonRect({TopLeft.x(), TopLeft.y(),
                                     TopLeft.x() + FFirstButton->width(),
                                     TopLeft.y() + FFirstButton->height()});
  FHelpButton->setGeometry(Rect.Left, Rect.Top, Rect.Right - Rect.Left, Rect.Bottom - Rect.Top);
}

bool TBrowseFolderDlg::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FFirstButton && (Event->type() == QEvent::Move || Event->type() == QEvent::Resize))
    PlaceHelpButton();
  return QObject::eventFilter(Watched, Event);
}
