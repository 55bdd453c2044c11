#include "about/win32/About.h"

#include <commctrl.h>

#include <exception>
#include <string>

#include "about/win32/AboutRes.h"
#include "about/win32/FileUtils.h"
#include "ui/win32/Application.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Errors.h"
#include "ui/win32/Screen.h"

namespace {

// The box as designed, in pixels at 96 dpi: the client area and the panel
// in client coordinates, the panel's controls relative to the panel. On a
// screen of another density every length and font is scaled (Scaled); the
// logo keeps its picture's size.
constexpr int kClientWidth = 262;
constexpr int kPanelLeft = 4;
constexpr int kPanelTop = 4;
constexpr int kPanelWidth = 253;
constexpr int kImageTop = 8;  // BrindleImage's top: the vertical margin
constexpr int kInfoLeft = 8;
constexpr int kInfoTop = 176;
constexpr int kButtonHeight = 26;

enum TFontKind { fkForm, fkProductName, fkLarge, fkLink, fkCount };

struct TFontDesign {
  const char* Face;
  int Height;  // character height in pixels, as a negative LOGFONT height
  bool Bold;
  bool Underline;
  BYTE Charset;
};

constexpr TFontDesign kFonts[fkCount] = {
    {"MS Sans Serif", 11, false, false, DEFAULT_CHARSET},  // the form's font
    {"Arial", 19, true, false, ANSI_CHARSET},              // ProductName
    {"MS Sans Serif", 13, false, false, DEFAULT_CHARSET},  // Version, StaticText1
    {"MS Sans Serif", 11, false, true, DEFAULT_CHARSET},   // the links
};

// One control of the box. Controls of the panel are positioned relative to
// it; they are the dialog's children all the same, so that their
// notifications and colour queries reach the dialog.
struct TControlDesign {
  int Id;
  const char* ClassName;
  DWORD Style;
  int Left, Top, Width, Height;
  bool InPanel;
  TFontKind Font;
  bool AutoSize;  // sized to its text when the box opens
  const char* Text;
};

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;

const TControlDesign kControls[] = {
    {IDC_PANEL1, "STATIC", SS_SUNKEN | WS_CLIPSIBLINGS, kPanelLeft, kPanelTop, kPanelWidth, 197,
     false, fkForm, false, ""},
    {IDC_BRINDLEIMAGE, "STATIC", SS_OWNERDRAW, 8, kImageTop, 140, 28, true, fkForm, false, ""},
    {IDC_PROGRAMICON, "STATIC", SS_ICON | SS_REALSIZECONTROL, 208, 8, 32, 32, true, fkForm, false,
     ""},
    {IDC_PRODUCTNAME, "STATIC", kLabel, 8, 48, 126, 22, true, fkProductName, true, ""},
    {IDC_VERSION, "STATIC", kLabel, 8, 80, 46, 16, true, fkLarge, true, "Version"},
    {IDC_STATICTEXT1, "STATIC", kLabel, 8, 110, 95, 20, true, fkLarge, false, SAuthorName},
    {IDC_LABEL4, "STATIC", kLabel | SS_NOTIFY, 112, 112, 102, 13, true, fkLink, true, SMakerEmail},
    {IDC_LABEL3, "STATIC", kLabel, 8, 144, 39, 13, true, fkForm, true, "Internet:"},
    {IDC_LABEL2, "STATIC", kLabel | SS_NOTIFY, 56, 144, 72, 13, true, fkLink, true, SMakerHost},
    {IDC_INFOLABEL, "STATIC", kLabel, kInfoLeft, kInfoTop, 44, 13, true, fkForm, false, ""},
    {IDOK, "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 102, 208, 66, kButtonHeight, false, fkForm,
     false, "&OK"},
};

// The two links: the label, and the address its hint shows and a click opens.
struct TLink {
  int Id;
  std::string Address;
};

class TAboutBox {
public:
  explicit TAboutBox(const TAboutContent& Content);
  ~TAboutBox();
  TAboutBox(const TAboutBox&) = delete;
  TAboutBox& operator=(const TAboutBox&) = delete;

  static INT_PTR CALLBACK DialogProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);

  // An error raised inside the dialog's modal loop; ShowAboutBox raises it
  // once the box is gone.
  std::exception_ptr Error;

private:
  INT_PTR Handle(UINT Message, WPARAM WParam, LPARAM LParam);
  void CreateControls();
  void AddHints();
  void FormShow();
  void LabelClick(int Id);
  void AutoSize(int Id);
  // Places control Id at its designed position Left, Top in the panel, Width x
  // Height pixels large.
  void PlaceInPanel(int Id, int Left, int Top, int Width, int Height);
  void SetClientHeight(int Height);
  void ConvertLogo();
  void DrawLogo(const DRAWITEMSTRUCT& Item);
  const TLink* LinkOf(HWND Control) const;

