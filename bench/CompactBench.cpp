// Compaction benchmark: CompactHTML memory to memory and file to file
// (through the batch run), against a plain copy of the same file, on a realistic document and on
// inputs built to provoke worst cases, at two sizes for linearity; each in
// the default mode and in safe mode.
//
// Every measurement runs in a child process of its own, so that its peak
// resident memory (VmHWM) belongs to that measurement alone; the parent
// never holds a document.

#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/BatchRun.h"
#include "bench/Documents.h"
#include "compact/CompactHTML.h"
#include "streams/MemStream.h"
#include "streams/Streams.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kMB = 1e6;

// What a child reports back.
struct TSample {
  double Seconds = 0;
  double CpuSeconds = 0;  // user + system time of the child for the work
  double PeakMiB = 0;
  std::int64_t OutBytes = 0;
  char Error[256] = {};
};

double CpuSeconds() {
  timespec T{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
  return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) * 1e-9;
}

double PeakResidentMiB() {
  std::ifstream Status("/proc/self/status");
  std::string Line;
  while (std::getline(Status, Line))
    if (Line.rfind("VmHWM:", 0) == 0) return std::strtod(Line.c_str() + 6, nullptr) / 1024.0;
  return 0;
}

// Runs Setup (untimed) and Work (timed) in a child process.
TSample InChild(const std::function<void()>& Setup, const std::function<std::int64_t()>& Work) {
  int Pipe[2];
  if (pipe(Pipe) != 0) throw std::runtime_error("pipe");
  std::fflush(nullptr);
  const pid_t Pid = fork();
  if (Pid < 0) throw std::runtime_error("fork");
  if (Pid == 0) {
    close(Pipe[0]);
    TSample S;
    try {
      Setup();
      const double C0 = CpuSeconds();
      const auto T0 = std::chrono::steady_clock::now();
      S.OutBytes = Work();
      const auto T1 = std::chrono::steady_clock::now();
      S.CpuSeconds = CpuSeconds() - C0;
      S.Seconds = std::chrono::duration<double>(T1 - T0).count();
      S.PeakMiB = PeakResidentMiB();
    } catch (const std::exception& E) {
      std::snprintf(S.Error, sizeof S.Error, "%s", E.what());
    }
    const ssize_t Put = write(Pipe[1], &S, sizeof S);
    _exit(Put == static_cast<ssize_t>(sizeof S) ? 0 : 1);
  }
  close(Pipe[1]);
  TSample S;
  const ssize_t Got = read(Pipe[0], &S, sizeof S);
  close(Pipe[0]);
  int Status = 0;
  waitpid(Pid, &Status, 0);
  if (Got != static_cast<ssize_t>(sizeof S))
    std::snprintf(S.Error, sizeof S.Error, "child ended without a report (status %d)", Status);
  if (S.Error[0] != '\0') throw std::runtime_error(S.Error);
  return S;
}

std::int64_t FileSize(const std::string& Name) {
  return static_cast<std::int64_t>(std::filesystem::file_size(Name));
}

// The physical baseline: the file read and written in 1 MiB blocks
// through the same file streams.
std::int64_t CopyFile(const std::string& Source, const std::string& Dest) {
  TFileStream In(Source, omRead | omShareRead);
  TFileStream Out(Dest, omRead | omWrite | omCreate);
  In.SetExactTransfer(false);
  std::vector<char> Block(1 << 20);
  std::int64_t Total = 0;
  for (;;) {
    const std::int32_t N = In.Read(Block.data(), static_cast<std::int32_t>(Block.size()));
    if (N <= 0) break;
    Out.Write(Block.data(), N);
    Total += N;
  }
  return Total;
}

// No window: a refused run is a failed measurement.
class TQuietHost : public TBatchHost {
public:
  void ErrorBox(const std::string& Text) override { throw std::runtime_error(Text); }
};

// The batch run over one file: Source compacted into the folder DestDir.
std::int64_t CompactFile(const std::string& Source, const std::string& DestDir,
                         const TCompactOptions& Options = {}) {
  TQuietHost Host;
  RunBatch(Source, DestDir, Host, Options);
  return FileSize(DestDir + "/" + std::filesystem::path(Source).filename().string());
}

struct TBest {
  double Seconds = 1e300;
  double CpuSeconds = 1e300;
  double PeakMiB = 0;
  std::int64_t OutBytes = 0;
  void Take(const TSample& S) {
    Seconds = std::min(Seconds, S.Seconds);
    CpuSeconds = std::min(CpuSeconds, S.CpuSeconds);
    PeakMiB = std::max(PeakMiB, S.PeakMiB);
    OutBytes = S.OutBytes;
  }
};

TBest FileToFile(const std::string& Source, const std::string& DestDir, int Reps,
                 const TCompactOptions& Options = {}) {
  TBest B;
  for (int R = 0; R < Reps; ++R)
    B.Take(InChild([] {}, [&] { return CompactFile(Source, DestDir, Options); }));
  return B;
}

