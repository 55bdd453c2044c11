#include "dialogs/win32/BrowseFolderDlg.h"

#include <utility>
#include <vector>

#include "ui/win32/Errors.h"
#include "ui/win32/Screen.h"

namespace {

// The window property through which the subclassed dialog finds its
// component.
constexpr char kComponentProperty[] = "Pagetrim.TBrowseFolderDlg";

// The control identifier of the added Help button: a click on it arrives as
// WM_COMMAND with wParam 0xFFFF (BN_CLICKED in the high word).
constexpr int kHelpButtonId = 0xFFFF;
// WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, a plain push button.
constexpr DWORD kHelpButtonStyle = 0x54010000;

class TShellFoldersImpl final : public TShellFolders {
public:
  HRESULT SpecialFolderLocation(int Folder, LPITEMIDLIST* List) override {
    *List = nullptr;
    return ::SHGetSpecialFolderLocation(nullptr, Folder, List);
  }
  LPITEMIDLIST BrowseForFolder(BROWSEINFOA* Info) override { return ::SHBrowseForFolderA(Info); }
  bool PathFromIDList(LPCITEMIDLIST List, char* Path) override {
    return ::SHGetPathFromIDListA(List, Path) != FALSE;
  }
  void FreeIDList(LPITEMIDLIST List) override { ::CoTaskMemFree(List); }
};

// An item list the shell returned, released when the scope ends.
class TItemList {
public:
  TItemList(TShellFolders* Shell, LPITEMIDLIST List) : shell_(Shell), list_(List) {}
  ~TItemList() {
    if (list_) shell_->FreeIDList(list_);
  }
  TItemList(const TItemList&) = delete;
  TItemList& operator=(const TItemList&) = delete;

private:
  TShellFolders* shell_;
  LPITEMIDLIST list_;
};

// The thread's other top-level windows while a modal dialog runs: every
// visible, enabled one is disabled, and on leaving the scope each that
// still exists is enabled again and the window that was active before is
// activated.
class TTaskWindowsDisabled {
public:
  TTaskWindowsDisabled() : active_(::GetActiveWindow()) {
    ::EnumThreadWindows(::GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(this));
  }
  ~TTaskWindowsDisabled() {
    for (HWND Window : disabled_)
      if (::IsWindow(Window)) ::EnableWindow(Window, TRUE);
    if (active_ && ::IsWindow(active_)) ::SetActiveWindow(active_);
  }
  TTaskWindowsDisabled(const TTaskWindowsDisabled&) = delete;
  TTaskWindowsDisabled& operator=(const TTaskWindowsDisabled&) = delete;

private:
  static BOOL CALLBACK DisableWindow(HWND Window, LPARAM Data) {
    auto* Self = reinterpret_cast<TTaskWindowsDisabled*>(Data);
    if (::IsWindowVisible(Window) && ::IsWindowEnabled(Window)) {
      ::EnableWindow(Window, FALSE);
      Self->disabled_.push_back(Window);
    }
    return TRUE;
  }

  HWND active_;
  std::vector<HWND> disabled_;
};

}  // namespace

TShellFolders* TShellFolders::Default() {
  static TShellFoldersImpl Shell;
  return &Shell;
}

TBrowseFolderDlg::TBrowseFolderDlg(HWND Owner) : Owner(Owner), FDisplayName(MAX_PATH, '\0') {}

TBrowseFolderDlg::~TBrowseFolderDlg() = default;

bool TBrowseFolderDlg::Execute() {
  LPITEMIDLIST Root = nullptr;
  if (BrowseKind != bkDesktop) {
    const int Folder = BrowseKind == bkComputers ? CSIDL_NETWORK : CSIDL_DRIVES;
    const HRESULT Result = Shell->SpecialFolderLocation(Folder, &Root);
    if (FAILED(Result)) {
      // A list handed out with a failure is the caller's all the same.
      Shell->FreeIDList(Root);
      throw EOleSysError(Result);
    }
  }
  const TItemList RootList(Shell, Root);

  FDisplayName.assign(MAX_PATH, '\0');
  BROWSEINFOA Info{};
  Info.hwndOwner = Owner;
  Info.pidlRoot = Root;
  Info.pszDisplayName = FDisplayName.data();
  Info.lpszTitle = DialogText.empty() ? nullptr : DialogText.c_str();
  Info.ulFlags = BrowseFlags(BrowseKind);
  Info.lpfn = BrowseCallback;
  Info.lParam = reinterpret_cast<LPARAM>(this);
  Info.iImage = 0;

  LPITEMIDLIST Chosen = nullptr;
  {
    // However the dialog ends, the component lets go of it.
    struct TRelease {
      TBrowseFolderDlg* Self;
      ~TRelease() {
        Self->FDialogHandle = nullptr;
        Self->FDefWndProc = nullptr;
      }
    } Release{this};
    const TTaskWindowsDisabled Modal;
    FPendingError = nullptr;
    Chosen = Shell->BrowseForFolder(&Info);
  }
  const TItemList ChosenList(Shell, Chosen);
  if (FPendingError) std::rethrow_exception(std::exchange(FPendingError, nullptr));
  if (!Chosen) return false;

  std::string Folder;
  if (BrowseKind == bkComputers) {
    Folder = FDisplayName.c_str();
  } else {
    char Path[MAX_PATH + 1] = {};
    if (!Shell->PathFromIDList(Chosen, Path)) RaiseLastWin32Error();
    Folder = TrimFolderPath(Path);
  }
  FolderName = Folder;
  FSelectedFolder = FolderName;
  FImageIndex = Info.iImage;
  return true;
}

