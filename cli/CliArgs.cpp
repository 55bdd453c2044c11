#include "cli/CliArgs.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <sstream>
#include <thread>

#include "about/VersionInfo.h"
#include "app/SourceList.h"
#include "cli/CliOutput.h"
#include "cli/NameClash.h"
#include "cli/TerminalText.h"

std::optional<int> ParseCliArgs(int argc, const char* const* argv, TCliArgs& Args, std::FILE* Out,
                                std::FILE* Err) {
  CLI::App app{std::string("Compacts HTML and ASP documents: joins lines, shrinks runs of blanks, drops\n"
                           "empty comments; PRE, SCRIPT and ASP regions and quoted values stay as they are.\n"
                           "\n  ") +
                   kProgramName + " [-q] [--safe|--best [--keep-...]... [--css FILE]...] -d DIR FILE...\n  " +
                   kProgramName +
                   " [-q] [--safe|--best ...] -r [-j N] [--match GLOB]... [--copy-others] [--follow]\n"
                   "      [--preserve] -d DIR SRC_DIR...\n  " +
                   kProgramName + " [--safe|--best ... [--base DIR]] [-] < IN > OUT\n",
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
      "Three modes. The default mode applies the program's fixed rules, the same as the\n"
      "window's: fast and small, but blind to how browsers read a page, so it can glue\n"
      "words, flatten <pre class=...> listings and change ASP code that holds a \">\".\n"
      "--safe reads the page as a browser does and changes nothing it shows: server code\n"
      "(<% ... %>, <?php ... ?>, anywhere), PRE/TEXTAREA/SCRIPT/STYLE contents, elements\n"
      "that the page's style sheets give white-space: pre and the like, and quoted values\n"
      "stay byte for byte, and a line break becomes a blank except between block tags.\n"
      "It reads the page's STYLE elements and the local sheets it links (from the page's\n"
      "folder; for standard input from --base DIR or the current folder) and names on\n"
      "standard error those it cannot read. --best does all that safe mode does and more,\n"
      "still without changing what the page shows or what its server code does: it drops\n"
      "comments (not conditional ones, server-side includes, those holding server code or\n"
      "starting with <!--!), minifies scripts, JSON data, style sheets and style attributes,\n"
      "drops attribute quotes where a browser needs none, attributes that say the default\n"
      "(type=text/javascript, method=get, ...; not where a selector tests them), the values\n"
      "of boolean attributes, needless character references, end and start tags that the\n"
      "browser puts back by itself in the same place (</p>, </li>, </td>, <tbody> ...), and\n"
      "shortens a DOCTYPE that already asks for standards mode to <!doctype html>. Each\n"
      "--keep-... option leaves one of these out. Pick --best for pages you publish, --safe\n"
      "to keep their source readable, the default when you need its exact output.\n"
      "\n"
      "Exit status: 0 success, 1 the run failed, 2 wrong command line, 130 interrupted.");
  CLI::Option* destination =
      app.add_option("-d,--destination", Args.Destination, "Folder that receives the copies")
          ->type_name("DIR");
  app.add_flag("-q,--quiet", Args.Quiet, "Print nothing on success");
  app.add_flag("--safe", Args.Safe,
               "Safe mode: never change what a browser shows or what ASP code does");
  app.add_flag("--best", Args.Best,
               "Best mode: safe mode and every reduction below, for the smallest page that a\n"
               "browser still shows exactly as the original");
  // The reductions best mode can leave out, one flag each.
  const struct {
    const char* Flag;
    bool TBestKeep::*Field;
    const char* Help;
  } keeps[] = {
      {"--keep-comments", &TBestKeep::Comments, "With --best: keep comments"},
      {"--keep-optional-tags", &TBestKeep::OptionalTags,
       "With --best: keep the start and end tags that HTML lets a page leave out\n(</p>, </li>, </td>, <tbody>, </body> ...)"},
      {"--keep-quotes", &TBestKeep::Quotes, "With --best: keep the quotes of attribute values"},
      {"--keep-attributes", &TBestKeep::Attributes,
       "With --best: keep attributes that say the default, boolean attributes'\nvalues, and the \"/\" of <br />"},
      {"--keep-css", &TBestKeep::Css, "With --best: leave style sheets and style attributes as written"},
      {"--keep-js", &TBestKeep::Js, "With --best: leave scripts and JSON data blocks as written"},
      {"--keep-entities", &TBestKeep::Entities, "With --best: leave character references as written"},
      {"--keep-doctype", &TBestKeep::Doctype, "With --best: leave the DOCTYPE as written"},
      {"--keep-block-space", &TBestKeep::BlockSpace,
       "With --best: keep the white space at the edges of blocks (</div> <div>,\n<p> text) that no style sheet makes inline"},
  };
  for (const auto& k : keeps) app.add_flag(k.Flag, Args.Keep.*(k.Field), k.Help);
  app.add_option("--css", Args.Css,
                 "With --safe or --best: a style sheet to read for every page besides its own\n"
                 "(may be given several times)")
      ->type_name("FILE")
      ->allow_extra_args(false);
  CLI::Option* base =
      app.add_option("--base", Args.Base,
                     "With --safe or --best, for standard input: the folder that the page's\n"
                     "relative style sheet addresses start from (default: the current folder)")
          ->type_name("DIR");
  app.set_version_flag(
      "--version",
      [] { return VersionLine(ProgramVersion().Text); },
      "Print the program's version and exit");
  app.add_flag("-r,--recursive", Args.Recursive,
               "Compact the folder trees of SRC_DIRs (given in place of FILEs)");
  app.add_option("--match", Args.Matches,
                 "With -r: compact the files whose names match GLOB; may be given several\n"
                 "times; replaces *.htm *.html *.asp")
      ->type_name("GLOB")
      ->allow_extra_args(false)
      ->take_all();
  app.add_flag("--copy-others", Args.CopyOthers,
               "With -r: copy the files that match no pattern, byte for byte");
  app.add_flag("--follow", Args.Follow, "With -r: follow symbolic links to files and folders");
  app.add_flag("--preserve", Args.Preserve,
               "With -r: keep the sources' permission bits as they are (not less the umask)\n"
               "and their modification times; owners are not kept");
  CLI::Option* jobs =
      app.add_option("-j,--jobs", Args.Jobs,
                     "With -r: files compacted side by side (default: the number of cores)")
          ->type_name("N")
          ->check(CLI::Range(1u, 1024u));
  app.add_option("FILE", Args.Files, "HTML or ASP file to compact (with -r: SRC_DIR)")
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
  Args.HasDestination = destination->count() > 0;
  Args.HasJobs = jobs->count() > 0;
  Args.HasBase = base->count() > 0;
  return std::nullopt;
}

