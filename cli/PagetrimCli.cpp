#include "cli/PagetrimCli.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <sstream>

#ifdef _WIN32
#include <io.h>
#define PAGETRIM_ISATTY _isatty
#define PAGETRIM_FILENO _fileno
#else
#include <unistd.h>
#define PAGETRIM_ISATTY isatty
#define PAGETRIM_FILENO fileno
#endif

#include "about/VersionInfo.h"
#include "app/BatchRun.h"
#include "app/ErrorReport.h"
#include "app/SourceList.h"
#include "cli/NameClash.h"
#include "cli/StdioStream.h"
#include "cli/TerminalText.h"
#include "cli/TreeCli.h"
#include "compact/CompactHTML.h"
#include "streams/Utils.h"

namespace {

constexpr char kProgramName[] = "pagetrim-cli";
constexpr char kUsageHint[] = "Run with --help for more information.";
// Carriage return and "erase to end of line": rewinds the progress line.
constexpr char kEraseLine[] = "\r\x1b[K";

// Prints the batch run's results and, on a terminal, its progress.
class TCliHost : public TBatchHost {
public:
  TCliHost(std::FILE* Out, std::FILE* Err, const std::vector<std::string>& Files, bool Quiet,
           bool Progress)
      : FOut(Out), FErr(Err), FFiles(Files), FQuiet(Quiet), FProgress(Progress) {}

  void FileStarting(const std::string& Source) override {
    ++FStarted;
    if (!FProgress) return;
    std::fputs(kEraseLine, FErr);
    std::fputs(ProgressText(FStarted, FFiles.size(), Source).c_str(), FErr);
    std::fflush(FErr);
    FProgressShown = true;
  }

  void ErrorBox(const std::string& Text) override { FRefusal = Text; }

  void FileDone(const std::string& Source, std::int64_t BytesIn, std::int64_t BytesOut) override {
    ++FDone;
    FBytesIn += BytesIn;
    FBytesOut += BytesOut;
    if (FQuiet) return;
    ClearProgress();
    std::fputs((SizeLine(Source, BytesIn, BytesOut) + '\n').c_str(), FOut);
    std::fflush(FOut);
  }

  void ClearProgress() {
    if (!FProgressShown) return;
    std::fputs(kEraseLine, FErr);
    std::fflush(FErr);
    FProgressShown = false;
  }

  const std::string& Refusal() const { return FRefusal; }
  std::size_t Done() const { return FDone; }
  std::int64_t BytesIn() const { return FBytesIn; }
  std::int64_t BytesOut() const { return FBytesOut; }

private:
  std::FILE* FOut;
  std::FILE* FErr;
  const std::vector<std::string>& FFiles;
  bool FQuiet;
  bool FProgress;
  bool FProgressShown = false;
  std::size_t FStarted = 0;
  std::size_t FDone = 0;
  std::int64_t FBytesIn = 0;
  std::int64_t FBytesOut = 0;
  std::string FRefusal;
};

std::string SystemText(int Code) { return std::strerror(Code); }

// Reads In to its end, compacts it and writes the result to Out. The
// filter reads In as it arrives and writes its result with one write: the
// result is the only copy of the document held.
void CompactStandardStreams(std::FILE* In, std::FILE* Out, const TCompactOptions& Options) {
  TStdioStream input(In, TStdioStream::sdRead);
  TStdioStream output(Out, TStdioStream::sdWrite);
  CompactHTML(input, output, Options);
  output.Flush();
}

int UsageError(std::FILE* Err, const std::string& Text) {
  std::fputs((std::string(kProgramName) + ": " + EscapedText(Text) + '\n' + kUsageHint + '\n').c_str(),
             Err);
  return kExitUsage;
}

}  // namespace

TCompactOptions CompactOptionsFrom(const TCliArgs& Args) {
  TCompactOptions Options;
  Options.Level = Args.Safe ? TCompactLevel::clSafe : TCompactLevel::clDefault;
  Options.ExtraSheets = Args.Css;
  Options.BaseFolder = Args.Base;
  Options.Notes = Args.Notes;
  // Every page of the run that links a sheet file reads it once.
  Options.SheetCache = std::make_shared<TStyleSheetCache>();
  return Options;
}

