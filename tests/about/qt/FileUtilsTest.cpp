#include "about/qt/FileUtils.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "support/qt/QtPrint.h"
#include "support/ScopedHandler.h"

namespace {

TEST(ShellRequestTest, AddressesDocumentsAndPrograms) {
  QTemporaryDir Dir;
  ASSERT_TRUE(QDir().mkdir(Dir.filePath("site")));
  for (const auto& [Name, Permissions] :
       {std::pair{"site/index.htm", QFile::ReadOwner | QFile::WriteOwner},
        std::pair{"site/tool.sh", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner}}) {
    QFile File(Dir.filePath(Name));
    ASSERT_TRUE(File.open(QIODevice::WriteOnly) && File.setPermissions(Permissions));
  }
  const std::string Base = QFile::encodeName(Dir.path()).toStdString();
  const QString Site = Dir.filePath("site"), Index = Dir.filePath("site/index.htm");
  const QString Tool = Dir.filePath("site/tool.sh");
  const struct {
    std::string Name, Parameters, Directory;
    QString Url;  // what is opened, or the program started
    QStringList Arguments = {};
    QString WorkingDirectory = {};
  } Cases[] = {
      {"https://www.example.com/brindle/", "-x", Base, "https://www.example.com/brindle/"},
      {"mailto:brindle@example.com", "", "", "mailto:brindle@example.com"},
      {"file:///tmp/page.htm", "", "", "file:///tmp/page.htm"},
      {"x-app+v2.1:open", "", "", "x-app+v2.1:open"},
      {Base + "/site/index.htm", "-x", "", "file://" + Index},  // documents take no parameters
      {"../site/./index.htm", "", Base + "/site", "file://" + Index},
      {"site", "", Base, "file://" + Site},  // a folder opens in the file manager
      {"C:\\Web\\a.htm", "", Base, QUrl::fromLocalFile(Dir.filePath("C:\\Web\\a.htm")).toString()},
      {"page.htm", "", "", QUrl::fromLocalFile(QDir::current().absoluteFilePath("page.htm")).toString()},
      {"tool.sh", "-v \"two words\" three", Base + "/site", Tool, {"-v", "two words", "three"}, Site},
      {Base + "/site/tool.sh", "", "", Tool, {}, QString()},
      {"", "-x", Base, ""},  // nothing to open
  };
  for (const auto& C : Cases) {
    const TShellRequest R = ShellRequest(C.Name, C.Parameters, C.Directory);
    EXPECT_EQ(R.Program.isEmpty() ? R.Url.toString() : R.Program, C.Url) << C.Name;
    EXPECT_TRUE(R.Program.isEmpty() || !R.Url.isValid()) << C.Name;
    EXPECT_EQ(R.Arguments, C.Arguments) << C.Name;
    EXPECT_EQ(R.WorkingDirectory, C.WorkingDirectory) << C.Name;
  }
}

TEST(OpenWithShellTest, HandsRequestsToTheHandler) {
  std::vector<QUrl> Seen;
  const testsupport::ScopedHandler<TShellHandler> Recorder(
      SetShellHandler, [&Seen](const TShellRequest& R) { Seen.push_back(R.Url); });
  ASSERT_TRUE(Recorder.Previous());
  OpenWithShell("https://www.example.com/", "", "", 5);
  OpenWithShell("mailto:brindle@example.com", "", "", 0);
  OpenWithShell("", "", "", 5);  // nothing to open: the handler is not asked
  EXPECT_EQ(Seen, (std::vector<QUrl>{QUrl("https://www.example.com/"),
                                     QUrl("mailto:brindle@example.com")}));
  // Taking the handler away puts the desktop's own back.
  EXPECT_TRUE(SetShellHandler(nullptr));
  EXPECT_TRUE(SetShellHandler(Recorder.Previous()));
}

}  // namespace
