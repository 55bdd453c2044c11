// Compaction benchmark: CompactHTML memory to memory and file to file
// (through the batch run), against a plain copy of the same file, on a
// realistic document and on inputs built to provoke worst cases, at two
// sizes for linearity; each in the default mode and in safe mode. With
// --cli, also pagetrim-cli as a process against cp as a process, and
// pagetrim-cli from standard input to standard output for its peak memory.
// Best mode: the realistic page in memory, and with --cli pagetrim-cli
// --best against three other minifiers on a 20 MB page, each a process
// (Debian's minify when installed; html-minifier-terser and
// @minify-html/node from the npm folder --peers names).
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
#include <stdexcept>
#include <string>
#include <vector>

#include "app/BatchRun.h"
#include "bench/Documents.h"
#include "bench/Process.h"
#include "compact/CompactHTML.h"
#include "compact/CssMinify.h"
#include "compact/JsMinify.h"
#include "compact/TextBuffer.h"
#include "streams/MemStream.h"
#include "streams/Streams.h"

namespace {

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

// The physical baseline, done the way cp does it: the output file created,
// the file read and written in 1 MiB blocks through the same file streams,
// the output closed. The caller removes the output first (a cold output).
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

// The least a compaction that writes its result in one piece must do: the
// whole file read into new memory (as the filter's text buffer takes it),
// then written to a new file in one call. Nothing is compacted.
std::int64_t HoldAndWriteFile(const std::string& Source, const std::string& Dest) {
  TFileStream In(Source, omRead | omShareRead);
  In.SetExactTransfer(false);
  TTextBuffer Text;
  Text.Reserve(static_cast<std::size_t>(In.GetSize()) + 1);
  for (;;) {
    const std::size_t Room = std::min<std::size_t>(Text.Capacity() - Text.Size(), 1 << 20);
    const std::int32_t N = In.Read(Text.Data() + Text.Size(), static_cast<std::int32_t>(Room));
    if (N <= 0) break;
    Text.Extend(static_cast<std::size_t>(N));
  }
  TFileStream Out(Dest, omRead | omWrite | omCreate);
  Out.Write(Text.Data(), static_cast<std::int32_t>(Text.Size()));
  return static_cast<std::int64_t>(Text.Size());
}

// The batch run over one file: Source compacted into the folder DestDir.
std::int64_t CompactFile(const std::string& Source, const std::string& DestDir,
                         const TCompactOptions& Options = {}) {
  // No window: a run that does not end well is a failed measurement.
  TBatchHost Host;
  const TBatchResult Result = RunFiles({Source}, DestDir, Host, Options);
  if (Result.Kind != TBatchResult::Done) throw std::runtime_error(Result.Message);
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

// Removes what an earlier run wrote, so that every run writes a new file.
void RemoveOutput(const std::string& Name) {
  std::error_code Ec;
  std::filesystem::remove(Name, Ec);
}

std::string OutputOf(const std::string& Source, const std::string& DestDir) {
  return DestDir + "/" + std::filesystem::path(Source).filename().string();
}

TBest FileToFile(const std::string& Source, const std::string& DestDir, int Reps,
                 const TCompactOptions& Options = {}) {
  TBest B;
  for (int R = 0; R < Reps; ++R)
    B.Take(InChild([&] { RemoveOutput(OutputOf(Source, DestDir)); },
                   [&] { return CompactFile(Source, DestDir, Options); }));
  return B;
}

// One run of Program as a process, into the cold file Output.
TSample Process(const std::string& Program, const std::vector<std::string>& Args,
                const std::string& Output, const std::string& Input = {},
                const std::string& Stdout = {}) {
  RemoveOutput(Output);
  const TRun Run = Measure(Program, Args, Input, Stdout);
  TSample S;
  S.Seconds = Run.Seconds;
  S.CpuSeconds = Run.CpuSeconds;
  S.PeakMiB = Run.PeakMiB;
  return S;
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

double BoundMiB(std::int64_t Size) { return 1.1 * static_cast<double>(Size) / kMiB + 16.0; }

// The targets missed so far, one line each.
std::vector<std::string> Missed;

bool Check(bool Ok, const std::string& What) {
  if (!Ok) Missed.push_back(What);
  return Ok;
}

std::string Fixed(double Value, int Digits = 2) {
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%.*f", Digits, Value);
  return Buf;
}

// Speed targets in memory, MB/s.
constexpr double kRealisticMemTarget = 1500;
constexpr double kWorstMemTarget = 1000;
// The script minifier on a page's script (a part of what --best does to a
// page, which must reach 200 MB/s as a whole).
constexpr double kScriptMemTarget = 500;
// The style minifier on a page's style sheet.
constexpr double kStyleMemTarget = 300;
// Best mode on the realistic page, in memory.
constexpr double kBestMemTarget = 200;
// pagetrim-cli --best against the fastest other minifier, both processes:
// at least this many times as fast.
constexpr double kPeerSpeedup = 5;
// The size of the page the other minifiers compact.
constexpr std::int64_t kPeerPageBytes = 20000000;

// The other minifiers as commands that read a page from standard input
// and write it to standard output; those not installed are left out.
struct TPeer {
  const char* Name;
  std::string Program;
  std::vector<std::string> Args;
};

std::vector<TPeer> Peers(const std::string& NodeDir) {
  namespace fs = std::filesystem;
  std::vector<TPeer> Found;
  for (const char* Dir : {"/usr/bin", "/usr/local/bin"}) {
    if (fs::exists(std::string(Dir) + "/minify")) {
      Found.push_back({"minify --type html", std::string(Dir) + "/minify", {"--type", "html"}});
      break;
    }
  }
  if (NodeDir.empty()) return Found;
  const std::string Modules = fs::absolute(NodeDir).string() + "/node_modules/";
  // Whole standard input as bytes; latin1 carries every byte through.
  const std::string Read = "const b=require('fs').readFileSync(0);";
  if (fs::exists(Modules + "html-minifier-terser"))
    Found.push_back({"html-minifier-terser", "node",
                     {"-e", Read + "require('" + Modules + "html-minifier-terser').minify(b.toString('latin1'),"
                                   "{collapseWhitespace:true,removeComments:true,removeRedundantAttributes:true,"
                                   "removeScriptTypeAttributes:true,removeStyleLinkTypeAttributes:true,"
                                   "useShortDoctype:true,minifyCSS:true,minifyJS:true})"
                                   ".then(s=>process.stdout.write(Buffer.from(s,'latin1')))"}});
  if (fs::exists(Modules + "@minify-html/node"))
    Found.push_back({"@minify-html/node", "node",
                     {"-e", Read + "process.stdout.write(require('" + Modules + "@minify-html/node').minify(b,{}))"}});
  return Found;
}

// One row for a minifier that writes into a buffer as large as its input:
// the best of 3 x Reps runs on Text, each in a child process, against
// Target MB/s in memory.
void MinifierRow(const char* Title, const std::string& Name, double Target, int Reps, const std::string& Text,
                 const std::function<std::size_t(const std::string&, char*)>& Minify) {
  std::vector<char> Out;
  TBest Best;
  for (int R = 0; R < 3 * Reps; ++R)
    Best.Take(InChild([&] { Out.assign(Text.size(), '\0'); },
                      [&] { return static_cast<std::int64_t>(Minify(Text, Out.data())); }));
  const double MB = static_cast<double>(Text.size()) / kMB;
  const double Speed = MB / Best.Seconds;
  std::printf("%s: %.1f MB in, %.1f MB out (%.1f %%)\n", Title, MB, static_cast<double>(Best.OutBytes) / kMB,
              100.0 * static_cast<double>(Best.OutBytes) / static_cast<double>(Text.size()));
  std::printf("  memory to memory: %.0f MB/s, CPU %.0f MB/s (target >= %.0f) %s\n\n", Speed,
              MB / Best.CpuSeconds, Target,
              Verdict(Check(Speed >= Target, Name + " " + Fixed(Speed, 0) + " MB/s in memory < " + Fixed(Target, 0))));
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App App{"Pagetrim compaction benchmark"};
  int SizeMB = 100;
  int SmallMB = 10;
  int Reps = 5;
  std::string Dir;
  std::string Cli;
  bool KeepFiles = false;
  App.add_option("--size", SizeMB, "size of the large documents in MB")->check(CLI::PositiveNumber);
  App.add_option("--small", SmallMB, "size of the small documents in MB")->check(CLI::PositiveNumber);
  App.add_option("--reps", Reps, "repetitions per case (the best time counts)")
      ->check(CLI::PositiveNumber);
  App.add_option("--dir", Dir, "folder for the generated files (default: a new temporary one)");
  App.add_option("--cli", Cli, "the pagetrim-cli to measure against cp, and from standard input");
  std::string PeerDir;
  App.add_option("--peers", PeerDir, "the npm folder that holds html-minifier-terser and @minify-html/node");
  App.add_flag("--keep", KeepFiles, "keep the generated files");
  CLI11_PARSE(App, argc, argv);

  namespace fs = std::filesystem;
  const bool MadeDir = Dir.empty();
  if (MadeDir && (Dir = MakeTempFolder("pagetrim-bench-")).empty()) return 1;
  fs::create_directories(Dir);
  fs::create_directories(Dir + "/out");
  const std::int64_t Big = static_cast<std::int64_t>(SizeMB) * 1000000;
  const std::int64_t Small = static_cast<std::int64_t>(SmallMB) * 1000000;
  const std::string DestDir = Dir + "/out";
  const std::string CopyDest = Dir + "/copy.htm";
  bool Failed = false;

  try {
    std::printf("Pagetrim compaction benchmark: best of %d runs, each in its own process\n\n", Reps);

    // 1. The realistic document against the physical baseline.
    const std::string Page = Dir + "/page.htm";
    const std::string PageOut = OutputOf(Page, DestDir);
    const std::int64_t PageSize = WriteDocument(Page, TDocKind::dkRealistic, Big);
    TBest CopyBest, HoldBest, FileBest, SafeFileBest, CpBest, CliBest, SafeCliBest, StdinBest, SafeStdinBest;
    const TCompactOptions Safe = SafeOptions();
    const std::string StdoutFile = Dir + "/stdout.htm";
    for (int R = 0; R < Reps; ++R) {  // interleaved, so all see the same machine
      CopyBest.Take(InChild([&] { RemoveOutput(CopyDest); }, [&] { return CopyFile(Page, CopyDest); }));
      HoldBest.Take(
          InChild([&] { RemoveOutput(CopyDest); }, [&] { return HoldAndWriteFile(Page, CopyDest); }));
      FileBest.Take(InChild([&] { RemoveOutput(PageOut); }, [&] { return CompactFile(Page, DestDir); }));
      SafeFileBest.Take(
          InChild([&] { RemoveOutput(PageOut); }, [&] { return CompactFile(Page, DestDir, Safe); }));
      if (!Cli.empty()) {
        CpBest.Take(Process("cp", {Page, CopyDest}, CopyDest));
        CliBest.Take(Process(Cli, {"-q", "-d", DestDir, Page}, PageOut));
        SafeCliBest.Take(Process(Cli, {"-q", "--safe", "-d", DestDir, Page}, PageOut));
        StdinBest.Take(Process(Cli, {}, StdoutFile, Page, StdoutFile));
        SafeStdinBest.Take(Process(Cli, {"--safe"}, StdoutFile, Page, StdoutFile));
      }
    }
    const TBest MemBest = MemToMem(Page, Reps);
    const TBest SafeMemBest = MemToMem(Page, Reps, Safe);
    const double PageMB = static_cast<double>(PageSize) / kMB;
    std::printf("Realistic HTML/ASP page: %.1f MB in, %.1f MB out (%.1f %%)\n", PageMB,
                static_cast<double>(FileBest.OutBytes) / kMB,
                100.0 * static_cast<double>(FileBest.OutBytes) / static_cast<double>(PageSize));
    std::printf("  %-42s %9s %9s %9s %10s\n", "case", "seconds", "MB/s", "CPU s", "peak MiB");
    auto Row = [&](const char* Name, const TBest& B) {
      std::printf("  %-42s %9.3f %9.1f %9.3f %10.1f\n", Name, B.Seconds, PageMB / B.Seconds,
                  B.CpuSeconds, B.PeakMiB);
    };
    Row("plain copy, 1 MiB blocks, cold output", CopyBest);
    Row("whole file held, then written at once", HoldBest);
    Row("file to file (batch run of one file)", FileBest);
    Row("memory to memory (CompactHTML)", MemBest);
    Row("safe mode, file to file", SafeFileBest);
    Row("safe mode, memory to memory", SafeMemBest);
    if (!Cli.empty()) {
      Row("cp, a process", CpBest);
      Row("pagetrim-cli -d, a process", CliBest);
      Row("pagetrim-cli --safe -d, a process", SafeCliBest);
      Row("pagetrim-cli < page > out", StdinBest);
      Row("pagetrim-cli --safe < page > out", SafeStdinBest);
    }
    const double Bound = BoundMiB(PageSize);
    const double CopyRatio = FileBest.Seconds / CopyBest.Seconds;
    const double SafeCopyRatio = SafeFileBest.Seconds / CopyBest.Seconds;
    std::printf("  file to file / copy: %.2f (target <= 1.50) %s; in CPU time: %.2f\n", CopyRatio,
                Verdict(Check(CopyRatio <= 1.5, "file to file / copy " + Fixed(CopyRatio) + " > 1.50")),
                FileBest.CpuSeconds / CopyBest.CpuSeconds);
    std::printf("  safe mode file to file / copy: %.2f (target <= 1.50) %s\n", SafeCopyRatio,
                Verdict(Check(SafeCopyRatio <= 1.5,
                              "safe mode file to file / copy " + Fixed(SafeCopyRatio) + " > 1.50")));
    std::printf("  whole file held / copy: %.2f (the least any result written at once costs)\n",
                HoldBest.Seconds / CopyBest.Seconds);
    if (!Cli.empty()) {
      const double CpRatio = CliBest.Seconds / CpBest.Seconds;
      const double SafeCpRatio = SafeCliBest.Seconds / CpBest.Seconds;
      std::printf("  pagetrim-cli / cp, both processes: %.2f, safe mode %.2f (target <= 1.50) %s\n",
                  CpRatio, SafeCpRatio,
                  Verdict(Check(CpRatio <= 1.5 && SafeCpRatio <= 1.5,
                                "pagetrim-cli / cp " + Fixed(CpRatio) + ", safe mode " +
                                    Fixed(SafeCpRatio) + " > 1.50")));
    }
    const double MemSpeed = PageMB / MemBest.Seconds;
    const double SafeMemSpeed = PageMB / SafeMemBest.Seconds;
    std::printf("  memory to memory: %.0f MB/s, safe mode %.0f MB/s (target >= %.0f) %s\n", MemSpeed,
                SafeMemSpeed, kRealisticMemTarget,
                Verdict(Check(MemSpeed >= kRealisticMemTarget && SafeMemSpeed >= kRealisticMemTarget,
                              "realistic page in memory " + Fixed(MemSpeed, 0) + " MB/s, safe mode " +
                                  Fixed(SafeMemSpeed, 0) + " MB/s < " +
                                  Fixed(kRealisticMemTarget, 0))));
    const double PeakFile = std::max(FileBest.PeakMiB, SafeFileBest.PeakMiB);
    std::printf("  peak memory file to file: %.1f MiB, safe mode %.1f (bound 1.1 x size + 16 MiB = %.1f) %s\n",
                FileBest.PeakMiB, SafeFileBest.PeakMiB, Bound,
                Verdict(Check(PeakFile <= Bound, "peak memory file to file " + Fixed(PeakFile, 1) +
                                                     " MiB > " + Fixed(Bound, 1))));
    if (!Cli.empty()) {
      const double PeakStdin = std::max(StdinBest.PeakMiB, SafeStdinBest.PeakMiB);
      std::printf("  peak memory standard input to output: %.1f MiB, safe mode %.1f (bound %.1f) %s\n",
                  StdinBest.PeakMiB, SafeStdinBest.PeakMiB, Bound,
                  Verdict(Check(PeakStdin <= Bound, "peak memory standard input to output " +
                                                        Fixed(PeakStdin, 1) + " MiB > " +
                                                        Fixed(Bound, 1))));
    }
    const double SafeRatio = SafeFileBest.Seconds / FileBest.Seconds;
    std::printf("  safe / default mode, file to file: %.2f (target <= 1.25) %s; memory to memory: %.2f\n",
                SafeRatio,
                Verdict(Check(SafeRatio <= 1.25, "safe / default mode " + Fixed(SafeRatio) + " > 1.25")),
                SafeMemBest.Seconds / MemBest.Seconds);
    std::printf("  safe mode out: %.1f MB (%.1f %%)\n\n",
                static_cast<double>(SafeFileBest.OutBytes) / kMB,
                100.0 * static_cast<double>(SafeFileBest.OutBytes) / static_cast<double>(PageSize));

    // 2. Every kind at two sizes: linearity, speed and memory.
    std::printf("Size sweep: %d MB and %d MB file to file, %d MB in memory\n", SmallMB, SizeMB,
                SizeMB);
    std::printf("  %-27s %7s %7s %8s %8s %6s %6s %8s %8s %9s %s\n", "document", "MB", "out MB",
                "t small", "t large", "ratio", "(CPU)", "MB/s", "mem MB/s", "peak MiB", "bound");
    const double SizeRatio = static_cast<double>(Big) / static_cast<double>(Small);
    for (const TDocInfo& Kind : DocKinds()) {
      const std::string SmallFile = Dir + "/small.htm";
      const std::string BigFile = Dir + "/big.htm";
      const std::int64_t SmallSize = WriteDocument(SmallFile, Kind.Kind, Small);
      const std::int64_t BigSize = WriteDocument(BigFile, Kind.Kind, Big);
      for (const bool UseSafe : {false, true}) {
        const TCompactOptions Options = UseSafe ? SafeOptions() : TCompactOptions{};
        // The small case is cheap: more runs make its best time steadier.
        const TBest S = FileToFile(SmallFile, DestDir, 3 * Reps, Options);
        const TBest L = FileToFile(BigFile, DestDir, Reps, Options);
        const TBest M = MemToMem(BigFile, Reps, Options);
        const std::string Name = std::string(Kind.Name) + (UseSafe ? " (safe)" : "");
        // Time per byte, large over small, scaled to the nominal size ratio.
        const double Scale =
            static_cast<double>(SmallSize) / static_cast<double>(BigSize) * SizeRatio;
        const double TimeRatio = L.Seconds / S.Seconds * Scale;
        const double CpuRatio = L.CpuSeconds / S.CpuSeconds * Scale;
        const double BigMB = static_cast<double>(BigSize) / kMB;
        const double MemSpeedKind = BigMB / M.Seconds;
        // Linear: judged by CPU time, which other load on the machine
        // disturbs less than the wall clock.
        const bool LinearOk = Check(CpuRatio <= SizeRatio * 1.1 || TimeRatio <= SizeRatio * 1.1,
                                    Name + ": not linear (ratio " + Fixed(TimeRatio) + ", CPU " +
                                        Fixed(CpuRatio) + ")");
        const bool MemOk = Check(L.PeakMiB <= BoundMiB(BigSize),
                                 Name + ": peak memory " + Fixed(L.PeakMiB, 1) + " MiB > " +
                                     Fixed(BoundMiB(BigSize), 1));
        const double SpeedTarget =
            Kind.Kind == TDocKind::dkRealistic ? kRealisticMemTarget : kWorstMemTarget;
        const bool SpeedOk = Check(MemSpeedKind >= SpeedTarget,
                                   Name + ": " + Fixed(MemSpeedKind, 0) + " MB/s in memory < " +
                                       Fixed(SpeedTarget, 0));
        std::printf("  %-27s %7.1f %7.1f %8.3f %8.3f %6.2f %6.2f %8.1f %8.1f %9.1f %s%s%s\n",
                    Name.c_str(), BigMB, static_cast<double>(L.OutBytes) / kMB, S.Seconds,
                    L.Seconds, TimeRatio, CpuRatio, BigMB / L.Seconds, MemSpeedKind, L.PeakMiB,
                    MemOk ? "ok" : "OVER", LinearOk ? "" : "  (not linear)",
                    SpeedOk ? "" : "  (slow)");
      }
      fs::remove(SmallFile);
      fs::remove(BigFile);
    }
    std::printf("  ratio: large time over small time for %.0f times the input (target <= %.0f);\n"
                "  (CPU): the same in CPU time, less disturbed by other load on the machine\n",
                SizeRatio, SizeRatio * 1.1);
    std::printf("  mem MB/s: the large document memory to memory (target >= %.0f, realistic >= %.0f)\n",
                kWorstMemTarget, kRealisticMemTarget);
    std::printf("  bound: peak memory within 1.1 x size + 16 MiB\n\n");

    // 3. The script minifier on a realistic page script, in memory.
    MinifierRow("Script minifier (MinifyJavaScript), realistic page script", "script minifier",
                kScriptMemTarget, Reps, RealisticScript(static_cast<std::size_t>(Small)),
                [](const std::string& In, char* Out) {
                  const TScriptResult Result = MinifyJavaScriptTo(In, false, Out);
                  if (Result.Outcome != TScriptOutcome::Minified)
                    throw std::runtime_error(std::string("the script was left alone: ") +
                                             ScriptOutcomeName(Result.Outcome));
                  return Result.Size;
                });

    // 4. The style minifier on a realistic page style sheet, in memory.
    MinifierRow("Style minifier (MinifyCssSheet), realistic page style sheet", "style minifier",
                kStyleMemTarget, Reps, RealisticStyleSheet(static_cast<std::size_t>(Small)),
                [](const std::string& In, char* Out) {
                  const TCssResult Result = MinifyCssSheetTo(In, Out);
                  if (Result.Outcome != TCssOutcome::Minified)
                    throw std::runtime_error(std::string("the sheet was left alone: ") +
                                             CssOutcomeName(Result.Outcome));
                  return Result.Size;
                });

    // 5. Best mode: the realistic page in memory, then pagetrim-cli --best
    // against the other minifiers on the same 20 MB page, all processes.
    {
      const TBest BestMem = MemToMem(Page, Reps, BestOptions());
      const double BestSpeed = PageMB / BestMem.Seconds;
      std::printf("Best mode, realistic page: %.1f MB in, %.1f MB out (%.1f %%)\n", PageMB,
                  static_cast<double>(BestMem.OutBytes) / kMB,
                  100.0 * static_cast<double>(BestMem.OutBytes) / static_cast<double>(PageSize));
      std::printf("  memory to memory: %.0f MB/s (target >= %.0f) %s\n", BestSpeed, kBestMemTarget,
                  Verdict(Check(BestSpeed >= kBestMemTarget, "best mode " + Fixed(BestSpeed, 0) +
                                                                 " MB/s in memory < " + Fixed(kBestMemTarget, 0))));
    }
    if (!Cli.empty()) {
      const std::string PeerPage = Dir + "/peer.htm";
      const std::string PeerOut = Dir + "/peer-out.htm";
      const std::int64_t PeerSize = WriteDocument(PeerPage, TDocKind::dkRealistic, kPeerPageBytes);
      const double PeerMB = static_cast<double>(PeerSize) / kMB;
      std::printf("Best mode against other minifiers, %.1f MB page, each a process:\n", PeerMB);
      std::printf("  %-34s %9s %9s %10s %9s\n", "minifier", "seconds", "MB/s", "peak MiB", "out MB");
      auto Line = [&](const std::string& Name, const TBest& B) {
        std::printf("  %-34s %9.3f %9.1f %10.1f %9.1f\n", Name.c_str(), B.Seconds, PeerMB / B.Seconds, B.PeakMiB,
                    static_cast<double>(std::filesystem::file_size(PeerOut)) / kMB);
      };
      TBest Ours;
      for (int R = 0; R < Reps; ++R) Ours.Take(Process(Cli, {"--best"}, PeerOut, PeerPage, PeerOut));
      Line("pagetrim-cli --best", Ours);
      double Fastest = 0;
      std::string FastestName;
      for (const TPeer& P : Peers(PeerDir)) {
        // Slow next to ours: one run each tells enough.
        TBest Theirs;
        Theirs.Take(Process(P.Program, P.Args, PeerOut, PeerPage, PeerOut));
        Line(P.Name, Theirs);
        if (FastestName.empty() || Theirs.Seconds < Fastest) {
          Fastest = Theirs.Seconds;
          FastestName = P.Name;
        }
      }
      if (FastestName.empty()) {
        std::printf("  no other minifier installed (scripts/install-peers)\n");
        Check(false, "no other minifier to compare best mode with");
      } else {
        const double Speedup = Fastest / Ours.Seconds;
        std::printf("  fastest other (%s) / pagetrim-cli --best: %.1f (target >= %.0f) %s\n", FastestName.c_str(),
                    Speedup, kPeerSpeedup,
                    Verdict(Check(Speedup >= kPeerSpeedup, "best mode only " + Fixed(Speedup, 1) +
                                                               " x as fast as " + FastestName)));
      }
      std::error_code Ec;
      std::filesystem::remove(PeerPage, Ec);
      std::filesystem::remove(PeerOut, Ec);
    }
  } catch (const std::exception& E) {
    std::fprintf(stderr, "pagetrim_bench: %s\n", E.what());
    Failed = true;
  }
  if (Failed) {
    std::printf("The benchmark did not complete.\n");
  } else if (Missed.empty()) {
    std::printf("All targets met.\n");
  } else {
    std::printf("Targets missed:\n");
    for (const std::string& M : Missed) std::printf("  - %s\n", M.c_str());
  }

  if (!KeepFiles) {
    std::error_code Ec;
    if (MadeDir) {
      fs::remove_all(Dir, Ec);
    } else {
      for (const char* F : {"/page.htm", "/copy.htm", "/stdout.htm"}) fs::remove(Dir + F, Ec);
      fs::remove_all(DestDir, Ec);
    }
  }
  return !Failed && Missed.empty() ? 0 : 1;
}
