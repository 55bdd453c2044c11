// The folder browser on Win32, with the shell's real folder dialog: each
// case opens it, acts on it from inside its modal loop and closes it with
// its own buttons. Where the shell cannot be made to fail or to offer an
// item, a wrapper around its services stands in for single calls.

#include "dialogs/win32/BrowseFolderDlg.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/CaseName.h"
#include "support/ScopedHandler.h"
#include "support/TempDir.h"
#include "support/win32/WinGuiTest.h"
#include "ui/Placement.h"
#include "ui/win32/Errors.h"

using namespace testsupport;

namespace {

std::string CurrentTestName() {
  const testing::TestInfo* Test = testing::UnitTest::GetInstance()->current_test_info();
  return Test ? std::string(Test->test_suite_name()) + "." + Test->name() : "a test";
}

HWND OKButton(HWND Dialog) { return ::GetDlgItem(Dialog, IDOK); }

bool OKEnabled(HWND Dialog) { return ::IsWindowEnabled(OKButton(Dialog)) != FALSE; }

void Click(HWND Button) { ::SendMessageA(Button, BM_CLICK, 0, 0); }

// Runs Dlg.Execute(). Once the dialog is open and set up, Act runs inside
// its modal loop and returns the button that ends the run (IDOK, IDCANCEL),
// which is then clicked.
bool ExecuteWith(TBrowseFolderDlg& Dlg, const std::function<int(HWND Dialog)>& Act) {
  TModalScript Script(
      [&] {
        const HWND Dialog = Dlg.DialogHandle();
        if (!Dialog || !::IsWindowVisible(Dialog)) return false;
        Click(::GetDlgItem(Dialog, Act(Dialog)));
        return true;
      },
      CurrentTestName());
  return Dlg.Execute();
}

// Handles the waiting messages for Milliseconds.
void Pump(DWORD Milliseconds) {
  const DWORD Start = ::GetTickCount();
  MSG Message;
  while (::GetTickCount() - Start < Milliseconds) {
    while (::PeekMessageA(&Message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&Message);
      ::DispatchMessageA(&Message);
    }
    ::Sleep(5);
  }
}

// Selects the item of Path in the open dialog, as the user would, and waits
// until the component has seen the selection change. Wine's dialog now and
// then lets a selection request pass while it is still busy filling its
// tree; the request is then made again.
void Select(HWND Dialog, const TBrowseFolderDlg& Dlg, const std::string& Path) {
  for (int Attempt = 0; Attempt < 20; ++Attempt) {
    ::SendMessageA(Dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(Path.c_str()));
    if (Dlg.SelectedFolder() == Path) return;
    Pump(100);
  }
  ADD_FAILURE() << "the dialog does not select " << Path;
}

// Selects the top of the tree, as a click on it would.
void SelectTreeRoot(HWND Dialog) {
  const HWND Tree = ::FindWindowExA(Dialog, nullptr, WC_TREEVIEWA, nullptr);
  const LPARAM Top = ::SendMessageA(Tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  ::SendMessageA(Tree, TVM_SELECTITEM, TVGN_CARET, Top);
}

// The item list of a special folder, released with the object.
struct TSpecialFolder {
  explicit TSpecialFolder(int Folder) { ::SHGetSpecialFolderLocation(nullptr, Folder, &List); }
  ~TSpecialFolder() { ::CoTaskMemFree(List); }
  LPITEMIDLIST List = nullptr;
};

// A folder on drive C with two sub-folders and a file, made once for all
// cases of the suite and left unchanged while they run.
//  - Not under the user's profile (the system's temporary folder): there the
//    tree also lists the profile's folders, which Wine links to the Unix
//    home, and enumerating those makes the shell slow and its selection
//    unreliable.
//  - Not made and removed for every case: the shell's dialog watches the
//    file system, and a change arriving while a case selects an item makes
//    Wine's tree drop the selection now and then.
class BrowseFolderDlgTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    Root = "C:\\pagetrim-browse-" + std::to_string(::GetCurrentProcessId());
    RemoveFolder(Root);
    MakeDir(Root);
    First = Root + "\\First";
    Second = Root + "\\Second";
    File = Root + "\\page.htm";
    MakeDir(First);
    MakeDir(Second);
    WriteFile(File, "<p>");
  }
  static void TearDownTestSuite() { RemoveFolder(Root); }

  static inline std::string Root, First, Second, File;
};

