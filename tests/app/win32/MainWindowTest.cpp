// The Win32 main window, driven in this process with window messages: its
// design, layout, keys, closing, settings in the real registry, and batch
// runs over real files.

#include "app/win32/Main.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/BatchRun.h"
#include "app/win32/Application.h"
#include "dialogs/win32/BrowseFolderDlg.h"
#include "platform/FileEnv.h"
#include "platform/RegistryStore.h"
#include "support/FaultFileEnv.h"
#include "support/TempDir.h"
#include "support/win32/GuiTest.h"
#include "ui/Pictures.h"
#include "ui/win32/Application.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/Text.h"

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// A document whose compacted form is known: two lines joined by one blank.
constexpr char kDoc[] = "abc\r\ndef\r\n";
constexpr char kDocOut[] = "abc def";

// Keys as the system sends them: lParam with the repeat count 1, and the
// context bit when Alt is held.
LPARAM KeyData(bool Alt = false) { return 1 | (Alt ? 1 << 29 : 0); }

RECT ClientRectOf(HWND Window) {
  RECT r{};
  GetClientRect(Window, &r);
  return r;
}

// Window's rectangle in the client coordinates of its parent.
RECT PlaceOf(HWND Window) {
  RECT r = WindowRect(Window);
  MapWindowPoints(nullptr, GetParent(Window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

struct TPlace {
  int Left, Top, Width, Height;
  bool operator==(const TPlace&) const = default;
};
std::ostream& operator<<(std::ostream& Out, const TPlace& P) {
  return Out << P.Left << "," << P.Top << " " << P.Width << "x" << P.Height;
}
TPlace Place(HWND Window) {
  const RECT r = PlaceOf(Window);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}
TPlace Designed(int Left, int Top, int Width, int Height) {
  return {Scaled(Left), Scaled(Top), Scaled(Width), Scaled(Height)};
}

class MainWindowTest : public testing::Test {
protected:
  void SetUp() override {
    SetApplicationTitle("Pagetrim");  // as start-up does
    previousBox = SetErrorReportBox([this](const std::string& Caption, const std::string& Text) {
      reports.push_back(Caption + ": " + Text);
    });
  }
  void TearDown() override {
    form.reset();
    SetErrorReportBox(previousBox);
    PumpMessages();
  }

  // Opens the window on the scratch key, shows it and lets it settle; the
  // dialogs are recorders.
  THTMLMainForm& Open() {
    form = std::make_unique<THTMLMainForm>(std::make_unique<platform::RegistryStore>(key.Path()),
                                           fileEnv);
    realBatchErrorBox = form->BatchErrorBox;
    form->FileDialog = [this](const std::string& Folder) {
      calls.push_back("files " + Folder);
      return chosenFiles;
    };
    form->BatchErrorBox = [this](const std::string& Text) { calls.push_back("error " + Text); };
    form->AboutBox = [this] { calls.push_back("about"); };
    form->ExecuteBrowse = [this](TBrowseFolderDlg& Dialog) {
      calls.push_back("browse " + Dialog.FolderName);
      return false;  // cancelled
    };
    form->Show(SW_SHOWNORMAL);
    ProcessMessages();
    return *form;
  }

  // Sends a key to Control as the system does, Alt held or not.
  void Key(HWND Control, int VirtualKey, bool Alt = false) {
    SendMessageA(Control, Alt ? WM_SYSKEYDOWN : WM_KEYDOWN, VirtualKey, KeyData(Alt));
  }
  // Posts a key to Control and handles it as the message loop does.
  void PostKey(HWND Control, int VirtualKey) {
    PostMessageA(Control, WM_KEYDOWN, VirtualKey, KeyData());
    ProcessMessages();
  }

  // The focusable controls, each of which hands its keys to FormKeyDown.
  std::vector<HWND> Focusable() const {
    return {form->BitBtn1, form->Edit1, form->BitBtn2, form->Edit2,
            form->Button1, form->Button3, form->Button2};
  }

  ScratchRegistryKey key;
  std::unique_ptr<THTMLMainForm> form;
  std::vector<std::string> reports;
  std::vector<std::string> calls;
  std::optional<std::vector<std::string>> chosenFiles;
  TErrorBoxFunc previousBox;
  std::function<void(const std::string&)> realBatchErrorBox;  // the window's own
  platform::FileEnv* fileEnv = nullptr;  // the window's file services; null: the system's
};

// ---- Design

TEST_F(MainWindowTest, WindowAsDesigned) {
  Open();
  const HWND w = form->Handle();
  EXPECT_EQ(ClassOf(w), "THTMLMainForm");
  EXPECT_EQ(TextOf(w), "Pagetrim");
  EXPECT_EQ(FindWindowA("THTMLMainForm", "Pagetrim"), w);
  EXPECT_EQ(ApplicationWindow(), w) << "the owner of the program's dialogs";
  const LONG style = GetWindowLongA(w, GWL_STYLE);
  for (LONG bit : {WS_THICKFRAME, WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_CAPTION})
    EXPECT_EQ(style & bit, bit) << std::hex << bit;
  EXPECT_EQ(GetClassLongPtrA(w, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));

  // The designed client area, in the frame this system draws; Wine's frame
  // is the one the window was designed with, 389 x 188 outside.
  const RECT client = ClientRectOf(w);
  EXPECT_EQ(client.bottom, Scaled(161));
  EXPECT_EQ(client.right, Scaled(381));
  RECT frame = client;
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  const RECT outer = WindowRect(w);
  EXPECT_EQ(outer.right - outer.left, frame.right - frame.left);
  EXPECT_EQ(outer.bottom - outer.top, frame.bottom - frame.top);
  if (ScreenDpi() == 96 && frame.right - frame.left - client.right == 8 &&
      frame.bottom - frame.top - client.bottom == 27) {  // Wine's frame, for one
    EXPECT_EQ(outer.right - outer.left, 389);
    EXPECT_EQ(outer.bottom - outer.top, 188);
  }

  // The font, on every control.
  for (HWND c : {form->StaticText1, form->StaticText2, form->Edit1, form->Edit2, form->Button1,
                 form->Button2, form->Button3}) {
    LOGFONTA font{};
    ASSERT_NE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(c, WM_GETFONT, 0, 0)),
                         sizeof font, &font),
              0);
    EXPECT_EQ(font.lfHeight, Scaled(-11));
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
  }
}

