// Runs the built pagetrim-cli on temporary folders and checks its exit
// status, its output and the files it writes.

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/FileTestSupport.h"
#include "support/PlatformExpect.h"

using testsupport::Exists;
using testsupport::MakeDir;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr char kDoc[] = "abc\r\ndef\r\n";
constexpr char kDocOut[] = "abc def";

struct ProcessResult {
  int status = -1;
  std::string out;
  std::string err;
};

#ifdef _WIN32
// One argument quoted for the command line the C run-time splits again.
std::string Quote(const std::string& Arg) {
  if (!Arg.empty() && Arg.find_first_of(" \t\"") == std::string::npos) return Arg;
  std::string q = "\"";
  std::size_t backslashes = 0;
  for (char c : Arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    q.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    q += c;
  }
  q.append(2 * backslashes, '\\');
  return q + '"';
}

// Undoes the text mode of the program's standard error: CR LF back to LF.
std::string FromTextMode(const std::string& Text) {
  std::string r;
  for (std::size_t i = 0; i < Text.size(); ++i)
    if (!(Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')) r += Text[i];
  return r;
}

// Runs the program with Args and Input on its standard input.
ProcessResult RunProgram(const std::vector<std::string>& Args, const std::string& Input) {
  TempDir io;
  WriteFile(io / "in", Input);
  std::string line = Quote(testsupport::BuildPath(PAGETRIM_CLI_PATH));
  for (const std::string& a : Args) line += ' ' + Quote(a);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  auto open = [&](const std::string& Name, DWORD Access, DWORD Disposition) {
    return ::CreateFileA(Name.c_str(), Access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         Disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE in = open(io / "in", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = open(io / "out", GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = open(io / "err", GENERIC_WRITE, CREATE_ALWAYS);
  ProcessResult result;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
      ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                       &pi)) {
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(pi.hProcess, &code)) result.status = static_cast<int>(code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  } else {
    ADD_FAILURE() << "cannot start " << line;
  }
  for (HANDLE h : {in, out, err})
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  result.out = ReadFile(io / "out");
  result.err = FromTextMode(ReadFile(io / "err"));
  return result;
}
#else
// Runs the program with Args and Input on its standard input. With
// ErrTerminal, its standard error is a pseudo terminal.
ProcessResult RunProgram(const std::vector<std::string>& Args, const std::string& Input,
                         bool ErrTerminal = false) {
  TempDir io;
  WriteFile(io / "in", Input);
  int master = -1;
  int slave = -1;
  if (ErrTerminal && openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
    ADD_FAILURE() << "openpty failed";
    return {};
  }
  std::vector<std::string> argv{PAGETRIM_CLI_PATH};
  argv.insert(argv.end(), Args.begin(), Args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open((io / "in").c_str(), O_RDONLY);
    const int out = open((io / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ErrTerminal ? slave : open((io / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (master >= 0) close(master);
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  ProcessResult result;
  if (ErrTerminal) {
    close(slave);
    char buffer[4096];
    for (;;) {
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) {
        result.err.append(buffer, static_cast<std::size_t>(n));
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        break;  // EIO: the program closed the terminal
      }
    }
    close(master);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFile(io / "out");
  if (!ErrTerminal) result.err = ReadFile(io / "err");
  return result;
}
#endif

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
  MakeDir(dir / "web");
  MakeDir(dir / "out");
  WriteFile(dir / "web/a.htm", kDoc);
  WriteFile(dir / "web/b.htm", kDoc);
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
                "<pre class=x>\n  y\n</pre><p> a b</p> <% If a > 1 Then\n  b\n%>", "", {}, {}},
        CliCase{"SafeFiles", {"--safe", "-q", "-d", "@/out", "@/web/a.htm", "@/web/b.htm"}, "", 0, "", "",
                {"out/a.htm", "out/b.htm"}, {}},
        CliCase{"HelpExplainsBothModes", {"--help"}, "", 0, "~--safe reads the page as a browser does", "", {}, {}},
        CliCase{"SeparatorInFile",
                {"-d", "@/out", "@/web/a.htm", "@/web/x|y.htm"},
                "",
                2,
                "",
                std::string("pagetrim-cli: FILE must not contain '|': @/web/x|y.htm\n") + kUsageHint,
                {},
                {"out/a.htm"}},
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
                {"-d", "@/out", "@/web/a.htm", "@/out/a.htm"},
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
                "Error opening \"@/ALIAS/a.htm\" - $BUSY",
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
  const std::string erase = "\r\x1b[K";
  ASSERT_GE(r.err.size(), erase.size());
  EXPECT_EQ(r.err.substr(r.err.size() - erase.size()), erase);
  EXPECT_NE(r.out.find("Total: 3 files, 30 -> 21 bytes (-30.0%)"), std::string::npos);
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
