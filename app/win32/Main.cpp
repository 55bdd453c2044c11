#include "app/win32/Main.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "about/win32/About.h"
#include "app/BatchRun.h"
#include "app/win32/Application.h"
#include "app/win32/OpenDialog.h"
#include "dialogs/win32/BrowseFolderDlg.h"
#include "platform/RegistryStore.h"
#include "streams/Streams.h"
#include "ui/Pictures.h"
#include "ui/win32/Application.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Errors.h"
#include "ui/win32/Text.h"


namespace {

// The designed window (client area of a 389 x 188 window with the frame it
// was drawn with) and font.
constexpr int kFontHeight = -11;
constexpr char kFontName[] = "MS Sans Serif";

// A control of the designed layout, in its tab order, and the form's
// member that holds it.
struct TControlDesign {
  int Id;
  HWND THTMLMainForm::*Handle;
  const char* Class;
  const char* Text;
  DWORD Style;
  DWORD ExStyle;
  int Left, Top, Width, Height;
};

constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kPicker = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kField = WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;

using F = THTMLMainForm;
constexpr TControlDesign kControls[] = {
    {F::idButton1, &F::Button1, "BUTTON", "&Go!", kButton | WS_GROUP, 0, 8, 128, 75, 25},
    {F::idBitBtn1, &F::BitBtn1, "BUTTON", "", kPicker, 0, 8, 32, 25, 21},
    {F::idBitBtn2, &F::BitBtn2, "BUTTON", "", kPicker, 0, 8, 88, 25, 21},
    {F::idEdit1, &F::Edit1, "EDIT", "", kField, WS_EX_CLIENTEDGE, 40, 32, 305, 21},
    {F::idEdit2, &F::Edit2, "EDIT", "", kField, WS_EX_CLIENTEDGE, 40, 88, 305, 21},
    {F::idButton3, &F::Button3, "BUTTON", "&About", kButton, 0, 104, 128, 75, 25},
    {F::idButton2, &F::Button2, "BUTTON", "&Close", kButton, 0, 296, 128, 75, 25},
    {F::idStaticText1, &F::StaticText1, "STATIC", "Source file(s):", kLabel, 0, 8, 8, 68, 17},
    {F::idStaticText2, &F::StaticText2, "STATIC", "Destination path:", kLabel, 0, 8, 64, 84, 17},
};

constexpr int kGlyphSize = 16;

// The open-folder glyph and its grey copy side by side, as a bitmap whose
// lower-left pixel has the transparent colour (purple).
HBITMAP GlyphBitmap(COLORREF* Transparent) {
  constexpr std::uint8_t kPurple = 5;
  const TPicture normal = OpenFolderPicture();
  const TPicture grey = DisabledPicture(normal);
  TPalettePicture both{2 * kGlyphSize, kGlyphSize,
                       std::vector<TColor>(kPalette16.begin(), kPalette16.end()), {}};
  for (int y = 0; y < kGlyphSize; ++y)
    for (int x = 0; x < both.Width; ++x) {
      const std::uint8_t index = (x < kGlyphSize ? normal : grey).At(x % kGlyphSize, y);
      both.Pixels.push_back(index == kTransparent ? kPurple : index);
    }
  const TColor& key = both.ColorAt(0, kGlyphSize - 1);
  *Transparent = RGB(key.Red, key.Green, key.Blue);
  // The bitmap file past its 14-byte file header, in whole words: the info
  // header, the palette of 256 colours and the rows.
  const std::string file = BitmapFileBytes(both);
  std::vector<DWORD> info((file.size() - 14 + 3) / 4);
  std::memcpy(info.data(), file.data() + 14, file.size() - 14);
  const auto* header = reinterpret_cast<const BITMAPINFO*>(info.data());
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBitmap(screen, &header->bmiHeader, CBM_INIT, &info[(40 + 4 * 256) / 4],
                                  header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// The glyph's two images (0 enabled, 1 disabled), masked by its
// transparent colour.
HIMAGELIST GlyphImages() {
  COLORREF transparent = 0;
  HBITMAP bitmap = GlyphBitmap(&transparent);
  if (bitmap == nullptr) return nullptr;
  HIMAGELIST images = ImageList_Create(kGlyphSize, kGlyphSize, ILC_COLOR24 | ILC_MASK, 2, 0);
  if (images != nullptr) ImageList_AddMasked(images, bitmap, transparent);
  DeleteObject(bitmap);
  return images;
}

// The width of Control's text in Font.
int TextWidth(HWND Control, HFONT Font) {
  const std::string text = WindowText(Control);
  HDC dc = GetDC(Control);
  HGDIOBJ old = SelectObject(dc, Font);
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(Control, dc);
  return extent.cx;
}

bool IsPushButton(HWND Window) {
  char name[16] = {};
  GetClassNameA(Window, name, sizeof name);
  return lstrcmpiA(name, "BUTTON") == 0;
}

// The window's controls that can hold the focus, by their names in the
// window's decisions.
std::array<std::pair<HWND, TMainControl>, 7> NamedControls(const THTMLMainForm& Form) {
  return {{{Form.Button1, TMainControl::Go},
           {Form.BitBtn1, TMainControl::SourcePicker},
           {Form.BitBtn2, TMainControl::DestinationPicker},
           {Form.Button3, TMainControl::About},
           {Form.Button2, TMainControl::Close},
           {Form.Edit1, TMainControl::SourceField},
           {Form.Edit2, TMainControl::DestinationField}}};
}

}  // namespace

std::string FieldText(HWND Edit) { return WindowText(Edit); }

void SetFieldText(HWND Edit, const std::string& Text) {
  if (!SetWindowTextBytes(Edit, Text))
    throw Exception("The field cannot hold a text of " + std::to_string(Text.size()) +
                    " characters");
}

namespace {

// Counts a dialog open while it is.
struct TModal {
  int& Count;
  explicit TModal(int& Open) : Count(++Open) {}
  ~TModal() { --Count; }
};

// Closes Window when it is a visible window that Owner owns (a dialog's
// close is its cancel).
BOOL CALLBACK CloseOwnedDialog(HWND Window, LPARAM Owner) {
  if (GetWindow(Window, GW_OWNER) == reinterpret_cast<HWND>(Owner) && IsWindowVisible(Window))
    PostMessageA(Window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

// The window as the presenter sees it. Each dialog is counted while it is
// open, so that a close asked for meanwhile waits for the dialog's loop.
class THTMLMainForm::TView : public TMainView {
  THTMLMainForm& form_;
  int modal_ = 0;  // dialogs open

public:
  explicit TView(THTMLMainForm& Form) : form_(Form) {}

  // The text's extent in the window's font against the edit control's
  // client width less its margins.
  bool FieldShowsAll(TMainField Field) const override {
    const HWND edit = form_.Field(Field);
    RECT client;
    GetClientRect(edit, &client);
    const DWORD margins = static_cast<DWORD>(SendMessageA(edit, EM_GETMARGINS, 0, 0));
    return TextWidth(edit, form_.font_) <= client.right - LOWORD(margins) - HIWORD(margins);
  }
  // The text of the field's tool in the window's tool tip control.
  void SetFieldHint(TMainField Field, const std::string& Text) override {
    if (form_.toolTips_ == nullptr) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = form_.handle_;
    tool.uId = reinterpret_cast<UINT_PTR>(form_.Field(Field));
    tool.lpszText = const_cast<char*>(Text.c_str());
    SendMessageA(form_.toolTips_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  void EnableControls(bool Enabled) override { form_.EnableControls(Enabled); }
  bool ControlEnabled(TMainControl Which) const override {
    const HWND control = form_.Control(Which);
    return control != nullptr && IsWindowEnabled(control) != FALSE;
  }
  TMainControl FocusedControl() const override { return form_.ControlOf(GetFocus()); }
  void FocusControl(TMainControl Which) override {
    const HWND control = form_.Control(Which);
    if (control == nullptr) return;
    // A window that is not the active one gives it once it is activated.
    if (GetActiveWindow() == form_.handle_)
      SetFocus(control);
    else
      form_.lastFocus_ = control;
  }
  bool Maximized() const override { return IsZoomed(form_.handle_) != FALSE; }
  std::string CurrentFolder() const override {
    char current[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof current, current);
    return length > 0 && length <= MAX_PATH ? std::string(current, length) : std::string();
  }
  std::optional<std::vector<std::string>> ChooseFiles(const std::string& Folder) override {
    TModal modal(modal_);
    return form_.FileDialog(Folder);
  }
  std::optional<std::string> BrowseForFolder(const std::string& StartFolder) override {
    TModal modal(modal_);
    TBrowseFolderDlg& dialog = *form_.BrowseFolderDlg;
    if (!StartFolder.empty()) dialog.FolderName = StartFolder;
    if (!form_.ExecuteBrowse(dialog)) return std::nullopt;
    return dialog.SelectedFolder();
  }
  void ErrorBox(const std::string& Text) override {
    TModal modal(modal_);
    form_.BatchErrorBox(Text);
  }
  void ShowAbout() override {
    TModal modal(modal_);
    form_.AboutBox();
  }
  void CloseDialogs() override {
    EnumThreadWindows(GetCurrentThreadId(), CloseOwnedDialog,
                      reinterpret_cast<LPARAM>(form_.handle_));
  }
  void ProcessMessages() override { ::ProcessMessages(); }
  void SpanScreen() override { form_.SpanScreen(); }
  // WM_CLOSE: sent, or posted while a dialog's loop is on the stack, so
  // that the window is not destroyed under it.
  void CloseWindow() override {
    if (form_.handle_ == nullptr) return;
    if (modal_ > 0)
      PostMessageA(form_.handle_, WM_CLOSE, 0, 0);
    else
      SendMessageA(form_.handle_, WM_CLOSE, 0, 0);
  }

  std::string FieldText(TMainField Field) const override { return ::FieldText(form_.Field(Field)); }
  void SetFieldText(TMainField Field, const std::string& Text) override {
    ::SetFieldText(form_.Field(Field), Text);
  }
};

THTMLMainForm::THTMLMainForm(std::unique_ptr<platform::SettingsStore> Store, platform::FileEnv* Env)
    : TMainForm(std::make_unique<TView>(*this),
                Store ? std::move(Store) : std::make_unique<platform::RegistryStore>(SSettingsKey),
                Env) {
  FileDialog = [this](const std::string& Folder) { return RunOpenDialog(handle_, Folder); };
  BatchErrorBox = [this](const std::string& Text) {
    CentredMessageBox(handle_, Text, "Error", MB_OK | MB_ICONERROR);
  };
  ExecuteBrowse = [](TBrowseFolderDlg& Dialog) { return Dialog.Execute(); };
  AboutBox = [this] { ShowAboutBox(handle_); };

  const HINSTANCE instance = GetModuleHandleA(nullptr);
  static const ATOM windowClass = [instance] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXA c{};
    c.cbSize = sizeof c;
    c.lpfnWndProc = WindowProc;
    c.hInstance = instance;
    c.hIcon = LoadIconA(instance, "MAINICON");
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.lpszClassName = ClassName;
    return RegisterClassExA(&c);
  }();
  if (windowClass == 0) RaiseLastWin32Error();

  // The designed client area, scaled, inside the frame this system draws
  // (which gives the designed 389 x 188 with the frame it was drawn with).
  // The window paints around its controls, so that one moved into the
  // part a widening uncovers is not painted over.
  constexpr DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT frame{0, 0, Scaled(kDesignedClientWidth), Scaled(kDesignedClientHeight)};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  font_ = CreateFontA(Scaled(kFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, kFontName);
  glyphs_ = GlyphImages();
  if (CreateWindowExA(0, ClassName, SApplicationTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                      instance, this) == nullptr) {
    const DWORD error = GetLastError();
    if (font_ != nullptr) DeleteObject(font_);
    if (glyphs_ != nullptr) ImageList_Destroy(glyphs_);
    if (createError_) std::rethrow_exception(createError_);
    throw EWin32Error(error);
  }
}

THTMLMainForm::~THTMLMainForm() {
  if (handle_ != nullptr) DestroyWindow(handle_);
  if (font_ != nullptr) DeleteObject(font_);
  if (glyphs_ != nullptr) ImageList_Destroy(glyphs_);
}

void THTMLMainForm::Show(int ShowCommand) {
  ShowWindow(handle_, ShowCommand);
  UpdateWindow(handle_);
  if (IsWindowEnabled(Button1)) {
    lastFocus_ = Button1;
    if (GetActiveWindow() == handle_) SetFocus(Button1);
  }
}

LRESULT CALLBACK THTMLMainForm::WindowProc(HWND Window, UINT Message, WPARAM WParam,
                                           LPARAM LParam) {
  auto* form = reinterpret_cast<THTMLMainForm*>(GetWindowLongPtrA(Window, GWLP_USERDATA));
  if (Message == WM_NCCREATE) {
    form = static_cast<THTMLMainForm*>(reinterpret_cast<CREATESTRUCTA*>(LParam)->lpCreateParams);
    form->handle_ = Window;
    SetWindowLongPtrA(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  if (form == nullptr) return DefWindowProcA(Window, Message, WParam, LParam);
  LRESULT result = 0;
  ReportErrors([&] { result = form->HandleMessage(Message, WParam, LParam); });
  return result;
}

LRESULT THTMLMainForm::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_CREATE:
      // A window without its controls is not made at all; an error while
      // loading the settings is reported, and the window is made.
      try {
        CreateControls();
      } catch (...) {
        createError_ = std::current_exception();
        return -1;
      }
      SetApplicationWindow(handle_);
      SetDialogKeysWindow(handle_);
      DragAcceptFiles(handle_, TRUE);
      presenter_->FormCreate();
      return 0;
    case WM_SIZE:
      if (WParam != SIZE_MINIMIZED) FormResize();
      return 0;
    case WM_DROPFILES:
      DropFiles(reinterpret_cast<HDROP>(WParam));
      return 0;
    case WM_COMMAND:
      Command(LOWORD(WParam), HIWORD(WParam), reinterpret_cast<HWND>(LParam));
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Keys that reach the window itself (no control has the focus).
      presenter_->FormKeyDown(static_cast<int>(WParam), TMainControl::None);
      break;
    case WM_CTLCOLORSTATIC: {
      const HWND control = reinterpret_cast<HWND>(LParam);
      if (control != Edit1 && control != Edit2) break;
      SetBkColor(reinterpret_cast<HDC>(WParam), GetSysColor(COLOR_3DLIGHT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DLIGHT));
    }
    case WM_DRAWITEM:
      DrawPicker(*reinterpret_cast<const DRAWITEMSTRUCT*>(LParam));
      return TRUE;
    case WM_ACTIVATE:
      Activate(LOWORD(WParam) != WA_INACTIVE, HIWORD(WParam) != 0);
      return 0;
    case WM_CLOSE:  // the close box, Alt+F4, the system menu, "&Close"
      if (presenter_->FormCloseQuery()) DestroyWindow(handle_);
      return 0;
    case WM_QUERYENDSESSION:
      return presenter_->FormCloseQuery() ? TRUE : FALSE;
    case WM_ENDSESSION:
      // The session may end as soon as this returns: the paths are saved
      // now, then the window ends as it does on any request to end (once
      // its dialogs have closed, or a run has finished the file at hand).
      if (WParam) {
        ReportErrors([this] { presenter_->FormDestroy(); });
        presenter_->RequestEnd();
      }
      return 0;
    case WM_DESTROY:
      if (ApplicationWindow() == handle_) SetApplicationWindow(nullptr);
      SetDialogKeysWindow(nullptr);
      BrowseFolderDlg.reset();
      ReportErrors([this] { presenter_->FormDestroy(); });
      PostQuitMessage(0);  // the main window gone, the program ends
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
      handle_ = toolTips_ = nullptr;
      for (const TControlDesign& c : kControls) this->*c.Handle = nullptr;
      break;
  }
  return DefWindowProcA(handle_, Message, WParam, LParam);
}

LRESULT CALLBACK THTMLMainForm::ControlProc(HWND Window, UINT Message, WPARAM WParam,
                                            LPARAM LParam, UINT_PTR Id, DWORD_PTR Form) {
  auto* form = reinterpret_cast<THTMLMainForm*>(Form);
  switch (Message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Every focusable control hands its keys to the presenter; the
      // control still gets them, but for Enter, which presses the focused
      // button (there is no default button).
      ReportErrors([&] {
        form->presenter_->FormKeyDown(static_cast<int>(WParam), form->ControlOf(Window));
      });
      if (!IsWindow(Window)) return 0;
      if (Message == WM_KEYDOWN && WParam == VK_RETURN && IsPushButton(Window)) return 0;
      break;
    case WM_GETDLGCODE: {
      // A button asks the dialog keys for Enter, which it handles itself.
      const LRESULT code = DefSubclassProc(Window, Message, WParam, LParam);
      const MSG* pending = reinterpret_cast<const MSG*>(LParam);
      if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN &&
          IsPushButton(Window))
        return code | DLGC_WANTMESSAGE;
      return code;
    }
    case WM_SETFOCUS:
      // Tab makes the button it reaches the default one and the others
      // plain again; focus that comes another way (a click, a field) must
      // not leave another button looking like the default one.
      for (HWND button : {form->Button1, form->Button3, form->Button2}) {
        const LONG style = GetWindowLongA(button, GWL_STYLE);
        if (button != Window && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
          SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(Window, ControlProc, Id);
      break;
  }
  return DefSubclassProc(Window, Message, WParam, LParam);
}

void THTMLMainForm::CreateControls() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const TControlDesign& c : kControls) {
    HWND control = CreateWindowExA(c.ExStyle, c.Class, c.Text, c.Style, Scaled(c.Left),
                                   Scaled(c.Top), Scaled(c.Width), Scaled(c.Height), handle_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.Id)), instance,
                                   nullptr);
    if (control == nullptr) RaiseLastWin32Error();
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    this->*c.Handle = control;
  }
  // No length limit: a source list of thousands of paths stays whole.
  for (HWND field : {Edit1, Edit2}) SendMessageA(field, EM_SETLIMITTEXT, 0, 0);
  // Where the designed font is missing, a wider one must not cut a label.
  for (HWND label : {StaticText1, StaticText2}) {
    const int width = TextWidth(label, font_);
    RECT r;
    GetWindowRect(label, &r);
    if (width > r.right - r.left)
      SetWindowPos(label, nullptr, 0, 0, width, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  for (HWND control : {BitBtn1, Edit1, BitBtn2, Edit2, Button1, Button3, Button2})
    SetWindowSubclass(control, ControlProc, 0, reinterpret_cast<DWORD_PTR>(this));

  BrowseFolderDlg = std::make_unique<TBrowseFolderDlg>(handle_);
  BrowseFolderDlg->DialogText = "Destination path:";
  CreateToolTips();
}

void THTMLMainForm::CreateToolTips() {
  toolTips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle_, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  if (toolTips_ == nullptr) return;  // a window without tool tips still works
  // A width of its own lets a tip break its lines at '\n' (the source list's).
  SendMessageA(toolTips_, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN) / 2);
  const std::pair<HWND, const char*> tools[] = {
      {BitBtn1, SSourcePickerHint}, {BitBtn2, SDestinationPickerHint}, {Edit1, ""}, {Edit2, ""}};
  for (const auto& [control, text] : tools) {
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = handle_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(toolTips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void THTMLMainForm::Command(int Id, int Code, HWND Control) {
  if (Id == IDCANCEL) {  // Escape presses "&Close", the cancel button
    presenter_->Escape();
    return;
  }
  if ((Id == idEdit1 || Id == idEdit2) && Code == EN_CHANGE) {
    presenter_->UpdateHints();
    return;
  }
  if (Code == BN_CLICKED && Control != nullptr) presenter_->Press(ControlOf(Control));
}

void THTMLMainForm::DropFiles(HDROP Drop) {
  std::vector<TDroppedItem> items;
  const UINT count = DragQueryFileA(Drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::string path(DragQueryFileA(Drop, i, nullptr, 0), '\0');
    DragQueryFileA(Drop, i, path.data(), static_cast<UINT>(path.size() + 1));
    items.push_back(FindDroppedItem(path));
  }
  POINT at{};
  DragQueryPoint(Drop, &at);
  DragFinish(Drop);
  RECT field;
  GetWindowRect(Edit2, &field);
  MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(&field), 2);
  presenter_->Drop(items, PtInRect(&field, at) != FALSE);
}

void THTMLMainForm::DrawPicker(const DRAWITEMSTRUCT& Item) {
  RECT r = Item.rcItem;
  const bool pressed = (Item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (Item.itemState & ODS_DISABLED) != 0;
  DrawFrameControl(Item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  const int shift = pressed ? 1 : 0;
  const int x = r.left + (r.right - r.left - kGlyphSize) / 2 + shift;
  const int y = r.top + (r.bottom - r.top - kGlyphSize) / 2 + shift;
  if (glyphs_ != nullptr) ImageList_Draw(glyphs_, disabled ? 1 : 0, Item.hDC, x, y, ILD_TRANSPARENT);
  if ((Item.itemState & ODS_FOCUS) != 0 && (Item.itemState & ODS_NOFOCUSRECT) == 0) {
    RECT focus = r;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(Item.hDC, &focus);
  }
}

void THTMLMainForm::Activate(bool Active, bool Minimized) {
  if (!Active) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(handle_, focus)) lastFocus_ = focus;
    return;
  }
  if (Minimized) return;
  HWND target = lastFocus_;
  if (target == nullptr || !IsWindow(target) || !IsWindowEnabled(target))
    target = GetNextDlgTabItem(handle_, nullptr, FALSE);
  SetFocus(target != nullptr ? target : handle_);
}

void THTMLMainForm::FormResize() {
  RECT client, picker, edit, close;
  GetClientRect(handle_, &client);
  GetWindowRect(BitBtn1, &picker);
  GetWindowRect(Edit1, &edit);
  GetWindowRect(Button2, &close);
  for (RECT* r : {&picker, &edit, &close})
    MapWindowPoints(nullptr, handle_, reinterpret_cast<POINT*>(r), 2);
  const TMainLayout layout =
      MainLayout(client.right, picker.left, edit.left, close.right - close.left);
  for (HWND field : {Edit1, Edit2}) {
    RECT r;
    GetWindowRect(field, &r);
    SetWindowPos(field, nullptr, 0, 0, layout.EditWidth, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SetWindowPos(Button2, nullptr, layout.CloseLeft, close.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  presenter_->UpdateHints();
}

TMainControl THTMLMainForm::ControlOf(HWND Window) const {
  for (const auto& [control, name] : NamedControls(*this))
    if (control == Window && Window != nullptr) return name;
  return TMainControl::None;
}

HWND THTMLMainForm::Control(TMainControl Which) const {
  for (const auto& [control, name] : NamedControls(*this))
    if (name == Which) return control;
  return nullptr;
}

void THTMLMainForm::EnableControls(bool Enabled) {
  for (HWND button : {Button1, Button2, BitBtn1, BitBtn2}) EnableWindow(button, Enabled);
}

void THTMLMainForm::SpanScreen() {
  RECT r;
  GetWindowRect(handle_, &r);
  const TRect placed = SpanScreenFrame({r.left, r.top, r.right, r.bottom},
                                       {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  SetWindowPos(handle_, nullptr, placed.Left, placed.Top, placed.Right - placed.Left,
               placed.Bottom - placed.Top, SWP_NOZORDER | SWP_NOACTIVATE);
}