  const TAboutContent& content_;
  HWND window_ = nullptr;
  HFONT fonts_[fkCount] = {};
  HICON icon_ = nullptr;
  HBITMAP logo_ = nullptr;  // 24 bits a pixel
  COLORREF logoKey_ = 0;    // the logo's colour drawn transparently
  SIZE logoSize_ = {0, 0};
  const TLink links_[2] = {{IDC_LABEL4, std::string("mailto:") + SMakerEmail},
                           {IDC_LABEL2, SMakerHomePage}};
};

TAboutBox::TAboutBox(const TAboutContent& Content) : content_(Content) {
  for (int Kind = 0; Kind < fkCount; ++Kind) {
    const TFontDesign& Font = kFonts[Kind];
    fonts_[Kind] =
        ::CreateFontA(-Scaled(Font.Height), 0, 0, 0, Font.Bold ? FW_BOLD : FW_NORMAL, FALSE,
                      Font.Underline, FALSE, Font.Charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Font.Face);
  }
}

TAboutBox::~TAboutBox() {
  for (HFONT Font : fonts_)
    if (Font) ::DeleteObject(Font);
  if (icon_) ::DestroyIcon(icon_);
  if (logo_) ::DeleteObject(logo_);
}

INT_PTR CALLBACK TAboutBox::DialogProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  if (Message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(Window, DWLP_USER, LParam);
    reinterpret_cast<TAboutBox*>(LParam)->window_ = Window;
  }
  auto* Box = reinterpret_cast<TAboutBox*>(::GetWindowLongPtrA(Window, DWLP_USER));
  if (!Box) return FALSE;
  try {
    return Box->Handle(Message, WParam, LParam);
  } catch (...) {
    // No error may unwind through the dialog manager: the box closes and
    // ShowAboutBox raises it.
    if (!Box->Error) Box->Error = std::current_exception();
    ::EndDialog(Window, IDCANCEL);
    return TRUE;
  }
}

INT_PTR TAboutBox::Handle(UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_INITDIALOG:
      CreateControls();
      FormShow();
      CenterOnScreen(window_);
      // The OK button is the active control.
      ::SetFocus(::GetDlgItem(window_, IDOK));
      return FALSE;

    case WM_COMMAND: {
      const int Id = LOWORD(WParam);
      // OK is the default button (Enter) and the cancel button (Escape, the
      // close box): each closes the box with the result OK.
      if (Id == IDOK || Id == IDCANCEL) {
        ::EndDialog(window_, IDOK);
        return TRUE;
      }
      if (HIWORD(WParam) == STN_CLICKED && (Id == IDC_LABEL2 || Id == IDC_LABEL4)) {
        LabelClick(Id);
        return TRUE;
      }
      return FALSE;
    }

    case WM_CTLCOLORSTATIC: {
      const HDC Dc = reinterpret_cast<HDC>(WParam);
      const HWND Control = reinterpret_cast<HWND>(LParam);
      ::SetTextColor(Dc, LinkOf(Control) ? RGB(0, 0, 255) : RGB(0, 0, 0));
      ::SetBkColor(Dc, ::GetSysColor(COLOR_BTNFACE));
      if (::GetDlgCtrlID(Control) == IDC_LABEL2) ::SetBkMode(Dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
    }

    case WM_SETCURSOR:
      if (LinkOf(reinterpret_cast<HWND>(WParam))) {
        ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
        ::SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;

    case WM_DRAWITEM:
      if (WParam == IDC_BRINDLEIMAGE) {
        DrawLogo(*reinterpret_cast<const DRAWITEMSTRUCT*>(LParam));
        return TRUE;
      }
      return FALSE;

    default:
      return FALSE;
  }
}

void TAboutBox::CreateControls() {
  const HINSTANCE Instance = ::GetModuleHandleA(nullptr);
  for (const TControlDesign& Design : kControls) {
    const int Left = Scaled(Design.Left) + (Design.InPanel ? Scaled(kPanelLeft) : 0);
    const int Top = Scaled(Design.Top) + (Design.InPanel ? Scaled(kPanelTop) : 0);
    const HWND Control = ::CreateWindowExA(
        0, Design.ClassName, Design.Text, WS_CHILD | WS_VISIBLE | Design.Style, Left, Top,
        Scaled(Design.Width), Scaled(Design.Height), window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(Design.Id)), Instance, nullptr);
    if (!Control) RaiseLastWin32Error();
    ::SendMessageA(Control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[Design.Font]), FALSE);
    // Tab order is creation order, as in a dialog template.
    ::SetWindowPos(Control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (Design.AutoSize) AutoSize(Design.Id);
  }
  // The panel lies beneath its controls; it takes no focus, so the tab
  // order of the rest stays.
  ::SetWindowPos(::GetDlgItem(window_, IDC_PANEL1), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  AddHints();
}

void TAboutBox::AddHints() {
  INITCOMMONCONTROLSEX Classes{sizeof Classes, ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&Classes);
  const HWND Tip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                     ::GetModuleHandleA(nullptr), nullptr);
  // Without its hints the box still works.
  if (!Tip) return;
  for (const TLink& Link : links_) {
    TOOLINFOA Tool{};
    Tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every version of the control
    Tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    Tool.hwnd = window_;
    Tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(window_, Link.Id));
    Tool.lpszText = const_cast<char*>(Link.Address.c_str());
    ::SendMessageA(Tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&Tool));
  }
}

