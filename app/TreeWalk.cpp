#include "app/TreeWalk.h"

#include <algorithm>
#include <map>
#include <utility>

#include "app/BatchRun.h"
#include "app/FileJob.h"
#include "platform/MountTable.h"
#include "platform/PathCompare.h"
#include "streams/Streams.h"
#include "streams/Utils.h"

namespace {

using platform::FileEnv;
using platform::FileIdentity;
using platform::FileStatus;

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
const std::string kHere = ".";  // the current folder

unsigned char Fold(unsigned char C) { return (C >= 'A' && C <= 'Z') ? C - 'A' + 'a' : C; }

// Windows takes '/' as a delimiter too.
bool IsDelimiter(char C) { return C == platform::PathDelimiter() || C == '/'; }

// Where a set "[...]" that opens at Glob[At] closes, or kNone.
std::size_t SetEnd(const std::string& Glob, std::size_t At) {
  std::size_t i = At + 1;
  if (i < Glob.size() && (Glob[i] == '!' || Glob[i] == '^')) ++i;
  if (i < Glob.size() && Glob[i] == ']') ++i;  // a leading ']' is a member
  for (; i < Glob.size(); ++i)
    if (Glob[i] == ']') return i;
  return kNone;
}

unsigned char Upper(unsigned char C) { return (C >= 'a' && C <= 'z') ? C - 'a' + 'A' : C; }

// Whether C, in either letter case, lies in Low..High.
bool InRange(unsigned char C, unsigned char Low, unsigned char High) {
  auto in = [&](unsigned char X) { return X >= Low && X <= High; };
  return in(C) || in(Fold(C)) || in(Upper(C));
}

// Whether C is in the set Glob[At..End] ("[...]", End at the ']').
bool InSet(const std::string& Glob, std::size_t At, std::size_t End, unsigned char C) {
  std::size_t i = At + 1;
  bool negate = false;
  if (Glob[i] == '!' || Glob[i] == '^') {
    negate = true;
    ++i;
  }
  bool found = false;
  for (bool first = true; i < End; first = false) {
    const auto low = static_cast<unsigned char>(Glob[i]);
    if (!first && low == ']') break;
    if (i + 2 < End && Glob[i + 1] == '-') {
      found = found || InRange(C, low, static_cast<unsigned char>(Glob[i + 2]));
      i += 3;
    } else {
      found = found || Fold(C) == Fold(low);
      ++i;
    }
  }
  return found != negate;
}

// Matches the one-byte element of Glob at At (anything but '*') against C;
// stores where the next element begins in *Next.
bool MatchOne(const std::string& Glob, std::size_t At, unsigned char C, std::size_t* Next) {
  const char p = Glob[At];
  if (p == '?') {
    *Next = At + 1;
    return true;
  }
  if (p == '[') {
    const std::size_t end = SetEnd(Glob, At);
    if (end != kNone) {
      *Next = end + 1;
      return InSet(Glob, At, end, C);
    }
  }
  if (p == '\\' && At + 1 < Glob.size()) {
    *Next = At + 2;
    return Fold(static_cast<unsigned char>(Glob[At + 1])) == Fold(C);
  }
  *Next = At + 1;
  return Fold(static_cast<unsigned char>(p)) == Fold(C);
}

// The components of a name: split at its delimiters, empty ones dropped
// but for the first, which marks an absolute POSIX name.
std::vector<std::string> Components(const std::string& Name) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= Name.size(); ++i) {
    if (i < Name.size() && !IsDelimiter(Name[i])) continue;
    if (i > start || parts.empty()) parts.push_back(Name.substr(start, i - start));
    start = i + 1;
  }
  return parts;
}

// The inverse of Components for a real name.
std::string FromComponents(const std::vector<std::string>& Parts, std::size_t Count) {
  std::string name = Parts[0];
  for (std::size_t i = 1; i < Count; ++i) name += platform::PathDelimiter() + Parts[i];
  if (Count == 1) name += platform::PathDelimiter();
  return name;
}