TEST_F(BrowseFolderDlgTest, PreselectsAnExistingFolderAndConfirmsIt) {
  TBrowseFolderDlg Dlg;
  Dlg.FolderName = First;
  std::string Selected;
  bool Enabled = false;
  EXPECT_TRUE(ExecuteWith(Dlg, [&](HWND Dialog) {
    Selected = Dlg.SelectedFolder();
    Enabled = OKEnabled(Dialog);
    return IDOK;
  }));
  EXPECT_EQ(Selected, First);
  EXPECT_TRUE(Enabled);
  EXPECT_EQ(Dlg.FolderName, First);
  EXPECT_EQ(Dlg.SelectedFolder(), First);
  EXPECT_EQ(Dlg.DialogHandle(), nullptr);
}

TEST_F(BrowseFolderDlgTest, AMissingFolderIsNotPreselected) {
  TBrowseFolderDlg Dlg;
  Dlg.FolderName = Root + "\\Missing";
  std::string Selected = "(none)";
  EXPECT_FALSE(ExecuteWith(Dlg, [&](HWND) {
    Selected = Dlg.SelectedFolder();
    return IDCANCEL;
  }));
  EXPECT_NE(Selected, Dlg.FolderName);
  EXPECT_EQ(Dlg.FolderName, Root + "\\Missing");
}

TEST_F(BrowseFolderDlgTest, ADriveRootKeepsItsBackslash) {
  TBrowseFolderDlg Dlg;
  Dlg.FolderName = "C:\\";
  EXPECT_TRUE(ExecuteWith(Dlg, [](HWND) { return IDOK; }));
  EXPECT_EQ(Dlg.FolderName, "C:\\");
  EXPECT_EQ(Dlg.SelectedFolder(), "C:\\");
}

TEST_F(BrowseFolderDlgTest, OKIsEnabledOnlyForAnExistingDirectory) {
  TBrowseFolderDlg Dlg;
  Dlg.FolderName = First;
  const std::string Gone = Root + "\\Gone";
  struct TStep {
    const char* What;
    std::string Selected;
    bool Enabled;
  };
  std::vector<TStep> Seen;
  auto Take = [&](HWND Dialog, const char* What) {
    Seen.push_back({What, Dlg.SelectedFolder(), OKEnabled(Dialog)});
  };
  EXPECT_FALSE(ExecuteWith(Dlg, [&](HWND Dialog) {
    Take(Dialog, "preselected folder");
    // The top of the tree, My Computer, has no path.
    SelectTreeRoot(Dialog);
    Take(Dialog, "My Computer");
    Select(Dialog, Dlg, Second);
    Take(Dialog, "another folder");
    // Items the tree does not offer reach the callback as the shell would
    // report them: a file, and a folder that is no longer there (an item
    // list of a path alone).
    auto Notify = [&](LPITEMIDLIST Item) {
      EXPECT_NE(Item, nullptr);
      TBrowseFolderDlg::BrowseCallback(Dialog, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(Item),
                                       reinterpret_cast<LPARAM>(&Dlg));
      ::CoTaskMemFree(Item);
    };
    Notify(::ILCreateFromPathA(File.c_str()));
    Take(Dialog, "a file");
    const std::wstring WideGone(Gone.begin(), Gone.end());
    Notify(::SHSimpleIDListFromPath(WideGone.c_str()));
    Take(Dialog, "a missing folder");
    return IDCANCEL;
  }));
  const std::vector<std::pair<std::string, bool>> Want = {
      {First, true}, {"", false}, {Second, true}, {File, false}, {Gone, false}};
  ASSERT_EQ(Seen.size(), Want.size());
  for (std::size_t i = 0; i < Want.size(); ++i) {
    EXPECT_EQ(Seen[i].Selected, Want[i].first) << Seen[i].What;
    EXPECT_EQ(Seen[i].Enabled, Want[i].second) << Seen[i].What;
  }
}

TEST_F(BrowseFolderDlgTest, CancelChangesNothing) {
  TBrowseFolderDlg Dlg;
  Dlg.FolderName = First;
  EXPECT_FALSE(ExecuteWith(Dlg, [&](HWND Dialog) {
    Select(Dialog, Dlg, Second);
    return IDCANCEL;
  }));
  EXPECT_EQ(Dlg.FolderName, First);
  EXPECT_EQ(Dlg.ImageIndex(), 0);
  // The last selection of the run stays readable.
  EXPECT_EQ(Dlg.SelectedFolder(), Second);
  EXPECT_EQ(Dlg.DialogHandle(), nullptr);
}