void TAboutBox::FormShow() {
  // 1. The version line, from the design text "Version" each time.
  ::SetDlgItemTextA(window_, IDC_VERSION,
                    VersionCaption(content_.VersionText, content_.ProductVersion).c_str());
  AutoSize(IDC_VERSION);
  // 2. The product name.
  ::SetDlgItemTextA(window_, IDC_PRODUCTNAME, ApplicationTitle().c_str());
  AutoSize(IDC_PRODUCTNAME);
  // 3. The program's icon.
  icon_ = static_cast<HICON>(
      ::LoadImageA(::GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
  if (icon_)
    ::SendDlgItemMessageA(window_, IDC_PROGRAMICON, STM_SETICON, reinterpret_cast<WPARAM>(icon_),
                          0);
  // 4., 5. The information text, wrapped to the panel's width less its
  // margins, and as tall as it needs (no height when empty).
  const int InfoWidth = Scaled(kPanelWidth) - 2 * Scaled(kInfoLeft);
  const std::string& InfoText = content_.InfoText;
  ::SetDlgItemTextA(window_, IDC_INFOLABEL, InfoText.c_str());
  int InfoHeight = 0;
  if (!InfoText.empty()) {
    const HWND Info = ::GetDlgItem(window_, IDC_INFOLABEL);
    const HDC Dc = ::GetDC(Info);
    const HGDIOBJ Old = ::SelectObject(Dc, fonts_[fkForm]);
    RECT Bounds{0, 0, InfoWidth, 0};
    ::DrawTextA(Dc, InfoText.c_str(), static_cast<int>(InfoText.size()), &Bounds,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_LEFT);
    ::SelectObject(Dc, Old);
    ::ReleaseDC(Info, Dc);
    InfoHeight = Bounds.bottom - Bounds.top;
  }
  PlaceInPanel(IDC_INFOLABEL, kInfoLeft, kInfoTop, InfoWidth, InfoHeight);
  // 6.-8. The panel ends below the label, the button below the panel, the
  // box below the button.
  const TAboutHeights Heights = AboutHeights(Scaled(kPanelTop), Scaled(kImageTop), Scaled(kInfoTop),
                                             InfoHeight, Scaled(kButtonHeight));
  ::SetWindowPos(::GetDlgItem(window_, IDC_PANEL1), nullptr, 0, 0, Scaled(kPanelWidth),
                 Heights.PanelHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT Button;
  const HWND OK = ::GetDlgItem(window_, IDOK);
  ::GetWindowRect(OK, &Button);
  ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&Button), 1);
  ::SetWindowPos(OK, nullptr, Button.left, Heights.ButtonTop, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetClientHeight(Heights.ClientHeight);
  // 9. The logo in 24 bits a pixel, drawn transparently.
  ConvertLogo();
}

void TAboutBox::LabelClick(int Id) {
  for (const TLink& Link : links_)
    if (Link.Id == Id) OpenWithShell(Link.Address, "", "", SW_SHOW);
}

void TAboutBox::AutoSize(int Id) {
  const HWND Control = ::GetDlgItem(window_, Id);
  char Text[256] = {};
  const int Length = ::GetWindowTextA(Control, Text, sizeof Text);
  const HDC Dc = ::GetDC(Control);
  const HGDIOBJ Old =
      ::SelectObject(Dc, reinterpret_cast<HFONT>(::SendMessageA(Control, WM_GETFONT, 0, 0)));
  // Measured the way the control draws its text, so that all of it fits.
  RECT Bounds{0, 0, 0, 0};
  ::DrawTextA(Dc, Length > 0 ? Text : " ", Length > 0 ? Length : 1, &Bounds,
              DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | DT_NOPREFIX | DT_SINGLELINE);
  if (Length == 0) Bounds.right = 0;
  ::SelectObject(Dc, Old);
  ::ReleaseDC(Control, Dc);
  ::SetWindowPos(Control, nullptr, 0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TAboutBox::PlaceInPanel(int Id, int Left, int Top, int Width, int Height) {
  ::SetWindowPos(::GetDlgItem(window_, Id), nullptr, Scaled(kPanelLeft) + Scaled(Left),
                 Scaled(kPanelTop) + Scaled(Top), Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TAboutBox::SetClientHeight(int Height) {
  RECT Bounds{0, 0, Scaled(kClientWidth), Height};
  ::AdjustWindowRectEx(&Bounds, static_cast<DWORD>(::GetWindowLongPtrA(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(window_, GWL_EXSTYLE)));
  ::SetWindowPos(window_, nullptr, 0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TAboutBox::ConvertLogo() {
  const auto Stored = static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr),
                                                        MAKEINTRESOURCEA(IDB_BRINDLELOGO),
                                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!Stored) return;
  BITMAP Info{};
  ::GetObjectA(Stored, sizeof Info, &Info);
  logoSize_ = {Info.bmWidth, Info.bmHeight};

  BITMAPINFO Format{};
  Format.bmiHeader.biSize = sizeof Format.bmiHeader;
  Format.bmiHeader.biWidth = Info.bmWidth;
  Format.bmiHeader.biHeight = Info.bmHeight;
  Format.bmiHeader.biPlanes = 1;
  Format.bmiHeader.biBitCount = 24;
  Format.bmiHeader.biCompression = BI_RGB;
  void* Bits = nullptr;
  logo_ = ::CreateDIBSection(nullptr, &Format, DIB_RGB_COLORS, &Bits, nullptr, 0);
  if (logo_) {
    const HDC From = ::CreateCompatibleDC(nullptr);
    const HDC To = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ OldFrom = ::SelectObject(From, Stored);
    const HGDIOBJ OldTo = ::SelectObject(To, logo_);
    ::BitBlt(To, 0, 0, Info.bmWidth, Info.bmHeight, From, 0, 0, SRCCOPY);
    // The bottom-left pixel's colour is the logo's background.
    logoKey_ = ::GetPixel(To, 0, Info.bmHeight - 1);
    ::SelectObject(From, OldFrom);
    ::SelectObject(To, OldTo);
    ::DeleteDC(From);
    ::DeleteDC(To);
  }
  ::DeleteObject(Stored);
  // The image sizes itself to its picture.
  PlaceInPanel(IDC_BRINDLEIMAGE, 8, kImageTop, logoSize_.cx, logoSize_.cy);
}

void TAboutBox::DrawLogo(const DRAWITEMSTRUCT& Item) {
  ::FillRect(Item.hDC, &Item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
  if (!logo_) return;
  const HDC Source = ::CreateCompatibleDC(Item.hDC);
  const HGDIOBJ Old = ::SelectObject(Source, logo_);
  ::TransparentBlt(Item.hDC, Item.rcItem.left, Item.rcItem.top, logoSize_.cx, logoSize_.cy, Source,
                   0, 0, logoSize_.cx, logoSize_.cy, logoKey_);
  ::SelectObject(Source, Old);
  ::DeleteDC(Source);
}

const TLink* TAboutBox::LinkOf(HWND Control) const {
  if (!Control || ::GetParent(Control) != window_) return nullptr;
  const int Id = ::GetDlgCtrlID(Control);
  for (const TLink& Link : links_)
    if (Link.Id == Id) return &Link;
  return nullptr;
}

}  // namespace

void ShowAboutBox(HWND Owner, const TAboutContent& Content) {
  TAboutBox Box(Content);
  ::SetLastError(0);
  const INT_PTR Result =
      ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUTBOX), Owner,
                        TAboutBox::DialogProc, reinterpret_cast<LPARAM>(&Box));
  if (Box.Error) std::rethrow_exception(Box.Error);
  if (Result <= 0) RaiseLastWin32Error();
}

void ShowAboutBox(HWND Owner) { ShowAboutBox(Owner, ProgramAboutContent()); }