TEST_F(MainWindowTest, ControlsAtTheirDesignedPlacesWithTheirTexts) {
  Open();
  // The fields and "&Close" as the first layout leaves them.
  const int width = ClientRectOf(form->Handle()).right;
  EXPECT_EQ(Place(form->BitBtn1), Designed(8, 32, 25, 21));
  EXPECT_EQ(Place(form->Edit1), (TPlace{Scaled(40), Scaled(32), width - Scaled(48), Scaled(21)}));
  EXPECT_EQ(Place(form->BitBtn2), Designed(8, 88, 25, 21));
  EXPECT_EQ(Place(form->Edit2), (TPlace{Scaled(40), Scaled(88), width - Scaled(48), Scaled(21)}));
  EXPECT_EQ(Place(form->Button1), Designed(8, 128, 75, 25));
  EXPECT_EQ(Place(form->Button3), Designed(104, 128, 75, 25));
  EXPECT_EQ(Place(form->Button2),
            (TPlace{width - Scaled(83), Scaled(128), Scaled(75), Scaled(25)}));
  // Labels are at least as wide as designed (wider where the font is).
  const TPlace label1 = Place(form->StaticText1), label2 = Place(form->StaticText2);
  EXPECT_EQ((TPlace{label1.Left, label1.Top, 0, label1.Height}), Designed(8, 8, 0, 17));
  EXPECT_EQ((TPlace{label2.Left, label2.Top, 0, label2.Height}), Designed(8, 64, 0, 17));
  EXPECT_GE(label1.Width, Scaled(68));
  EXPECT_GE(label2.Width, Scaled(84));

  EXPECT_EQ(TextOf(form->StaticText1), "Source file(s):");
  EXPECT_EQ(TextOf(form->StaticText2), "Destination path:");
  EXPECT_EQ(TextOf(form->Button1), "&Go!");
  EXPECT_EQ(TextOf(form->Button3), "&About");
  EXPECT_EQ(TextOf(form->Button2), "&Close");
  EXPECT_EQ(TextOf(form->BitBtn1), "");
  EXPECT_EQ(TextOf(form->BitBtn2), "");
  for (HWND b : {form->Button1, form->Button2, form->Button3})
    EXPECT_EQ(GetWindowLongA(b, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON) << "no default button";
}

TEST_F(MainWindowTest, FieldsAreReadOnlyInTheLightColourWithoutTabStopOrLimit) {
  Open();
  HDC dc = CreateCompatibleDC(nullptr);
  for (HWND field : {form->Edit1, form->Edit2}) {
    const LONG style = GetWindowLongA(field, GWL_STYLE);
    EXPECT_NE(style & ES_READONLY, 0);
    EXPECT_EQ(style & WS_TABSTOP, 0);
    EXPECT_GE(static_cast<DWORD>(SendMessageA(field, EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEu);
    const LRESULT brush = SendMessageA(form->Handle(), WM_CTLCOLORSTATIC,
                                       reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(field));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_3DLIGHT)));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_3DLIGHT));
  }
  DeleteDC(dc);
  for (HWND label : {form->StaticText1, form->StaticText2})
    EXPECT_EQ(GetWindowLongA(label, GWL_STYLE) & WS_TABSTOP, 0);

  // A source list of thousands of paths stays whole.
  std::string list;
  for (int i = 0; i < 5000; ++i) list += "C:\\Web\\pages\\page" + std::to_string(i) + ".htm|";
  list.pop_back();
  SetFieldText(form->Edit1, list);
  EXPECT_EQ(FieldText(form->Edit1), list);
}

