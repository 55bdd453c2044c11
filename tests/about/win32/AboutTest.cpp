// The About box on Win32, shown for real under Wine: each case opens it
// with ShowAboutBox, inspects it from inside its modal loop and closes it
// the way a user would.

#include "about/win32/About.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <commctrl.h>

#include "about/win32/AboutRes.h"
#include "about/win32/FileUtils.h"
#include "support/CaseName.h"
#include "support/ScopedHandler.h"
#include "support/win32/WinGuiTest.h"
#include "ui/Pictures.h"
#include "ui/Placement.h"
#include "ui/win32/Application.h"

using namespace testsupport;

namespace {

std::string CurrentTestName() {
  const testing::TestInfo* Test = testing::UnitTest::GetInstance()->current_test_info();
  return Test ? std::string(Test->test_suite_name()) + "." + Test->name() : "a test";
}

// How a showing of the box ended.
struct TShowing {
  bool Opened = false;
  bool ClosedByItself = false;  // false: still open a second after Act, and closed by force
};

// Shows the box (owned by Owner) with Content, or with the program's own
// content when Content is null. Once it is open, Act runs inside its modal
// loop; Act is expected to close it, and when the box is still open a
// second later it is closed by force.
TShowing ShowAboutBoxWith(const TAboutContent* Content, const std::function<void(HWND Box)>& Act,
                          HWND Owner) {
  TShowing Showing;
  HWND Box = nullptr;
  DWORD ActedAt = 0;
  TModalScript Script(
      [&] {
        if (!Box) {
          Box = FindThreadDialog("About");
          if (!Box) return false;
          Showing.Opened = true;
          Act(Box);
          ActedAt = ::GetTickCount();
          return false;
        }
        if (!::IsWindow(Box)) return true;
        if (::GetTickCount() - ActedAt < 1000) return false;
        ::EndDialog(Box, IDOK);
        return true;
      },
      CurrentTestName());
  if (Content)
    ShowAboutBox(Owner, *Content);
  else
    ShowAboutBox(Owner);
  Showing.ClosedByItself = Showing.Opened && (!Box || ::GetTickCount() - ActedAt < 1000);
  return Showing;
}

void CloseWithOK(HWND Box) { ::SendMessageA(::GetDlgItem(Box, IDOK), BM_CLICK, 0, 0); }

RECT ClientRect(HWND Window) {
  RECT Bounds{};
  ::GetClientRect(Window, &Bounds);
  return Bounds;
}

LOGFONTA FontOf(HWND Control) {
  LOGFONTA Font{};
  const auto Handle = reinterpret_cast<HFONT>(::SendMessageA(Control, WM_GETFONT, 0, 0));
  if (Handle) ::GetObjectA(Handle, sizeof Font, &Font);
  return Font;
}

// The text colour the box gives a static control when it draws.
COLORREF TextColorOf(HWND Box, HWND Control) {
  const HDC Dc = ::CreateCompatibleDC(nullptr);
  ::SendMessageA(Box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(Dc),
                 reinterpret_cast<LPARAM>(Control));
  const COLORREF Color = ::GetTextColor(Dc);
  ::DeleteDC(Dc);
  return Color;
}

class AboutBoxTest : public testing::Test {
protected:
  void SetUp() override {
    SetApplicationTitle("Pagetrim");
  }
  // Shows the box with Content; see ShowAboutBoxWith.
  TShowing ShowAboutWith(const std::function<void(HWND Box)>& Act, HWND Owner = nullptr) const {
    return ShowAboutBoxWith(&Content, Act, Owner);
  }

