// The main window's behaviour on a fake view: what each handler asks of
// the window, whatever toolkit draws it. Real windows are checked by the
// toolkits' own suites.

#include "app/MainPresenter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FileEnv.h"
#include "streams/Streams.h"
#include "support/FakeSettingsStore.h"
#include "support/TempDir.h"

using namespace testsupport;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char* NameOf(TMainControl Control) {
  switch (Control) {
    case TMainControl::Go: return "Go";
    case TMainControl::SourcePicker: return "BitBtn1";
    case TMainControl::DestinationPicker: return "BitBtn2";
    case TMainControl::About: return "About";
    case TMainControl::Close: return "Close";
    case TMainControl::SourceField: return "Edit1";
    case TMainControl::DestinationField: return "Edit2";
    case TMainControl::None: break;
  }
  return "none";
}

// A window in memory that records what is asked of it, as text:
//   "files FOLDER", "browse START", "error TEXT", "about", "dialogs closed",
//   "pump", "span", "close" (and "closed" when the presenter allowed it),
//   "focus CONTROL", "disable", "enable".
class FakeView : public TMainView {
public:
  std::string fields[2];
  std::string hints[2];
  bool fits[2] = {true, true};
  std::set<TMainControl> disabled;
  TMainControl focus = TMainControl::Go;
  bool maximized = false;
  std::optional<std::vector<std::string>> files;  // the file dialog's answer
  std::optional<std::string> folder;              // the folder browser's answer
  std::function<void()> onPump;
  std::vector<std::string> calls;
  TMainPresenter* presenter = nullptr;
  bool closed = false;

  std::string& Field(TMainField Which) { return fields[Which == TMainField::Sources ? 0 : 1]; }

  std::string FieldText(TMainField Field) const override {
    return fields[Field == TMainField::Sources ? 0 : 1];
  }
  void SetFieldText(TMainField Field, const std::string& Text) override { this->Field(Field) = Text; }
  bool FieldShowsAll(TMainField Field) const override {
    return fits[Field == TMainField::Sources ? 0 : 1];
  }
  void SetFieldHint(TMainField Field, const std::string& Text) override {
    hints[Field == TMainField::Sources ? 0 : 1] = Text;
  }
  void EnableControls(bool Enabled) override {
    calls.push_back(Enabled ? "enable" : "disable");
    for (TMainControl c : {TMainControl::Go, TMainControl::Close, TMainControl::SourcePicker,
                           TMainControl::DestinationPicker}) {
      if (Enabled)
        disabled.erase(c);
      else
        disabled.insert(c);
    }
    // The toolkit moves the focus off a control it disables.
    if (!Enabled && disabled.count(focus)) focus = TMainControl::About;
  }
  bool ControlEnabled(TMainControl Control) const override { return !disabled.count(Control); }
  TMainControl FocusedControl() const override { return focus; }
  void FocusControl(TMainControl Control) override {
    calls.push_back(std::string("focus ") + NameOf(Control));
    focus = Control;
  }
  bool Maximized() const override { return maximized; }
  std::string CurrentFolder() const override { return "(current)"; }
  std::optional<std::vector<std::string>> ChooseFiles(const std::string& InitialFolder) override {
    calls.push_back("files " + InitialFolder);
    return files;
  }
  std::optional<std::string> BrowseForFolder(const std::string& StartFolder) override {
    calls.push_back("browse " + StartFolder);
    return folder;
  }
  void ErrorBox(const std::string& Text) override { calls.push_back("error " + Text); }
  void ShowAbout() override { calls.push_back("about"); }
  void CloseDialogs() override { calls.push_back("dialogs closed"); }
  void ProcessMessages() override {
    calls.push_back("pump");
    if (onPump) onPump();
  }
  void SpanScreen() override { calls.push_back("span"); }
  void CloseWindow() override {
    calls.push_back("close");
    if (presenter->FormCloseQuery()) closed = true;
  }
};

class MainPresenterTest : public testing::Test {
protected:
  MainPresenterTest() {
    auto owned = std::make_unique<FakeStore>();
    store = owned.get();
    presenter = std::make_unique<TMainPresenter>(view, std::move(owned));
    view.presenter = presenter.get();
  }

  // Path made of Parts with the platform's delimiter.
  static std::string Path(std::initializer_list<const char*> Parts) {
    std::string path;
    for (const char* part : Parts) path += std::string(1, platform::PathDelimiter()) + part;
    return path;
  }

  FakeView view;
  FakeStore* store;
  std::unique_ptr<TMainPresenter> presenter;
};

// ---- Settings

