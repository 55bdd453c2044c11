#include "app/qt/Main.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QPushButton>
#include <QSettings>
#include <QSize>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/Application.h"
#include "app/BatchRun.h"
#include "app/qt/CheckRunning.h"
#include "about/qt/About.h"
#include "ui/qt/QtPictures.h"
#include "app/SourceList.h"
#include "dialogs/qt/BrowseFolderDlg.h"
#include "dialogs/qt/OpenFileDialog.h"
#include "platform/FileEnv.h"
#include "platform/InstanceLock.h"
#include "streams/Streams.h"
#include "support/PrivateLocks.h"
#include "support/ScopedEnv.h"
#include "support/ScopedHandler.h"
#include "support/TempDir.h"
#include "support/qt/GuiTest.h"
#include "ui/qt/QtText.h"

using namespace testsupport;

namespace {

// Records what the default error report would show.
class ErrorReportRecorder {
public:
  ErrorReportRecorder() {
    previous_ = SetErrorReportBox([this](const QString& Caption, const QString& Text) {
      reports.push_back(Caption.toStdString() + ": " + Text.toStdString());
    });
  }
  ~ErrorReportRecorder() { SetErrorReportBox(previous_); }
  std::vector<std::string> reports;

private:
  TErrorBoxFunc previous_;
};

// The program's settings in the folder a TempSettings chose.
QSettings OpenSettings() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Brindle", "Pagetrim");
}

// The configuration file as the program left it.
std::string SettingsFileText(const TempSettings& Settings) {
  return ReadFile(Settings.dir / "Brindle/Pagetrim.conf");
}

std::unique_ptr<THTMLMainForm> NewForm(platform::FileEnv* Env = nullptr) {
  auto form = std::make_unique<THTMLMainForm>(nullptr, nullptr, Env);
  form->AboutBox = [] {};
  return form;
}

TEST(MainFormTest, ControlsAsDesigned) {
  TempSettings settings;
  auto form = NewForm();
  EXPECT_EQ(form->objectName(), "HTMLMainForm");
  EXPECT_EQ(form->windowTitle(), "Pagetrim");
  EXPECT_EQ(form->StaticText1->text(), "Source file(s):");
  EXPECT_EQ(form->StaticText2->text(), "Destination path:");
  EXPECT_EQ(form->Button1->text(), "&Go!");
  EXPECT_EQ(form->Button3->text(), "&About");
  EXPECT_EQ(form->Button2->text(), "&Close");
  EXPECT_TRUE(form->Edit1->isReadOnly());
  EXPECT_TRUE(form->Edit2->isReadOnly());
  for (QPushButton* b : {form->Button1, form->Button2, form->Button3, form->BitBtn1, form->BitBtn2})
    EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->objectName().toStdString();
  EXPECT_EQ(form->BrowseFolderDlg->objectName(), "BrowseFolderDlg");
  EXPECT_EQ(form->BrowseFolderDlg->DialogText(), "Destination path:");
  EXPECT_EQ(form->BitBtn1->geometry(), QRect(8, 32, 25, 21));
  EXPECT_EQ(form->Button1->geometry(), QRect(8, 128, 75, 25));
  EXPECT_EQ(form->font().pixelSize(), 11);

  // The tab chain: Go, the pickers, About, Close; the fields are no stops.
  std::vector<std::string> chain;
  QWidget* w = form->Button1;
  do {
    if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w->objectName().toStdString());
    w = w->nextInFocusChain();
  } while (w != form->Button1);
  EXPECT_EQ(chain, (std::vector<std::string>{"Button1", "BitBtn1", "BitBtn2", "Button3", "Button2"}));
}

TEST(MainFormTest, ResizeWidensTheFieldsAndMovesClose) {
  TempSettings settings;
  auto form = NewForm();
  form->show();
  EXPECT_EQ(form->Edit1->width(), MainLayout(form->width()).EditWidth);  // the first layout
  form->resize(500, kDesignedClientHeight);
  EXPECT_EQ(form->Edit1->width(), 452);
  EXPECT_EQ(form->Edit2->width(), 452);
  EXPECT_EQ(form->Button2->x(), 417);
  EXPECT_EQ(form->Button2->y(), 128);
  form->resize(30, kDesignedClientHeight);
  EXPECT_EQ(form->Edit1->width(), 0);
  EXPECT_EQ(form->Edit1->x(), 40);
}

