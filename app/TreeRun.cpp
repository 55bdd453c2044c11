#include "app/TreeRun.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <system_error>
#include <thread>

#include "app/BatchRun.h"
#include "compact/CompactHTML.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"
#include "streams/Utils.h"

namespace {

using platform::FileEnv;
using platform::FileIdentity;
using platform::FileStatus;

// The open modes of the batch run: the source shared for reading, the
// written file created anew and not shared.
constexpr TOpenMode kSourceMode = omRead | omShareRead;              // 9
constexpr TOpenMode kDestinationMode = omRead | omWrite | omCreate;  // 7
// Copies move this much per read and write.
constexpr std::int32_t kCopyBlock = 65536;
// The part of a file name that goes into its temporary name.
constexpr std::size_t kTempNamePart = 64;

// A random text that sets this run's temporary names apart from those of
// other runs writing into the same folders.
std::string RunToken() {
  std::uint32_t value = 0;
  try {
    std::random_device random;
    value = random();
  } catch (const std::exception&) {
    value = static_cast<std::uint32_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
  }
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
  return text;
}

// A temporary name for Target that nothing uses yet.
std::string FreeTemporaryName(const std::string& Target, const std::string& Token, FileEnv& Env) {
  for (unsigned attempt = 0;; ++attempt) {
    std::string name = TemporaryName(Target, Token, attempt);
    FileStatus st;
    if (!Env.GetStatus(name, false, &st) || attempt >= 100) return name;
  }
}

// Raises the sharing violation a destination that is one of the sources
// under another name gets, as in the batch run.
void RefuseSourceAsTarget(const std::string& Target, const std::set<FileIdentity>& Sources,
                          FileEnv& Env) {
  FileStatus st;
  if (Env.GetStatus(Target, true, &st) && Sources.count(st.Identity) != 0)
    throw EInOutError(
        Format(SErrorOpening, {Target, ErrorCodeText(platform::ErrorSharingViolation())}));
}

// A file already called Target is replaced only where the batch run could
// write it: a read-only file, a folder or a file another program holds
// without sharing raises the batch run's open error instead.
void CheckReplaceable(const std::string& Target, FileEnv& Env) {
  FileStatus st;
  if (!Env.GetStatus(Target, true, &st)) return;
  TFileStream probe(Target, omWrite);  // opens without emptying it
}

void CopyBytes(TFileStream& Source, TFileStream& Destination) {
  std::unique_ptr<char[]> block(new char[kCopyBlock]);
  Source.SetExactTransfer(false);
  for (;;) {
    const std::int32_t n = Source.Read(block.get(), kCopyBlock);
    if (n <= 0) break;
    Destination.Write(block.get(), n);
  }
}

struct TOutcome {
  bool Done = false;
  bool Failed = false;
  std::int64_t BytesIn = 0;
  std::int64_t BytesOut = 0;
  std::string Message;
};

// Compacts or copies File into a temporary name beside its target, then
// renames it to the target. The temporary file goes again on failure.
TOutcome WorkOn(const TTreeFile& File, const TTreeOptions& Options, const std::string& Token,
                const std::set<FileIdentity>& Sources) {
  FileEnv& env = *platform::CurrentFileEnv();
  TOutcome outcome;
  std::string temporary;
  try {
    TFileStream source(File.Source, kSourceMode);
    RefuseSourceAsTarget(File.Target, Sources, env);
    CheckReplaceable(File.Target, env);
    temporary = FreeTemporaryName(File.Target, Token, env);
    {
      TFileStream written(temporary, kDestinationMode);
      if (File.Action == taCompact)
        CompactHTML(source, written, Options.Compaction);
      else
        CopyBytes(source, written);
      outcome.BytesIn = source.GetSize();
      outcome.BytesOut = written.GetSize();
    }
    if (!env.Rename(temporary, File.Target))
      throw EInOutError(Format(SErrorRenaming, {temporary, File.Target, LastErrorText()}));
    outcome.Done = true;
    return outcome;
  } catch (const Exception& e) {
    outcome.Message = e.Message();
  } catch (const std::bad_alloc&) {
    outcome.Message = "Out of memory";
  } catch (const std::exception& e) {
    outcome.Message = e.what();
  }
  if (!temporary.empty()) {
    // Also when it was never created: then there is nothing to delete.
    const platform::SysError code = env.LastError();
    env.Delete(temporary);
    env.SetLastError(code);
  }
  outcome.Failed = true;
  return outcome;
}

// Creates Folder, and the folders above it that are missing.
void EnsureFolder(const std::string& Folder, FileEnv& Env, int Depth = 0) {
  FileStatus st;
  if (Env.GetStatus(Folder, true, &st)) {
    if (st.Kind == platform::fkFolder) return;
    throw Exception(Format(STargetNotFolder, {Folder}));
  }
  if (Env.CreateFolder(Folder)) return;
  platform::SysError code = Env.LastError();
  if (platform::IsMissingError(code) && Depth < 256) {
    std::string parent = Folder;
    while (!parent.empty() && (parent.back() == platform::PathDelimiter() || parent.back() == '/'))
      parent.pop_back();
    const std::size_t cut = parent.find_last_of(std::string("/") + platform::PathDelimiter());
    if (cut != std::string::npos && cut > 0) {
      EnsureFolder(parent.substr(0, cut), Env, Depth + 1);
      if (Env.CreateFolder(Folder)) return;
      code = Env.LastError();
    }
  }
  // Made by somebody else meanwhile.
  if (code == platform::ErrorAlreadyExists() && Env.GetStatus(Folder, true, &st) &&
      st.Kind == platform::fkFolder)
    return;
  throw EInOutError(Format(SErrorCreatingFolder, {Folder, ErrorCodeText(code)}));
}

bool Cancelled(const TTreeOptions& Options) {
  return Options.Cancel != nullptr && Options.Cancel->load();
}

double SecondsSince(std::chrono::steady_clock::time_point Start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

// What the workers share with the thread that runs the tree.
struct TWorkQueue {
  std::mutex Lock;
  std::condition_variable Changed;
  std::size_t Next = 0;  // the next file to begin
  bool Stop = false;     // a file failed: begin no more
  bool News = false;     // something happened since the last look
  std::size_t Finished = 0;  // workers that ended
  TTreeProgress State;
  std::vector<TOutcome> Outcomes;
};

}  // namespace

std::string TemporaryName(const std::string& Target, const std::string& Token, unsigned Attempt) {
  const std::size_t cut = Target.find_last_of(std::string("/") + platform::PathDelimiter());
  const std::string folder = cut == std::string::npos ? std::string() : Target.substr(0, cut + 1);
  const std::string name = cut == std::string::npos ? Target : Target.substr(cut + 1);
  std::string temporary = folder + '.' + name.substr(0, kTempNamePart) + '.' + Token;
  if (Attempt > 0) temporary += '-' + std::to_string(Attempt);
  return temporary + ".tmp";
}

TTreeSummary RunTree(const TTreeOptions& Options, TTreeHost& Host) {
  const auto start = std::chrono::steady_clock::now();
  TTreeSummary summary;
  auto failed = [&](const std::string& Message) {
    summary.Failures.push_back(TTreeFailure{std::string(), Message});
    summary.Seconds = SecondsSince(start);
    return summary;
  };
  if (Options.Destination.empty()) return failed(SDestinationEmpty);

  FileEnv& env = *platform::CurrentFileEnv();
  TTreePlan plan;
  try {
    plan = PlanTree(Options, env);
    if (std::string refusal = CheckTree(Options, plan, env); !refusal.empty())
      return failed(refusal);
    if (Cancelled(Options)) {
      summary.Cancelled = true;
      summary.NotBegun = plan.Files.size();
      summary.Seconds = SecondsSince(start);
      return summary;
    }
    for (const std::string& folder : plan.Folders) EnsureFolder(folder, env);
  } catch (const Exception& e) {
    return failed(e.Message());
  } catch (const std::bad_alloc&) {
    return failed("Out of memory");
  }
  summary.Skipped = plan.Unmatched + plan.Notes.size();
  Host.Planned(plan);

  const std::size_t total = plan.Files.size();
  TWorkQueue queue;
  queue.State.Total = total;
  queue.Outcomes.resize(total);
  const std::string token = RunToken();
  auto work = [&] {
    for (;;) {
      std::size_t at;
      {
        std::lock_guard<std::mutex> hold(queue.Lock);
        if (queue.Stop || queue.Next >= total || Cancelled(Options)) break;
        at = queue.Next++;
        queue.State.Current = plan.Files[at].Source;
        queue.News = true;
      }
      queue.Changed.notify_one();
      TOutcome outcome = WorkOn(plan.Files[at], Options, token, plan.SourceFiles);
      {
        std::lock_guard<std::mutex> hold(queue.Lock);
        ++queue.State.Done;
        if (outcome.Failed) {
          queue.Stop = true;
        } else if (plan.Files[at].Action == taCompact) {
          queue.State.BytesIn += outcome.BytesIn;
          queue.State.BytesOut += outcome.BytesOut;
        }
        queue.Outcomes[at] = std::move(outcome);
        queue.News = true;
      }
      queue.Changed.notify_one();
    }
    {
      std::lock_guard<std::mutex> hold(queue.Lock);
      ++queue.Finished;
      queue.News = true;
    }
    queue.Changed.notify_one();
  };

  const std::size_t wanted = std::min<std::size_t>(std::max(Options.Jobs, 1u), total);
  std::vector<std::thread> workers;
  try {
    for (std::size_t i = 0; i < wanted; ++i) workers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer workers than asked for; none at all is a failure.
    if (workers.empty()) return failed("Cannot start a worker thread");
  }

  // Passes finished files on in the plan's order while the workers go on.
  std::size_t reported = 0;
  auto take = [&](std::vector<std::size_t>* Ready) {
    while (reported < total && queue.Outcomes[reported].Done) Ready->push_back(reported++);
  };
  if (!workers.empty()) {
    std::unique_lock<std::mutex> hold(queue.Lock);
    for (;;) {
      queue.Changed.wait(hold, [&] { return queue.News; });
      queue.News = false;
      const bool ended = queue.Finished == workers.size();
      const TTreeProgress state = queue.State;
      std::vector<std::size_t> ready;
      take(&ready);
      hold.unlock();
      for (std::size_t i : ready)
        Host.FileDone(plan.Files[i], queue.Outcomes[i].BytesIn, queue.Outcomes[i].BytesOut);
      Host.Progress(state);
      hold.lock();
      if (ended) break;
    }
  }
  for (std::thread& worker : workers) worker.join();

  // After a failure: the files finished beyond the first gap.
  for (std::size_t i = reported; i < total; ++i)
    if (queue.Outcomes[i].Done)
      Host.FileDone(plan.Files[i], queue.Outcomes[i].BytesIn, queue.Outcomes[i].BytesOut);

  for (std::size_t i = 0; i < total; ++i) {
    const TOutcome& outcome = queue.Outcomes[i];
    if (outcome.Failed) summary.Failures.push_back(TTreeFailure{plan.Files[i].Source, outcome.Message});
    if (!outcome.Done) continue;
    if (plan.Files[i].Action == taCompact) {
      ++summary.Compacted;
      summary.BytesIn += outcome.BytesIn;
      summary.BytesOut += outcome.BytesOut;
    } else {
      ++summary.Copied;
      summary.CopiedBytes += outcome.BytesIn;
    }
  }
  if (summary.Failures.empty() && queue.Next < total) {
    summary.Cancelled = true;
    summary.NotBegun = total - queue.Next;
  }
  summary.Seconds = SecondsSince(start);
  return summary;
}
