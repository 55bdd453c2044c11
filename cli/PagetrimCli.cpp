#include "cli/PagetrimCli.h"

#include <string>

#ifdef _WIN32
#include <io.h>
#define PAGETRIM_ISATTY _isatty
#define PAGETRIM_FILENO _fileno
#else
#include <unistd.h>
#define PAGETRIM_ISATTY isatty
#define PAGETRIM_FILENO fileno
#endif

#include "cli/CliArgs.h"
#include "cli/CliOutput.h"
#include "cli/FlatCommand.h"
#include "cli/TreeCommand.h"

int RunCli(int argc, const char* const* argv, std::FILE* In, std::FILE* Out, std::FILE* Err) {
  TCliArgs args;
  if (const std::optional<int> status = ParseCliArgs(argc, argv, args, Out, Err)) return *status;
  if (const std::string problem = UsageProblem(args); !problem.empty()) {
    std::fputs(UsageText(problem).c_str(), Err);
    return kExitUsage;
  }
  const bool errIsTerminal = PAGETRIM_ISATTY(PAGETRIM_FILENO(Err)) != 0;
  TCliSheetNotes notes(Err, errIsTerminal);
  if (!args.Quiet) args.Notes = &notes;
  if (args.Recursive) return RunTreeCommand(args, Out, Err, errIsTerminal);
  return RunFlatCommand(args, In, Out, Err, errIsTerminal);
}