struct TCliSheetNotes::TState {
  std::FILE* Err;
  bool Terminal;
  std::mutex Lock;
  std::set<std::string> Told;
};

TCliSheetNotes::TCliSheetNotes(std::FILE* Err, bool ErrIsTerminal) : FState(new TState{Err, ErrIsTerminal, {}, {}}) {}

TCliSheetNotes::~TCliSheetNotes() { delete FState; }

void TCliSheetNotes::NotRead(const std::string& Sheet, const std::string& Reason) {
  const std::lock_guard<std::mutex> Hold(FState->Lock);
  if (!FState->Told.insert(Sheet).second) return;
  // On a terminal the note takes the progress line's place.
  const std::string Line = std::string(FState->Terminal ? kEraseLine : "") + kProgramName +
                           ": style sheet not read: " + QuotedName(Sheet) + " (" + EscapedText(Reason) + ")\n";
  std::fputs(Line.c_str(), FState->Err);
  std::fflush(FState->Err);
}

bool IsStdinMode(const TCliArgs& Args) {
  return Args.Files.empty() || (Args.Files.size() == 1 && Args.Files[0] == "-");
}

std::string UsageProblem(const TCliArgs& Args) {
  if (!Args.Safe && (!Args.Css.empty() || Args.HasBase)) return Args.HasBase ? "--base needs --safe" : "--css needs --safe";
  if (Args.HasBase && (Args.Recursive || !IsStdinMode(Args)))
    return "--base is for standard input (files and trees start from each page's own folder)";
  if (Args.Recursive) return TreeUsageProblem(Args);
  if (std::string problem = TreeOptionsWithoutTree(Args); !problem.empty()) return problem;
  if (IsStdinMode(Args)) {
    if (Args.HasDestination) return "-d DIR needs at least one FILE";
    return {};
  }
  for (const std::string& file : Args.Files) {
    if (file.empty()) return "FILE must not be empty";
    if (file == "-") return "'-' (standard input) cannot be combined with other FILEs";
    if (!TSourceList::CanHold(file)) return "FILE must not contain '|': " + file;
  }
  if (!Args.HasDestination) return "FILE arguments need a destination folder: -d DIR";
  if (const auto clash = FindNameClash(Args.Files))
    return "FILEs " + Args.Files[clash->first] + " and " + Args.Files[clash->second] +
           " have the same file name: one copy would replace the other";
  return {};
}

std::string SizeChangeText(std::int64_t BytesIn, std::int64_t BytesOut) {
  const std::int64_t diff = BytesOut >= BytesIn ? BytesOut - BytesIn : BytesIn - BytesOut;
  if (diff == 0) return "0.0%";
  const char sign = BytesOut < BytesIn ? '-' : '+';
  // Tenths of a percent, rounded half up; growth from nothing counts
  // against one byte.
  const std::int64_t base = BytesIn > 0 ? BytesIn : 1;
  const std::int64_t tenths = (diff * 2000 + base) / (2 * base);
  return sign + std::to_string(tenths / 10) + '.' + std::to_string(tenths % 10) + '%';
}

std::string SizeLine(const std::string& Name, std::int64_t BytesIn, std::int64_t BytesOut) {
  return QuotedName(Name) + ": " + std::to_string(BytesIn) + " -> " + std::to_string(BytesOut) + " bytes (" +
         SizeChangeText(BytesIn, BytesOut) + ')';
}

std::string TotalLine(std::size_t Files, std::int64_t BytesIn, std::int64_t BytesOut) {
  return "Total: " + std::to_string(Files) + (Files == 1 ? " file, " : " files, ") +
         std::to_string(BytesIn) + " -> " + std::to_string(BytesOut) + " bytes (" +
         SizeChangeText(BytesIn, BytesOut) + ')';
}