TBest MemToMem(const std::string& Source, int Reps, const TCompactOptions& Options = {}) {
  TBest B;
  for (int R = 0; R < Reps; ++R) {
    std::unique_ptr<TMemStream> In;
    std::unique_ptr<TMemStream> Out;
    B.Take(InChild(
        [&] {
          In = std::make_unique<TMemStream>();
          Out = std::make_unique<TMemStream>();
          TFileStream File(Source, omRead | omShareRead);
          In->CopyFrom(File);
          In->Seek(0);
        },
        [&] {
          CompactHTML(*In, *Out, Options);
          return static_cast<std::int64_t>(Out->GetSize());
        }));
  }
  return B;
}

double BoundMiB(std::int64_t Size) { return 1.3 * static_cast<double>(Size) / kMiB + 16.0; }

const char* Verdict(bool Ok) { return Ok ? "ok" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
  CLI::App App{"Pagetrim compaction benchmark"};
  int SizeMB = 100;
  int SmallMB = 10;
  int Reps = 5;
  std::string Dir;
  bool KeepFiles = false;
  App.add_option("--size", SizeMB, "size of the large documents in MB")->check(CLI::PositiveNumber);
  App.add_option("--small", SmallMB, "size of the small documents in MB")->check(CLI::PositiveNumber);
  App.add_option("--reps", Reps, "repetitions per case (the best time counts)")
      ->check(CLI::PositiveNumber);
  App.add_option("--dir", Dir, "folder for the generated files (default: a new temporary one)");
  App.add_flag("--keep", KeepFiles, "keep the generated files");
  CLI11_PARSE(App, argc, argv);

  namespace fs = std::filesystem;
  bool MadeDir = false;
  if (Dir.empty()) {
    std::string Tmpl = (fs::temp_directory_path() / "pagetrim-bench-XXXXXX").string();
    if (mkdtemp(Tmpl.data()) == nullptr) {
      std::perror("mkdtemp");
      return 1;
    }
    Dir = Tmpl;
    MadeDir = true;
  } else {
    fs::create_directories(Dir);
  }
  fs::create_directories(Dir + "/out");
  const std::int64_t Big = static_cast<std::int64_t>(SizeMB) * 1000000;
  const std::int64_t Small = static_cast<std::int64_t>(SmallMB) * 1000000;
  const std::string DestDir = Dir + "/out";
  const std::string CopyDest = Dir + "/copy.htm";
  bool AllOk = true;

  try {
    std::printf("Pagetrim compaction benchmark: best of %d runs, each in its own process\n\n", Reps);

    // 1. The realistic document against the physical baseline.
    const std::string Page = Dir + "/page.htm";
    const std::int64_t PageSize = WriteDocument(Page, TDocKind::dkRealistic, Big);
    TBest CopyBest, FileBest, SafeFileBest;
    const TCompactOptions Safe{true};
    for (int R = 0; R < Reps; ++R) {  // interleaved, so all see the same machine
      CopyBest.Take(InChild([] {}, [&] { return CopyFile(Page, CopyDest); }));
      FileBest.Take(InChild([] {}, [&] { return CompactFile(Page, DestDir); }));
      SafeFileBest.Take(InChild([] {}, [&] { return CompactFile(Page, DestDir, Safe); }));
    }
    const TBest MemBest = MemToMem(Page, Reps);
    const TBest SafeMemBest = MemToMem(Page, Reps, Safe);
    const double PageMB = static_cast<double>(PageSize) / kMB;
    std::printf("Realistic HTML/ASP page: %.1f MB in, %.1f MB out (%.1f %%)\n", PageMB,
                static_cast<double>(FileBest.OutBytes) / kMB,
                100.0 * static_cast<double>(FileBest.OutBytes) / static_cast<double>(PageSize));
    std::printf("  %-36s %9s %9s %9s %10s\n", "case", "seconds", "MB/s", "CPU s", "peak MiB");
    auto Row = [&](const char* Name, const TBest& B) {
      std::printf("  %-36s %9.3f %9.1f %9.3f %10.1f\n", Name, B.Seconds, PageMB / B.Seconds,
                  B.CpuSeconds, B.PeakMiB);
    };
    Row("plain copy, 1 MiB blocks", CopyBest);
    Row("file to file (batch run of one file)", FileBest);
    Row("memory to memory (CompactHTML)", MemBest);
    Row("safe mode, file to file", SafeFileBest);
    Row("safe mode, memory to memory", SafeMemBest);
    const double CopyRatio = FileBest.Seconds / CopyBest.Seconds;
    const bool CopyOk = CopyRatio <= 1.5;
    const bool PageMemOk = FileBest.PeakMiB <= BoundMiB(PageSize);
    std::printf("  file to file / copy: %.2f (target <= 1.50) %s; in CPU time: %.2f\n", CopyRatio,
                Verdict(CopyOk), FileBest.CpuSeconds / CopyBest.CpuSeconds);
    std::printf("  peak memory file to file: %.1f MiB (bound 1.3 x size + 16 MiB = %.1f) %s\n\n",
                FileBest.PeakMiB, BoundMiB(PageSize), Verdict(PageMemOk));
    const double SafeRatio = SafeFileBest.Seconds / FileBest.Seconds;
    const double SafeMemRatio = SafeMemBest.Seconds / MemBest.Seconds;
    const bool SafeOk = SafeRatio <= 1.25;
    const bool SafeMemOk = SafeFileBest.PeakMiB <= BoundMiB(PageSize);
    std::printf("  safe mode out: %.1f MB (%.1f %%)\n",
                static_cast<double>(SafeFileBest.OutBytes) / kMB,
                100.0 * static_cast<double>(SafeFileBest.OutBytes) / static_cast<double>(PageSize));
    std::printf("  safe / default mode, file to file: %.2f (target <= 1.25) %s; memory to memory: %.2f\n",
                SafeRatio, Verdict(SafeOk), SafeMemRatio);
    std::printf("  peak memory safe mode file to file: %.1f MiB %s\n\n", SafeFileBest.PeakMiB,
                Verdict(SafeMemOk));
    AllOk = AllOk && CopyOk && PageMemOk && SafeOk && SafeMemOk;

    // 2. Every kind at two sizes: linearity, speed and memory.
    std::printf("Size sweep, file to file: %d MB and %d MB\n", SmallMB, SizeMB);
    std::printf("  %-27s %7s %7s %8s %8s %6s %6s %8s %9s %s\n", "document", "MB", "out MB",
                "t small", "t large", "ratio", "(CPU)", "MB/s", "peak MiB", "bound");
    const double SizeRatio = static_cast<double>(Big) / static_cast<double>(Small);
    for (const TDocInfo& Kind : DocKinds()) {
      const std::string SmallFile = Dir + "/small.htm";
      const std::string BigFile = Dir + "/big.htm";
      const std::int64_t SmallSize = WriteDocument(SmallFile, Kind.Kind, Small);
      const std::int64_t BigSize = WriteDocument(BigFile, Kind.Kind, Big);
      // The small case is cheap: more runs make its best time steadier.
      for (const bool UseSafe : {false, true}) {
        const TCompactOptions Options{UseSafe};
        const TBest S = FileToFile(SmallFile, DestDir, 3 * Reps, Options);
        const TBest L = FileToFile(BigFile, DestDir, Reps, Options);
        const std::string Name = std::string(Kind.Name) + (UseSafe ? " (safe)" : "");
        // Time per byte, large over small, scaled to the nominal size ratio.
        const double Scale =
            static_cast<double>(SmallSize) / static_cast<double>(BigSize) * SizeRatio;
        const double TimeRatio = L.Seconds / S.Seconds * Scale;
        const double CpuRatio = L.CpuSeconds / S.CpuSeconds * Scale;
        const bool LinearOk = TimeRatio <= SizeRatio * 1.1;
        const bool MemOk = L.PeakMiB <= BoundMiB(BigSize);
        std::printf("  %-27s %7.1f %7.1f %8.3f %8.3f %6.2f %6.2f %8.1f %9.1f %s%s\n", Name.c_str(),
                    static_cast<double>(BigSize) / kMB, static_cast<double>(L.OutBytes) / kMB,
                    S.Seconds, L.Seconds, TimeRatio, CpuRatio,
                    static_cast<double>(BigSize) / kMB / L.Seconds, L.PeakMiB, MemOk ? "ok" : "OVER",
                    LinearOk ? "" : "  (not linear)");
        AllOk = AllOk && LinearOk && MemOk;
      }
      fs::remove(SmallFile);
      fs::remove(BigFile);
    }
    std::printf("  ratio: large time over small time for %.0f times the input (target <= %.0f);\n"
                "  (CPU): the same in CPU time, less disturbed by other load on the machine\n",
                SizeRatio, SizeRatio * 1.1);
    std::printf("  bound: peak memory within 1.3 x size + 16 MiB\n\n");
    std::printf("%s\n", AllOk ? "All targets met." : "Some targets missed (see above).");
  } catch (const std::exception& E) {
    std::fprintf(stderr, "pagetrim_bench: %s\n", E.what());
    AllOk = false;
  }

  if (!KeepFiles) {
    std::error_code Ec;
    if (MadeDir) {
      fs::remove_all(Dir, Ec);
    } else {
      for (const char* F : {"/page.htm", "/copy.htm"}) fs::remove(Dir + F, Ec);
      fs::remove_all(DestDir, Ec);
    }
  }
  return AllOk ? 0 : 1;
}
