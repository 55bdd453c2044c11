// Running programs from the tests on Windows.

#include <windows.h>

#include "support/Process.h"
#include "support/TempDir.h"

namespace testsupport {

namespace {

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

}  // namespace

ProcessResult RunProcess(const std::string& Program, const std::vector<std::string>& Args,
                         const ProcessOptions& Options) {
  TempDir io;
  const std::string inName = Options.InputFile.empty() ? io / "in" : Options.InputFile;
  if (Options.InputFile.empty()) WriteFile(inName, Options.Input);
  const std::string outName = Options.OutputFile.empty() ? io / "out" : Options.OutputFile;
  const std::string errName = io / "err";

  std::string line = Quote(BuildPath(Program));
  for (const std::string& a : Args) line += ' ' + Quote(a);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  auto open = [&](const std::string& Name, DWORD Access, DWORD Disposition) {
    return ::CreateFileA(Name.c_str(), Access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         Disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE in = open(inName, GENERIC_READ, OPEN_EXISTING);
  HANDLE out = open(outName, GENERIC_WRITE, Options.OutputFile.empty() ? CREATE_ALWAYS : OPEN_EXISTING);
  HANDLE err = open(errName, GENERIC_WRITE, CREATE_ALWAYS);
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
    if (::WaitForSingleObject(pi.hProcess, Options.Seconds * 1000) == WAIT_TIMEOUT) {
      ::TerminateProcess(pi.hProcess, 1);
      ::WaitForSingleObject(pi.hProcess, INFINITE);
      result.status = -2;
    } else {
      DWORD code = 0;
      if (::GetExitCodeProcess(pi.hProcess, &code)) result.status = static_cast<int>(code);
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  for (HANDLE h : {in, out, err})
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  if (Options.OutputFile.empty() && Exists(outName)) result.out = ReadFile(outName);
  if (Exists(errName)) result.err = FromTextMode(ReadFile(errName));
  return result;
}

}  // namespace testsupport