int CALLBACK TBrowseFolderDlg::BrowseCallback(HWND Window, UINT Message, LPARAM LParam,
                                              LPARAM Data) {
  auto* Self = reinterpret_cast<TBrowseFolderDlg*>(Data);
  try {
    switch (Message) {
      case BFFM_INITIALIZED:
        if (Self->Position == dpScreenCenter) CenterOnScreen(Window);
        Self->FDialogHandle = Window;
        ::SetPropA(Window, kComponentProperty, Self);
        Self->FDefWndProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
        Self->DoInitialized();
        break;
      case BFFM_SELCHANGED:
        Self->FDialogHandle = Window;
        Self->DoSelChanged(reinterpret_cast<LPCITEMIDLIST>(LParam));
        break;
      default:
        break;
    }
  } catch (...) {
    // The error waits for the end of the run; the dialog is cancelled.
    if (!Self->FPendingError) Self->FPendingError = std::current_exception();
    ::PostMessageA(Window, WM_COMMAND, IDCANCEL, 0);
  }
  return 0;
}

LRESULT CALLBACK TBrowseFolderDlg::SubclassProc(HWND Window, UINT Msg, WPARAM WParam,
                                                LPARAM LParam) {
  auto* Self = static_cast<TBrowseFolderDlg*>(::GetPropA(Window, kComponentProperty));
  if (!Self) return ::DefWindowProcA(Window, Msg, WParam, LParam);
  TMessage Message{Msg, WParam, LParam, 0};
  try {
    Self->WndProc(Message);
  } catch (...) {
    if (!Self->FPendingError) Self->FPendingError = std::current_exception();
    ::PostMessageA(Window, WM_COMMAND, IDCANCEL, 0);
  }
  return Message.Result;
}

void TBrowseFolderDlg::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_COMMAND:
      WMCommand(Message);
      break;
    case WM_NCDESTROY:
      WMNCDestroy(Message);
      break;
    default:
      DefaultHandler(Message);
      break;
  }
}

void TBrowseFolderDlg::DefaultHandler(TMessage& Message) {
  if (FDialogHandle)
    Message.Result =
        ::CallWindowProcA(FDefWndProc, FDialogHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TBrowseFolderDlg::WMCommand(TMessage& Message) {
  if (Message.WParam == kHelpButtonId && HelpContext != 0) {
    ShowHelpContext(HelpContext);
    return;
  }
  DefaultHandler(Message);
}

void TBrowseFolderDlg::WMNCDestroy(TMessage& Message) {
  const HWND Window = FDialogHandle;
  DefaultHandler(Message);
  if (Window) ::RemovePropA(Window, kComponentProperty);
  FDialogHandle = nullptr;
}

void TBrowseFolderDlg::DoInitialized() {
  if (BrowseKind == bkComputers || DirectoryExists(FolderName)) SetSelection(FolderName);
  if (HelpContext != 0) AddHelpButton();
  if (OnInitialized) OnInitialized(*this);
}

void TBrowseFolderDlg::DoSelChanged(LPCITEMIDLIST List) {
  if (BrowseKind == bkComputers) {
    FSelectedFolder = FDisplayName.c_str();
  } else {
    char Path[MAX_PATH + 1] = {};
    if (Shell->PathFromIDList(List, Path)) {
      FSelectedFolder = Path;
      EnableOK(DirectoryExists(FSelectedFolder));
    } else {
      FSelectedFolder.clear();
      EnableOK(false);
    }
  }
  if (OnSelChanged) OnSelChanged(*this);
}

void TBrowseFolderDlg::SetSelection(const std::string& Folder) {
  if (FDialogHandle)
    ::SendMessageA(FDialogHandle, BFFM_SETSELECTIONA, TRUE,
                   reinterpret_cast<LPARAM>(Folder.c_str()));
}

void TBrowseFolderDlg::EnableOK(bool Flag) {
  if (FDialogHandle) ::SendMessageA(FDialogHandle, BFFM_ENABLEOK, 0, Flag ? 1 : 0);
}

void TBrowseFolderDlg::AddHelpButton() {
  const HWND First = ::FindWindowExA(FDialogHandle, nullptr, "BUTTON", nullptr);
  if (!First) return;
  RECT Bounds;
  ::GetWindowRect(First, &Bounds);
  POINT TopLeft{Bounds.left, Bounds.top};
  POINT BottomRight{Bounds.right, Bounds.bottom};
  ::ScreenToClient(FDialogHandle, &TopLeft);
  ::ScreenToClient(FDialogHandle, &BottomRight);
  const HFONT Font = reinterpret_cast<HFONT>(::SendMessageA(FDialogHandle, WM_GETFONT, 0, 0));
  const TRect Help = HelpButtonRect({TopLeft.x, TopLeft.y, BottomRight.x, BottomRight.y});
  const HWND Button = ::CreateWindowExA(0, "BUTTON", "&Help", kHelpButtonStyle, Help.Left, Help.Top,
                                        Help.Right - Help.Left, Help.Bottom - Help.Top,
                                        FDialogHandle, reinterpret_cast<HMENU>(kHelpButtonId),
                                        ::GetModuleHandleA(nullptr), nullptr);
  if (Button && Font) ::SendMessageA(Button, WM_SETFONT, reinterpret_cast<WPARAM>(Font), TRUE);
  ::UpdateWindow(FDialogHandle);
}
