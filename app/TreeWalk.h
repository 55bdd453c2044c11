#pragma once

// Folder trees: which files of one or more source folders are compacted or
// copied, where each one goes in the destination folder, and what a tree
// run refuses before it writes anything.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "compact/CompactHTML.h"
#include "platform/FileEnv.h"
#include "platform/FileIdentity.h"

// What a tree run is asked to do.
struct TTreeOptions {
  std::vector<std::string> Sources;   // the source folders, as given
  std::string Destination;            // the folder that receives the tree
  std::vector<std::string> Patterns;  // file-name patterns; empty: DefaultPatterns()
  bool CopyOthers = false;            // copy files that match no pattern
  bool FollowLinks = false;           // follow symbolic links to files and folders
  // Give written files and created folders the sources' permission bits as
  // they are and their modification times. Without it they get the
  // permission bits less the file-creation mask, as cp gives them, and the
  // time of writing.
  bool Preserve = false;
  unsigned Jobs = 1;                  // files worked on side by side
  // When set and true, no new file is begun (an interrupt from the user);
  // the files in hand are finished.
  const std::atomic<bool>* Cancel = nullptr;
  // The compaction's own options: every worker hands them on to the filter.
  TCompactOptions Compaction;
  // The file services every file and folder goes through; null: the
  // system's (platform::FileEnv::Default()).
  platform::FileEnv* Env = nullptr;

  platform::FileEnv& FileServices() const { return Env != nullptr ? *Env : *platform::FileEnv::Default(); }
};

// "*.htm", "*.html", "*.asp": the window's source patterns.
const std::vector<std::string>& DefaultPatterns();

// True when Name matches the shell pattern Glob, ASCII letter case ignored:
// '*' stands for any run of bytes, '?' for one byte, "[...]" for one byte
// of a set ("[a-z]" ranges, a leading '!' or '^' negates), '\' makes the
// next byte plain. A '[' without its ']' is a plain byte. Takes at most
// Name's length times Glob's length steps (no backtracking beyond the
// last star).
bool MatchGlob(const std::string& Glob, const std::string& Name);

// What is wrong with Glob as a --match pattern, or an empty text: it must
// not be empty, and it is matched against file names, so it holds no path
// delimiter.
std::string GlobProblem(const std::string& Glob);

enum TTreeAction : std::uint8_t {
  taCompact,  // compacted into its destination
  taCopy,     // copied byte for byte
};

// One file of a plan.
struct TTreeFile {
  std::string Source;  // source folder as given + relative path
  std::string Target;  // destination folder + mapped relative path
  TTreeAction Action = taCompact;
  // What the walk found under Source (links followed with FollowLinks):
  // the run works on this file only.
  platform::FileIdentity Identity;
  std::size_t Folder = 0;  // the plan's destination folder it goes into
  std::string Name;        // its name in there
};

enum TSkipReason : std::uint8_t {
  srLink,        // a symbolic link, not followed
  srLinkLoop,    // a link that leads back into a folder on its own way
  srBrokenLink,  // a link to nothing
  srSpecial,     // a FIFO, socket or device
};

// A name of the trees that the run leaves alone, with a note.
struct TTreeNote {
  std::string Source;
  TSkipReason Reason = srLink;
};

// The outcome of walking the source trees, before anything is written.
struct TTreePlan {
  std::vector<std::string> Folders;  // destination folders, parents first
  // For each of Folders, the source folder it mirrors, as the walk found
  // it (nothing for a destination that holds several source trees).
  std::vector<std::optional<platform::FileStatus>> FolderSources;
  std::vector<TTreeFile> Files;      // in output order
  std::vector<TTreeNote> Notes;      // in output order
  std::size_t Unmatched = 0;         // files that match no pattern, not copied
  // Every regular file seen, with the name the walk first reached it by.
  std::map<platform::FileIdentity, std::string> SourceFiles;
  // Every folder walked, with the name the walk first reached it by.
  std::map<platform::FileIdentity, std::string> SourceFolders;
  // Folders reached through a link (with FollowLinks), with their names.
  std::vector<std::pair<std::string, platform::FileIdentity>> LinkedFolders;
};

// Messages of tree runs.
inline constexpr char SErrorReadingFolder[] = "Error reading folder \"%s\" - %s";
inline constexpr char SErrorReadingName[] = "Error reading \"%s\" - %s";
inline constexpr char SErrorCreatingFolder[] = "Error creating folder \"%s\" - %s";
inline constexpr char SErrorRenaming[] = "Error renaming \"%s\" to \"%s\" - %s";
inline constexpr char SSourceNotFolder[] = "Source \"%s\" is not a folder";
inline constexpr char SSourceWithoutName[] =
    "Source \"%s\" has no folder name to write its tree under";
inline constexpr char SSameBaseName[] =
    "Sources \"%s\" and \"%s\" would both be written to \"%s\"";
inline constexpr char SDestinationInsideSource[] =
    "Destination path must not lie inside a source folder: \"%s\" is inside \"%s\"";
inline constexpr char SDestinationHoldsSource[] =
    "Destination path must not hold a source folder: \"%s\" is inside \"%s\"";
inline constexpr char SDestinationFolderIsSource[] =
    "Destination folder \"%s\" is the source folder \"%s\" under another name";
inline constexpr char STargetNotFolder[] = "Destination \"%s\" exists and is not a folder";
inline constexpr char SSourceReplaced[] =
    "Source \"%s\" changed while the run was working: it is no longer the file or folder that "
    "the walk found";
inline constexpr char SDestinationReplaced[] =
    "Destination folder \"%s\" changed while the run was working: it is no longer the folder "
    "that the run created or found";

// Folder + the platform's delimiter + Name; no second delimiter when
// Folder already ends with one.
std::string JoinName(const std::string& Folder, const std::string& Name);

// The name a source folder's tree goes under when several sources are
// given: its last component, or, for "." and "..", that of its real name.
// Empty for a root.
std::string SourceBaseName(const std::string& Source, platform::FileEnv& Env);

// Walks every source of Options and plans the run: the files to compact or
// copy, sorted by path within each source (sources in the order given),
// the destination folders they need (with CopyOthers every source folder,
// empty ones too), and the names it skips. Raises Exception when a source
// is no folder, a folder cannot be read or a name cannot be looked at, or
// when two sources would go under the same name.
TTreePlan PlanTree(const TTreeOptions& Options, platform::FileEnv& Env);

// The refusal of a run that would write into a source, or an empty text:
// the destination must not be a source folder, lie inside one or hold one
// (compared by the real names as texts, by the identities of the folders,
// so that links, ".." and other spellings are seen through, and by their
// places in their file systems, so that bind mounts are), and no
// destination folder that exists may be a folder of the source trees.
std::string CheckTree(const TTreeOptions& Options, const TTreePlan& Plan, platform::FileEnv& Env);