// The picker's pixels, drawn into a bitmap of its own.
std::vector<COLORREF> DrawnPicker(THTMLMainForm& Form, HWND Picker, UINT State, RECT* Item) {
  const RECT r = ClientRectOf(Picker);
  *Item = r;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = static_cast<UINT>(GetDlgCtrlID(Picker));
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = State;
  item.hwndItem = Picker;
  item.hDC = dc;
  item.rcItem = r;
  SendMessageA(Form.Handle(), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
  std::vector<COLORREF> pixels;
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x) pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

TEST_F(MainWindowTest, PickersShowTheGlyphWithItsGreyCopyWhenDisabled) {
  Open();
  for (UINT state : {0u, static_cast<UINT>(ODS_DISABLED)}) {
    const TPicture picture =
        state == 0 ? OpenFolderPicture() : DisabledPicture(OpenFolderPicture());
    RECT r;
    const std::vector<COLORREF> pixels = DrawnPicker(*form, form->BitBtn1, state, &r);
    const int left = (r.right - 16) / 2, top = (r.bottom - 16) / 2;
    int differences = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const std::uint8_t p = picture.At(x, y);
        const COLORREF want = p == kTransparent
                                  ? GetSysColor(COLOR_BTNFACE)
                                  : RGB(kPalette16[p].Red, kPalette16[p].Green, kPalette16[p].Blue);
        const COLORREF got = pixels[static_cast<std::size_t>((top + y) * r.right + left + x)];
        if (got != want) ++differences;
      }
    EXPECT_EQ(differences, 0) << "state " << state;
  }
}

// ---- Layout

