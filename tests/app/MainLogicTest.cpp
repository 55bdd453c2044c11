#include "app/MainLogic.h"
#include "app/TreeWalk.h"

#include <gtest/gtest.h>

#include "platform/FileEnv.h"

#include <map>
#include <string>
#include <vector>

#include "streams/Streams.h"
#include "support/FakeSettingsStore.h"

namespace {

TEST(MainLayoutTest, FieldsAndCloseFollowTheWidth) {
  struct Case {
    int width, editWidth, closeLeft;
  };
  for (const Case& c : {Case{500, 452, 417}, Case{373, 325, 290}, Case{48, 0, -35},
                        Case{20, 0, -63}, Case{0, 0, -83}}) {
    TMainLayout l = MainLayout(c.width);
    EXPECT_EQ(l.EditWidth, c.editWidth) << c.width;
    EXPECT_EQ(l.CloseLeft, c.closeLeft) << c.width;
  }
}

TEST(MainLayoutTest, ScaledControlsKeepTheirMargins) {
  // The controls of a window drawn at 120 pixels per inch: BitBtn1 at 10,
  // Edit1 at 50, "&Close" 94 wide.
  const TMainLayout l = MainLayout(625, 10, 50, 94);
  EXPECT_EQ(l.EditWidth, 565);
  EXPECT_EQ(l.CloseLeft, 521);
  EXPECT_EQ(MainLayout(40, 10, 50, 94).EditWidth, 0);
}

TEST(KeyActionTest, FunctionKeys) {
  struct Case {
    int key;
    bool pickers, maximized;
    TKeyAction want;
  };
  const Case cases[] = {
      {VK_F2, true, false, TKeyAction::ChooseDestination},
      {VK_F2, false, false, TKeyAction::None},
      {VK_F3, true, true, TKeyAction::ChooseSources},
      {VK_F3, false, false, TKeyAction::None},
      {VK_F5, false, false, TKeyAction::SpanScreen},
      {VK_F6, true, false, TKeyAction::SpanScreen},
      {VK_F5, true, true, TKeyAction::None},
      {VK_RETURN, false, true, TKeyAction::PressFocusedButton},
      {0x70, true, false, TKeyAction::None},  // F1
      {0x73, true, false, TKeyAction::None},  // F4
      {'A', true, false, TKeyAction::None},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KeyAction(c.key, c.pickers, c.maximized), c.want) << c.key;
}

// A path written with '/' in the platform's own delimiter.
std::string P(std::string Path) {
  for (char& c : Path)
    if (c == '/') c = platform::PathDelimiter();
  return Path;
}

TEST(SourceDialogFolderTest, FolderOfTheFirstEntry) {
  EXPECT_EQ(SourceDialogFolder("", P("/home/u")), P("/home/u"));
  EXPECT_EQ(SourceDialogFolder(P("/srv/web/a.htm|/srv/web/b.htm"), P("/x")), P("/srv/web/"));
  EXPECT_EQ(SourceDialogFolder(P("/srv/web/a.htm|/other/b.htm"), P("/x")), P("/srv/web/"));
  EXPECT_EQ(SourceDialogFolder("a.htm", P("/x")), "");
  EXPECT_EQ(SourceDialogFolder(P("|/srv/a.htm"), P("/x")), "");
  EXPECT_EQ(SourceDialogFolder(P("/a.htm"), P("/x")), P("/"));
}

TEST(ChosenSourceListTest, PathsJoinedInTheDialogsOrder) {
  EXPECT_EQ(ChosenSourceList({P("/w/b.htm"), P("/w/a.htm")}), P("/w/b.htm|/w/a.htm"));
  EXPECT_EQ(ChosenSourceList({P("/w/a.htm")}), P("/w/a.htm"));
  try {
    ChosenSourceList({P("/w/a.htm"), P("/w/b|c.htm")});
    FAIL() << "a path with the separator was taken";
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find(P("\"/w/b|c.htm\"")), std::string::npos) << e.what();
  }
}