std::string ProgressText(std::size_t Index, std::size_t Count, const std::string& Name) {
  return '[' + std::to_string(Index) + '/' + std::to_string(Count) + "] " + QuotedName(Name);
}

bool WantProgress(const TCliArgs& Args, bool ErrIsTerminal) {
  return ErrIsTerminal && !Args.Quiet && Args.Files.size() > 1;
}

std::string VersionLine(const std::string& VersionText) {
  if (VersionText.empty()) return std::string(kProgramName) + " (no version information)";
  return std::string(kProgramName) + ' ' + VersionText;
}

std::string FailureText(const std::string& Message) {
  std::string text = ErrorReportText(Message);
  if (text.empty() || text.back() != '\n') text += '\n';
  return EscapedText(text);
}

int RunCli(int argc, const char* const* argv, std::FILE* In, std::FILE* Out, std::FILE* Err) {
  TCliArgs args;
  CLI::App app{std::string("Compacts HTML and ASP documents: joins lines, shrinks runs of blanks, drops\n"
                           "empty comments; PRE, SCRIPT and ASP regions and quoted values stay as they are.\n"
                           "\n  ") +
                   kProgramName + " [-q] [--safe [--css FILE]...] -d DIR FILE...\n  " + kProgramName +
                   " [-q] [--safe [--css FILE]...] -r [-j N] [--match GLOB]... [--copy-others] [--follow]\n"
                   "      [--preserve] -d DIR SRC_DIR...\n  " +
                   kProgramName + " [--safe [--css FILE]... [--base DIR]] [-] < IN > OUT\n",
               kProgramName};
  app.footer(
      "With FILEs, writes a compacted copy of each FILE under the same name into DIR, which\n"
      "must not be a FILE's own folder; stops at the first error. Without FILE, or with -,\n"
      "compacts standard input to standard output.\n"
      "\n"
      "With -r, compacts every page in the folder trees of SRC_DIRs (*.htm, *.html, *.asp,\n"
      "letter case ignored; --match replaces them) into DIR, keeping each file's path below\n"
      "its SRC_DIR; with several SRC_DIRs each tree goes under its folder's name. DIR must\n"
      "not be, lie in or hold a SRC_DIR. Links are skipped unless --follow is given; FIFOs\n"
      "and devices are skipped. Files are written under a temporary name and renamed when\n"
      "complete; the first error, or Ctrl-C, stops the run after the files in hand. Files\n"
      "and the folders the run creates get their sources' permission bits less the umask.\n"
      "\n"
      "Two modes. The default mode applies the program's fixed rules, the same as the\n"
      "window's: fast and small, but blind to how browsers read a page, so it can glue\n"
      "words, flatten <pre class=...> listings and change ASP code that holds a \">\".\n"
      "--safe reads the page as a browser does and changes nothing it shows: server code\n"
      "(<% ... %>, <?php ... ?>, anywhere), PRE/TEXTAREA/SCRIPT/STYLE contents, elements\n"
      "that the page's style sheets give white-space: pre and the like, and quoted values\n"
      "stay byte for byte, and a line break becomes a blank except between block tags.\n"
      "It reads the page's STYLE elements and the local sheets it links (from the page's\n"
      "folder; for standard input from --base DIR or the current folder) and names on\n"
      "standard error those it cannot read. Pick --safe for pages you publish; the\n"
      "default when you need its exact output.\n"
      "\n"
      "Exit status: 0 success, 1 the run failed, 2 wrong command line, 130 interrupted.");
  CLI::Option* destination =
      app.add_option("-d,--destination", args.Destination, "Folder that receives the copies")
          ->type_name("DIR");
  app.add_flag("-q,--quiet", args.Quiet, "Print nothing on success");
  app.add_flag("--safe", args.Safe,
               "Safe mode: never change what a browser shows or what ASP code does");
  app.add_option("--css", args.Css,
                 "With --safe: a style sheet to read for every page besides its own (may be given\n"
                 "several times)")
      ->type_name("FILE")
      ->allow_extra_args(false);
  CLI::Option* base =
      app.add_option("--base", args.Base,
                     "With --safe, for standard input: the folder that the page's relative style\n"
                     "sheet addresses start from (default: the current folder)")
          ->type_name("DIR");
  app.set_version_flag(
      "--version",
      [] {
        LoadProgramVersion();
        return VersionLine(ProgramVersionText);
      },
      "Print the program's version and exit");
  app.add_flag("-r,--recursive", args.Recursive,
               "Compact the folder trees of SRC_DIRs (given in place of FILEs)");
  app.add_option("--match", args.Matches,
                 "With -r: compact the files whose names match GLOB; may be given several\n"
                 "times; replaces *.htm *.html *.asp")
      ->type_name("GLOB")
      ->allow_extra_args(false)
      ->take_all();
  app.add_flag("--copy-others", args.CopyOthers,
               "With -r: copy the files that match no pattern, byte for byte");
  app.add_flag("--follow", args.Follow, "With -r: follow symbolic links to files and folders");
  app.add_flag("--preserve", args.Preserve,
               "With -r: keep the sources' permission bits as they are (not less the umask)\n"
               "and their modification times; owners are not kept");
  CLI::Option* jobs =
      app.add_option("-j,--jobs", args.Jobs,
                     "With -r: files compacted side by side (default: the number of cores)")
          ->type_name("N")
          ->check(CLI::Range(1u, 1024u));
  app.add_option("FILE", args.Files, "HTML or ASP file to compact (with -r: SRC_DIR)")
      ->type_name("");
  // Parse errors repeat the arguments: keep their control bytes off the terminal.
  app.failure_message([](const CLI::App* App, const CLI::Error& e) {
    const std::string what = e.what();
    return EscapedText(what) + CLI::FailureMessage::simple(App, e).substr(what.size());
  });

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = app.exit(e, out, err);
    std::fputs(out.str().c_str(), Out);
    std::fputs(err.str().c_str(), Err);
    std::fflush(Out);
    return code == 0 ? kExitSuccess : kExitUsage;
  }
  args.HasDestination = destination->count() > 0;
  args.HasJobs = jobs->count() > 0;
  args.HasBase = base->count() > 0;

  if (std::string problem = UsageProblem(args); !problem.empty()) return UsageError(Err, problem);

  const bool errIsTerminal = PAGETRIM_ISATTY(PAGETRIM_FILENO(Err)) != 0;
  TCliSheetNotes notes(Err, errIsTerminal);
  if (!args.Quiet) args.Notes = &notes;
  if (args.Recursive) return RunTreeCli(args, Out, Err, errIsTerminal);
  const bool progress = WantProgress(args, errIsTerminal);
  TCliHost host(Out, Err, args.Files, args.Quiet, progress);
  const TCompactOptions options = CompactOptionsFrom(args);
  try {
    if (IsStdinMode(args)) {
      CompactStandardStreams(In, Out, options);
      return kExitSuccess;
    }
    RunBatch(TSourceList::FromFiles(args.Files)->Text(), args.Destination, host, options);
  } catch (const Exception& e) {
    host.ClearProgress();
    std::fputs(FailureText(e.Message()).c_str(), Err);
    return kExitFailure;
  } catch (const std::bad_alloc&) {
    host.ClearProgress();
    std::fputs(FailureText("Out of memory").c_str(), Err);
    return kExitFailure;
  }
  host.ClearProgress();
  if (!host.Refusal().empty()) {
    std::fputs(FailureText(host.Refusal()).c_str(), Err);
    return kExitFailure;
  }
  if (!args.Quiet) {
    std::fputs((TotalLine(host.Done(), host.BytesIn(), host.BytesOut()) + '\n').c_str(), Out);
  }
  if (std::fflush(Out) != 0 || std::ferror(Out)) {
    std::fputs(FailureText(Format(SErrorWriting, {SystemText(errno)})).c_str(), Err);
    return kExitFailure;
  }
  return kExitSuccess;
}