bool IsStdinMode(const TCliArgs& Args) {
  return Args.Files.empty() || (Args.Files.size() == 1 && Args.Files[0] == "-");
}

std::string UsageProblem(const TCliArgs& Args) {
  if (Args.Safe && Args.Best) return "--safe and --best are two modes: give one";
  if (!Args.Safe && !Args.Best && (!Args.Css.empty() || Args.HasBase))
    return Args.HasBase ? "--base needs --safe or --best" : "--css needs --safe or --best";
  const TBestKeep& k = Args.Keep;
  if (!Args.Best && (k.Comments || k.OptionalTags || k.Quotes || k.Attributes || k.Css || k.Js || k.Entities ||
                     k.Doctype || k.BlockSpace))
    return "--keep-... options need --best";
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

std::string TreeUsageProblem(const TCliArgs& Args) {
  if (Args.Files.empty()) return "-r needs at least one SRC_DIR";
  for (const std::string& source : Args.Files) {
    if (source.empty()) return "SRC_DIR must not be empty";
    if (source == "-") return "'-' (standard input) cannot be combined with -r";
  }
  if (!Args.HasDestination) return "-r needs a destination folder: -d DIR";
  for (const std::string& glob : Args.Matches)
    if (std::string problem = GlobProblem(glob); !problem.empty()) return problem;
  return {};
}

std::string TreeOptionsWithoutTree(const TCliArgs& Args) {
  if (!Args.Matches.empty()) return "--match needs -r";
  if (Args.CopyOthers) return "--copy-others needs -r";
  if (Args.Follow) return "--follow needs -r";
  if (Args.Preserve) return "--preserve needs -r";
  if (Args.HasJobs) return "-j needs -r";
  return {};
}

TCompactOptions CompactOptionsFrom(const TCliArgs& Args) {
  TCompactOptions Options;
  Options.Level = Args.Best   ? TCompactLevel::clBest
                  : Args.Safe ? TCompactLevel::clSafe
                              : TCompactLevel::clDefault;
  Options.BestKeep = Args.Keep;
  Options.ExtraSheets = Args.Css;
  Options.BaseFolder = Args.Base;
  Options.Notes = Args.Notes;
  // Every page of the run that links a sheet file reads it once.
  Options.SheetCache = std::make_shared<TStyleSheetCache>();
  return Options;
}

unsigned DefaultJobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? cores : 1;
}

TTreeOptions TreeOptionsFrom(const TCliArgs& Args) {
  TTreeOptions options;
  options.Sources = Args.Files;
  options.Destination = Args.Destination;
  options.Patterns = Args.Matches;
  options.CopyOthers = Args.CopyOthers;
  options.FollowLinks = Args.Follow;
  options.Preserve = Args.Preserve;
  options.Jobs = Args.HasJobs ? Args.Jobs : DefaultJobs();
  options.Compaction = CompactOptionsFrom(Args);
  return options;
}