// Applies "." and ".." of names that do not exist yet, by text.
std::vector<std::string> Normalised(const std::vector<std::string>& Parts) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < Parts.size(); ++i) {
    if (i > 0 && Parts[i] == ".") continue;
    if (i > 0 && Parts[i] == ".." && out.size() > 1) {
      out.pop_back();
      continue;
    }
    out.push_back(Parts[i]);
  }
  return out;
}

bool SameComponents(const std::vector<std::string>& A, const std::vector<std::string>& B,
                    std::size_t Count) {
  for (std::size_t i = 0; i < Count; ++i)
    if (!platform::SameFolderName(A[i], B[i])) return false;
  return true;
}

// True when Inner names a folder strictly inside Outer.
bool Inside(const std::vector<std::string>& Inner, const std::vector<std::string>& Outer) {
  return Inner.size() > Outer.size() && SameComponents(Inner, Outer, Outer.size());
}

// The identities of the folder called Real (a real name) and of every
// folder above it, up to its root.
std::set<FileIdentity> Chain(const std::string& Real, FileEnv& Env) {
  std::set<FileIdentity> ids;
  const std::vector<std::string> parts = Components(Real);
  for (std::size_t n = parts.size(); n >= 1; --n) {
    FileStatus st;
    if (Env.GetStatus(FromComponents(parts, n), true, &st).ok()) ids.insert(st.Identity);
  }
  return ids;
}

std::string RealNameOf(const std::string& Name, FileEnv& Env) {
  std::string real;
  if (const platform::Status s = Env.RealName(Name, &real); !s.ok())
    RaiseFileError(SErrorReadingFolder, Name, s);
  return real;
}

// A folder met on the walk.
struct TFolder {
  std::string Name;  // as the walk reaches it
  std::string Rel;   // relative to its source, platform delimiters
  FileStatus Status;
  std::size_t Parent;  // index of the folder it was found in, or kNone
};

struct TSourceWalk {
  const TTreeOptions& Options;
  const std::vector<std::string>& Patterns;
  FileEnv& Env;
  TTreePlan& Plan;
  std::vector<std::pair<std::string, TTreeFile>> Files;  // by relative path
  std::vector<std::pair<std::string, TTreeNote>> Notes;
  std::map<std::string, FileStatus> FolderRels;  // every folder below the root

  bool Matches(const std::string& Name) const {
    return std::any_of(Patterns.begin(), Patterns.end(),
                       [&](const std::string& P) { return MatchGlob(P, Name); });
  }

  void Note(const std::string& Rel, const std::string& Name, TSkipReason Reason) {
    Notes.push_back({Rel, TTreeNote{Name, Reason}});
  }