TEST(MainFormTest, FunctionKeysFromAnyControlWithModifiers) {
  TempSettings settings;
  auto form = NewForm();
  int files = 0, browses = 0;
  form->FileDialog = [&](const std::string&) {
    ++files;
    return std::optional<std::vector<std::string>>();
  };
  form->ExecuteBrowse = [&](TBrowseFolderDlg&) {
    ++browses;
    return false;
  };
  QTest::keyClick(form->Edit2, Qt::Key_F3, Qt::ShiftModifier);
  QTest::keyClick(form->Button3, Qt::Key_F2, Qt::ControlModifier);
  QTest::keyClick(form->Button1, Qt::Key_F2);
  EXPECT_EQ(files, 1);
  EXPECT_EQ(browses, 2);

  form->EnableControls(false);  // busy: the pickers' keys are dead
  QTest::keyClick(form->Edit1, Qt::Key_F3);
  QTest::keyClick(form->Button3, Qt::Key_F2);
  EXPECT_EQ(files, 1);
  EXPECT_EQ(browses, 2);
}

TEST(MainFormTest, EnterPressesTheFocusedButtonOnly) {
  TempSettings settings;
  auto form = NewForm();
  int abouts = 0, files = 0, browses = 0;
  std::vector<std::string> boxes;
  form->AboutBox = [&] { ++abouts; };
  form->FileDialog = [&](const std::string&) {
    ++files;
    return std::optional<std::vector<std::string>>();
  };
  form->ExecuteBrowse = [&](TBrowseFolderDlg&) {
    ++browses;
    return false;
  };
  form->BatchErrorBox = [&](const std::string& Text) { boxes.push_back(Text); };
  form->show();
  QTest::keyClick(form->Button3, Qt::Key_Return);
  QTest::keyClick(form->BitBtn1, Qt::Key_Enter, Qt::KeypadModifier);
  QTest::keyClick(form->BitBtn2, Qt::Key_Return);
  QTest::keyClick(form->Edit1, Qt::Key_Return);  // a field is no button
  EXPECT_EQ(abouts + files + browses, 3);
  EXPECT_EQ(abouts * 100 + files * 10 + browses, 111);
  QTest::keyClick(form->Button1, Qt::Key_Enter, Qt::KeypadModifier);  // Go, with no destination
  EXPECT_EQ(boxes, (std::vector<std::string>{SDestinationEmpty}));
  QTest::keyClick(form->Button2, Qt::Key_Return);  // Close
  EXPECT_FALSE(form->isVisible());
}

TEST(MainFormTest, F5SpansTheScreenUnlessMaximized) {
  TempSettings settings;
  auto form = NewForm();
  form->show();
  form->move(100, 50);
  QTest::keyClick(form->Button3, Qt::Key_F5);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  // The system places the window, and tells the program afterwards.
  EXPECT_TRUE(QTest::qWaitFor([&] { return form->frameGeometry().left() == 0; }, 2000));
  EXPECT_EQ(form->frameGeometry().width(), screen.width());
  EXPECT_EQ(form->frameGeometry().top(), 50);
  EXPECT_EQ(form->height(), kDesignedClientHeight);

  form->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return form->isMaximized() &&
           form->frameGeometry() == QGuiApplication::primaryScreen()->availableGeometry();
  }, 2000));
  const QRect maximized = form->frameGeometry();
  QTest::keyClick(form->Button3, Qt::Key_F6);
  QTest::qWait(50);
  EXPECT_EQ(form->frameGeometry(), maximized);
}

TEST(MainFormTest, BusyWindowRefusesEveryClose) {
  TempSettings settings;
  auto form = NewForm();
  form->show();
  form->EnableControls(false);
  EXPECT_TRUE(form->Busy());
  EXPECT_FALSE(form->close());
  QTest::keyClick(form->Button3, Qt::Key_Escape);
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->Button3->isEnabled());  // About stays live
  EXPECT_FALSE(form->BitBtn1->isEnabled());
  form->EnableControls(true);
  QTest::keyClick(form->Button3, Qt::Key_Escape);  // presses Close
  EXPECT_FALSE(form->isVisible());
}

