#include "cli/CliOutput.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>

#include "app/ErrorReport.h"
#include "cli/TerminalText.h"
#include "streams/Streams.h"
#include "streams/Utils.h"

namespace {

// Carriage return and "erase to end of line": rewinds the progress line.
constexpr char kEraseLine[] = "\r\x1b[K";
constexpr char kUsageHint[] = "Run with --help for more information.";

const char* SkipReasonText(TSkipReason Reason) {
  switch (Reason) {
    case srLink:
      return "a symbolic link (--follow follows links)";
    case srLinkLoop:
      return "a link back into its own folder tree";
    case srBrokenLink:
      return "a link to nothing";
    case srSpecial:
      break;
  }
  return "not a regular file";
}

}  // namespace

std::string DisplayName(const std::string& Name) { return QuotedName(Name); }

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
  return DisplayName(Name) + ": " + std::to_string(BytesIn) + " -> " + std::to_string(BytesOut) + " bytes (" +
         SizeChangeText(BytesIn, BytesOut) + ')';
}

std::string TotalLine(std::size_t Files, std::int64_t BytesIn, std::int64_t BytesOut) {
  return "Total: " + std::to_string(Files) + (Files == 1 ? " file, " : " files, ") +
         std::to_string(BytesIn) + " -> " + std::to_string(BytesOut) + " bytes (" +
         SizeChangeText(BytesIn, BytesOut) + ')';
}

std::string ProgressText(std::size_t Index, std::size_t Count, const std::string& Name) {
  return '[' + std::to_string(Index) + '/' + std::to_string(Count) + "] " + DisplayName(Name);
}

std::string CopyLine(const std::string& Name, std::int64_t Bytes) {
  return Name + ": copied, " + std::to_string(Bytes) + (Bytes == 1 ? " byte" : " bytes");
}

std::string NoteLine(const TTreeNote& Note) {
  return DisplayName(Note.Source) + ": skipped, " + SkipReasonText(Note.Reason);
}

std::string TreeSummaryLine(const TTreeSummary& Summary) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", Summary.Seconds);
  return "Total: " + std::to_string(Summary.Compacted) +
         (Summary.Compacted == 1 ? " file compacted, " : " files compacted, ") +
         std::to_string(Summary.Copied) + " copied, " + std::to_string(Summary.Skipped) +
         " skipped; " + std::to_string(Summary.BytesIn) + " -> " +
         std::to_string(Summary.BytesOut) + " bytes (" +
         SizeChangeText(Summary.BytesIn, Summary.BytesOut) + ") in " + seconds + " s";
}

std::string InterruptedLine(std::size_t NotBegun) {
  return "Interrupted: the files in hand were finished, " + std::to_string(NotBegun) +
         (NotBegun == 1 ? " file was" : " files were") + " not begun";
}

std::string TreeProgressText(const TTreeProgress& State) {
  return '[' + std::to_string(State.Done) + '/' + std::to_string(State.Total) + "] " +
         std::to_string(State.BytesIn) + " -> " + std::to_string(State.BytesOut) + " bytes " +
         DisplayName(State.Current);
}

std::string FailureText(const std::string& Message) {
  std::string text = ErrorReportText(Message);
  if (text.empty() || text.back() != '\n') text += '\n';
  return EscapedText(text);
}

std::string UsageText(const std::string& Problem) {
  return std::string(kProgramName) + ": " + EscapedText(Problem) + '\n' + kUsageHint + '\n';
}

std::string VersionLine(const std::string& VersionText) {
  if (VersionText.empty()) return std::string(kProgramName) + " (no version information)";
  return std::string(kProgramName) + ' ' + VersionText;
}

int FinishOutput(std::FILE* Out, std::FILE* Err) {
  if (std::fflush(Out) != 0 || std::ferror(Out)) {
    std::fputs(FailureText(Format(SErrorWriting, {std::strerror(errno)})).c_str(), Err);
    return kExitFailure;
  }
  return kExitSuccess;
}

void TProgressLine::Draw(const std::string& Text) {
  if (!FShown) return;
  std::fputs(kEraseLine, FErr);
  std::fputs(Text.c_str(), FErr);
  std::fflush(FErr);
  FOnTerminal = true;
}

void TProgressLine::Erase() {
  if (!FOnTerminal) return;
  // What is waiting for standard output comes before the line goes.
  std::fflush(FOut);
  std::fputs(kEraseLine, FErr);
  std::fflush(FErr);
  FOnTerminal = false;
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
                           ": style sheet not read: " + DisplayName(Sheet) + " (" + EscapedText(Reason) + ")\n";
  std::fputs(Line.c_str(), FState->Err);
  std::fflush(FState->Err);
}