  // Walks the folder Root; its files go to Target.
  void Walk(const std::string& Root, const FileStatus& RootStatus, const std::string& Target) {
    const char delimiter = platform::PathDelimiter();
    std::vector<TFolder> folders{TFolder{Root, "", RootStatus, kNone}};
    Plan.SourceFolders.emplace(RootStatus.Identity, Root);
    std::vector<std::size_t> pending{0};
    std::vector<std::string> entries;
    while (!pending.empty()) {
      const std::size_t at = pending.back();
      pending.pop_back();
      const std::string folder = folders[at].Name;
      const std::string folderRel = folders[at].Rel;
      FileIdentity listed;
      if (const platform::Status s = Env.ListFolder(folder, &entries, &listed); !s.ok())
        RaiseFileError(SErrorReadingFolder, folder, s);
      // Swapped for a link (or another folder) since it was looked at.
      if (listed != folders[at].Status.Identity) throw Exception(Format(SSourceReplaced, {folder}));
      for (const std::string& entry : entries) {
        const std::string name = JoinName(folder, entry);
        const std::string rel = folderRel.empty() ? entry : folderRel + delimiter + entry;
        FileStatus st;
        if (const platform::Status s = Env.GetStatus(name, false, &st); !s.ok()) {
          if (platform::IsMissingError(s.code())) continue;  // gone meanwhile
          RaiseFileError(SErrorReadingName, name, s);
        }
        bool linked = false;
        if (st.Kind == platform::fkLink) {
          if (!Options.FollowLinks) {
            Note(rel, name, srLink);
            continue;
          }
          if (const platform::Status s = Env.GetStatus(name, true, &st); !s.ok()) {
            if (s.code() == platform::ErrorLinkLoop()) {
              Note(rel, name, srLinkLoop);
            } else if (platform::IsMissingError(s.code())) {
              Note(rel, name, srBrokenLink);
            } else {
              RaiseFileError(SErrorReadingName, name, s);
            }
            continue;
          }
          linked = true;
        }
        switch (st.Kind) {
          case platform::fkFolder: {
            bool loop = false;
            for (std::size_t up = at; up != kNone && !loop; up = folders[up].Parent)
              loop = folders[up].Status.Identity == st.Identity;
            if (loop) {
              Note(rel, name, srLinkLoop);
              break;
            }
            folders.push_back(TFolder{name, rel, st, at});
            pending.push_back(folders.size() - 1);
            Plan.SourceFolders.emplace(st.Identity, name);
            if (linked) Plan.LinkedFolders.emplace_back(name, st.Identity);
            FolderRels.emplace(rel, st);
            break;
          }
          case platform::fkRegular: {
            Plan.SourceFiles.emplace(st.Identity, name);
            const bool matched = Matches(entry);
            if (!matched && !Options.CopyOthers) {
              ++Plan.Unmatched;
              break;
            }
            TTreeFile file;
            file.Source = name;
            file.Target = JoinName(Target, rel);
            file.Action = matched ? taCompact : taCopy;
            file.Identity = st.Identity;
            file.Name = entry;
            Files.push_back({rel, std::move(file)});
            break;
          }
          default:
            Note(rel, name, srSpecial);
            break;
        }
      }
    }
  }

  // Sorts what the walk found by path and adds it to the plan, with the
  // folders its files need under Target, the plan's folder Top.
  void Finish(const std::string& Target, std::size_t Top) {
    auto byRel = [](const auto& A, const auto& B) { return A.first < B.first; };
    std::sort(Files.begin(), Files.end(), byRel);
    std::sort(Notes.begin(), Notes.end(), byRel);
    std::set<std::string> needed;
    if (Options.CopyOthers)
      for (const auto& folder : FolderRels) needed.insert(folder.first);
    const char delimiter = platform::PathDelimiter();
    for (const auto& file : Files)
      for (std::size_t cut = file.first.find(delimiter); cut != std::string::npos;
           cut = file.first.find(delimiter, cut + 1))
        needed.insert(file.first.substr(0, cut));
    // A folder sorts before everything inside it.
    std::map<std::string, std::size_t> index;
    for (const std::string& rel : needed) {
      index.emplace(rel, Plan.Folders.size());
      Plan.Folders.push_back(JoinName(Target, rel));
      Plan.FolderSources.push_back(FolderRels.at(rel));
    }
    for (auto& file : Files) {
      const std::size_t cut = file.first.rfind(delimiter);
      file.second.Folder = cut == std::string::npos ? Top : index.at(file.first.substr(0, cut));
      Plan.Files.push_back(std::move(file.second));
    }
    for (auto& note : Notes) Plan.Notes.push_back(std::move(note.second));
  }
};

}  // namespace

const std::vector<std::string>& DefaultPatterns() {
  static const std::vector<std::string> patterns{"*.htm", "*.html", "*.asp"};
  return patterns;
}

bool MatchGlob(const std::string& Glob, const std::string& Name) {
  std::size_t g = 0;
  std::size_t n = 0;
  std::size_t starG = kNone;  // the element after the last star
  std::size_t starN = 0;      // where that star's run ends for now
  while (n < Name.size()) {
    if (g < Glob.size() && Glob[g] == '*') {
      starG = ++g;
      starN = n;
      continue;
    }
    std::size_t next = 0;
    if (g < Glob.size() && MatchOne(Glob, g, static_cast<unsigned char>(Name[n]), &next)) {
      g = next;
      ++n;
      continue;
    }
    if (starG == kNone) return false;
    // Let the last star take one more byte and try again after it.
    g = starG;
    n = ++starN;
  }
  while (g < Glob.size() && Glob[g] == '*') ++g;
  return g == Glob.size();
}