TEST(MainFormTest, ToolTipsNameThePickersAndShowWhatTheFieldsCut) {
  TempSettings settings;
  auto form = NewForm();
  form->show();
  EXPECT_EQ(form->BitBtn1->toolTip(), "Choose source files (F3)");
  EXPECT_EQ(form->BitBtn2->toolTip(), "Choose destination folder (F2)");
  SetFieldText(form->Edit1, "/w/a.htm");
  SetFieldText(form->Edit2, "/out/");
  EXPECT_EQ(form->Edit1->toolTip(), "");  // it fits
  EXPECT_EQ(form->Edit2->toolTip(), "");
  const std::string a = "/srv/www/bakery/with/a/long/way/to/go/index.htm";
  const std::string b = "/srv/www/bakery/with/a/long/way/to/go/caf\xE9.htm";
  SetFieldText(form->Edit1, a + "|" + b + "|/srv/c.asp");
  EXPECT_EQ(ToBytes(form->Edit1->toolTip()), "3 files:\n" + a + "\n" + b + "\n/srv/c.asp");
  const std::string deep = "/srv/www/bakery/with/a/long/way/to/go/and/then/some/more/folders/";
  SetFieldText(form->Edit2, deep);
  EXPECT_EQ(ToBytes(form->Edit2->toolTip()), deep);
  // Wide enough for both: no tool tips.
  form->resize(1200, kDesignedClientHeight);
  EXPECT_EQ(form->Edit1->toolTip(), "");
  EXPECT_EQ(form->Edit2->toolTip(), "");
}

// Drops Urls (as a file manager's "text/uri-list") on the form at the
// centre of Target; true when the form took them.
bool DropOn(THTMLMainForm& Form, QWidget* Target, const QByteArray& Urls) {
  QMimeData data;
  data.setData("text/uri-list", Urls);
  const QPoint at = Target->geometry().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Form, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Form, &drop);
  return drop.isAccepted();
}

TEST(MainFormTest, DroppedFilesSetTheSourcesAndAFolderOnTheFieldTheDestination) {
  TempSettings settings;
  ErrorReportRecorder recorder;
  TempDir dir;
  std::filesystem::create_directory(dir / "web");
  for (const char* name : {"web/a.htm", "web/caf\xE9.htm", "web/x|y.htm", "web/logo.png"})
    WriteFile(dir / name, "<p>");
  const QByteArray web = QByteArray("file://") + QByteArray::fromStdString(dir / "web");
  auto form = NewForm();
  form->show();
  EXPECT_TRUE(DropOn(*form, form->Button3, web + "/a.htm\r\n" + web + "/caf%E9.htm\r\n"));
  EXPECT_EQ(FieldText(form->Edit1), (dir / "web/a.htm") + "|" + (dir / "web/caf\xE9.htm"));
  EXPECT_TRUE(DropOn(*form, form->Edit2, web + "/\r\n"));
  EXPECT_EQ(FieldText(form->Edit2), dir / "web");
  // Not taken: a folder off the destination field, a file the picker does
  // not list, anything while a run is busy.
  EXPECT_FALSE(DropOn(*form, form->Edit1, web + "\r\n"));
  EXPECT_FALSE(DropOn(*form, form->Button1, web + "/logo.png\r\n"));
  form->EnableControls(false);
  EXPECT_FALSE(DropOn(*form, form->Button1, web + "/a.htm\r\n"));
  EXPECT_FALSE(DropOn(*form, form->Edit2, web + "/\r\n"));
  form->EnableControls(true);
  EXPECT_EQ(FieldText(form->Edit1), (dir / "web/a.htm") + "|" + (dir / "web/caf\xE9.htm"));
  EXPECT_EQ(FieldText(form->Edit2), dir / "web");
  // A name with the separator in it is refused as the picker refuses it.
  EXPECT_TRUE(DropOn(*form, form->Edit1, web + "/x%7Cy.htm\r\n"));
  ASSERT_EQ(recorder.reports.size(), 1u);
  EXPECT_NE(recorder.reports[0].find("x|y.htm\" contains the character '|'"), std::string::npos);
  EXPECT_EQ(FieldText(form->Edit1), (dir / "web/a.htm") + "|" + (dir / "web/caf\xE9.htm"));
}

