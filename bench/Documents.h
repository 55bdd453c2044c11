#pragma once

// Documents for the compaction benchmark, written to files in pieces so
// that the benchmark process itself never holds a whole document.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The kinds of document the benchmark compacts.
enum class TDocKind {
  dkRealistic,      // an HTML/ASP page: markup, text, PRE, SCRIPT, ASP, comments
  dkSingleLine,     // the realistic page with its line ends left out
  dkBlanks,         // one run of blanks
  dkLessThan,       // one run of "<"
  dkEmptyComments,  // "<!---->" again and again
  dkSplitComments,  // "<!--" CR LF "-->" again and again
  dkPreEmptyLines,  // "<pre>" and then nothing but empty lines
};

struct TDocInfo {
  TDocKind Kind;
  const char* Name;
};

// Every kind with its display name, realistic first.
const std::vector<TDocInfo>& DocKinds();

// Writes a document of Kind with at least Bytes bytes (it ends at the end
// of a piece) to FileName and returns its size.
std::int64_t WriteDocument(const std::string& FileName, TDocKind Kind, std::int64_t Bytes);

// The text of a page's script, as sites write them by hand: functions and
// event handlers with comments, indentation, strings, a regular
// expression, template literals; at least Bytes bytes, LF line ends.
std::string RealisticScript(std::size_t Bytes);

// The text of a page's style sheet, as sites write them by hand: rules
// with comments and indentation, selector lists and combinators, values
// with several words, functions, a url and a string, a media query; at
// least Bytes bytes, LF line ends.
std::string RealisticStyleSheet(std::size_t Bytes);