std::string GlobProblem(const std::string& Glob) {
  if (Glob.empty()) return "GLOB must not be empty";
  if (std::any_of(Glob.begin(), Glob.end(), IsDelimiter))
    return "GLOB is matched against file names and must not contain a path delimiter: " + Glob;
  return {};
}

std::string JoinName(const std::string& Folder, const std::string& Name) {
  if (Folder.empty()) return Name;
  if (Name.empty()) return Folder;
  if (IsDelimiter(Folder.back())) return Folder + Name;
  return Folder + platform::PathDelimiter() + Name;
}

std::string SourceBaseName(const std::string& Source, FileEnv& Env) {
  std::vector<std::string> parts = Components(Source);
  std::string last = parts.back();
#ifdef _WIN32
  // "C:Web" is the folder Web of drive C's current folder.
  if (parts.size() == 1 && last.size() > 2 && last[1] == ':') last = last.substr(2);
#endif
  const bool root = parts.size() == 1 && (last.empty() || (last.size() == 2 && last[1] == ':'));
  if (last != "." && last != ".." && !root) return last;
  parts = Components(RealNameOf(Source, Env));
  if (parts.size() <= 1) return {};
  return parts.back();
}

TTreePlan PlanTree(const TTreeOptions& Options, FileEnv& Env) {
  TTreePlan plan;
  const std::vector<std::string>& patterns =
      Options.Patterns.empty() ? DefaultPatterns() : Options.Patterns;

  // Every source must be a folder (a link to one is followed: the user
  // named it), and with several sources each gets a name of its own.
  std::vector<FileStatus> roots;
  std::vector<std::string> targets;
  const bool several = Options.Sources.size() > 1;
  for (const std::string& source : Options.Sources) {
    FileStatus st;
    if (const platform::Status s = Env.GetStatus(source, true, &st); !s.ok())
      RaiseFileError(SErrorReadingFolder, source, s);
    if (st.Kind != platform::fkFolder) throw Exception(Format(SSourceNotFolder, {source}));
    roots.push_back(st);
    if (!several) {
      targets.push_back(Options.Destination);
      continue;
    }
    const std::string base = SourceBaseName(source, Env);
    if (base.empty()) throw Exception(Format(SSourceWithoutName, {source}));
    const std::string target = JoinName(Options.Destination, base);
    for (std::size_t i = 0; i < targets.size(); ++i)
      if (platform::SameFolderName(targets[i], target))
        throw Exception(Format(SSameBaseName, {Options.Sources[i], source, target}));
    targets.push_back(target);
  }

  // The destination mirrors the one source tree, or holds several.
  plan.Folders.push_back(Options.Destination);
  plan.FolderSources.push_back(several ? std::nullopt : std::optional<FileStatus>(roots[0]));
  for (std::size_t i = 0; i < Options.Sources.size(); ++i) {
    TSourceWalk walk{Options, patterns, Env, plan, {}, {}, {}};
    walk.Walk(Options.Sources[i], roots[i], targets[i]);
    if (several) {
      plan.Folders.push_back(targets[i]);
      plan.FolderSources.push_back(roots[i]);
    }
    walk.Finish(targets[i], plan.Folders.size() - 1);
  }
  return plan;
}