TEST(MainFormTest, TheFileDialogOffersNamesThatAreNotUtf8AndPassesThemOnByteExact) {
  TempSettings settings;
  TempDir dir;
  std::filesystem::create_directory(dir / "web");
  WriteFile(dir / "web/caf\xE9.htm", "<p>  caf\xE9  </p>");
  WriteFile(dir / "web/menu.htm", "<p>menu</p>");
  {
    auto form = NewForm();
    SetFieldText(form->Edit1, dir / "web/menu.htm");  // the dialog starts in web/
    std::vector<std::string> listed;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<TOpenFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      listed = dialog->ListedNames();
      dialog->SelectNames({"caf\xE9.htm"});
      dialog->Controls().Open->click();
    });
    form->Presenter().BitBtn1Click();
    EXPECT_EQ(listed, (std::vector<std::string>{"caf\xE9.htm", "menu.htm"}));
    EXPECT_EQ(FieldText(form->Edit1), dir / "web/caf\xE9.htm");
    SetFieldText(form->Edit2, dir / "out");
    std::filesystem::create_directory(dir / "out");
    form->Presenter().Button1Click();
    EXPECT_EQ(ReadFile(dir / "out/caf\xE9.htm"), "<p> caf\xE9 </p>");
  }
  EXPECT_NE(SettingsFileText(settings).find("caf\\xe9.htm"), std::string::npos);
}

TEST(MainFormTest, ThousandsOfFilesPassThroughTheFieldTheSettingsAndTheRunWhole) {
  TempSettings settings;
  TempDir dir;
  std::filesystem::create_directory(dir / "web");
  std::filesystem::create_directory(dir / "out");
  std::vector<std::string> files;
  for (int i = 0; i < 3000; ++i) {
    files.push_back(dir / ("web/page-" + std::to_string(10000 + i) + "-of-the-bakery.htm"));
    WriteFile(files.back(), "<p>  " + std::to_string(i) + "  </p>\r\n");
  }
  const std::string list = TSourceList::FromFiles(files)->Text();
  ASSERT_GT(list.size(), 100000u);
  {
    auto form = NewForm();
    form->FileDialog = [&](const std::string&) { return std::optional(files); };
    form->Presenter().BitBtn1Click();
    // Compared whole, without printing a hundred thousand characters.
    EXPECT_EQ(FieldText(form->Edit1).size(), list.size());
    EXPECT_TRUE(FieldText(form->Edit1) == list);
  }
  auto form = NewForm();
  EXPECT_EQ(FieldText(form->Edit1).size(), list.size());  // saved and loaded whole
  EXPECT_TRUE(FieldText(form->Edit1) == list);
  SetFieldText(form->Edit2, dir / "out");
  form->Presenter().Button1Click();
  for (int i : {0, 799, 800, 2999})
    EXPECT_EQ(ReadFile(dir / ("out/page-" + std::to_string(10000 + i) + "-of-the-bakery.htm")),
              "<p> " + std::to_string(i) + " </p>");
}

TEST(MainFormTest, ErrorsFromAClickReachTheDefaultErrorReport) {
  TempSettings settings;
  ErrorReportRecorder recorder;
  TempDir dir;
  auto form = NewForm();
  SetFieldText(form->Edit1, dir / "missing.htm");
  SetFieldText(form->Edit2, dir / "out");
  QTest::mouseClick(form->Button1, Qt::LeftButton);
  ASSERT_EQ(recorder.reports.size(), 1u);
  EXPECT_EQ(recorder.reports[0].rfind("Pagetrim: Error opening \"", 0), 0u) << recorder.reports[0];
  EXPECT_EQ(recorder.reports[0].back(), '.');  // the system text ends in a letter
  EXPECT_FALSE(form->Busy());
}

// Runs Show, which opens a modal message box, and returns what the box
// showed: its text as plain text, or a note of the format it used.
std::string PlainTextOfBox(const std::function<void()>& Show) {
  std::string seen = "(no box)";
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    seen = box->textFormat() == Qt::PlainText && label && label->textFormat() == Qt::PlainText
               ? box->windowTitle().toStdString() + ": " + box->text().toStdString()
               : "(rich text)";
    box->accept();
  });
  QTimer guard;
  QObject::connect(&guard, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->reject();
  });
  guard.start(5000);
  Show();
  return seen;
}