TEST_F(MainWindowTest, FieldsAndCloseFollowTheClientWidth) {
  Open();
  const RECT outer = WindowRect(form->Handle());
  const int frame = (outer.right - outer.left) - ClientRectOf(form->Handle()).right;
  const TPlace goBefore = Place(form->Button1);
  // The last width asked for is below what the system allows: the window
  // becomes as narrow as it can.
  for (const int asked : {500, 381, 0}) {
    SetWindowPos(form->Handle(), nullptr, 0, 0, asked + frame, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    const int width = ClientRectOf(form->Handle()).right;
    if (asked != 0) {
      ASSERT_EQ(width, asked);
    }
    if (ScreenDpi() != 96) continue;  // the numbers are those of the design
    const int field = std::max(0, width - 48);
    EXPECT_EQ(Place(form->Edit1), (TPlace{40, 32, field, 21})) << width;
    EXPECT_EQ(Place(form->Edit2), (TPlace{40, 88, field, 21})) << width;
    EXPECT_EQ(Place(form->Button2), (TPlace{width - 83, 128, 75, 25})) << width;
    EXPECT_EQ(Place(form->Button1), goBefore) << "nothing else moves";
  }
  if (ScreenDpi() == 96) {
    SetWindowPos(form->Handle(), nullptr, 0, 0, 500 + frame, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Place(form->Edit1).Width, 452);
    EXPECT_EQ(Place(form->Edit2).Width, 452);
    EXPECT_EQ(Place(form->Button2).Left, 417);
  }
}

TEST_F(MainWindowTest, TheWindowPaintsAroundItsControlsHoweverWide) {
  // The window paints (its background too) through such a device context:
  // a control left in it, such as "&Close" moved into the part a widening
  // uncovers, would be painted over.
  Open();
  const HWND w = form->Handle();
  const RECT outer = WindowRect(w);
  auto check = [&](const std::string& How) {
    HDC dc = GetDC(w);
    const RECT client = ClientRectOf(w);
    EXPECT_TRUE(PtVisible(dc, client.right - 2, client.bottom - 2)) << How << ": background";
    for (HWND c : Focusable()) {
      const RECT r = PlaceOf(c);
      EXPECT_FALSE(PtVisible(dc, (r.left + r.right) / 2, (r.top + r.bottom) / 2))
          << How << ": " << GetDlgCtrlID(c);
    }
    ReleaseDC(w, dc);
  };
  for (const int width : {616, 640}) {
    SetWindowPos(w, nullptr, 0, 0, width, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
    check(std::to_string(width));
  }
  Key(form->Button3, VK_F5);
  check("F5");
  ShowWindow(w, SW_MAXIMIZE);
  check("maximised");
}

// ---- Controls while busy

TEST_F(MainWindowTest, EnableControlsTouchesGoClosePickersOnly) {
  Open();
  const HCURSOR cursor = GetCursor();
  form->EnableControls(false);
  for (HWND c : {form->Button1, form->Button2, form->BitBtn1, form->BitBtn2})
    EXPECT_FALSE(IsWindowEnabled(c));
  for (HWND c : {form->Button3, form->Edit1, form->Edit2, form->StaticText1, form->StaticText2})
    EXPECT_TRUE(IsWindowEnabled(c));
  EXPECT_TRUE(form->Busy());
  EXPECT_EQ(GetCursor(), cursor);
  form->EnableControls(true);
  for (HWND c : {form->Button1, form->Button2, form->BitBtn1, form->BitBtn2})
    EXPECT_TRUE(IsWindowEnabled(c));
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(GetCursor(), cursor);
}

// ---- Focus and keys

TEST_F(MainWindowTest, GoHasTheFocusAndTabVisitsTheButtonsInOrder) {
  Open();
  EXPECT_EQ(GetFocus(), form->Button1);
  std::vector<HWND> visited;
  for (int i = 0; i < 5; ++i) {
    PostKey(GetFocus(), VK_TAB);
    visited.push_back(GetFocus());
  }
  EXPECT_THAT(visited, ElementsAre(form->BitBtn1, form->BitBtn2, form->Button3, form->Button2,
                                   form->Button1));
}

TEST_F(MainWindowTest, TheDefaultButtonLookStaysWithTheFocusedButton) {
  Open();
  chosenFiles = std::nullopt;  // a picker clicked: its dialog is cancelled
  auto defaults = [this] {
    std::vector<HWND> found;
    for (HWND b : {form->Button1, form->Button3, form->Button2})
      if ((GetWindowLongA(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) found.push_back(b);
    return found;
  };
  auto click = [](HWND Control) {
    SendMessageA(Control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(Control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  };
  // Tab gives "&About" the look; the focus then moves on to Target.
  const struct {
    std::function<void()> Move;
    HWND Target;
    std::vector<HWND> Defaults;
  } cases[] = {
      {[&] { PostKey(form->Button3, VK_TAB); }, form->Button2, {form->Button2}},
      {[&] { click(form->Edit1); }, form->Edit1, {}},
      {[&] { click(form->Edit2); }, form->Edit2, {}},
      {[&] { click(form->BitBtn1); }, form->BitBtn1, {}},
      {[&] { SetFocus(form->Button1); }, form->Button1, {}},
  };
  for (const auto& c : cases) {
    SetFocus(form->BitBtn2);
    PostKey(form->BitBtn2, VK_TAB);
    ASSERT_EQ(GetFocus(), form->Button3);
    ASSERT_THAT(defaults(), ElementsAre(form->Button3));
    c.Move();
    EXPECT_EQ(GetFocus(), c.Target);
    EXPECT_EQ(defaults(), c.Defaults) << GetDlgCtrlID(c.Target);
  }
  EXPECT_THAT(reports, IsEmpty());
}

TEST_F(MainWindowTest, F2AndF3ChooseFromEveryControlWhateverModifiersAreHeld) {
  Open();
  chosenFiles = std::nullopt;  // the dialog is cancelled
  int sources = 0;
  for (HWND control : Focusable())
    for (bool alt : {false, true}) {
      Key(control, VK_F3, alt);
      ++sources;
    }
  SetFieldText(form->Edit2, "C:\\Out\\");
  for (HWND control : Focusable()) Key(control, VK_F2, control == form->Edit1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "browse C:\\Out"),
            static_cast<std::ptrdiff_t>(Focusable().size()));
  BYTE keys[256];
  GetKeyboardState(keys);
  BYTE held[256];
  std::copy(std::begin(keys), std::end(keys), std::begin(held));
  held[VK_SHIFT] = held[VK_CONTROL] = 0x80;
  SetKeyboardState(held);
  Key(form->Button1, VK_F3);
  ++sources;
  SetKeyboardState(keys);
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& c) { return c.rfind("files ", 0) == 0; }),
            sources);
  EXPECT_THAT(reports, IsEmpty());
}

TEST_F(MainWindowTest, AConfirmedFolderBecomesTheDestination) {
  Open();
  form->ExecuteBrowse = [](TBrowseFolderDlg& Dialog) { return Dialog.Execute(); };
  SetFieldText(form->Edit2, "C:\\Nowhere\\");
  // The shell's real dialog, confirmed with whatever folder it shows.
  DialogAnswerer answerer("Browse for Folder", [](HWND Dialog) { Press(Dialog, IDOK); });
  SendMessageA(form->BitBtn2, BM_CLICK, 0, 0);
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_EQ(answerer.Seen()[0].Owner, form->Handle());
  const std::string chosen = form->BrowseFolderDlg->SelectedFolder();
  EXPECT_FALSE(chosen.empty());
  EXPECT_EQ(FieldText(form->Edit2), chosen);
  EXPECT_EQ(form->BrowseFolderDlg->FolderName, chosen);
  EXPECT_THAT(reports, IsEmpty());
}

TEST_F(MainWindowTest, OtherKeysStillReachTheControl) {
  Open();
  SetFieldText(form->Edit1, "C:\\Web\\a.htm|C:\\Web\\b.htm");
  SendMessageA(form->Edit1, EM_SETSEL, 0, 0);
  Key(form->Edit1, VK_END);
  DWORD start = 0, end = 0;
  SendMessageA(form->Edit1, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(end, 25u);
  Key(form->Edit1, VK_F5);  // handled, and passed on all the same
  Key(form->Edit1, VK_HOME);
  SendMessageA(form->Edit1, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(end, 0u);
}

TEST_F(MainWindowTest, F5AndF6SpanTheScreenUnlessMaximised) {
  Open();
  const int screen = GetSystemMetrics(SM_CXSCREEN);
  for (int key : {VK_F5, VK_F6}) {
    SetWindowPos(form->Handle(), nullptr, 100, 50, 400, 200, SWP_NOZORDER);
    Key(form->Button3, key, key == VK_F6);
    const RECT r = WindowRect(form->Handle());
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, screen);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.bottom, 250);
  }
  ShowWindow(form->Handle(), SW_MAXIMIZE);
  const RECT maximised = WindowRect(form->Handle());
  Key(form->Button1, VK_F5);
  Key(form->Edit2, VK_F6);
  const RECT after = WindowRect(form->Handle());
  EXPECT_TRUE(EqualRect(&maximised, &after));
  EXPECT_TRUE(IsZoomed(form->Handle()));
}

TEST_F(MainWindowTest, EnterPressesOnlyTheFocusedButton) {
  Open();
  SetFocus(form->Button3);
  PostKey(form->Button3, VK_RETURN);
  EXPECT_THAT(calls, ElementsAre("about"));

  calls.clear();
  chosenFiles = std::nullopt;
  SetFocus(form->BitBtn1);
  PostKey(form->BitBtn1, VK_RETURN);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].rfind("files ", 0), 0u);

  // A field with the focus: there is no default button to press.
  calls.clear();
  SetFocus(form->Edit1);
  PostKey(form->Edit1, VK_RETURN);
  EXPECT_THAT(calls, IsEmpty());

  // "&Go!" runs, here into the refusal of an empty destination.
  SetFocus(form->Button1);
  PostKey(form->Button1, VK_RETURN);
  EXPECT_THAT(calls, ElementsAre(std::string("error ") + SDestinationEmpty));
  EXPECT_TRUE(IsWindow(form->Handle()));
}

