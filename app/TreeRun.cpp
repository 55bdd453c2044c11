#include "app/TreeRun.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <new>
#include <random>
#include <system_error>
#include <thread>

#include "app/BatchRun.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"
#include "streams/Utils.h"

namespace {

using platform::FileEnv;
using platform::FileIdentity;
using platform::FileStatus;

// The part of a file name that goes into its temporary name.
constexpr std::size_t kTempNamePart = 64;
// Temporary names tried for one file before giving up.
constexpr unsigned kTempAttempts = 100;
// Created folders can be written into until the run ends, whatever their
// sources' permission bits.
constexpr std::uint32_t kOwnerAll = 0700;

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

// A file already called Target is replaced only where the batch run could
// write it: a read-only file, a folder or a file another program holds
// without sharing raises the batch run's open error instead.
void CheckReplaceable(const std::string& Target, FileEnv& Env) {
  FileStatus st;
  if (!Env.GetStatus(Target, true, &st).ok()) return;
  TFileStream probe(Target, omWrite);  // opens without emptying it
}

// A destination folder held open for the calls "in" it, checked to be the
// folder the run created or found there.
class THeldFolder {
public:
  THeldFolder(const std::string& Name, const FileIdentity& Expected, FileEnv& Env) : env_(Env) {
    FileStatus st;
    const platform::Status opened = Env.OpenFolder(platform::kNoFolder, Name, true, &st, &handle_);
    if (!opened.ok()) RaiseFileError(SErrorReadingFolder, Name, opened);
    if (st.Identity != Expected) {
      Env.CloseFolder(handle_).IgnoreError();
      throw Exception(Format(SDestinationReplaced, {Name}));
    }
  }
  ~THeldFolder() { env_.CloseFolder(handle_).IgnoreError(); }
  THeldFolder(const THeldFolder&) = delete;
  THeldFolder& operator=(const THeldFolder&) = delete;
  platform::FolderHandle Handle() const { return handle_; }

private:
  FileEnv& env_;
  platform::FolderHandle handle_ = platform::kNoFolder;
};

struct TOutcome {
  bool Done = false;
  bool Failed = false;
  std::int64_t BytesIn = 0;
  std::int64_t BytesOut = 0;
  std::string Message;
};

// What every worker shares, fixed before the first file is begun.
struct TRunShared {
  const TTreeOptions& Options;
  const TTreePlan& Plan;
  std::vector<FileIdentity> FolderIds;  // of each of Plan.Folders
  std::string Token;
};

// Writes file Index of Run's plan into its destination folder under a new
// temporary name there, and renames it to its name there on Commit, with
// the source's permission bits (with Preserve also its modification
// time). Refuses, as the batch run's open would, to replace a file that
// could not be written. The folder is held open from Open on, and a
// temporary file not renamed goes again with the sink.
class TTemporarySink : public TFileSink {
public:
  TTemporarySink(const TRunShared& Run, std::size_t Index, FileEnv& Env)
      : run_(Run), file_(Run.Plan.Files[Index]), folder_(Run.Plan.Folders[file_.Folder]), index_(Index),
        env_(Env) {}
  ~TTemporarySink() override {
    stream_.reset();
    if (temporary_.empty() || !held_) return;
    env_.DeleteIn(held_->Handle(), temporary_).IgnoreError();
  }

  TFileStream& Open(const TFileJob& Job, const FileStatus& Source) override {
    CheckReplaceable(Job.Target, env_);
    held_ = std::make_unique<THeldFolder>(folder_, run_.FolderIds[file_.Folder], env_);
    platform::FileHandle handle = platform::kInvalidHandle;
    for (unsigned attempt = 0;; ++attempt) {
      const std::string temporary = TemporaryName(file_.Name, run_.Token, index_, attempt);
      const platform::Status created =
          env_.CreateFileIn(held_->Handle(), temporary, Source.Permissions & 0777, &handle);
      if (created.ok()) {
        temporary_ = temporary;
        break;
      }
      // A name taken is not ours to delete.
      if (created.code() != platform::ErrorAlreadyExists() || attempt + 1 >= kTempAttempts)
        RaiseFileError(SErrorOpening, JoinName(folder_, temporary), created);
    }
    stream_ = std::make_unique<TFileStream>(handle, JoinName(folder_, temporary_), omRead | omWrite, &env_);
    return *stream_;
  }