TEST_F(MainPresenterTest, TheRememberedPathsComeBackAndWhatWasReadBeforeAFailureIsShown) {
  store->values = {{"InputPath", "/w/a.htm"}, {"OutputPath", "/out/"}};
  presenter->FormCreate();
  EXPECT_EQ(view.fields[0], "/w/a.htm");
  EXPECT_EQ(view.fields[1], "/out/");

  view.fields[0] = "/w/b.htm";
  presenter->FormDestroy();
  EXPECT_EQ(store->values["InputPath"], "/w/b.htm");

  store->faults["OutputPath"] = platform::SettingsStore::ReadResult::WrongType;
  view.fields[0] = view.fields[1] = "";
  EXPECT_THROW(presenter->FormCreate(), Exception);
  EXPECT_EQ(view.fields[0], "/w/b.htm");
  EXPECT_EQ(view.fields[1], "");
}

// ---- Keys and buttons

TEST_F(MainPresenterTest, KeysDoWhatTheyNameOnlyWhileTheirControlIsLive) {
  const struct {
    const char* Name;
    int Key;
    TMainControl On;
    bool Busy, Maximized;
    std::vector<std::string> Calls;
  } rows[] = {
      {"F2 anywhere", VK_F2, TMainControl::SourceField, false, false, {"browse "}},
      {"F3 anywhere", VK_F3, TMainControl::About, false, false, {"files (current)"}},
      {"F2 while busy", VK_F2, TMainControl::About, true, false, {}},
      {"F3 while busy", VK_F3, TMainControl::About, true, false, {}},
      {"F5", VK_F5, TMainControl::Go, false, false, {"span"}},
      {"F6 while busy", VK_F6, TMainControl::About, true, false, {"span"}},
      {"F5 maximised", VK_F5, TMainControl::Go, false, true, {}},
      {"Enter on About", VK_RETURN, TMainControl::About, false, false, {"about"}},
      {"Enter on About while busy", VK_RETURN, TMainControl::About, true, false, {"about"}},
      {"Enter on a picker", VK_RETURN, TMainControl::SourcePicker, false, false,
       {"files (current)"}},
      {"Enter on Go", VK_RETURN, TMainControl::Go, false, false,
       {"error Destination path must not be empty!", "enable", "focus Go"}},
      {"Enter on Close", VK_RETURN, TMainControl::Close, false, false, {"close"}},
      {"Enter on a field", VK_RETURN, TMainControl::SourceField, false, false, {}},
      {"Enter on no control", VK_RETURN, TMainControl::None, false, false, {}},
      {"another key", 'A', TMainControl::Go, false, false, {}},
  };
  for (const auto& row : rows) {
    view.calls.clear();
    view.disabled.clear();
    if (row.Busy) view.EnableControls(false), view.calls.clear();
    view.maximized = row.Maximized;
    view.focus = row.On;
    presenter->FormKeyDown(row.Key, row.On);
    EXPECT_EQ(view.calls, row.Calls) << row.Name;
  }
}

TEST_F(MainPresenterTest, EscapeAndEveryCloseAreRefusedWhileBusy) {
  view.EnableControls(false);
  EXPECT_TRUE(presenter->Busy());
  EXPECT_FALSE(presenter->FormCloseQuery());
  presenter->Escape();
  presenter->Press(TMainControl::Close);
  presenter->Button3Click();  // "&About" stays live
  EXPECT_FALSE(view.closed);
  view.EnableControls(true);
  view.calls.clear();
  presenter->Escape();
  EXPECT_TRUE(view.closed);
  EXPECT_THAT(view.calls, ElementsAre("close"));
}

// ---- Pickers

TEST_F(MainPresenterTest, TheSourcePickerStartsAtTheFirstEntryJoinsAndRefusesSeparatorPaths) {
  const std::string a = Path({"w", "a.htm"}), b = Path({"w", "b.htm"});
  view.files = std::vector<std::string>{a, b};
  presenter->BitBtn1Click();
  EXPECT_EQ(view.fields[0], a + "|" + b);
  view.files = std::nullopt;  // cancelled
  presenter->BitBtn1Click();
  EXPECT_EQ(view.fields[0], a + "|" + b);
  view.files = std::vector<std::string>{Path({"w", "x|y.htm"})};
  EXPECT_THROW(presenter->BitBtn1Click(), Exception);
  EXPECT_EQ(view.fields[0], a + "|" + b);
  EXPECT_THAT(view.calls, ElementsAre("files (current)", "files " + Path({"w", ""}),
                                      "files " + Path({"w", ""})));
}

TEST_F(MainPresenterTest, TheFolderBrowserStartsAtTheDestinationLessOneDelimiter) {
  const std::string out = Path({"srv", "out"});
  view.fields[1] = out + platform::PathDelimiter();
  view.folder = Path({"srv", "new"});
  presenter->BitBtn2Click();
  EXPECT_EQ(view.fields[1], Path({"srv", "new"}));
  view.folder = std::nullopt;  // cancelled: the field stays
  view.fields[1] = "";
  presenter->BitBtn2Click();  // an empty field: the browser starts where it was
  EXPECT_EQ(view.fields[1], "");
  EXPECT_THAT(view.calls, ElementsAre("browse " + out, "browse "));
}