TEST(BrowseStartFolderTest, OneFinalDelimiterRemoved) {
  EXPECT_EQ(BrowseStartFolder(P("/srv/out/")), P("/srv/out"));
  EXPECT_EQ(BrowseStartFolder(P("/srv/out")), P("/srv/out"));
  EXPECT_EQ(BrowseStartFolder(P("/srv/out//")), P("/srv/out/"));
  EXPECT_EQ(BrowseStartFolder(""), "");
}

TEST(BrowseStartFolderTest, ARootKeepsItsDelimiter) {
  EXPECT_EQ(BrowseStartFolder(P("/")), P("/"));
  if (platform::PathDelimiter() == '\\') {
    EXPECT_EQ(BrowseStartFolder("C:\\"), "C:");  // the drive, still
    EXPECT_EQ(BrowseStartFolder("c:"), "c:");
  }
}

using testsupport::FakeStore;

TEST(SettingsTest, LoadReadsBothInOrder) {
  FakeStore store;
  store.values = {{"InputPath", "/w/a.htm|/w/b.htm"}, {"OutputPath", "/out/"}};
  TRememberedPaths paths;
  LoadSettings(store, paths);
  EXPECT_EQ(paths.InputPath, "/w/a.htm|/w/b.htm");
  EXPECT_EQ(paths.OutputPath, "/out/");
  EXPECT_EQ(store.log, (std::vector<std::string>{"open", "read InputPath", "read OutputPath", "close"}));
}

TEST(SettingsTest, StoreThatCannotBeOpenedIsSkipped) {
  FakeStore store;
  store.openable = false;
  TRememberedPaths paths{"keep", "keep"};
  LoadSettings(store, paths);
  SaveSettings(store, paths);
  EXPECT_EQ(paths.InputPath, "keep");
  EXPECT_EQ(store.log, (std::vector<std::string>{"open", "open"}));
}