  void Commit(const TFileJob& Job, const FileStatus& Source) override {
    if (run_.Options.Preserve) {
      // Never the set-user-ID and set-group-ID bits: the copy has another
      // owner (whoever runs this), who would lend it their rights.
      const std::uint32_t permissions = Source.Permissions & 0777;
      const platform::Status set =
          env_.SetAttributes(stream_->Handle(), &permissions, &Source.ModifiedTime);
      if (!set.ok()) RaiseFileError(SErrorSettingAttributes, stream_->FileName(), set);
    }
    stream_->Close();
    if (const platform::Status s = env_.RenameIn(held_->Handle(), temporary_, file_.Name); !s.ok())
      throw EInOutError(
          Format(SErrorRenaming, {JoinName(folder_, temporary_), Job.Target, ErrorCodeText(s.code())}));
    temporary_.clear();
  }

private:
  const TRunShared& run_;
  const TTreeFile& file_;
  const std::string& folder_;
  std::size_t index_;
  FileEnv& env_;
  std::unique_ptr<THeldFolder> held_;
  std::unique_ptr<TFileStream> stream_;
  std::string temporary_;  // ours to delete while not empty
};

// Compacts or copies file Index of the plan into its destination folder
// as a file job. Only the file the walk found is read, and only into the
// folder the run made ready.
TOutcome WorkOn(std::size_t Index, const TRunShared& Run) {
  const TTreeFile& file = Run.Plan.Files[Index];
  FileEnv& env = Run.Options.FileServices();
  TOutcome outcome;
  TTemporarySink sink(Run, Index, env);
  try {
    TFileJob job;
    job.Source = file.Source;
    job.Target = file.Target;
    job.Action = file.Action == taCompact ? faCompact : faCopy;
    job.Options = &Run.Options.Compaction;
    job.Sources = &Run.Plan.SourceFiles;
    job.Expected = file.Identity;
    const TFileJobResult result = RunFileJob(job, sink, env);
    outcome.BytesIn = result.BytesIn;
    outcome.BytesOut = result.BytesOut;
    outcome.Done = true;
    return outcome;
  } catch (const Exception& e) {
    outcome.Message = e.Message();
  } catch (const std::bad_alloc&) {
    outcome.Message = "Out of memory";
  } catch (const std::exception& e) {
    outcome.Message = e.what();
  }
  outcome.Failed = true;
  return outcome;
}

// The permission bits a created folder gets while the run writes into it.
std::uint32_t WhileWriting(const std::optional<FileStatus>& Source) {
  return Source ? (Source->Permissions & 0777) | kOwnerAll : 0777;
}

// Creates the folder Name, and the folders above it that are missing, with
// the permission bits Permissions less the file-creation mask. True when
// Name itself was created.
bool EnsureTopFolder(const std::string& Folder, std::uint32_t Permissions, FileEnv& Env,
                     int Depth = 0) {
  FileStatus st;
  if (Env.GetStatus(Folder, true, &st).ok()) {
    if (st.Kind == platform::fkFolder) return false;
    throw Exception(Format(STargetNotFolder, {Folder}));
  }
  platform::Status made = Env.CreateFolderIn(platform::kNoFolder, Folder, Permissions);
  if (made.ok()) return true;
  platform::SysError code = made.code();
  if (platform::IsMissingError(code) && Depth < 256) {
    std::string parent = Folder;
    while (!parent.empty() && (parent.back() == platform::PathDelimiter() || parent.back() == '/'))
      parent.pop_back();
    const std::size_t cut = parent.find_last_of(std::string("/") + platform::PathDelimiter());
    if (cut != std::string::npos && cut > 0) {
      EnsureTopFolder(parent.substr(0, cut), 0777, Env, Depth + 1);
      made = Env.CreateFolderIn(platform::kNoFolder, Folder, Permissions);
      if (made.ok()) return true;
      code = made.code();
    }
  }
  // Made by somebody else meanwhile.
  if (code == platform::ErrorAlreadyExists() && Env.GetStatus(Folder, true, &st).ok() &&
      st.Kind == platform::fkFolder)
    return false;
  throw EInOutError(Format(SErrorCreatingFolder, {Folder, ErrorCodeText(code)}));
}

// Makes the plan's destination folders ready, parents first: the top ones
// by their names, each folder below inside its parent, held open and
// checked to be the folder its parent was. Stores each folder's identity
// in *Ids and whether the run created it in *Created.
void MakeFolders(const TTreePlan& Plan, std::vector<FileIdentity>* Ids, std::vector<bool>* Created,
                 FileEnv& Env) {
  const char delimiter = platform::PathDelimiter();
  std::map<std::string, std::size_t> index;
  for (std::size_t i = 0; i < Plan.Folders.size(); ++i) {
    const std::string& name = Plan.Folders[i];
    index.emplace(name, i);
    const std::uint32_t permissions = WhileWriting(Plan.FolderSources[i]);
    // A folder below another of the plan is made inside it (whose name
    // may end in a delimiter).
    const std::size_t cut = name.find_last_of(std::string("/") + delimiter);
    auto parent = index.end();
    if (cut != std::string::npos && cut + 1 < name.size()) {
      parent = index.find(name.substr(0, cut));
      if (parent == index.end()) parent = index.find(name.substr(0, cut + 1));
    }
    bool created = false;
    FileStatus st;
    platform::FolderHandle handle = platform::kNoFolder;
    if (parent == index.end()) {
      created = EnsureTopFolder(name, permissions, Env);
      const platform::Status opened = Env.OpenFolder(platform::kNoFolder, name, true, &st, &handle);
      if (!opened.ok()) RaiseFileError(SErrorReadingFolder, name, opened);
    } else {
      const THeldFolder above(parent->first, (*Ids)[parent->second], Env);
      const std::string entry = name.substr(cut + 1);
      const platform::Status made = Env.CreateFolderIn(above.Handle(), entry, permissions);
      created = made.ok();
      if (!created && made.code() != platform::ErrorAlreadyExists())
        RaiseFileError(SErrorCreatingFolder, name, made);
      // A folder that was there already may be a link the user made; one
      // this run made is taken only as it is.
      const platform::Status opened = Env.OpenFolder(above.Handle(), entry, !created, &st, &handle);
      if (!opened.ok()) {
        if (opened.code() == platform::ErrorLinkLoop())
          throw Exception(Format(SDestinationReplaced, {name}));
        if (!created && Env.GetStatus(name, true, &st).ok() && st.Kind != platform::fkFolder)
          throw Exception(Format(STargetNotFolder, {name}));
        RaiseFileError(SErrorReadingFolder, name, opened);
      }
    }
    Env.CloseFolder(handle).IgnoreError();
    Ids->push_back(st.Identity);
    Created->push_back(created);
  }
}

// Gives the folders the run created their sources' permission bits (less
// the file-creation mask, or as they are with Preserve) and, with
// Preserve, their modification times: deepest first, once nothing more is
// written into them.
std::string FinishFolders(const TTreeOptions& Options, const TTreePlan& Plan,
                          const std::vector<FileIdentity>& Ids, const std::vector<bool>& Created,
                          FileEnv& Env) {
  const std::uint32_t mask = Options.Preserve ? 0 : platform::CreationMask();
  for (std::size_t i = Ids.size(); i-- > 0;) {
    const std::optional<FileStatus>& source = Plan.FolderSources[i];
    if (!Created[i] || !source) continue;
    try {
      const THeldFolder folder(Plan.Folders[i], Ids[i], Env);
      const std::uint32_t permissions = source->Permissions & 0777 & ~mask;
      const platform::Status set = Env.SetFolderAttributes(
          folder.Handle(), &permissions, Options.Preserve ? &source->ModifiedTime : nullptr);
      if (!set.ok()) RaiseFileError(SErrorSettingAttributes, Plan.Folders[i], set);
    } catch (const Exception& e) {
      return e.Message();
    }
  }
  return {};
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

std::string TemporaryName(const std::string& Name, const std::string& Token, std::size_t Index,
                          unsigned Attempt) {
  std::string temporary = '.' + Name.substr(0, kTempNamePart) + '.' + Token + '-' +
                          std::to_string(Index);
  if (Attempt > 0) temporary += '.' + std::to_string(Attempt);
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

  FileEnv& env = Options.FileServices();
  TTreePlan plan;
  TRunShared run{Options, plan, {}, RunToken()};
  std::vector<bool> created;
  // Created folders get their final attributes however the run ends.
  auto finish = [&] {
    if (std::string problem = FinishFolders(Options, plan, run.FolderIds, created, env);
        !problem.empty() && summary.Failures.empty())
      summary.Failures.push_back(TTreeFailure{std::string(), problem});
  };
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
    MakeFolders(plan, &run.FolderIds, &created, env);
  } catch (const Exception& e) {
    finish();
    return failed(e.Message());
  } catch (const std::bad_alloc&) {
    finish();
    return failed("Out of memory");
  }
  summary.Skipped = plan.Unmatched + plan.Notes.size();
  Host.Planned(plan);

  const std::size_t total = plan.Files.size();
  TWorkQueue queue;
  queue.State.Total = total;
  queue.Outcomes.resize(total);
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
      TOutcome outcome = WorkOn(at, run);
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
    if (workers.empty()) {
      finish();
      return failed("Cannot start a worker thread");
    }
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
  finish();
  summary.Seconds = SecondsSince(start);
  return summary;
}