TEST_F(MainWindowTest, AccessKeysPressTheirButtons) {
  Open();
  PostMessageA(form->Edit1, WM_SYSCHAR, 'a', KeyData(true));
  ProcessMessages();
  PostMessageA(form->Button3, WM_SYSCHAR, 'G', KeyData(true));
  ProcessMessages();
  EXPECT_THAT(calls, ElementsAre("about", std::string("error ") + SDestinationEmpty));
  PostMessageA(form->Button1, WM_SYSCHAR, 'c', KeyData(true));
  ProcessMessages();
  EXPECT_FALSE(IsWindow(form->Handle()));
}

TEST_F(MainWindowTest, EscapePressesCloseWhileItIsEnabled) {
  Open();
  form->EnableControls(false);
  PostKey(form->Button3, VK_ESCAPE);
  EXPECT_TRUE(IsWindow(form->Handle()));
  form->EnableControls(true);
  PostKey(form->Button3, VK_ESCAPE);
  EXPECT_FALSE(IsWindow(form->Handle()));
  EXPECT_EQ(form->Handle(), nullptr);
}

// ---- Tool tips and drops

// The tool tip text the window gives Control.
std::string ToolTipOf(HWND Window, HWND Control) {
  for (HWND tips = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr); tips != nullptr;
       tips = FindWindowExA(nullptr, tips, TOOLTIPS_CLASSA, nullptr)) {
    if (GetWindow(tips, GW_OWNER) != Window) continue;
    std::string text(4096, '\0');
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = Window;
    tool.uId = reinterpret_cast<UINT_PTR>(Control);
    tool.lpszText = text.data();
    SendMessageA(tips, TTM_GETTEXTA, text.size(), reinterpret_cast<LPARAM>(&tool));
    return text.c_str();
  }
  return "(no tool tips)";
}

