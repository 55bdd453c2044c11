#pragma once

// Rows of table tests kept in a text file instead of in the test source.
//
// The file holds one row a line: the row's name, its input, its expected
// output and, for some tables, one more field, separated by tabs. A line
// "[Group]" starts a group of rows: the names of the rows after it start
// with "Group_". Lines starting with "#"
// are comments and blank lines are passed over. In a field "\\", "\t",
// "\n", "\r", "\0" and "\xHH" stand for a backslash, a tab, a line feed, a
// carriage return, a NUL and any byte; a field that is just "\e" is empty.
// Blanks at the end of a line are written as "\x20", so that no editor
// takes them away.
//
// Reading fails loudly (std::runtime_error) on a missing or empty file, a
// malformed line or a name used twice: a table that would lose rows
// silently could not fail.

#include <fstream>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

struct TableRow {
  std::string Name;
  std::string Input;
  std::string Output;
  std::string Extra;  // the optional fourth field
};

inline void PrintTo(const TableRow& Row, std::ostream* Os) { *Os << Row.Name; }

namespace tablerows_detail {

inline int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

inline std::string Unescape(const std::string& Field, const std::string& Where) {
  if (Field == "\\e") return "";
  std::string Out;
  for (std::size_t I = 0; I < Field.size(); ++I) {
    if (Field[I] != '\\') {
      Out += Field[I];
      continue;
    }
    const char E = I + 1 < Field.size() ? Field[++I] : '\0';
    switch (E) {
      case '\\': Out += '\\'; break;
      case 't': Out += '\t'; break;
      case 'n': Out += '\n'; break;
      case 'r': Out += '\r'; break;
      case '0': Out += '\0'; break;
      case 'x': {
        const int Hi = I + 1 < Field.size() ? HexDigit(Field[I + 1]) : -1;
        const int Lo = I + 2 < Field.size() ? HexDigit(Field[I + 2]) : -1;
        if (Hi < 0 || Lo < 0) throw std::runtime_error(Where + ": bad \\x escape");
        Out += static_cast<char>(Hi * 16 + Lo);
        I += 2;
        break;
      }
      default: throw std::runtime_error(Where + ": bad escape");
    }
  }
  return Out;
}

}  // namespace tablerows_detail

// The rows of File, in their order.
inline std::vector<TableRow> ReadTableRows(const std::string& File) {
  std::ifstream In(File, std::ios::binary);
  if (!In) throw std::runtime_error("cannot read " + File);
  std::vector<TableRow> Rows;
  std::set<std::string> Names;
  std::string Group;
  std::string Line;
  for (int Number = 1; std::getline(In, Line); ++Number) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (Line.empty() || Line[0] == '#') continue;
    if (Line[0] == '[' && Line.back() == ']') {
      Group = Line.substr(1, Line.size() - 2) + "_";
      continue;
    }
    const std::string Where = File + ":" + std::to_string(Number);
    std::vector<std::string> Fields;
    for (std::size_t From = 0;;) {
      const std::size_t Tab = Line.find('\t', From);
      Fields.push_back(Line.substr(From, Tab - From));
      if (Tab == std::string::npos) break;
      From = Tab + 1;
    }
    if (Fields.size() < 3 || Fields.size() > 4) throw std::runtime_error(Where + ": not 3 or 4 fields");
    TableRow Row;
    Row.Name = Group + Fields[0];
    Row.Input = tablerows_detail::Unescape(Fields[1], Where);
    Row.Output = tablerows_detail::Unescape(Fields[2], Where);
    if (Fields.size() == 4) Row.Extra = tablerows_detail::Unescape(Fields[3], Where);
    if (!Names.insert(Row.Name).second) throw std::runtime_error(Where + ": " + Row.Name + " again");
    Rows.push_back(std::move(Row));
  }
  if (Rows.empty()) throw std::runtime_error(File + " has no rows");
  return Rows;
}

}  // namespace testsupport
