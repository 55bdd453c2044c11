#include "support/ReferenceCompact.h"

#include <cstddef>
#include <vector>

#include "streams/MemStream.h"
#include "streams/TextStrm.h"

namespace {

const std::string kMetaTag =
    "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage Express 2.0\">";
const std::string kEmptyComment = "!---->";
const std::string kRegionBreak = "\r\n";
constexpr unsigned char kNoChar = 255;

// The five state flags of the scan.
struct Flags {
  bool InTag = false, InQuote = false, InPre = false, InScript = false, InAsp = false;
};

bool InJoiningSet(unsigned char c) { return c >= 33 && c <= 254 && c != '<' && c != '>'; }

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// Runs the character scan over text, 1-based position by position.
// fallback is what PrevChar becomes after a deletion at position 1.
void Scan(std::string& text, Flags& f, unsigned char& prevChar, unsigned char fallback) {
  std::size_t pos = 1;
  while (pos <= text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[pos - 1]);
    bool deleted = false;
    if (c == ' ') {
      if (!f.InQuote && !f.InPre && !f.InScript && !f.InAsp &&
          (prevChar == ' ' || prevChar == '<' ||
           (f.InTag && (prevChar == '"' || prevChar == '-')))) {
        text.erase(pos - 1, 1);
        deleted = true;
      }
    } else if (c == '"') {
      if (f.InTag) f.InQuote = !f.InQuote;
    } else if (c == '<') {
      if (!f.InQuote && !f.InTag) {
        f.InTag = true;
        std::string name = text.substr(pos, 8);
        for (char& n : name)
          if (n >= 'a' && n <= 'z') n = static_cast<char>(n - 'a' + 'A');
        if (StartsWith(name, "PRE>")) {
          f.InPre = true;
        } else if (f.InPre && StartsWith(name, "/PRE>")) {
          f.InPre = false;
        } else if (!f.InPre && StartsWith(name, "SCRIPT")) {
          f.InScript = true;
        } else if (f.InScript && StartsWith(name, "/SCRIPT>")) {
          f.InScript = false;
        } else if (!f.InScript && !f.InPre && !name.empty() && name[0] == '%') {
          f.InAsp = true;
        }
        if (!f.InPre && !f.InScript && !f.InAsp && text.size() - pos >= 6 &&
            text.compare(pos, 6, kEmptyComment) == 0) {
          text.erase(pos - 1, 7);
          f.InTag = false;
          deleted = true;
        }
      }
    } else if (c == '>') {
      if (!f.InQuote) {
        f.InTag = false;
        f.InAsp = false;
      }
    }
    if (deleted) {
      prevChar = pos >= 2 ? static_cast<unsigned char>(text[pos - 2]) : fallback;
    } else {
      prevChar = static_cast<unsigned char>(text[pos - 1]);
      ++pos;
    }
  }
}

}  // namespace

std::string ReferenceCompact(const std::string& input) {
  TMemStream source;
  if (!input.empty()) source.Write(input.data(), static_cast<std::int32_t>(input.size()));
  source.Seek(0);

  std::string result;
  Flags f;
  unsigned char prevChar = kNoChar;
  unsigned char lastLineChar = kNoChar;
  {
    TTextStream lines(-1, 0, source);
    std::string line;
    while (!lines.EndOfStream()) {
      lines.ReadLine(line);
      if (!f.InPre && !f.InTag) {
        std::size_t at = line.find(kMetaTag);
        if (at != std::string::npos) line.erase(at, kMetaTag.size());
      }
      if (!f.InPre && !f.InScript && !f.InAsp && !line.empty() && InJoiningSet(prevChar))
        line.insert(0, 1, ' ');
      Scan(line, f, prevChar, lastLineChar);
      lastLineChar = prevChar;
      result += line;
      if (f.InPre || f.InScript || f.InAsp) result += kRegionBreak;
    }
  }

  Flags g;
  unsigned char prev2 = kNoChar;
  Scan(result, g, prev2, kNoChar);
  return result;
}