TEST(SettingsTest, WrongTypeStopsTheLoadWithItsMessage) {
  struct Case {
    const char* name;
    platform::SettingsStore::ReadResult result;
    const char* message;
    std::vector<std::string> log;
  };
  using R = platform::SettingsStore::ReadResult;
  const Case cases[] = {
      {"InputPath", R::WrongType, "Invalid data type for 'InputPath'",
       {"open", "read InputPath", "close"}},
      {"OutputPath", R::WrongType, "Invalid data type for 'OutputPath'",
       {"open", "read InputPath", "read OutputPath", "close"}},
      {"InputPath", R::Failed, "Failed to get data for 'InputPath'",
       {"open", "read InputPath", "close"}},
  };
  for (const Case& c : cases) {
    FakeStore store;
    store.values = {{"InputPath", "in"}, {"OutputPath", "out"}};
    store.faults[c.name] = c.result;
    TRememberedPaths paths;
    try {
      LoadSettings(store, paths);
      ADD_FAILURE() << "no error for " << c.name;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(store.log, c.log);
  }
}

TEST(SettingsTest, SaveWritesBothAlwaysAndStopsAtAFailure) {
  FakeStore store;
  SaveSettings(store, {"", ""});
  EXPECT_EQ(store.values["InputPath"], "");
  EXPECT_EQ(store.values["OutputPath"], "");

  FakeStore refusing;
  refusing.refuseWrite = "InputPath";
  try {
    SaveSettings(refusing, {"a", "b"});
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Failed to set data for 'InputPath'");
  }
  EXPECT_EQ(refusing.log, (std::vector<std::string>{"open", "write InputPath", "close"}));
}

TEST(SpanScreenFrameTest, LeftEdgeAndWidthOfTheScreenTopAndHeightKept) {
  EXPECT_EQ(SpanScreenFrame({100, 50, 489, 238}, {0, 0, 1280, 800}), (TRect{0, 50, 1280, 238}));
  // A second screen to the left of the primary one starts below zero.
  EXPECT_EQ(SpanScreenFrame({-5, -20, 300, 100}, {-1920, 0, 0, 1080}), (TRect{-1920, -20, 0, 100}));
}

TEST(FocusAfterRunTest, TheControlThatHadItOrGo) {
  for (const TMainControl control :
       {TMainControl::Go, TMainControl::SourcePicker, TMainControl::DestinationPicker,
        TMainControl::About, TMainControl::Close, TMainControl::SourceField,
        TMainControl::DestinationField})
    EXPECT_EQ(FocusAfterRun(control), control) << static_cast<int>(control);
  EXPECT_EQ(FocusAfterRun(TMainControl::None), TMainControl::Go);
}

TEST(SourceDocumentTest, ThePickersPatternsLetterCaseIgnored) {
  for (const char* name : {"a.htm", "B.HTML", "c.Asp", ".htm.htm", "x y.html"})
    EXPECT_TRUE(IsSourceDocument(name)) << name;
  for (const char* name : {"a.txt", "a.htm.bak", "htm", ".htm", "a.ht", "a.aspx", ""})
    EXPECT_FALSE(IsSourceDocument(name)) << name;
  // The folder tree run takes the same patterns.
  std::string joined;
  for (const std::string& pattern : DefaultPatterns()) joined += (joined.empty() ? "" : ";") + pattern;
  EXPECT_EQ(joined, SSourcePatterns);
}

TEST(SourceListHintTest, CountThenOneFileALine) {
  EXPECT_EQ(SourceListHint(""), "");
  EXPECT_EQ(SourceListHint(P("/w/a.htm")), "1 file:\n" + P("/w/a.htm"));
  EXPECT_EQ(SourceListHint(P("/w/a.htm|/w/b.htm")), "2 files:\n" + P("/w/a.htm\n/w/b.htm"));
  std::string many;
  for (int i = 0; i < 40; ++i) many += (i ? "|" : "") + std::to_string(i) + ".htm";
  EXPECT_EQ(SourceListHint(many, 3), "40 files:\n0.htm\n1.htm\n2.htm\n... and 37 more");
}

struct TDropCase {
  const char* Name;
  std::vector<TDroppedItem> Items;
  bool OnDestination, Busy;
  TDropAction Expected;
};

std::vector<TDropCase> DropCases() {
  using I = TDroppedItem;
  using A = TDropAction;
  const I a{P("/w/a.htm"), I::File}, b{P("/w/B.HTML"), I::File}, out{P("/srv/out/"), I::Folder};
  return {
      {"FilesAnywhere", {a, b}, false, false, {A::Sources, P("/w/a.htm|/w/B.HTML")}},
      {"FilesOnTheDestinationField", {b}, true, false, {A::Sources, P("/w/B.HTML")}},
      {"AFolderOnTheDestinationField", {out}, true, false, {A::Destination, P("/srv/out")}},
      {"TheRootOnTheDestinationField", {{P("/"), I::Folder}}, true, false, {A::Destination, P("/")}},
      {"AFolderElsewhere", {out}, false, false, {}},
      {"TwoFolders", {out, out}, true, false, {}},
      {"FilesAndAFolder", {a, out}, false, false, {}},
      {"AFileThePickerDoesNotList", {a, {P("/w/logo.png"), I::File}}, false, false, {}},
      {"AMissingFile", {{P("/w/gone.htm"), I::Missing}}, false, false, {}},
      {"ASeparatorInAName", {a, {P("/w/x|y.htm"), I::File}}, false, false, {A::Refused, P("/w/x|y.htm")}},
      {"NothingWhileBusy", {a}, false, true, {}},
      {"NoFolderWhileBusy", {out}, true, true, {}},
      {"Nothing", {}, false, false, {}},
  };
}

class DropActionTest : public testing::TestWithParam<TDropCase> {};

TEST_P(DropActionTest, AsThePickersWould) {
  const TDropCase& c = GetParam();
  const TDropAction got = DropAction(c.Items, c.OnDestination, c.Busy);
  EXPECT_EQ(got.Kind, c.Expected.Kind);
  EXPECT_EQ(got.Text, c.Expected.Text);
}

INSTANTIATE_TEST_SUITE_P(Cases, DropActionTest, testing::ValuesIn(DropCases()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