TEST_F(BrowseFolderDlgTest, ASecondRunPreselectsTheFolderChosenInTheFirst) {
  TBrowseFolderDlg Dlg;
  Dlg.FolderName = First;
  EXPECT_TRUE(ExecuteWith(Dlg, [&](HWND Dialog) {
    Select(Dialog, Dlg, Second);
    return IDOK;
  }));
  EXPECT_EQ(Dlg.FolderName, Second);
  std::string Selected;
  EXPECT_FALSE(ExecuteWith(Dlg, [&](HWND) {
    Selected = Dlg.SelectedFolder();
    return IDCANCEL;
  }));
  EXPECT_EQ(Selected, Second);
}

TEST_F(BrowseFolderDlgTest, HelpButtonSitsAtTwelveLikeTheFirstButtonAndShowsItsTopic) {
  std::vector<THelpContext> Shown;
  const ScopedHandler<THelpHandler> Help(SetHelpHandler,
                                         [&](THelpContext Context) { Shown.push_back(Context); });
  TBrowseFolderDlg Dlg;
  Dlg.HelpContext = 42;
  RECT HelpRect{}, FirstRect{};
  HFONT HelpFont = nullptr, DialogFont = nullptr;
  bool StillOpen = false;
  EXPECT_FALSE(ExecuteWith(Dlg, [&](HWND Dialog) {
    const HWND First = ::FindWindowExA(Dialog, nullptr, "BUTTON", nullptr);
    const HWND Button = ::FindWindowExA(Dialog, nullptr, "BUTTON", "&Help");
    EXPECT_NE(Button, nullptr);
    if (!Button) return IDCANCEL;
    EXPECT_EQ(::GetDlgCtrlID(Button), 0xFFFF);
    FirstRect = ChildRect(First);
    HelpRect = ChildRect(Button);
    HelpFont = reinterpret_cast<HFONT>(::SendMessageA(Button, WM_GETFONT, 0, 0));
    DialogFont = reinterpret_cast<HFONT>(::SendMessageA(Dialog, WM_GETFONT, 0, 0));
    Click(Button);
    StillOpen = ::IsWindow(Dialog) && Dlg.DialogHandle() == Dialog;
    return IDCANCEL;
  }));
  EXPECT_EQ(HelpRect.left, 12);
  EXPECT_EQ(HelpRect.top, FirstRect.top);
  EXPECT_EQ(HelpRect.right - HelpRect.left, FirstRect.right - FirstRect.left);
  EXPECT_EQ(HelpRect.bottom - HelpRect.top, FirstRect.bottom - FirstRect.top);
  EXPECT_EQ(HelpFont, DialogFont);
  EXPECT_TRUE(StillOpen);
  EXPECT_EQ(Shown, std::vector<THelpContext>{42});
}

TEST_F(BrowseFolderDlgTest, NoHelpButtonWithoutAHelpContext) {
  TBrowseFolderDlg Dlg;
  HWND Button = reinterpret_cast<HWND>(1);
  ExecuteWith(Dlg, [&](HWND Dialog) {
    Button = ::FindWindowExA(Dialog, nullptr, "BUTTON", "&Help");
    return IDCANCEL;
  });
  EXPECT_EQ(Button, nullptr);
}

