// Tree benchmark: pagetrim-cli -r over a folder tree of real pages, with one
// worker and with two, each run a process of its own whose wall time, CPU
// time and peak resident memory are measured.
//
// Targets: two workers take at most 0.6 times the time of one (on a
// machine with two cores), and the peak memory stays within what the
// workers' largest files need, not what the whole tree holds.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/TreeWalk.h"
#include "bench/Process.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"

namespace {

// Best time and CPU time, highest peak.
struct TBest {
  double Seconds = 1e300;
  double CpuSeconds = 1e300;
  double PeakMiB = 0;
  void Take(const TRun& R) {
    Seconds = std::min(Seconds, R.Seconds);
    CpuSeconds = std::min(CpuSeconds, R.CpuSeconds);
    PeakMiB = std::max(PeakMiB, R.PeakMiB);
  }
};

}  // namespace

int main(int argc, char** argv) {
  CLI::App App{"Pagetrim tree benchmark"};
  std::string Cli;
  std::string Source;
  std::string Dir;
  int Reps = 5;
  App.add_option("--cli", Cli, "the pagetrim-cli to run")->required();
  App.add_option("--source", Source, "the folder tree of pages")->required();
  App.add_option("--dir", Dir, "folder for the copies (default: a new temporary one)");
  App.add_option("--reps", Reps, "runs per worker count (the best time counts)")
      ->check(CLI::PositiveNumber);
  CLI11_PARSE(App, argc, argv);

  namespace fs = std::filesystem;
  const bool MadeDir = Dir.empty();
  if (MadeDir && (Dir = MakeTempFolder("pagetrim-tree-bench-")).empty()) return 1;
  const std::string Dest = Dir + "/out";  // one tree per run below it
  bool AllOk = true;
  try {
    // What the run will compact, found by the same walk.
    TTreeOptions Options;
    Options.Sources = {Source};
    Options.Destination = Dest;
    const TTreePlan Plan = PlanTree(Options, Options.FileServices());
    std::int64_t Bytes = 0;
    std::int64_t Largest = 0;
    for (const TTreeFile& F : Plan.Files) {
      const auto Size = static_cast<std::int64_t>(fs::file_size(F.Source));
      Bytes += Size;
      Largest = std::max(Largest, Size);
    }
    if (Plan.Files.size() < 3000)
      std::printf("warning: only %zu pages in %s (the benchmark wants 3,000 or more)\n",
                  Plan.Files.size(), Source.c_str());

    // Every run writes a fresh tree, and the trees go only at the end: a
    // file system that has just deleted thousands of files can be slow to
    // create new ones (ext4 passes over recently freed inodes), which
    // would measure the deletion rather than the run.
    int Runs = 0;
    auto Run = [&](unsigned Jobs) {
      // What earlier runs wrote goes to the disk first, outside the time.
      sync();
      const std::string Target = Dest + "/" + std::to_string(++Runs);
      return Measure(Cli, {"-q", "-r", "-j", std::to_string(Jobs), "-d", Target, Source});
    };
    Run(2);  // reads the tree into the page cache
    TBest One, Two;
    for (int R = 0; R < Reps; ++R) {  // interleaved, so both see the same machine
      One.Take(Run(1));
      Two.Take(Run(2));
    }

    std::printf("Tree benchmark: pagetrim-cli -r over %s\n", Source.c_str());
    std::printf("  %zu pages, %.1f MB, largest %.2f MB; best of %d runs, %u cores\n",
                Plan.Files.size(), static_cast<double>(Bytes) / kMB,
                static_cast<double>(Largest) / kMB, Reps, std::thread::hardware_concurrency());
    std::printf("  %-10s %9s %9s %9s %10s\n", "workers", "seconds", "MB/s", "CPU s", "peak MiB");
    for (const auto& [Name, B] : {std::pair<const char*, const TBest&>{"-j 1", One}, {"-j 2", Two}})
      std::printf("  %-10s %9.3f %9.1f %9.3f %10.1f\n", Name, B.Seconds,
                  static_cast<double>(Bytes) / kMB / B.Seconds, B.CpuSeconds, B.PeakMiB);
    const double Ratio = Two.Seconds / One.Seconds;
    const bool RatioOk = Ratio <= 0.6;
    std::printf("  -j 2 / -j 1: %.2f (target <= 0.60 on 2 cores) %s\n", Ratio, Verdict(RatioOk));
    // Each worker holds one file and its result; the rest is the program
    // and the plan of the tree.
    const double Bound = 16.0 + 2 * 1.3 * static_cast<double>(Largest) / kMiB;
    const bool MemOk = Two.PeakMiB <= Bound;
    std::printf("  peak memory -j 2: %.1f MiB (bound 16 MiB + 2 x 1.3 x largest page = %.1f; "
                "the tree holds %.1f MiB) %s\n",
                Two.PeakMiB, Bound, static_cast<double>(Bytes) / kMiB, Verdict(MemOk));
    AllOk = RatioOk && MemOk;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "pagetrim_tree_bench: %s\n", E.what());
    AllOk = false;
  }
  std::error_code Ec;
  if (MadeDir)
    fs::remove_all(Dir, Ec);
  else
    fs::remove_all(Dest, Ec);
  return AllOk ? 0 : 1;
}