TEST(MessageBoxTest, MessagesAreShownAsPlainText) {
  TempSettings settings;
  const testsupport::ScopedHandler<TErrorBoxFunc> defaultBox(SetErrorReportBox, nullptr);
  EXPECT_EQ(PlainTextOfBox([] { ShowErrorReport("Error opening \"<b>bold</b>.htm\": gone"); }),
            "Pagetrim: Error opening \"<b>bold</b>.htm\": gone.");
  auto form = NewForm();
  EXPECT_EQ(PlainTextOfBox([&] { form->BatchErrorBox("<i>Destination</i> &amp; more"); }),
            "Error: <i>Destination</i> &amp; more");
}

// ---- The system's requests to end the program

// Raises SIGTERM, as a log-off would, when the file called Name is opened.
class SignalOnOpen : public platform::FileEnvWrapper {
public:
  explicit SignalOnOpen(std::string Name)
      : FileEnvWrapper(platform::FileEnv::Default()), name_(std::move(Name)) {}
  platform::Status Open(const std::string& Name, std::uint32_t Access, std::uint32_t Share,
                        std::uint32_t Disposition, std::uint32_t Attributes,
                        platform::FileHandle* Handle) override {
    if (Name == name_) ::raise(SIGTERM);
    return FileEnvWrapper::Open(Name, Access, Share, Disposition, Attributes, Handle);
  }

private:
  std::string name_;
};

TEST(StopRequestTest, DuringARunTheWindowClosesAfterTheFileAtHand) {
  TempSettings settings;
  TempDir dir;
  std::filesystem::create_directory(dir / "web");
  std::filesystem::create_directory(dir / "out");
  for (const char* name : {"web/a.htm", "web/b.htm"}) WriteFile(dir / name, "<p>  x  </p>");
  {
    SignalOnOpen signal(dir / "out/a.htm");  // while a.htm is at hand
    auto form = NewForm(&signal);
    ASSERT_TRUE(WatchStopRequests(form.get(), [&] { form->Presenter().RequestEnd(); }));
    form->show();
    SetFieldText(form->Edit1, (dir / "web/a.htm") + "|" + (dir / "web/b.htm"));
    SetFieldText(form->Edit2, dir / "out");
    form->Presenter().Button1Click();
    EXPECT_EQ(ReadFile(dir / "out/a.htm"), "<p> x </p>");  // finished
    EXPECT_FALSE(Exists(dir / "out/b.htm"));               // never started
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Busy());
  }
  // Saved as the run left the destination.
  EXPECT_EQ(OpenSettings().value("OutputPath").toString().toStdString(), dir / "out/");
}