TEST_F(BrowseFolderDlgTest, IsCentredOnThePrimaryScreen) {
  TBrowseFolderDlg Dlg;
  RECT Bounds{};
  ExecuteWith(Dlg, [&](HWND Dialog) {
    ::GetWindowRect(Dialog, &Bounds);
    return IDCANCEL;
  });
  const TRect Want = CenterRect({0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top},
                                ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(Bounds.left, Want.Left);
  EXPECT_EQ(Bounds.top, Want.Top);
}

TEST_F(BrowseFolderDlgTest, WithTheDefaultPositionItStaysWhereTheShellPutsIt) {
  // Wine's shell opens its dialog near the top left corner of the screen,
  // so a dialog in the centre was moved there.
  TBrowseFolderDlg Dlg;
  Dlg.Position = dpDefault;
  RECT Bounds{};
  ExecuteWith(Dlg, [&](HWND Dialog) {
    ::GetWindowRect(Dialog, &Bounds);
    return IDCANCEL;
  });
  const TRect Centred =
      CenterRect({0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top},
                 ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  EXPECT_FALSE(Bounds.left == Centred.Left && Bounds.top == Centred.Top);
}

TEST_F(BrowseFolderDlgTest, OtherWindowsOfTheThreadWaitWhileItRuns) {
  const HWND Window =
      ::CreateWindowExA(0, "STATIC", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                        nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  const HWND Disabled =
      ::CreateWindowExA(0, "STATIC", "disabled", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_DISABLED, 10,
                        10, 200, 100, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(Window, nullptr);
  ::SetActiveWindow(Window);
  TBrowseFolderDlg Dlg(Window);
  bool EnabledMeanwhile = true;
  HWND Owner = nullptr;
  ExecuteWith(Dlg, [&](HWND Dialog) {
    EnabledMeanwhile = ::IsWindowEnabled(Window) != FALSE;
    Owner = ::GetWindow(Dialog, GW_OWNER);
    return IDCANCEL;
  });
  EXPECT_FALSE(EnabledMeanwhile);
  EXPECT_EQ(Owner, Window);
  EXPECT_TRUE(::IsWindowEnabled(Window));
  EXPECT_FALSE(::IsWindowEnabled(Disabled));
  EXPECT_EQ(::GetActiveWindow(), Window);
  ::DestroyWindow(Disabled);
  ::DestroyWindow(Window);
}

TEST_F(BrowseFolderDlgTest, AnErrorOfAHandlerClosesTheDialogAndLeavesExecute) {
  TBrowseFolderDlg Dlg;
  Dlg.FolderName = First;
  Dlg.OnSelChanged = [](TBrowseFolderDlg&) { throw std::runtime_error("handler failed"); };
  TModalScript Guard([] { return false; }, CurrentTestName());
  EXPECT_THROW(Dlg.Execute(), std::runtime_error);
  EXPECT_EQ(Dlg.DialogHandle(), nullptr);
  EXPECT_EQ(FindThreadDialog(), nullptr);
}

TEST_F(BrowseFolderDlgTest, EventsReportTheComponent) {
  TBrowseFolderDlg Dlg;
  Dlg.FolderName = First;
  std::vector<std::string> Events;
  Dlg.OnInitialized = [&](TBrowseFolderDlg& Sender) {
    EXPECT_EQ(&Sender, &Dlg);
    Events.push_back("initialized");
  };
  Dlg.OnSelChanged = [&](TBrowseFolderDlg& Sender) {
    EXPECT_EQ(&Sender, &Dlg);
    Events.push_back("selected " + Sender.SelectedFolder());
  };
  ExecuteWith(Dlg, [](HWND) { return IDCANCEL; });
  // The preselection is the last selection change before Initialized.
  ASSERT_FALSE(Events.empty());
  std::string All;
  for (const std::string& E : Events) All += E + "; ";
  EXPECT_NE(std::find(Events.begin(), Events.end(), "selected " + First), Events.end()) << All;
  EXPECT_NE(std::find(Events.begin(), Events.end(), "initialized"), Events.end());
}

// ---------------------------------------------------------------------------
// The shell's services, watched and replaced one at a time.

std::vector<LPITEMIDLIST> Sorted(std::vector<LPITEMIDLIST> Lists) {
  std::sort(Lists.begin(), Lists.end());
  return Lists;
}

class TWatchedShell : public TShellFoldersWrapper {
public:
  TWatchedShell() : TShellFoldersWrapper(TShellFolders::Default()) {}
  ~TWatchedShell() override { ::ILFree(Root); }
  TWatchedShell(const TWatchedShell&) = delete;
  TWatchedShell& operator=(const TWatchedShell&) = delete;

  HRESULT SpecialFolderLocation(int Folder, LPITEMIDLIST* List) override {
    Folders.push_back(Folder);
    if (FAILED(RootResult)) {
      *List = nullptr;
      return RootResult;
    }
    const HRESULT Result = TShellFoldersWrapper::SpecialFolderLocation(Folder, List);
    Handed.push_back(*List);
    return Result;
  }
  LPITEMIDLIST BrowseForFolder(BROWSEINFOA* Info) override {
    ++Runs;
    Owner = Info->hwndOwner;
    if (Info->pidlRoot) Root = ::ILClone(Info->pidlRoot);
    Title = Info->lpszTitle ? std::string(Info->lpszTitle) : "(null)";
    Flags = Info->ulFlags;
    DisplayNameEmpty = Info->pszDisplayName && Info->pszDisplayName[0] == '\0';
    Data = Info->lParam;
    if (!Confirm) return nullptr;
    // The user confirms My Computer's first drive as the shell would: a
    // display name, an image, an item list of the caller's.
    std::snprintf(Info->pszDisplayName, MAX_PATH, "%s", ConfirmedName);
    Info->iImage = 7;
    LPITEMIDLIST Item = nullptr;
    ::SHGetSpecialFolderLocation(nullptr, CSIDL_WINDOWS, &Item);
    Handed.push_back(Item);
    return Item;
  }
  bool PathFromIDList(LPCITEMIDLIST List, char* Path) override {
    if (PathError != ~0u) {
      ::SetLastError(PathError);
      return false;
    }
    return TShellFoldersWrapper::PathFromIDList(List, Path);
  }
  void FreeIDList(LPITEMIDLIST List) override {
    if (List) Freed.push_back(List);
    TShellFoldersWrapper::FreeIDList(List);
  }

  // What the dialog was asked for.
  std::vector<int> Folders;
  int Runs = 0;
  HWND Owner = nullptr;
  LPITEMIDLIST Root = nullptr;  // a copy: the dialog frees its own when it ends
  std::string Title;
  UINT Flags = 0;
  bool DisplayNameEmpty = false;
  LPARAM Data = 0;
  // Item lists handed out and released.
  std::vector<LPITEMIDLIST> Handed, Freed;
  // What it answers.
  HRESULT RootResult = S_OK;
  bool Confirm = false;
  const char* ConfirmedName = "";
  DWORD PathError = ~0u;  // none: the real conversion
};

struct TKindCase {
  const char* Name;
  TBrowseKind Kind;
  std::vector<int> Folders;
  UINT Flags;
};

class BrowseKindTest : public testing::TestWithParam<TKindCase> {};

TEST_P(BrowseKindTest, TheShellGetsTheKindsRootAndFlags) {
  const TKindCase& Case = GetParam();
  TWatchedShell Shell;
  const HWND Owner = reinterpret_cast<HWND>(0x1234);
  TBrowseFolderDlg Dlg(Owner);
  Dlg.Shell = &Shell;
  Dlg.BrowseKind = Case.Kind;
  EXPECT_FALSE(Dlg.Execute());
  EXPECT_EQ(Shell.Folders, Case.Folders);
  EXPECT_EQ(Shell.Flags, Case.Flags);
  EXPECT_EQ(Shell.Owner, Owner);
  EXPECT_EQ(Shell.Title, "(null)");  // DialogText empty: no title at all
  EXPECT_TRUE(Shell.DisplayNameEmpty);
  EXPECT_EQ(Shell.Data, reinterpret_cast<LPARAM>(&Dlg));
  if (Case.Folders.empty()) {
    EXPECT_EQ(Shell.Root, nullptr);
  } else {
    const TSpecialFolder Want(Case.Folders[0]);
    ASSERT_NE(Shell.Root, nullptr);
    EXPECT_TRUE(::ILIsEqual(Shell.Root, Want.List));
  }
  // The root goes back to the shell.
  EXPECT_EQ(Sorted(Shell.Freed), Sorted(Shell.Handed));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BrowseKindTest,
    testing::Values(TKindCase{"Desktop", bkDesktop, {}, 0x0009},
                    TKindCase{"MyComputer", bkMyComputer, {CSIDL_DRIVES}, 0x0009},
                    TKindCase{"Computers", bkComputers, {CSIDL_NETWORK}, 0x1000}),
    RowName());

TEST(BrowseShellTest, DialogTextIsTheTitle) {
  TWatchedShell Shell;
  TBrowseFolderDlg Dlg;
  Dlg.Shell = &Shell;
  Dlg.DialogText = "Destination path:";
  Dlg.Execute();
  EXPECT_EQ(Shell.Title, "Destination path:");
}

TEST(BrowseShellTest, ComputersYieldTheChosenDisplayName) {
  TWatchedShell Shell;
  Shell.Confirm = true;
  Shell.ConfirmedName = "SERVER1";
  TBrowseFolderDlg Dlg;
  Dlg.Shell = &Shell;
  Dlg.BrowseKind = bkComputers;
  Dlg.FolderName = "OLD";
  ASSERT_TRUE(Dlg.Execute());
  EXPECT_EQ(Dlg.FolderName, "SERVER1");
  EXPECT_EQ(Dlg.SelectedFolder(), "SERVER1");
  EXPECT_EQ(Dlg.ImageIndex(), 7);
  EXPECT_EQ(Sorted(Shell.Freed), Sorted(Shell.Handed));
}

TEST(BrowseShellTest, AConfirmedPathIsTrimmedAndReported) {
  TWatchedShell Shell;
  Shell.Confirm = true;
  TBrowseFolderDlg Dlg;
  Dlg.Shell = &Shell;
  ASSERT_TRUE(Dlg.Execute());
  char Windows[MAX_PATH] = {};
  ::GetWindowsDirectoryA(Windows, MAX_PATH);
  EXPECT_EQ(Dlg.FolderName, TrimFolderPath(Windows));
  EXPECT_EQ(Dlg.SelectedFolder(), Dlg.FolderName);
  EXPECT_EQ(Dlg.ImageIndex(), 7);
  EXPECT_EQ(Sorted(Shell.Freed), Sorted(Shell.Handed));
}

struct TRootFailure {
  const char* Name;
  HRESULT Code;
};

class RootFailureTest : public testing::TestWithParam<TRootFailure> {};

TEST_P(RootFailureTest, RaisesTheOleErrorAndShowsNothing) {
  TWatchedShell Shell;
  Shell.RootResult = GetParam().Code;
  TBrowseFolderDlg Dlg;
  Dlg.Shell = &Shell;
  Dlg.FolderName = "C:\\Web";
  try {
    Dlg.Execute();
    ADD_FAILURE() << "no error";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode(), GetParam().Code);
    const std::string Text = SystemErrorText(static_cast<DWORD>(GetParam().Code));
    if (Text.empty()) {
      char Want[32];
      std::snprintf(Want, sizeof Want, "OLE error %08x", static_cast<unsigned>(GetParam().Code));
      EXPECT_EQ(e.Message(), Want);
    } else {
      EXPECT_EQ(e.Message(), Text);
    }
  }
  EXPECT_EQ(Shell.Runs, 0);
  EXPECT_EQ(Dlg.FolderName, "C:\\Web");
  EXPECT_EQ(Dlg.SelectedFolder(), "");
}

INSTANTIATE_TEST_SUITE_P(Codes, RootFailureTest,
                         testing::Values(TRootFailure{"OutOfMemory", E_OUTOFMEMORY},
                                         TRootFailure{"WithoutText",
                                                      static_cast<HRESULT>(0x8004D1A7)}),
                         RowName());

TEST(BrowseShellTest, AnUnknownCodeGivesTheOleErrorText) {
  EXPECT_EQ(EOleSysError(static_cast<HRESULT>(0x8004D1A7)).Message(), "OLE error 8004d1a7");
}

struct TPathFailure {
  const char* Name;
  DWORD LastError;
};

class PathFailureTest : public testing::TestWithParam<TPathFailure> {};

TEST_P(PathFailureTest, RaisesTheWin32ErrorAndKeepsTheProperties) {
  TWatchedShell Shell;
  Shell.Confirm = true;
  TBrowseFolderDlg Dlg;
  Dlg.Shell = &Shell;
  Dlg.FolderName = "C:\\Web";
  Shell.PathError = GetParam().LastError;
  try {
    Dlg.Execute();
    ADD_FAILURE() << "no error";
  } catch (const EWin32Error& e) {
    EXPECT_EQ(e.ErrorCode(), GetParam().LastError);
    if (GetParam().LastError == 0)
      EXPECT_EQ(e.Message(), "A Win32 API function failed");
    else
      EXPECT_EQ(e.Message(), "Win32 Error.  Code: " + std::to_string(GetParam().LastError) + ".\n" +
                                 SystemErrorText(GetParam().LastError));
  }
  EXPECT_EQ(Dlg.FolderName, "C:\\Web");
  EXPECT_EQ(Dlg.ImageIndex(), 0);
  // The root and the chosen item both go back to the shell.
  EXPECT_EQ(Shell.Handed.size(), 2u);
  EXPECT_EQ(Sorted(Shell.Freed), Sorted(Shell.Handed));
}

INSTANTIATE_TEST_SUITE_P(LastErrors, PathFailureTest,
                         testing::Values(TPathFailure{"PathNotFound", ERROR_PATH_NOT_FOUND},
                                         TPathFailure{"None", 0}),
                         RowName());

}  // namespace
