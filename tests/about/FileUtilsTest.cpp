#include "about/FileUtils.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include <sys/stat.h>

#include "QtPrint.h"

namespace {

std::string Bytes(const QString& Text) { return QFile::encodeName(Text).toStdString(); }

class ShellRequestTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    ASSERT_TRUE(QDir().mkdir(Dir.filePath("site")));
    Touch("site/index.htm", 0644);
    Touch("site/tool.sh", 0755);
    Base = Bytes(Dir.path());
  }
  void Touch(const char* Name, mode_t Mode) {
    QFile File(Dir.filePath(Name));
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write("#!/bin/sh\n");
    File.close();
    ASSERT_EQ(::chmod(QFile::encodeName(Dir.filePath(Name)).constData(), Mode), 0);
  }
  QString At(const char* Name) const { return QDir::cleanPath(Dir.filePath(Name)); }

  QTemporaryDir Dir;
  std::string Base;
};

TEST_F(ShellRequestTest, AddressesGoToTheDesktop) {
  const struct {
    const char* Name;
    const char* Url;
  } Cases[] = {
      {"https://www.example.com/brindle/", "https://www.example.com/brindle/"},
      {"http://www.example.com", "http://www.example.com"},
      {"mailto:brindle@example.com", "mailto:brindle@example.com"},
      {"ftp://ftp.example.com/pub/", "ftp://ftp.example.com/pub/"},
      {"file:///tmp/page.htm", "file:///tmp/page.htm"},
      {"x-custom+app.v2:open", "x-custom+app.v2:open"},
  };
  for (const auto& C : Cases) {
    const TShellRequest R = ShellRequest(C.Name, "--ignored", Base);
    EXPECT_EQ(R.Url.toString().toStdString(), C.Url) << C.Name;
    EXPECT_TRUE(R.Program.isEmpty()) << C.Name;
    EXPECT_TRUE(R.Arguments.isEmpty()) << C.Name;
  }
}

TEST_F(ShellRequestTest, DocumentsOpenAsLocalFiles) {
  const struct {
    std::string Name;
    std::string Directory;
    QString Path;
  } Cases[] = {
      {Base + "/site/index.htm", "", At("site/index.htm")},
      {"index.htm", Base + "/site", At("site/index.htm")},
      {"../site/./index.htm", Base + "/site", At("site/index.htm")},
      {"site", Base, At("site")},  // a folder opens in the file manager
      {"missing.htm", Base, At("missing.htm")},
      // A drive letter is no scheme.
      {"C:\\Web\\index.htm", Base, At("C:\\Web\\index.htm")},
  };
  for (const auto& C : Cases) {
    const TShellRequest R = ShellRequest(C.Name, "-x", C.Directory);
    EXPECT_TRUE(R.Url.isLocalFile()) << C.Name;
    EXPECT_EQ(R.Url.toLocalFile(), C.Path) << C.Name;
    EXPECT_TRUE(R.Program.isEmpty()) << C.Name;
  }
}

TEST_F(ShellRequestTest, RelativeNamesWithoutDirectoryUseTheCurrentFolder) {
  const TShellRequest R = ShellRequest("page.htm", "", "");
  EXPECT_EQ(R.Url.toLocalFile(), QDir::current().absoluteFilePath("page.htm"));
}

TEST_F(ShellRequestTest, ProgramsStartWithTheirParameters) {
  const struct {
    std::string Name;
    std::string Parameters;
    std::string Directory;
    QStringList Arguments;
    QString WorkingDirectory;
  } Cases[] = {
      {"tool.sh", "-v \"two words\" three", Base + "/site", {"-v", "two words", "three"},
       At("site")},
      {Base + "/site/tool.sh", "", "", {}, QString()},
      {Base + "/site/tool.sh", "a", Base, {"a"}, Dir.path()},
  };
  for (const auto& C : Cases) {
    const TShellRequest R = ShellRequest(C.Name, C.Parameters, C.Directory);
    EXPECT_EQ(R.Program, At("site/tool.sh")) << C.Name;
    EXPECT_EQ(R.Arguments, C.Arguments) << C.Name;
    EXPECT_EQ(R.WorkingDirectory, C.WorkingDirectory) << C.Name;
    EXPECT_FALSE(R.Url.isValid()) << C.Name;
  }
}

TEST_F(ShellRequestTest, NothingToOpen) {
  const TShellRequest R = ShellRequest("", "-x", Base);
  EXPECT_FALSE(R.Url.isValid());
  EXPECT_TRUE(R.Program.isEmpty());
}

TEST(OpenWithShellTest, HandsRequestsToTheHandler) {
  std::vector<TShellRequest> Seen;
  const TShellHandler Previous =
      SetShellHandler([&Seen](const TShellRequest& R) { Seen.push_back(R); });
  ASSERT_TRUE(Previous);
  OpenWithShell("https://www.example.com/", "", "", 5);
  OpenWithShell("mailto:brindle@example.com", "", "", 0);
  OpenWithShell("", "", "", 5);  // nothing to open: the handler is not asked
  ASSERT_EQ(Seen.size(), 2u);
  EXPECT_EQ(Seen[0].Url, QUrl("https://www.example.com/"));
  EXPECT_EQ(Seen[1].Url.scheme(), "mailto");
  // Taking the handler away puts the desktop's own back.
  const TShellHandler Recorder = SetShellHandler(nullptr);
  EXPECT_TRUE(Recorder);
  EXPECT_TRUE(SetShellHandler(Previous));
}

}  // namespace
