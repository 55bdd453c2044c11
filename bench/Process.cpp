#include "bench/Process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

// Puts the file Name on descriptor Fd in a child; false when it cannot.
bool Redirect(const std::string& Name, int Fd, int Flags) {
  const int F = open(Name.c_str(), Flags, 0666);
  if (F == -1) return false;
  const bool Ok = dup2(F, Fd) != -1;
  close(F);
  return Ok;
}

}  // namespace

TRun Measure(const std::string& Program, const std::vector<std::string>& Args,
             const std::string& InputFile, const std::string& OutputFile) {
  std::vector<std::string> argv{Program};
  argv.insert(argv.end(), Args.begin(), Args.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  std::fflush(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork");
  if (pid == 0) {
    if (!InputFile.empty() && !Redirect(InputFile, 0, O_RDONLY)) _exit(126);
    if (!Redirect(OutputFile.empty() ? "/dev/null" : OutputFile, 1, O_WRONLY | O_CREAT | O_TRUNC))
      _exit(126);
    if (!Redirect("/dev/null", 2, O_WRONLY)) _exit(126);
    execvp(cargv[0], cargv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) throw std::runtime_error("wait4");
  TRun run;
  run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(Program + " failed with status " + std::to_string(status));
  auto seconds = [](const timeval& T) { return static_cast<double>(T.tv_sec) + T.tv_usec * 1e-6; };
  run.CpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.PeakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // KiB on Linux
  return run;
}

std::string MakeTempFolder(const std::string& Prefix) {
  std::string Folder = (std::filesystem::temp_directory_path() / (Prefix + "XXXXXX")).string();
  if (mkdtemp(Folder.data()) != nullptr) return Folder;
  std::perror("mkdtemp");
  return {};
}
