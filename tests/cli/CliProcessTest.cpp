// Runs the built pagetrim-cli on temporary folders and checks its exit
// status, its output and the files it writes.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/TreeTestSupport.h"
#include "cli/CliTestSupport.h"
#include "support/TempDir.h"
#include "support/PlatformExpect.h"
#include "support/Process.h"

using namespace testsupport;

namespace {

constexpr char kDoc[] = "abc\r\ndef\r\n";
constexpr char kDocOut[] = "abc def";

// The line the program ends with when a file error stops it: the system's
// text for Code as the default error report shows it.
std::string FailureLine(platform::SysError Code) {
  std::string text = expect::Text(Code);
  if (static_cast<unsigned char>(text.back()) > '.') text += '.';
  if (text.back() != '\n') text += '\n';
  return text;
}

// Replaces every '@' in Text by Dir, every '/' of the path it starts by the
// platform's path delimiter, and the names of system texts by the lines reporting them:
// $NOFILE (a missing file), $NOPATH (a missing folder), $BUSY (a sharing
// violation).
std::string At(const std::string& Text, const std::string& Dir) {
  std::string r;
  bool inPath = false;  // from '@' to the end of that path
  for (char c : Text) {
    if (c == '@') {
      inPath = true;
      r += Dir;
    } else {
      if (c == ' ' || c == '"' || c == ':' || c == '\n') inPath = false;
      r += inPath && c == '/' ? expect::Delimiter() : std::string(1, c);
    }
  }
  for (const auto& [name, code] :
       {std::pair<std::string, platform::SysError>{"$NOFILE", expect::FileNotFound()},
        {"$NOPATH", expect::PathNotFound()},
        {"$BUSY", expect::SharingViolation()}}) {
    const std::size_t at = r.find(name);
    if (at != std::string::npos) r.replace(at, name.size(), FailureLine(code));
  }
  return r;
}

struct CliCase {
  const char* name;
  std::vector<std::string> args;  // '@' stands for the test folder
  std::string input;
  int status;
  std::string out;  // exact, or with a leading '~' a part of it
  std::string err;  // the same
  std::vector<std::string> written;  // compacted copies that must exist
  std::vector<std::string> absent;   // files that must not exist
};

void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }

void ExpectText(const std::string& Actual, const std::string& Expected, const char* What) {
  if (!Expected.empty() && Expected[0] == '~')
    EXPECT_NE(Actual.find(Expected.substr(1)), std::string::npos) << What << ": " << Actual;
  else
    EXPECT_EQ(Actual, Expected) << What;
}

class Cli : public ::testing::TestWithParam<CliCase> {};

TEST_P(Cli, ExitStatusOutputAndFiles) {
  const CliCase& c = GetParam();
  TempDir dir;
  treetest::MakeTree(dir, {"web/", "out/", std::string("web/a.htm=") + kDoc, std::string("web/b.htm=") + kDoc});
#ifdef _WIN32
  // Symbolic links need privileges on Windows; a path through ".." names
  // the source folder by another text all the same.
  MakeDir(dir / "other");
  const std::string alias = "other/../web";
#else
  std::filesystem::create_directory_symlink(dir / "web", dir / "alias");
  const std::string alias = "alias";
#endif
  std::vector<std::string> args;
  for (std::string a : c.args) {
    const std::size_t at = a.find("ALIAS");
    if (at != std::string::npos) a.replace(at, 5, alias);
    args.push_back(At(a, dir.Path()));
  }

  const ProcessResult r = RunProgram(args, c.input);
  EXPECT_EQ(r.status, c.status);
  ExpectText(r.out, At(c.out, dir.Path()), "stdout");
  std::string err = c.err;
  if (const std::size_t at = err.find("ALIAS"); at != std::string::npos) err.replace(at, 5, alias);
  ExpectText(r.err, At(err, dir.Path()), "stderr");
  for (const std::string& f : c.written) EXPECT_EQ(ReadFile(dir / f), kDocOut) << f;
  for (const std::string& f : c.absent) EXPECT_FALSE(Exists(dir / f)) << f;
  EXPECT_EQ(ReadFile(dir / "web/a.htm"), kDoc);
  EXPECT_EQ(ReadFile(dir / "web/b.htm"), kDoc);
}