std::string CheckTree(const TTreeOptions& Options, const TTreePlan& Plan, FileEnv& Env) {
  const std::string& dest = Options.Destination;
  if (dest.empty()) return SDestinationEmpty;

  // The destination may not exist yet: resolve the nearest folder above
  // it that does, and add the rest by text.
  std::vector<std::string> parts = Components(dest);
  std::vector<std::string> rest;
  FileStatus st;
  std::string existing = dest;
  for (platform::Status s; !(s = Env.GetStatus(existing, true, &st)).ok();) {
    if (!platform::IsMissingError(s.code())) RaiseFileError(SErrorReadingName, existing, s);
    if (parts.size() <= 1) {
      // A relative name whose first component is missing lies in the
      // current folder; a missing root is an error.
      const bool absolute = parts[0].empty() || parts[0].back() == ':';
      if (absolute || existing == kHere) RaiseFileError(SErrorReadingName, existing, s);
      rest.insert(rest.begin(), parts.begin(), parts.end());
      parts.assign(1, kHere);
      existing = kHere;
      continue;
    }
    rest.insert(rest.begin(), parts.back());
    parts.pop_back();
    existing = FromComponents(parts, parts.size());
  }
  if (st.Kind != platform::fkFolder) return Format(STargetNotFolder, {existing});
  const bool destExists = rest.empty();
  const FileIdentity destId = st.Identity;
  const std::string existingReal = RealNameOf(existing, Env);
  std::vector<std::string> destReal = Components(existingReal);
  destReal.insert(destReal.end(), rest.begin(), rest.end());
  destReal = Normalised(destReal);
  const std::set<FileIdentity> destChain = Chain(existingReal, Env);
  // Where the destination lies in its file system, for sources that are
  // the same folders mounted elsewhere.
  std::optional<platform::FileSystemPlace> destPlace = platform::PlaceInFileSystem(existingReal);
  if (destPlace)
    for (const std::string& part : rest) {
      if (part == ".") continue;
      if (part == "..") {
        const std::size_t cut = destPlace->Path.find_last_of('/');
        destPlace->Path.erase(cut == 0 ? 1 : cut);
        continue;
      }
      destPlace->Path += (destPlace->Path.back() == '/' ? "" : "/") + part;
    }

  for (const std::string& source : Options.Sources) {
    const std::string sourceReal = RealNameOf(source, Env);
    const std::vector<std::string> srcReal = Components(sourceReal);
    // By place in the file system.
    if (destPlace)
      if (const auto place = platform::PlaceInFileSystem(sourceReal)) {
        if (*place == *destPlace) return SDestinationMustDiffer;
        if (platform::PlaceInside(*destPlace, *place))
          return Format(SDestinationInsideSource, {dest, source});
        if (platform::PlaceInside(*place, *destPlace))
          return Format(SDestinationHoldsSource, {source, dest});
      }
    // By text, on the real names.
    if (srcReal.size() == destReal.size() && SameComponents(srcReal, destReal, srcReal.size()))
      return SDestinationMustDiffer;
    if (Inside(destReal, srcReal)) return Format(SDestinationInsideSource, {dest, source});
    if (Inside(srcReal, destReal)) return Format(SDestinationHoldsSource, {source, dest});
    // By identity.
    FileStatus src;
    if (const platform::Status s = Env.GetStatus(source, true, &src); !s.ok())
      RaiseFileError(SErrorReadingFolder, source, s);
    if (destExists && src.Identity == destId) return SDestinationMustDiffer;
    if (destChain.count(src.Identity) != 0) return Format(SDestinationInsideSource, {dest, source});
    if (destExists && Chain(sourceReal, Env).count(destId) != 0)
      return Format(SDestinationHoldsSource, {source, dest});
  }

  // Folders the walk reached through links may lie elsewhere.
  for (const FileIdentity& id : destChain) {
    auto it = Plan.SourceFolders.find(id);
    if (it == Plan.SourceFolders.end()) continue;
    if (destExists && id == destId) return Format(SDestinationFolderIsSource, {dest, it->second});
    return Format(SDestinationInsideSource, {dest, it->second});
  }
  if (destExists)
    for (const auto& [name, id] : Plan.LinkedFolders)
      if (Chain(RealNameOf(name, Env), Env).count(destId) != 0)
        return Format(SDestinationHoldsSource, {name, dest});

  // A destination folder that is already there must not be one of the
  // source folders under another name (a link in the destination tree).
  for (const std::string& folder : Plan.Folders) {
    FileStatus f;
    if (const platform::Status s = Env.GetStatus(folder, true, &f); !s.ok()) {
      if (platform::IsMissingError(s.code())) continue;
      RaiseFileError(SErrorReadingName, folder, s);
    }
    if (f.Kind != platform::fkFolder) return Format(STargetNotFolder, {folder});
    auto it = Plan.SourceFolders.find(f.Identity);
    if (it != Plan.SourceFolders.end())
      return Format(SDestinationFolderIsSource, {folder, it->second});
  }
  return {};
}