TEST(StopRequestTest, OpenDialogsCloseAndTheIdleWindowCloses) {
  TempSettings settings;
  auto form = NewForm();
  ASSERT_TRUE(WatchStopRequests(form.get(), [&] { form->Presenter().RequestEnd(); }));
  form->AboutBox = [] { ShowAboutBox(); };
  form->show();
  QTimer::singleShot(0, [] { ::raise(SIGINT); });
  form->Presenter().Button3Click();  // returns once the request has closed the box
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The window program in a process of its own, on the offscreen platform,
// with its settings in Settings.
class TProgram {
public:
  explicit TProgram(const TempSettings& Settings) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(Settings.dir.Path()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
  }
  ~TProgram() {
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished(5000);
    }
  }

  // Starts it; true once its window listens for later instances.
  bool StartAndWaitForTheWindow() {
    const std::string channel = platform::InstanceLock::ChannelAddress("Pagetrim");
    if (channel.empty()) return false;
    std::filesystem::remove(channel);
    process.start(QStringLiteral(PAGETRIM_EXE), {});
    return process.waitForStarted(5000) &&
           QTest::qWaitFor([&] { return Exists(channel); }, 10000);
  }
  // Sends the signal Number to the program while it runs (never to a
  // process group: a pid of 0 would mean the tests' own).
  bool Signal(int Number) {
    const qint64 pid = process.processId();
    return process.state() == QProcess::Running && pid > 0 &&
           ::kill(static_cast<pid_t>(pid), Number) == 0;
  }
  // The exit code after an orderly end, -1 after a crash or a signal.
  int Wait() {
    if (!process.waitForFinished(10000)) return -2;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  QProcess process;
};

// The settings as a first start would find them: only a destination.
void PresetSettings(const TempSettings& Settings) {
  std::filesystem::create_directories(Settings.dir / "Brindle");
  WriteFile(Settings.dir / "Brindle/Pagetrim.conf", "[General]\nOutputPath=/srv/out\n");
}

class StopSignalTest : public testing::TestWithParam<int> {};

TEST_P(StopSignalTest, EndsInOrderWithTheSettingsSaved) {
  TempSettings settings;
  PresetSettings(settings);
  TProgram program(settings);
  ASSERT_TRUE(program.StartAndWaitForTheWindow());
  ASSERT_TRUE(program.Signal(GetParam()));
  EXPECT_EQ(program.Wait(), 0);
  // Saving writes both values, the source list too.
  EXPECT_EQ(SettingsFileText(settings), "[General]\nInputPath=\nOutputPath=/srv/out\n");
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest, testing::Values(SIGTERM, SIGHUP, SIGINT),
                         [](const auto& Info) {
                           return std::string(Info.param == SIGTERM  ? "SIGTERM"
                                              : Info.param == SIGHUP ? "SIGHUP"
                                                                     : "SIGINT");
                         });

TEST(InstanceGuardTest, ALockFolderOfAnotherUserDoesNotKeepTheProgramFromStarting) {
  if (!testsupport::InstanceLocksIsolated()) GTEST_SKIP() << "no lock folder of the tests' own";
  // Another local user made the lock folder first and holds a lock in it.
  const std::string folder = "/tmp/pagetrim-user-" + std::to_string(::getuid());
  const bool root = ::geteuid() == 0;
  struct Restore {
    std::string folder;
    ~Restore() {
      (void)::chown(folder.c_str(), ::getuid(), ::getgid());
      ::chmod(folder.c_str(), 0700);
    }
  } restore{folder};
  const std::string lockName = folder + "/Pagetrim.lock";
  const int lock = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_NE(lock, -1);
  ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
  if (root) {
    ASSERT_EQ(::chown(lockName.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);  // "nobody"'s folder
  } else {
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);  // a folder anybody may write to
  }
  TempSettings settings;
  PresetSettings(settings);
  TProgram program(settings);
  program.process.start(QStringLiteral(PAGETRIM_EXE), {});
  ASSERT_TRUE(program.process.waitForStarted(5000));
  // It does not hand over to whoever holds that lock: it runs, with its window.
  EXPECT_FALSE(program.process.waitForFinished(2000));
  ASSERT_TRUE(program.Signal(SIGTERM));
  EXPECT_EQ(program.Wait(), 0);
  EXPECT_EQ(SettingsFileText(settings), "[General]\nInputPath=\nOutputPath=/srv/out\n");
  ::close(lock);
  ::unlink(lockName.c_str());
}

TEST(SettingsRoundTripTest, SavedAtDestructionLoadedAtCreation) {
  TempSettings settings;
  {
    auto form = NewForm();
    EXPECT_EQ(FieldText(form->Edit1), "");
    SetFieldText(form->Edit1, "/w/a.htm|/w/\xC3\xA9t\xC3\xA9.htm");
    SetFieldText(form->Edit2, "/out/");
  }
  EXPECT_EQ(OpenSettings().value("OutputPath").toString(), "/out/");
  auto form = NewForm();
  EXPECT_EQ(FieldText(form->Edit1), "/w/a.htm|/w/\xC3\xA9t\xC3\xA9.htm");
  EXPECT_EQ(FieldText(form->Edit2), "/out/");
}

TEST(SettingsRoundTripTest, FirstStartCreatesTheFileAtOnceAndWritesBothValuesEmpty) {
  TempSettings settings;
  {
    auto form = NewForm();
    // Created with the window, before anything is saved: a program killed
    // now still leaves it behind.
    EXPECT_TRUE(std::filesystem::exists(settings.dir / "Brindle/Pagetrim.conf"));
  }
  QSettings s = OpenSettings();
  EXPECT_TRUE(s.contains("InputPath"));
  EXPECT_TRUE(s.contains("OutputPath"));
  EXPECT_EQ(s.value("InputPath").toString(), "");
}

TEST(SettingsRoundTripTest, NamesThatAreNotUtf8ComeBackByteExact) {
  const std::string latin1 = "/w/caf\xE9.htm|/w/\xC3\xA9t\xC3\xA9.htm";
  {
    TempSettings settings;
    {
      auto form = NewForm();
      SetFieldText(form->Edit1, latin1);
      SetFieldText(form->Edit2, "/out/\xFF/");
    }
    const std::string text = SettingsFileText(settings);
    EXPECT_NE(text.find("InputPath=@ByteArray(/w/caf\\xe9.htm|/w/\\xc3\\xa9t\\xc3\\xa9.htm)"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("OutputPath=@ByteArray(/out/\\xff/)"), std::string::npos) << text;
  }
  // A file written before (or by hand) is read the same way, in a fresh
  // folder so that no cached copy answers.
  TempSettings settings;
  std::filesystem::create_directories(settings.dir / "Brindle");
  WriteFile(settings.dir / "Brindle/Pagetrim.conf",
            "[General]\nInputPath=@ByteArray(/w/caf\\xe9.htm)\nOutputPath=/out/\xC3\xA9/\n");
  ErrorReportRecorder recorder;
  auto form = NewForm();
  EXPECT_EQ(recorder.reports, std::vector<std::string>());
  EXPECT_EQ(FieldText(form->Edit1), "/w/caf\xE9.htm");
  EXPECT_EQ(FieldText(form->Edit2), "/out/\xC3\xA9/");
}

TEST(SettingsRoundTripTest, WrongTypeIsReportedAndTheWindowStillOpens) {
  TempSettings settings;
  {
    QSettings s = OpenSettings();
    s.setValue("InputPath", QSize(3, 4));
    s.setValue("OutputPath", "/out/");
  }
  ErrorReportRecorder recorder;
  auto form = NewForm();
  EXPECT_EQ(recorder.reports, (std::vector<std::string>{"Pagetrim: Invalid data type for 'InputPath'"}));
  EXPECT_EQ(FieldText(form->Edit1), "");
  EXPECT_EQ(FieldText(form->Edit2), "");  // the load stopped before it
}

TEST(ErrorReportTest, NotifyReportsAndGoesOn) {
  ErrorReportRecorder recorder;
  QObject target;
  QObject::connect(&target, &QObject::objectNameChanged, [] { throw EInOutError("Disk on fire"); });
  // An event whose handler raises: the report shows it and dispatch goes on.
  QTimer::singleShot(0, &target, [&] { target.setObjectName("x"); });
  QTest::qWait(20);
  ASSERT_EQ(recorder.reports.size(), 1u);
  EXPECT_EQ(recorder.reports[0], "Pagetrim: Disk on fire.");
}

TEST(ProgramIconTest, SizesAndDisabledGlyph) {
  EXPECT_EQ(ProgramIconImage().size(), QSize(32, 32));
  const QImage glyph = OpenFolderImage();
  EXPECT_EQ(glyph.size(), QSize(16, 16));
  const QImage grey = OpenFolderGlyph().pixmap(QSize(16, 16), QIcon::Disabled).toImage();
  ASSERT_EQ(grey.size(), QSize(16, 16));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const QRgb c = grey.pixel(x, y);
      if (qAlpha(c) != 0) {
        EXPECT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
      }
    }
}

TEST(InstanceGuardTest, SecondProcessHandsOverAndEndsWhateverItsEnvironment) {
  // The first instance sees a runtime folder in its environment, the second
  // none: they still meet.
  TempDir runtime;
  const testsupport::ScopedEnv runtimeDir("XDG_RUNTIME_DIR", runtime.Path());
  TempSettings settings;
  auto form = NewForm();
  form->show();
  TInstanceGuard guard;
  ASSERT_EQ(guard.Check("Pagetrim"), TInstanceGuard::TRole::First);
  ASSERT_TRUE(guard.Listen(form.get()));
  int requests = 0;
  QObject::connect(&guard, &TInstanceGuard::activationRequested, [&] { ++requests; });

  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("XDG_RUNTIME_DIR");
  env.insert("XDG_CONFIG_HOME", QString::fromStdString(settings.dir.Path()));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  second.setProcessEnvironment(env);
  const std::string conf = settings.dir / "Brindle/Pagetrim.conf";
  const std::string before = ReadFile(conf);
  QElapsedTimer timer;
  timer.start();
  second.start(QStringLiteral(PAGETRIM_EXE), {});
  ASSERT_TRUE(second.waitForStarted(5000));
  while (second.state() != QProcess::NotRunning && timer.elapsed() < 10000) QTest::qWait(10);
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_LT(timer.elapsed(), 5000);
  QTest::qWait(50);
  EXPECT_EQ(requests, 1);
  // The second instance never created its window: it saved no settings.
  EXPECT_EQ(ReadFile(conf), before);
}

}  // namespace