const char kUsageHint[] = "Run with --help for more information.\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, Cli,
    ::testing::Values(
        CliCase{"TwoFiles",
                {"-d", "@/out", "@/web/a.htm", "@/web/b.htm"},
                "",
                0,
                "@/web/a.htm: 10 -> 7 bytes (-30.0%)\n"
                "@/web/b.htm: 10 -> 7 bytes (-30.0%)\n"
                "Total: 2 files, 20 -> 14 bytes (-30.0%)\n",
                "",
                {"out/a.htm", "out/b.htm"},
                {}},
        CliCase{"Quiet", {"-q", "-d", "@/out", "@/web/a.htm"}, "", 0, "", "", {"out/a.htm"}, {}},
        CliCase{"StdinWithoutFile", {}, kDoc, 0, kDocOut, "", {}, {}},
        CliCase{"StdinWithDash", {"-"}, "<p>  x  </p>\n<pre>\n  y\n</pre>\n", 0,
                "<p> x </p><pre>\r\n  y\r\n</pre>", "", {}, {}},
        CliCase{"StdinEmpty", {}, "", 0, "", "", {}, {}},
        CliCase{"StdinKeepsHighBytes", {"-"}, "caf\xE9  \xFF\n\x01x", 0, "caf\xE9 \xFF\x01x", "",
                {}, {}},
        CliCase{"SafeStdin", {"--safe"}, "<pre class=x>\n  y\n</pre>\n<p>  a\nb</p>\n<% If a > 1 Then\n  b\n%>\n", 0,
                "<pre class=x>\n  y\n</pre><p> a b</p> <% If a > 1 Then\n  b\n%> ", "", {}, {}},
        CliCase{"SafeStdinRefusesUtf16", {"--safe"}, std::string("\xFE\xFF\0<\0p", 6), 1, "",
                std::string("The page is UTF-16BE text (it begins with a byte-order mark): safe mode reads "
                            "only encodings that write ASCII as single bytes, such as UTF-8 or a "
                            "single-byte code page.\n"),
                {}, {}},
        CliCase{"SafeFiles", {"--safe", "-q", "-d", "@/out", "@/web/a.htm", "@/web/b.htm"}, "", 0, "", "",
                {"out/a.htm", "out/b.htm"}, {}},
        // Safe mode names once each style sheet it could not read, and goes on.
        CliCase{"SafeStdinNamesMissingSheets", {"--safe", "--base", "@/web"},
                "<link rel=stylesheet href=s.css><link rel=stylesheet href=./s.css>\n<p>  a  </p>", 0,
                "<link rel=stylesheet href=s.css><link rel=stylesheet href=./s.css><p> a </p>",
                "~pagetrim-cli: style sheet not read: ", {}, {}},
        // Best mode, and a --keep-... flag leaving one reduction out.
        CliCase{"BestStdin", {"--best", "--keep-quotes"},
                "<!DOCTYPE html>\n<!-- note -->\n<p class=\"a\">  x &quot;q&quot; </p>\n<script type=\"text/javascript\">\n"
                "  var a = 1 ;  // c\n</script>",
                0, "<!doctype html><p class=\"a\">x \"q\"</p><script>var a=1;</script>", "", {}, {}},
        CliCase{"QuietLeavesNotesOut", {"-q", "--safe", "--css", "@/none.css"}, "<p>  a  </p>", 0, "<p> a </p>", "",
                {}, {}},
        CliCase{"CssNeedsSafe", {"--css", "@/x.css"}, "", 2, "",
                std::string("pagetrim-cli: --css needs --safe or --best\n") + kUsageHint, {}, {}},
        CliCase{"BaseIsForStandardInput", {"--safe", "--base", "@/web", "-d", "@/out", "@/web/a.htm"}, "", 2, "",
                std::string("pagetrim-cli: --base is for standard input (files and trees start from each page's "
                            "own folder)\n") +
                    kUsageHint,
                {}, {"out/a.htm"}},
        CliCase{"HelpExplainsBothModes", {"--help"}, "", 0, "~--safe reads the page as a browser does", "", {}, {}},
        CliCase{"SeparatorInFile",
                {"-d", "@/out", "@/web/a.htm", "@/web/x|y.htm"},
                "",
                2,
                "",
                std::string("pagetrim-cli: FILE must not contain '|': @/web/x|y.htm\n") + kUsageHint,
                {},
                {"out/a.htm"}},
        // Both copies would be out/a.htm: refused before anything is written.
        CliCase{"SameFileNameFromTwoFolders",
                {"-d", "@/out", "@/web/a.htm", "@/web/b.htm", "@/ALIAS/a.htm"},
                "",
                2,
                "",
                std::string("pagetrim-cli: FILEs @/web/a.htm and @/ALIAS/a.htm have the same file "
                            "name: one copy would replace the other\n") +
                    kUsageHint,
                {},
                {"out/a.htm", "out/b.htm"}},
        CliCase{"SameFileNameInAnotherLetterCase",
                {"-d", "@/out", "@/web/a.htm", "@/other/A.HTM"},
                "",
                2,
                "",
                std::string("pagetrim-cli: FILEs @/web/a.htm and @/other/A.HTM have the same file "
                            "name: one copy would replace the other\n") +
                    kUsageHint,
                {},
                {"out/a.htm", "out/A.HTM"}},
        CliCase{"FilesWithoutDestination",
                {"@/web/a.htm"},
                "",
                2,
                "",
                std::string("pagetrim-cli: FILE arguments need a destination folder: -d DIR\n") +
                    kUsageHint,
                {},
                {}},
        CliCase{"UnknownOption", {"-x", "-d", "@/out", "@/web/a.htm"}, "", 2, "", "~-x", {},
                {"out/a.htm"}},
        CliCase{"Help", {"--help"}, "", 0, "~-d DIR FILE...", "", {}, {}},
        CliCase{"MissingFileMidList",
                {"-d", "@/out", "@/web/a.htm", "@/web/none.htm", "@/web/b.htm"},
                "",
                1,
                "@/web/a.htm: 10 -> 7 bytes (-30.0%)\n",
                "Error opening \"@/web/none.htm\" - $NOFILE",
                {"out/a.htm"},
                {"out/b.htm", "out/none.htm"}},
        CliCase{"DestinationIsSourceFolder",
                {"-d", "@/WEB", "@/web/a.htm"},
                "",
                1,
                "",
                "Destination path must be different from source!\n",
                {},
                {}},
        CliCase{"SecondSourceFromDestination",
                {"-d", "@/out", "@/web/a.htm", "@/out/c.htm"},
                "",
                1,
                "@/web/a.htm: 10 -> 7 bytes (-30.0%)\n",
                "Destination path must be different from source!\n",
                {"out/a.htm"},
                {}},
        CliCase{"EmptyDestination",
                {"-d", "", "@/web/a.htm"},
                "",
                1,
                "",
                "Destination path must not be empty!\n",
                {},
                {}},
        CliCase{"DestinationIsSourceByAnotherName",
                {"-d", "@/ALIAS", "@/web/a.htm"},
                "",
                1,
                "",
                "Destination file \"@/ALIAS/a.htm\" is the source file \"@/web/a.htm\" under another "
                "name.\n",
                {},
                {}},
        CliCase{"MissingDestinationFolder",
                {"-d", "@/none", "@/web/a.htm"},
                "",
                1,
                "",
                "Error opening \"@/none/a.htm\" - $NOPATH",
                {},
                {"none"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliVersion, PrintsOneLineAndRunsNothing) {
  TempDir dir;
  WriteFile(dir / "a.htm", kDoc);
  MakeDir(dir / "out");
  const ProcessResult r = RunProgram({"--version", "-d", dir / "out", dir / "a.htm"}, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("pagetrim-cli ", 0), 0u) << r.out;
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(Exists(dir / "out/a.htm"));
}

#ifndef _WIN32
TEST(CliProgress, IsShownOnATerminalAndErasedAtTheEnd) {
  TempDir dir;
  MakeDir(dir / "out");
  std::vector<std::string> args{"-d", dir / "out"};
  for (const char* n : {"a.htm", "b.htm", "c.htm"}) {
    WriteFile(dir / n, kDoc);
    args.push_back(dir / n);
  }
  const ProcessResult r = RunProgram(args, "", true);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("[1/3] " + (dir / "a.htm")), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("[3/3] " + (dir / "c.htm")), std::string::npos) << r.err;
  // The last thing on the terminal erases the progress line.
  EXPECT_TRUE(r.err.ends_with(kEraseLine)) << r.err;
  EXPECT_NE(r.out.find("Total: 3 files, 30 -> 21 bytes (-30.0%)"), std::string::npos);
}

// A file name that sets the terminal's title and clears its screen: only
// the program's own control sequence (the progress line's erase) reaches
// the terminal, the name is printed quoted.
TEST(CliHostileNames, ReachTheTerminalEscaped) {
  TempDir dir;
  MakeDir(dir / "out");
  const std::string hostile = "x\x1B]0;owned\a\x1B[2J.htm";
  WriteFile(dir / hostile, kDoc);
  WriteFile(dir / "b.htm", kDoc);
  const ProcessResult r = RunProgram({"-d", dir / "out", dir / hostile, dir / "b.htm"}, "", true);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(dir / ("out/" + hostile)), kDocOut);
  const std::string quoted = "'" + dir.Path() + "/x'$'\\033'']0;owned'$'\\a\\033''[2J.htm'";
  EXPECT_NE(r.out.find(quoted + ": 10 -> 7 bytes (-30.0%)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("[1/2] " + quoted), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find_first_of("\x1B\a"), std::string::npos) << r.out;
  std::string err = r.err;
  for (std::size_t at; (at = err.find(kEraseLine)) != std::string::npos;) err.erase(at, 4);
  EXPECT_EQ(err.find_first_of("\x1B\a"), std::string::npos) << r.err;
}

TEST(CliHostileNames, ReachErrorMessagesEscaped) {
  TempDir dir;
  MakeDir(dir / "out");
  const std::string missing = dir / "gone\x1B[2J\x9B.htm";
  const ProcessResult r = RunProgram({"-d", dir / "out", missing}, "");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Error opening \"" + dir.Path() + "/gone\\033[2J\\233.htm\" - " +
                       FailureLine(expect::FileNotFound()));
  const ProcessResult usage = RunProgram({"-d", dir / "out", "a\x1B[2J|b"}, "");
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.err.rfind("pagetrim-cli: FILE must not contain '|': a\\033[2J|b\n", 0), 0u)
      << usage.err;
  const ProcessResult option = RunProgram({"--\x1B[2J"}, "");
  EXPECT_EQ(option.status, 2);
  EXPECT_EQ(option.err.find('\x1B'), std::string::npos) << option.err;
  EXPECT_NE(option.err.find("--\\033[2J"), std::string::npos) << option.err;
}

TEST(CliProgress, IsNotShownForOneFileOrWhenQuiet) {
  TempDir dir;
  MakeDir(dir / "out");
  WriteFile(dir / "a.htm", kDoc);
  WriteFile(dir / "b.htm", kDoc);
  EXPECT_EQ(RunProgram({"-d", dir / "out", dir / "a.htm"}, "", true).err, "");
  EXPECT_EQ(RunProgram({"-q", "-d", dir / "out", dir / "a.htm", dir / "b.htm"}, "", true).err, "");
}

#endif

}  // namespace