// ---- Drops

TEST_F(MainPresenterTest, DropsSetAFieldOrAreRefusedAndNothingIsTakenWhileBusy) {
  TempDir dir;
  MakeDir(dir / "web");
  WriteFile(dir / "web/a.htm", "<p>");
  const std::vector<TDroppedItem> page{{dir / "web/a.htm", TDroppedItem::File}};
  const std::vector<TDroppedItem> folder{{dir / "web", TDroppedItem::Folder}};
  presenter->Drop(page, false);
  presenter->Drop(folder, true);
  EXPECT_EQ(view.fields[0], dir / "web/a.htm");
  EXPECT_EQ(view.fields[1], dir / "web");
  EXPECT_THROW(presenter->Drop({{"/w/x|y.htm", TDroppedItem::File}}, false), Exception);
  view.EnableControls(false);
  EXPECT_EQ(presenter->DropFor(page, false).Kind, TDropAction::None);
  view.fields[0] = "";
  presenter->Drop(page, false);
  EXPECT_EQ(view.fields[0], "");
}

// ---- Tool tips

TEST_F(MainPresenterTest, FieldsThatDoNotShowAllOfTheirTextGetItAsTheirToolTip) {
  view.fields[0] = "/w/a.htm|/w/b.htm";
  view.fields[1] = "/out/";
  presenter->UpdateHints();
  EXPECT_EQ(view.hints[0], "");
  EXPECT_EQ(view.hints[1], "");
  view.fits[0] = view.fits[1] = false;
  presenter->UpdateHints();
  EXPECT_EQ(view.hints[0], "2 files:\n/w/a.htm\n/w/b.htm");
  EXPECT_EQ(view.hints[1], "/out/");
}

// ---- Runs

class MainPresenterRunTest : public MainPresenterTest {
protected:
  MainPresenterRunTest() {
    MakeDir(dir / "web");
    MakeDir(dir / "out");
    WriteFile(dir / "web/a.htm", "a  b");
    WriteFile(dir / "web/b.htm", "c  d");
    view.fields[0] = (dir / "web/a.htm") + "|" + (dir / "web/b.htm");
    view.fields[1] = dir / "out";
  }
  TempDir dir;
};

TEST_F(MainPresenterRunTest, GoRunsTheBatchAndTheFocusGoesBackWhereverTheRunEnds) {
  const struct {
    const char* Name;
    TMainControl Focus;
    std::string Destination;
    bool Throws;
    TMainControl FocusAfter;
  } rows[] = {
      {"a run", TMainControl::Go, dir / "out", false, TMainControl::Go},
      {"a picker, refused run", TMainControl::DestinationPicker, dir / "web", false,
       TMainControl::DestinationPicker},
      {"a field, failing run", TMainControl::SourceField, dir / "out", true,
       TMainControl::SourceField},
      {"no control", TMainControl::None, dir / "out", false, TMainControl::Go},
  };
  for (const auto& row : rows) {
    view.focus = row.Focus;
    view.fields[1] = row.Destination;
    view.fields[0] = row.Throws ? dir / "web/gone.htm" : dir / "web/a.htm";
    view.calls.clear();
    if (row.Throws)
      EXPECT_THROW(presenter->Button1Click(), EInOutError) << row.Name;
    else
      presenter->Button1Click();
    EXPECT_EQ(view.focus, row.FocusAfter) << row.Name;
    EXPECT_FALSE(presenter->Busy()) << row.Name;
    EXPECT_EQ(view.calls.back(), std::string("focus ") + NameOf(row.FocusAfter)) << row.Name;
  }
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), "a b");
  EXPECT_EQ(view.fields[1], (dir / "out") + platform::PathDelimiter());
}

TEST_F(MainPresenterRunTest, AnEndAskedForDuringARunComesAfterTheFileAtHand) {
  // Asked for once the first file is done: the second is not begun.
  view.onPump = [&] {
    if (!Exists(dir / "out/a.htm") || presenter->EndRequested()) return;
    presenter->RequestEnd();
  };
  presenter->Button1Click();
  EXPECT_EQ(ReadFile(dir / "out/a.htm"), "a b");
  EXPECT_FALSE(Exists(dir / "out/b.htm"));
  EXPECT_TRUE(view.closed);
  EXPECT_THAT(view.calls,
              ElementsAre("disable", "pump", "pump", "dialogs closed", "enable", "focus Go",
                          "close"));
}

TEST_F(MainPresenterTest, AnEndAskedForWhileIdleClosesTheDialogsAndTheWindow) {
  presenter->RequestEnd();
  EXPECT_TRUE(presenter->EndRequested());
  EXPECT_THAT(view.calls, ElementsAre("dialogs closed", "close"));
  EXPECT_TRUE(view.closed);
}

}  // namespace