  TAboutContent Content{"1.2.3 (build 4)", {1u << 16 | 2u, 3u << 16 | 4u}, ""};
};

TEST_F(AboutBoxTest, WithoutInfoTextTheBoxHasItsDesignedHeights) {
  RECT Client{}, Panel{}, OK{}, Info{};
  const TShowing Showing = ShowAboutWith([&](HWND Box) {
    Client = ClientRect(Box);
    Panel = ChildRect(::GetDlgItem(Box, IDC_PANEL1));
    OK = ChildRect(::GetDlgItem(Box, IDOK));
    Info = ChildRect(::GetDlgItem(Box, IDC_INFOLABEL));
    CloseWithOK(Box);
  });
  ASSERT_TRUE(Showing.Opened);
  EXPECT_TRUE(Showing.ClosedByItself);
  EXPECT_EQ(Client.right, 262);
  EXPECT_EQ(Client.bottom, 227);
  EXPECT_EQ(Panel.left, 4);
  EXPECT_EQ(Panel.top, 4);
  EXPECT_EQ(Panel.right, 257);
  EXPECT_EQ(Panel.bottom, 189);
  EXPECT_EQ(OK.left, 102);
  EXPECT_EQ(OK.top, 197);
  EXPECT_EQ(OK.right, 168);
  EXPECT_EQ(OK.bottom, 223);
  // The label takes no height, at its place in the panel.
  EXPECT_EQ(Info.left, 4 + 8);
  EXPECT_EQ(Info.top, 4 + 176);
  EXPECT_EQ(Info.bottom - Info.top, 0);
}

TEST_F(AboutBoxTest, ALongInfoTextWrapsAndGrowsTheBoxByItsHeight) {
  std::string& InfoText = Content.InfoText;
  for (int i = 0; i < 8; ++i) InfoText += "The quick brown fox jumps over the lazy dog. ";
  RECT Client{}, Panel{}, OK{}, Info{};
  std::string Shown;
  int LineHeight = 0, OneLineWidth = 0;
  ShowAboutWith([&](HWND Box) {
    const HWND Label = ::GetDlgItem(Box, IDC_INFOLABEL);
    Client = ClientRect(Box);
    Panel = ChildRect(::GetDlgItem(Box, IDC_PANEL1));
    OK = ChildRect(::GetDlgItem(Box, IDOK));
    Info = ChildRect(Label);
    Shown = WindowText(Label);
    const HDC Dc = ::GetDC(Label);
    ::SelectObject(Dc, reinterpret_cast<HFONT>(::SendMessageA(Label, WM_GETFONT, 0, 0)));
    TEXTMETRICA Metrics{};
    ::GetTextMetricsA(Dc, &Metrics);
    LineHeight = Metrics.tmHeight;
    SIZE Extent{};
    ::GetTextExtentPoint32A(Dc, InfoText.c_str(), static_cast<int>(InfoText.size()), &Extent);
    OneLineWidth = Extent.cx;
    ::ReleaseDC(Label, Dc);
    CloseWithOK(Box);
  });
  EXPECT_EQ(Shown, InfoText);
  // It wraps within the panel's width less twice its margin.
  EXPECT_EQ(Info.right - Info.left, 237);
  ASSERT_GT(OneLineWidth, 237);
  const int Height = Info.bottom - Info.top;
  ASSERT_GT(LineHeight, 0);
  EXPECT_GE(Height, 2 * LineHeight);
  EXPECT_EQ(Height % LineHeight, 0);
  EXPECT_EQ(Panel.bottom, 189 + Height);
  EXPECT_EQ(OK.top, 197 + Height);
  EXPECT_EQ(OK.bottom - OK.top, 26);
  EXPECT_EQ(Client.bottom, 227 + Height);
  EXPECT_EQ(Client.right, 262);
}

TEST_F(AboutBoxTest, ControlsSitWhereTheyWereDesigned) {
  struct TPlace {
    int Id;
    int Left, Top;  // in the box's client area
    const char* Text;
  };
  const std::vector<TPlace> Want = {
      {IDC_BRINDLEIMAGE, 12, 12, ""},          {IDC_PROGRAMICON, 212, 12, ""},
      {IDC_PRODUCTNAME, 12, 52, "Pagetrim"},   {IDC_VERSION, 12, 84, "Version 1.02     3"},
      {IDC_STATICTEXT1, 12, 114, SAuthorName}, {IDC_LABEL4, 116, 116, SMakerEmail},
      {IDC_LABEL3, 12, 148, "Internet:"},      {IDC_LABEL2, 60, 148, SMakerHost},
  };
  std::vector<std::pair<RECT, std::string>> Seen;
  RECT Logo{}, Icon{};
  std::string Caption;
  LONG Style = 0;
  ShowAboutWith([&](HWND Box) {
    for (const TPlace& Place : Want) {
      const HWND Control = ::GetDlgItem(Box, Place.Id);
      Seen.emplace_back(ChildRect(Control), WindowText(Control));
    }
    Logo = ChildRect(::GetDlgItem(Box, IDC_BRINDLEIMAGE));
    Icon = ChildRect(::GetDlgItem(Box, IDC_PROGRAMICON));
    Caption = WindowText(Box);
    Style = ::GetWindowLongA(Box, GWL_STYLE);
    CloseWithOK(Box);
  });
  ASSERT_EQ(Seen.size(), Want.size());
  for (std::size_t i = 0; i < Want.size(); ++i) {
    EXPECT_EQ(Seen[i].first.left, Want[i].Left) << Want[i].Id;
    EXPECT_EQ(Seen[i].first.top, Want[i].Top) << Want[i].Id;
    EXPECT_EQ(Seen[i].second, Want[i].Text) << Want[i].Id;
  }
  EXPECT_EQ(Logo.right - Logo.left, 140);
  EXPECT_EQ(Logo.bottom - Logo.top, 28);
  EXPECT_EQ(Icon.right - Icon.left, 32);
  EXPECT_EQ(Icon.bottom - Icon.top, 32);
  EXPECT_EQ(Caption, "About");
  // A dialog border: not resizable, no minimise or maximise box.
  EXPECT_EQ(Style & WS_THICKFRAME, 0);
  EXPECT_EQ(Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(Style & WS_CAPTION, 0);
}

TEST_F(AboutBoxTest, TextsShowWholeInsideThePanel) {
  // With a long version line, as auto-sized labels get.
  SetApplicationTitle("Pagetrim");
  Content.VersionText = "12.34.56 (build 7)";
  Content.ProductVersion = {12u << 16 | 34u, 56u << 16 | 7u};
  struct TSeen {
    int Id;
    RECT Bounds;
    int NeededHeight;  // drawn as the control draws it, wrapped at its width
  };
  std::vector<TSeen> Seen;
  RECT Panel{};
  ShowAboutWith([&](HWND Box) {
    Panel = ChildRect(::GetDlgItem(Box, IDC_PANEL1));
    for (int Id :
         {IDC_PRODUCTNAME, IDC_VERSION, IDC_STATICTEXT1, IDC_LABEL4, IDC_LABEL3, IDC_LABEL2}) {
      const HWND Control = ::GetDlgItem(Box, Id);
      const RECT Bounds = ChildRect(Control);
      const std::string Text = WindowText(Control);
      const HDC Dc = ::GetDC(Control);
      ::SelectObject(Dc, reinterpret_cast<HFONT>(::SendMessageA(Control, WM_GETFONT, 0, 0)));
      RECT Needed{0, 0, Bounds.right - Bounds.left, 0};
      ::DrawTextA(Dc, Text.c_str(), static_cast<int>(Text.size()), &Needed,
                  DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX);
      ::ReleaseDC(Control, Dc);
      Seen.push_back({Id, Bounds, Needed.bottom});
    }
    CloseWithOK(Box);
  });
  for (const TSeen& Control : Seen) {
    EXPECT_LE(Control.NeededHeight, Control.Bounds.bottom - Control.Bounds.top) << Control.Id;
    EXPECT_GT(Control.Bounds.right - Control.Bounds.left, 0) << Control.Id;
    EXPECT_LE(Control.Bounds.right, Panel.right) << Control.Id;
  }
  SetApplicationTitle("Pagetrim");
}

TEST_F(AboutBoxTest, FontsAndColoursAreTheDesignedOnes) {
  struct TFontWant {
    int Id;
    const char* Face;
    int Height;
    bool Bold;
    bool Underline;
    COLORREF Color;
  };
  const std::vector<TFontWant> Want = {
      {IDC_PRODUCTNAME, "Arial", -19, true, false, RGB(0, 0, 0)},
      {IDC_VERSION, "MS Sans Serif", -13, false, false, RGB(0, 0, 0)},
      {IDC_STATICTEXT1, "MS Sans Serif", -13, false, false, RGB(0, 0, 0)},
      {IDC_LABEL4, "MS Sans Serif", -11, false, true, RGB(0, 0, 255)},
      {IDC_LABEL3, "MS Sans Serif", -11, false, false, RGB(0, 0, 0)},
      {IDC_LABEL2, "MS Sans Serif", -11, false, true, RGB(0, 0, 255)},
      {IDC_INFOLABEL, "MS Sans Serif", -11, false, false, RGB(0, 0, 0)},
      {IDOK, "MS Sans Serif", -11, false, false, RGB(0, 0, 0)},
  };
  std::vector<std::pair<LOGFONTA, COLORREF>> Seen;
  ShowAboutWith([&](HWND Box) {
    for (const TFontWant& Font : Want) {
      const HWND Control = ::GetDlgItem(Box, Font.Id);
      Seen.emplace_back(FontOf(Control), TextColorOf(Box, Control));
    }
    CloseWithOK(Box);
  });
  ASSERT_EQ(Seen.size(), Want.size());
  for (std::size_t i = 0; i < Want.size(); ++i) {
    const LOGFONTA& Font = Seen[i].first;
    EXPECT_STREQ(Font.lfFaceName, Want[i].Face) << Want[i].Id;
    EXPECT_EQ(Font.lfHeight, Want[i].Height) << Want[i].Id;
    EXPECT_EQ(Font.lfWeight >= FW_BOLD, Want[i].Bold) << Want[i].Id;
    EXPECT_EQ(Font.lfUnderline != 0, Want[i].Underline) << Want[i].Id;
    if (Want[i].Id != IDOK) {
      EXPECT_EQ(Seen[i].second, Want[i].Color) << Want[i].Id;
    }
  }
  EXPECT_EQ(Seen[0].first.lfCharSet, ANSI_CHARSET);
}

TEST_F(AboutBoxTest, OKHasTheFocusAndIsTheDefaultButton) {
  HWND Focus = nullptr, OK = nullptr;
  LONG Style = 0;
  ShowAboutWith([&](HWND Box) {
    Focus = ::GetFocus();
    OK = ::GetDlgItem(Box, IDOK);
    Style = ::GetWindowLongA(OK, GWL_STYLE);
    CloseWithOK(Box);
  });
  EXPECT_EQ(Focus, OK);
  EXPECT_EQ(Style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

struct TKeyCase {
  const char* Name;
  WPARAM Key;
};

class AboutBoxKeyTest : public AboutBoxTest, public testing::WithParamInterface<TKeyCase> {};

TEST_P(AboutBoxKeyTest, TheKeyClosesTheBox) {
  const TShowing Showing = ShowAboutWith([](HWND) {
    const HWND Focus = ::GetFocus();
    ::PostMessageA(Focus, WM_KEYDOWN, GetParam().Key, 1);
    ::PostMessageA(Focus, WM_KEYUP, GetParam().Key, 0xC0000001);
  });
  ASSERT_TRUE(Showing.Opened);
  EXPECT_TRUE(Showing.ClosedByItself);
}

INSTANTIATE_TEST_SUITE_P(Keys, AboutBoxKeyTest,
                         testing::Values(TKeyCase{"Enter", VK_RETURN},
                                         TKeyCase{"Escape", VK_ESCAPE}),
                         RowName());

TEST_F(AboutBoxTest, TheCloseBoxClosesItToo) {
  const TShowing Showing =
      ShowAboutWith([](HWND Box) { ::PostMessageA(Box, WM_SYSCOMMAND, SC_CLOSE, 0); });
  EXPECT_TRUE(Showing.ClosedByItself);
}

// One call of the shell's open, as the box made it.
struct TShellCall {
  HWND Owner;
  bool DefaultVerb;
  std::string FileName;
  bool ParametersGiven;  // a pointer, not null, even for an empty text
  std::string Parameters;
  bool DirectoryGiven;
  std::string Directory;
  int ShowCommand;
};

TShellExecuteFunc Recorder(std::vector<TShellCall>& Calls) {
  return [&Calls](HWND Owner, const char* Verb, const char* File, const char* Parameters,
                  const char* Directory, int Show) {
    Calls.push_back({Owner, Verb == nullptr, File ? File : "(null)", Parameters != nullptr,
                     Parameters ? Parameters : "", Directory != nullptr, Directory ? Directory : "",
                     Show});
  };
}

struct TLinkCase {
  const char* Name;
  int Id;
  std::string Address;
};

class AboutBoxLinkTest : public AboutBoxTest, public testing::WithParamInterface<TLinkCase> {};

TEST_P(AboutBoxLinkTest, AClickOpensTheLinksAddressThroughTheShell) {
  std::vector<TShellCall> Calls;
  const ScopedHandler<TShellExecuteFunc> Shell(SetShellExecute, Recorder(Calls));
  const HWND Owner = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr,
                                       nullptr, ::GetModuleHandleA(nullptr), nullptr);
  SetApplicationWindow(Owner);
  bool StillOpen = false;
  std::string Hint;
  ShowAboutWith([&](HWND Box) {
    const HWND Link = ::GetDlgItem(Box, GetParam().Id);
    ::SendMessageA(Link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageA(Link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    StillOpen = ::IsWindowVisible(Box) != FALSE;
    CloseWithOK(Box);
  });
  SetApplicationWindow(nullptr);
  ::DestroyWindow(Owner);
  EXPECT_TRUE(StillOpen);
  ASSERT_EQ(Calls.size(), 1u);
  const TShellCall& Call = Calls[0];
  EXPECT_EQ(Call.Owner, Owner);
  EXPECT_TRUE(Call.DefaultVerb);
  EXPECT_EQ(Call.FileName, GetParam().Address);
  EXPECT_TRUE(Call.ParametersGiven);
  EXPECT_EQ(Call.Parameters, "");
  EXPECT_TRUE(Call.DirectoryGiven);
  EXPECT_EQ(Call.Directory, "");
  EXPECT_EQ(Call.ShowCommand, SW_SHOW);
}

INSTANTIATE_TEST_SUITE_P(Links, AboutBoxLinkTest,
                         testing::Values(TLinkCase{"EMail", IDC_LABEL4,
                                                   std::string("mailto:") + SMakerEmail},
                                         TLinkCase{"HomePage", IDC_LABEL2, SMakerHomePage}),
                         RowName());

struct TToolSearch {
  HWND Owner;
  HWND Found;
};

BOOL CALLBACK FindToolTip(HWND Window, LPARAM Data) {
  auto* Search = reinterpret_cast<TToolSearch*>(Data);
  char ClassName[64] = {};
  ::GetClassNameA(Window, ClassName, sizeof ClassName);
  if (std::string(ClassName) == TOOLTIPS_CLASSA && ::GetWindow(Window, GW_OWNER) == Search->Owner) {
    Search->Found = Window;
    return FALSE;
  }
  return TRUE;
}

TEST_F(AboutBoxTest, LinksShowTheirAddressesAsHintsAndTheHandCursor) {
  std::set<std::pair<int, std::string>> Hints;
  bool HandOverLink = false, HandOverLabel = true;
  ShowAboutWith([&](HWND Box) {
    TToolSearch Search{Box, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), FindToolTip, reinterpret_cast<LPARAM>(&Search));
    const int Count =
        Search.Found ? static_cast<int>(::SendMessageA(Search.Found, TTM_GETTOOLCOUNT, 0, 0)) : 0;
    for (int i = 0; i < Count; ++i) {
      char Text[256] = {};
      TOOLINFOA Tool{};
      Tool.cbSize = TTTOOLINFOA_V2_SIZE;
      Tool.lpszText = Text;
      ::SendMessageA(Search.Found, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&Tool));
      Hints.emplace(::GetDlgCtrlID(reinterpret_cast<HWND>(Tool.uId)), Text);
    }
    const HCURSOR Hand = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
    auto CursorOver = [&](int Id) {
      ::SetCursor(nullptr);
      ::SendMessageA(Box, WM_SETCURSOR, reinterpret_cast<WPARAM>(::GetDlgItem(Box, Id)),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
      return ::GetCursor() == Hand;
    };
    HandOverLink = CursorOver(IDC_LABEL2);
    HandOverLabel = CursorOver(IDC_LABEL3);
    CloseWithOK(Box);
  });
  const std::set<std::pair<int, std::string>> Want = {
      {IDC_LABEL4, std::string("mailto:") + SMakerEmail}, {IDC_LABEL2, SMakerHomePage}};
  EXPECT_EQ(Hints, Want);
  EXPECT_TRUE(HandOverLink);
  EXPECT_FALSE(HandOverLabel);
}

TEST_F(AboutBoxTest, AnErrorInAClickClosesTheBoxAndReachesTheCaller) {
  const ScopedHandler<TShellExecuteFunc> Shell(
      SetShellExecute, [](HWND, const char*, const char*, const char*, const char*, int) {
        throw std::runtime_error("no shell");
      });
  TShowing Showing;
  EXPECT_THROW(Showing = ShowAboutWith([](HWND Box) {
                 ::SendMessageA(::GetDlgItem(Box, IDC_LABEL2), WM_LBUTTONDOWN, MK_LBUTTON, 0);
               }),
               std::runtime_error);
  EXPECT_EQ(FindThreadDialog("About"), nullptr);
}

struct TVersionCase {
  const char* Name;
  std::string Text;
  TVersionPair Product;
  std::string Caption;
};

class AboutBoxVersionTest : public AboutBoxTest,
                            public testing::WithParamInterface<TVersionCase> {};

TEST_P(AboutBoxVersionTest, TheVersionLineComesFromTheProgramsVersion) {
  Content.VersionText = GetParam().Text;
  Content.ProductVersion = GetParam().Product;
  // Twice: every showing starts from the design text.
  for (int Showing = 0; Showing < 2; ++Showing) {
    std::string Caption = "(not shown)";
    ShowAboutWith([&](HWND Box) {
      Caption = WindowText(::GetDlgItem(Box, IDC_VERSION));
      CloseWithOK(Box);
    });
    EXPECT_EQ(Caption, GetParam().Caption) << Showing;
  }
}

// Without content of its own the box shows this program's version, and no
// information text (there is no debug monitor).
TEST_F(AboutBoxTest, ByItselfTheBoxShowsTheProgramsOwnVersion) {
  std::string Caption = "(not shown)", Info = "(not shown)";
  ShowAboutBoxWith(
      nullptr,
      [&](HWND Box) {
        Caption = WindowText(::GetDlgItem(Box, IDC_VERSION));
        Info = WindowText(::GetDlgItem(Box, IDC_INFOLABEL));
        CloseWithOK(Box);
      },
      nullptr);
  EXPECT_EQ(Caption, VersionCaption(TEST_VERSION_TEXT, {TEST_VERSION_MS, TEST_VERSION_LS}));
  EXPECT_EQ(Info, "");
}

INSTANTIATE_TEST_SUITE_P(
    Versions, AboutBoxVersionTest,
    testing::Values(
        TVersionCase{"TwoZeroZero", "2.0.0 (build 15)", {2u << 16, 15u}, "Version 2.00     0"},
        TVersionCase{
            "ThreeTenOne", "3.10.1 (build 0)", {3u << 16 | 10u, 1u << 16}, "Version 3.10     1"},
        TVersionCase{"Unknown", "", {0, 0}, ""}),
    RowName());

TEST_F(AboutBoxTest, ShowsTheProgramsIconAndTheLogoDrawnTransparently) {
  HICON Icon = nullptr;
  std::vector<COLORREF> Pixels;
  ShowAboutWith([&](HWND Box) {
    Icon = reinterpret_cast<HICON>(::SendDlgItemMessageA(Box, IDC_PROGRAMICON, STM_GETICON, 0, 0));
    // Draw the logo into a bitmap of our own, as the box draws it.
    BITMAPINFO Format{};
    Format.bmiHeader = {sizeof Format.bmiHeader, 140, -28, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* Bits = nullptr;
    const HBITMAP Canvas = ::CreateDIBSection(nullptr, &Format, DIB_RGB_COLORS, &Bits, nullptr, 0);
    const HDC Dc = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ Old = ::SelectObject(Dc, Canvas);
    DRAWITEMSTRUCT Item{};
    Item.CtlType = ODT_STATIC;
    Item.CtlID = IDC_BRINDLEIMAGE;
    Item.itemAction = ODA_DRAWENTIRE;
    Item.hwndItem = ::GetDlgItem(Box, IDC_BRINDLEIMAGE);
    Item.hDC = Dc;
    Item.rcItem = {0, 0, 140, 28};
    ::SendMessageA(Box, WM_DRAWITEM, IDC_BRINDLEIMAGE, reinterpret_cast<LPARAM>(&Item));
    for (int y = 0; y < 28; ++y)
      for (int x = 0; x < 140; ++x) Pixels.push_back(::GetPixel(Dc, x, y));
    ::SelectObject(Dc, Old);
    ::DeleteDC(Dc);
    ::DeleteObject(Canvas);
    CloseWithOK(Box);
  });
  EXPECT_NE(Icon, nullptr);
  // Every pixel of the logo's background colour shows the box's face;
  // every other pixel the logo's own colour.
  const TPalettePicture Logo = MakerLogoPicture();
  const COLORREF Face = ::GetSysColor(COLOR_BTNFACE);
  const TColor& Key = Logo.ColorAt(0, Logo.Height - 1);
  ASSERT_EQ(Pixels.size(), 140u * 28u);
  int Wrong = 0;
  for (int y = 0; y < 28; ++y)
    for (int x = 0; x < 140; ++x) {
      const TColor& C = Logo.ColorAt(x, y);
      const bool Background = C.Red == Key.Red && C.Green == Key.Green && C.Blue == Key.Blue;
      const COLORREF Want = Background ? Face : RGB(C.Red, C.Green, C.Blue);
      if (Pixels[static_cast<std::size_t>(y * 140 + x)] != Want && ++Wrong <= 5)
        ADD_FAILURE() << "pixel " << x << "," << y;
    }
  EXPECT_EQ(Wrong, 0);
}

TEST_F(AboutBoxTest, IsModalCentredAndOwnedByTheGivenWindow) {
  const HWND Owner =
      ::CreateWindowExA(0, "STATIC", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                        nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(Owner, nullptr);
  bool OwnerEnabled = true;
  HWND BoxOwner = nullptr;
  RECT Bounds{};
  ShowAboutWith(
      [&](HWND Box) {
        OwnerEnabled = ::IsWindowEnabled(Owner) != FALSE;
        BoxOwner = ::GetWindow(Box, GW_OWNER);
        ::GetWindowRect(Box, &Bounds);
        CloseWithOK(Box);
      },
      Owner);
  EXPECT_FALSE(OwnerEnabled);
  EXPECT_EQ(BoxOwner, Owner);
  EXPECT_TRUE(::IsWindowEnabled(Owner));
  const TRect Want = CenterRect({0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top},
                                ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(Bounds.left, Want.Left);
  EXPECT_EQ(Bounds.top, Want.Top);
  ::DestroyWindow(Owner);
}

}  // namespace
