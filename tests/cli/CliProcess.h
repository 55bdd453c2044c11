#pragma once

// Runs the built pagetrim-cli as a child process with chosen arguments and
// standard input, and collects its exit status and output.

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
#include <string>
#include <vector>

#include "app/FileTestSupport.h"

namespace clitest {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

struct ProcessResult {
  int status = -1;
  std::string out;
  std::string err;
};

#ifdef _WIN32
// One argument quoted for the command line the C run-time splits again.
inline std::string Quote(const std::string& Arg) {
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
inline std::string FromTextMode(const std::string& Text) {
  std::string r;
  for (std::size_t i = 0; i < Text.size(); ++i)
    if (!(Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')) r += Text[i];
  return r;
}

// Runs the program with Args and Input on its standard input.
inline ProcessResult RunProgram(const std::vector<std::string>& Args, const std::string& Input) {
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
inline ProcessResult RunProgram(const std::vector<std::string>& Args, const std::string& Input,
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

}  // namespace clitest
