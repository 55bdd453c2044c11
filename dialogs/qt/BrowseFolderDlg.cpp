#include "dialogs/BrowseFolderDlg.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <sys/stat.h>

#include "dialogs/FolderBrowserDialog.h"
#include "dialogs/FolderTree.h"
#include "platform/FileEnv.h"

// ---------------------------------------------------------------------------
// Decisions

std::uint32_t BrowseFlags(TBrowseKind Kind) {
  return Kind == bkComputers ? BIF_BROWSEFORCOMPUTER
                             : BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
}

std::string TrimFolderPath(const std::string& Path, char Delimiter) {
  if (Path.size() < 2 || Path.back() != Delimiter) return Path;
  if (Delimiter == '\\' && Path.size() == 3 && Path[1] == ':') {
    const char Drive = Path[0];
    if ((Drive >= 'A' && Drive <= 'Z') || (Drive >= 'a' && Drive <= 'z')) return Path;
  }
  return Path.substr(0, Path.size() - 1);
}

std::string TrimFolderPath(const std::string& Path) {
  return TrimFolderPath(Path, platform::PathDelimiter());
}

bool DirectoryExists(const std::string& Path) {
  if (Path.empty() || Path.find('\0') != std::string::npos) return false;
  struct stat Info;
  return ::stat(Path.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode);
}

TRect ClampToScreen(TRect Rect, int ScreenWidth, int ScreenHeight) {
  auto ShiftX = [&Rect](int By) {
    Rect.Left += By;
    Rect.Right += By;
  };
  auto ShiftY = [&Rect](int By) {
    Rect.Top += By;
    Rect.Bottom += By;
  };
  if (Rect.Right > ScreenWidth) ShiftX(ScreenWidth - Rect.Right);
  if (Rect.Left < 0) ShiftX(-Rect.Left);
  if (Rect.Bottom > ScreenHeight) ShiftY(ScreenHeight - Rect.Bottom);
  if (Rect.Top < 0) ShiftY(-Rect.Top);
  return Rect;
}

TRect CenterRect(const TRect& Rect, int ScreenWidth, int ScreenHeight) {
  const int Width = Rect.Right - Rect.Left;
  const int Height = Rect.Bottom - Rect.Top;
  // C++ integer division truncates toward zero, as the placement requires.
  const int Left = (ScreenWidth - Width) / 2;
  const int Top = (ScreenHeight - Height) / 2;
  return ClampToScreen({Left, Top, Left + Width, Top + Height}, ScreenWidth, ScreenHeight);
}

void CenterOnScreen(QWidget* Window) {
  const QScreen* Screen = QGuiApplication::primaryScreen();
  if (!Window || !Screen) return;
  const QRect Area = Screen->geometry();
  const QRect Frame = Window->frameGeometry();
  const TRect Placed = CenterRect({Frame.left() - Area.left(), Frame.top() - Area.top(),
                                   Frame.left() - Area.left() + Frame.width(),
                                   Frame.top() - Area.top() + Frame.height()},
                                  Area.width(), Area.height());
  Window->move(Area.left() + Placed.Left, Area.top() + Placed.Top);
}

TRect HelpButtonRect(const TRect& FirstButton) {
  const int Width = FirstButton.Right - FirstButton.Left;
  const int Height = FirstButton.Bottom - FirstButton.Top;
  return {12, FirstButton.Top, 12 + Width, FirstButton.Top + Height};
}

namespace {

THelpHandler& HelpHandler() {
  static THelpHandler Handler;
  return Handler;
}

std::string ToBytes(const QString& Text) { return QFile::encodeName(Text).toStdString(); }

}  // namespace

THelpHandler SetHelpHandler(THelpHandler Handler) {
  THelpHandler Previous = std::move(HelpHandler());
  HelpHandler() = std::move(Handler);
  return Previous;
}

bool ShowHelpContext(THelpContext Context) {
  if (!HelpHandler()) return false;
  HelpHandler()(Context);
  return true;
}

// ---------------------------------------------------------------------------
// The component

TBrowseFolderDlg::TBrowseFolderDlg(QObject* Owner) : QObject(Owner) {}

TBrowseFolderDlg::~TBrowseFolderDlg() = default;

bool TBrowseFolderDlg::Execute() {
  QPointer<QWidget> Previous = QApplication::activeWindow();
  const QString Text = FDialogText.empty()
                           ? QString()
                           : QFile::decodeName(QByteArray::fromStdString(FDialogText));
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