TEST_F(MainWindowTest, ToolTipsNameThePickersAndShowWhatTheFieldsCut) {
  Open();
  const HWND w = form->Handle();
  EXPECT_EQ(ToolTipOf(w, form->BitBtn1), "Choose source files (F3)");
  EXPECT_EQ(ToolTipOf(w, form->BitBtn2), "Choose destination folder (F2)");
  SetFieldText(form->Edit1, "C:\\a.htm");
  SetFieldText(form->Edit2, "C:\\Out\\");
  EXPECT_EQ(ToolTipOf(w, form->Edit1), "");  // it fits
  EXPECT_EQ(ToolTipOf(w, form->Edit2), "");
  const std::string a = "C:\\Inetpub\\wwwroot\\bakery\\with\\a\\long\\way\\to\\go\\index.htm";
  const std::string deep = a.substr(0, a.rfind('\\')) + "\\and\\then\\some\\more\\folders\\";
  SetFieldText(form->Edit1, a + "|C:\\b.asp");
  SetFieldText(form->Edit2, deep);
  EXPECT_EQ(ToolTipOf(w, form->Edit1), "2 files:\n" + a + "\nC:\\b.asp");
  EXPECT_EQ(ToolTipOf(w, form->Edit2), deep);
  // Wide enough for both: no tool tips.
  SetWindowPos(w, nullptr, 0, 0, Scaled(1400), Scaled(188), SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(ToolTipOf(w, form->Edit1), "");
  EXPECT_EQ(ToolTipOf(w, form->Edit2), "");
}

// Drops Paths on the window at the centre of Target, as the shell does.
void DropOn(HWND Window, HWND Target, const std::vector<std::string>& Paths) {
  std::string list;
  for (const std::string& path : Paths) list += path + '\0';
  list += '\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  const RECT r = PlaceOf(Target);
  drop->pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  std::copy(list.begin(), list.end(), reinterpret_cast<char*>(drop + 1));
  GlobalUnlock(memory);
  SendMessageA(Window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);  // frees it
}

TEST_F(MainWindowTest, DroppedFilesSetTheSourcesAndAFolderOnTheFieldTheDestination) {
  TempDir dir;
  MakeDir(dir / "web");
  for (const char* name : {"web/a.htm", "web/b.ASP", "web/logo.png"}) WriteFile(dir / name, "<p>");
  Open();
  const HWND w = form->Handle();
  DropOn(w, form->Button3, {dir / "web/a.htm", dir / "web/b.ASP"});
  EXPECT_EQ(FieldText(form->Edit1), (dir / "web/a.htm") + "|" + (dir / "web/b.ASP"));
  DropOn(w, form->Edit2, {dir / "web"});
  EXPECT_EQ(FieldText(form->Edit2), dir / "web");
  // Not taken: a folder off the destination field, a file the picker does
  // not list, anything while a run is busy.
  DropOn(w, form->Edit1, {dir / "out"});
  DropOn(w, form->Button1, {dir / "web/logo.png"});
  form->EnableControls(false);
  DropOn(w, form->Button1, {dir / "web/a.htm"});
  form->EnableControls(true);
  EXPECT_EQ(FieldText(form->Edit1), (dir / "web/a.htm") + "|" + (dir / "web/b.ASP"));
  EXPECT_EQ(FieldText(form->Edit2), dir / "web");
  EXPECT_THAT(reports, IsEmpty());
}

// ---- Closing

TEST_F(MainWindowTest, EveryCloseRequestIsRefusedWhileBusy) {
  Open();
  const HWND w = form->Handle();
  form->EnableControls(false);
  SendMessageA(w, WM_CLOSE, 0, 0);
  SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageA(form->Button3, WM_SYSKEYDOWN, VK_F4, KeyData(true));  // Alt+F4
  ProcessMessages();
  EXPECT_EQ(SendMessageA(w, WM_QUERYENDSESSION, 0, 0), FALSE);
  EXPECT_TRUE(IsWindow(w));

  form->EnableControls(true);
  EXPECT_EQ(SendMessageA(w, WM_QUERYENDSESSION, 0, 0), TRUE);
  PostMessageA(form->Button3, WM_SYSKEYDOWN, VK_F4, KeyData(true));
  ProcessMessages();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_THAT(reports, IsEmpty());
}

TEST_F(MainWindowTest, CloseEndsTheLoopAndSavesThePaths) {
  Open();
  SetFieldText(form->Edit2, "C:\\Out\\");
  SendMessageA(form->Button2, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindow(form->Handle()));
  EXPECT_EQ(ApplicationWindow(), nullptr);
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(ReadRegistryValue(key.Path(), "OutputPath")->Data, std::string("C:\\Out\\\0", 8));
}

TEST_F(MainWindowTest, TheEndOfTheSessionSavesThePaths) {
  Open();
  SetFieldText(form->Edit2, "C:\\Out");
  EXPECT_EQ(SendMessageA(form->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
  SendMessageA(form->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_FALSE(IsWindow(form->Handle()));
  EXPECT_EQ(ReadRegistryValue(key.Path(), "OutputPath")->Data, std::string("C:\\Out\0", 7));
}

// ---- Pickers

TEST_F(MainWindowTest, FirstStartCreatesTheKeyAtOnceAndSavesBothValuesEmpty) {
  ASSERT_FALSE(RegistryKeyExists(key.Path()));
  Open();
  EXPECT_TRUE(RegistryKeyExists(key.Path()));
  EXPECT_EQ(FieldText(form->Edit1), "");
  EXPECT_EQ(FieldText(form->Edit2), "");
  form.reset();
  for (const char* name : {"InputPath", "OutputPath"}) {
    const auto value = ReadRegistryValue(key.Path(), name);
    ASSERT_TRUE(value) << name;
    EXPECT_EQ(value->Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value->Data, std::string(1, '\0'));
  }
  EXPECT_THAT(reports, IsEmpty());
}

TEST_F(MainWindowTest, PathsRoundTripThroughTheRegistry) {
  Open();
  chosenFiles = std::vector<std::string>{"C:\\Web\\a.htm", "C:\\Web\\b.htm"};
  SendMessageA(form->BitBtn1, BM_CLICK, 0, 0);
  SetFieldText(form->Edit2, "C:\\New");
  form.reset();
  EXPECT_EQ(ReadRegistryValue(key.Path(), "InputPath")->Data,
            std::string("C:\\Web\\a.htm|C:\\Web\\b.htm") + '\0');

  Open();
  EXPECT_EQ(FieldText(form->Edit1), "C:\\Web\\a.htm|C:\\Web\\b.htm");
  EXPECT_EQ(FieldText(form->Edit2), "C:\\New");
  EXPECT_THAT(reports, IsEmpty());
}

TEST_F(MainWindowTest, ExpandableStringsAreTakenUnexpandedAndEmptyOnesAsMissing) {
  WriteRegistryValue(key.Path(), "InputPath", REG_SZ, "");
  WriteRegistryValue(key.Path(), "OutputPath", REG_EXPAND_SZ, std::string("%TEMP%\\Out\0", 11));
  Open();
  EXPECT_EQ(FieldText(form->Edit1), "");
  EXPECT_EQ(FieldText(form->Edit2), "%TEMP%\\Out");
  EXPECT_THAT(reports, IsEmpty());
}

TEST_F(MainWindowTest, ANumberForTheSourceListIsReportedAndTheWindowStillOpens) {
  WriteRegistryValue(key.Path(), "InputPath", REG_DWORD, std::string("\x07\0\0\0", 4));
  WriteRegistryValue(key.Path(), "OutputPath", REG_SZ, std::string("C:\\Out\0", 7));
  Open();
  EXPECT_THAT(reports, ElementsAre("Pagetrim: Invalid data type for 'InputPath'"));
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(FieldText(form->Edit1), "");
  EXPECT_EQ(FieldText(form->Edit2), "") << "the load stops at the failing value";
}

TEST_F(MainWindowTest, AKeyThatCannotBeOpenedIsSkippedSilently) {
  form = std::make_unique<THTMLMainForm>(
      std::make_unique<platform::RegistryStore>(key.Path() + "\\" + std::string(300, 'x')));
  form->Show();
  SetFieldText(form->Edit1, "C:\\Web\\a.htm");
  form.reset();
  EXPECT_THAT(reports, IsEmpty());
  EXPECT_FALSE(RegistryKeyExists(key.Path()));
}

// ---- Batch runs over real files

class MainWindowRunTest : public MainWindowTest {
protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    MakeDir(dir / "web");
    MakeDir(dir / "out");
    WriteFile(dir / "web/a.htm", kDoc);
    WriteFile(dir / "web/b.htm", kDoc);
  }

  // Presses "&Go!" and answers the one error box captioned Caption that
  // the run shows: the system's box with its error symbol and one "OK".
  TBoxSeen GoAnsweringTheErrorBox(const char* Caption) {
    DialogAnswerer answerer(Caption, [](HWND Box) { Press(Box, IDOK); });
    SendMessageA(form->Button1, BM_CLICK, 0, 0);
    const std::vector<TBoxSeen> seen = answerer.Seen();
    EXPECT_EQ(seen.size(), 1u);
    if (seen.empty()) return {};
    EXPECT_TRUE(seen[0].ErrorIcon);
    EXPECT_THAT(seen[0].Buttons, ElementsAre("OK"));
    return seen[0];
  }

  TempDir dir;
};

TEST_F(MainWindowRunTest, GoCompactsEveryFileAndGivesTheFocusBack) {
  Open();
  SetFieldText(form->Edit1, (dir / "web/a.htm") + "|" + (dir / "web/b.htm"));
  SetFieldText(form->Edit2, dir / "out");
  SetFocus(form->Button1);
  SendMessageA(form->Button1, BM_CLICK, 0, 0);
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
  EXPECT_EQ(ReadFile(dir / "out/b.htm"), kDocOut);
  EXPECT_EQ(FieldText(form->Edit2), (dir / "out") + "\\");
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(GetFocus(), form->Button1);
  EXPECT_THAT(reports, IsEmpty());
  EXPECT_THAT(calls, IsEmpty());
}

TEST_F(MainWindowRunTest, WhileBusyTheKeysAndCloseRequestsDoNothingButAboutAndF5Work) {
  Open();
  SetFieldText(form->Edit1, dir / "web/a.htm");
  SetFieldText(form->Edit2, dir / "out");
  const HWND w = form->Handle();
  SetWindowPos(w, nullptr, 100, 50, 400, 200, SWP_NOZORDER);
  // Handled by the run's message pump, between files.
  LRESULT endSession = -1;
  bool busy = false;
  RunWhenMessagesAreHandled([&] {
    busy = form->Busy();
    endSession = SendMessageA(w, WM_QUERYENDSESSION, 0, 0);
    // Clicks sent to the disabled buttons start nothing.
    SendMessageA(form->BitBtn1, BM_CLICK, 0, 0);
    SendMessageA(form->Button1, BM_CLICK, 0, 0);
  });
  PostMessageA(form->Button3, WM_KEYDOWN, VK_F3, KeyData());
  PostMessageA(form->Button3, WM_SYSKEYDOWN, VK_F2, KeyData(true));
  PostMessageA(w, WM_CLOSE, 0, 0);
  PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  PostMessageA(form->Button3, WM_SYSKEYDOWN, VK_F4, KeyData(true));
  PostMessageA(form->Button3, WM_KEYDOWN, VK_ESCAPE, KeyData());
  PostMessageA(form->Button3, WM_KEYDOWN, VK_F5, KeyData());
  PostMessageA(form->Button3, WM_KEYDOWN, VK_RETURN, KeyData());  // "&About", still enabled
  SendMessageA(form->Button1, BM_CLICK, 0, 0);

  EXPECT_TRUE(busy);
  EXPECT_EQ(endSession, FALSE);
  EXPECT_TRUE(IsWindow(w));
  EXPECT_THAT(calls, ElementsAre("about"));
  EXPECT_EQ(WindowRect(w).left, 0);
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
  EXPECT_FALSE(form->Busy());
  // Idle again: the window closes.
  SendMessageA(w, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(w));
}

TEST_F(MainWindowRunTest, TheDestinationCheckShowsTheErrorBoxCentredOnTheScreen) {
  Open();
  form->BatchErrorBox = realBatchErrorBox;
  SetFieldText(form->Edit1, (dir / "web/a.htm") + "|" + (dir / "web/b.htm"));
  SetFieldText(form->Edit2, dir / "WEB");
  const TBoxSeen box = GoAnsweringTheErrorBox("Error");
  EXPECT_EQ(box.Text, "Destination path must be different from source!");
  EXPECT_EQ(box.Owner, form->Handle());
  const int cx = (box.Rect.left + box.Rect.right) / 2;
  const int cy = (box.Rect.top + box.Rect.bottom) / 2;
  EXPECT_NEAR(cx, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR(cy, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  EXPECT_FALSE(Exists(dir / "out/a.htm"));
  EXPECT_FALSE(form->Busy());
  EXPECT_EQ(FieldText(form->Edit2), (dir / "WEB") + "\\");
}

TEST_F(MainWindowRunTest, AfterTheDestinationCheckTheFocusIsWhereItWas) {
  Open();
  form->BatchErrorBox = realBatchErrorBox;
  SetFieldText(form->Edit1, dir / "web/a.htm");
  SetFieldText(form->Edit2, dir / "web");
  // The run disables "&Go!", "&Close" and the pickers; the box's end
  // activates the window again. Without a control of its own, "&Go!".
  std::vector<HWND> starts = Focusable();
  starts.push_back(form->Handle());
  for (HWND start : starts) {
    SetFocus(start);
    DialogAnswerer answerer("Error", [](HWND Box) { Press(Box, IDOK); });
    SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(THTMLMainForm::idButton1, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form->Button1));
    EXPECT_EQ(answerer.Seen().size(), 1u);
    // Another test's window may take the activation the box hands back;
    // the user then clicks the window again. Either way the control is back.
    SetActiveWindow(form->Handle());
    ProcessMessages();
    const HWND expected = start == form->Handle() ? form->Button1 : start;
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), GetDlgCtrlID(expected)) << "from " << GetDlgCtrlID(start);
  }
  EXPECT_FALSE(form->Busy());
}

TEST_F(MainWindowRunTest, AFileErrorIsShownByTheDefaultReportWithItsFullStop) {
  // Every write moves a single byte: the destination's one write falls short.
  FaultFileEnv env;
  env.LimitTransfers(1);
  fileEnv = &env;
  Open();
  SetErrorReportBox(nullptr);  // the real report
  SetFieldText(form->Edit1, (dir / "web/a.htm") + "|" + (dir / "web/b.htm"));
  SetFieldText(form->Edit2, dir / "out");
  EXPECT_EQ(GoAnsweringTheErrorBox("Pagetrim").Text, "Wrote less than expected.");
  EXPECT_FALSE(form->Busy());
  EXPECT_FALSE(Exists(dir / "out/b.htm")) << "the run stops at the failing file";
  EXPECT_TRUE(IsWindow(form->Handle()));
}

TEST_F(MainWindowRunTest, AMissingSourceIsReportedAsTheSystemSaysIt) {
  Open();
  SetFieldText(form->Edit1, (dir / "web/a.htm") + "|" + (dir / "web/gone.htm") + "|" +
                                (dir / "web/b.htm"));
  SetFieldText(form->Edit2, dir / "out");
  SendMessageA(form->Button1, BM_CLICK, 0, 0);
  ASSERT_EQ(reports.size(), 1u);
  std::string text;
  platform::FileEnv::Default()->ErrorText(ERROR_FILE_NOT_FOUND, &text);
  EXPECT_EQ(reports[0], "Pagetrim: Error opening \"" + (dir / "web/gone.htm") + "\" - " + text);
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), kDocOut);
  EXPECT_FALSE(Exists(dir / "out/b.htm"));
  EXPECT_FALSE(form->Busy());
}

TEST_F(MainWindowRunTest, TheEndOfTheSessionDuringARunSavesThePathsAndEndsAfterTheFileAtHand) {
  Open();
  SetFieldText(form->Edit1, (dir / "web/a.htm") + "|" + (dir / "web/b.htm"));
  SetFieldText(form->Edit2, dir / "out");
  const HWND w = form->Handle();
  // Handled by the run's message pump before the first file.
  RunWhenMessagesAreHandled([&] {
    EXPECT_EQ(SendMessageA(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
    SendMessageA(w, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(ReadRegistryValue(key.Path(), "OutputPath")->Data, (dir / "out") + "\\" + '\0');
    EXPECT_TRUE(IsWindow(w));
  });
  SendMessageA(form->Button1, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(Exists(dir / "out/a.htm")) << "asked before the first file";
  EXPECT_THAT(reports, IsEmpty());
}

}  // namespace
