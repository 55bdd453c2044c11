#include "dialogs/FileDialogLogic.h"

#include <algorithm>

#include "platform/FileEnv.h"

namespace {

char Lower(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }

bool LessByName(const std::string& A, const std::string& B) {
  const auto folded = std::lexicographical_compare(
      A.begin(), A.end(), B.begin(), B.end(), [](char X, char Y) {
        return static_cast<unsigned char>(Lower(X)) < static_cast<unsigned char>(Lower(Y));
      });
  const auto foldedBack = std::lexicographical_compare(
      B.begin(), B.end(), A.begin(), A.end(), [](char X, char Y) {
        return static_cast<unsigned char>(Lower(X)) < static_cast<unsigned char>(Lower(Y));
      });
  if (folded != foldedBack) return folded;
  return A < B;
}

bool IsAbsolute(const std::string& Path) {
  if (platform::PathDelimiter() == '/') return !Path.empty() && Path[0] == '/';
  // C:\..., \\server\..., and \... (the current drive's root).
  return (Path.size() >= 3 && Path[1] == ':' && (Path[2] == '\\' || Path[2] == '/')) ||
         (!Path.empty() && (Path[0] == '\\' || Path[0] == '/'));
}

// The length of Folder's root: "/" on POSIX; "C:\" or "\" on Windows.
std::size_t RootLength(const std::string& Folder) {
  if (platform::PathDelimiter() == '/') return Folder.empty() || Folder[0] != '/' ? 0 : 1;
  if (Folder.size() >= 3 && Folder[1] == ':' && Folder[2] == '\\') return 3;
  return !Folder.empty() && Folder[0] == '\\' ? 1 : 0;
}

}  // namespace

std::vector<std::string> SplitPatterns(const std::string& Patterns) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start <= Patterns.size()) {
    std::size_t end = Patterns.find(';', start);
    if (end == std::string::npos) end = Patterns.size();
    if (end > start) result.push_back(Patterns.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

bool MatchesPattern(const std::string& Name, const std::string& Pattern) {
  // Linear matching with one backtracking point: the last star seen.
  std::size_t n = 0, p = 0;
  std::size_t star = std::string::npos, resume = 0;
  while (n < Name.size()) {
    if (p < Pattern.size() && (Pattern[p] == '?' || Lower(Pattern[p]) == Lower(Name[n]))) {
      ++n;
      ++p;
    } else if (p < Pattern.size() && Pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < Pattern.size() && Pattern[p] == '*') ++p;
  return p == Pattern.size();
}

bool MatchesAnyPattern(const std::string& Name, const std::vector<std::string>& Patterns) {
  return std::any_of(Patterns.begin(), Patterns.end(),
                     [&](const std::string& Pattern) { return MatchesPattern(Name, Pattern); });
}

std::vector<platform::FolderEntry> ListedEntries(std::vector<platform::FolderEntry> Entries,
                                                 const std::vector<std::string>& Patterns,
                                                 bool ShowHidden) {
  std::erase_if(Entries, [&](const platform::FolderEntry& E) {
    return (E.Hidden && !ShowHidden) || (!E.Folder && !MatchesAnyPattern(E.Name, Patterns));
  });
  std::sort(Entries.begin(), Entries.end(),
            [](const platform::FolderEntry& A, const platform::FolderEntry& B) {
              if (A.Folder != B.Folder) return A.Folder;
              return LessByName(A.Name, B.Name);
            });
  return Entries;
}

std::string FileNameFieldText(const std::vector<std::string>& Names) {
  if (Names.size() == 1) return Names[0];
  std::string text;
  for (const std::string& name : Names) {
    if (!text.empty()) text += ' ';
    text += '"' + name + '"';
  }
  return text;
}

std::vector<std::string> FileNameFieldNames(const std::string& Text) {
  std::vector<std::string> names;
  if (Text.find('"') != std::string::npos) {
    for (std::size_t open = Text.find('"'); open != std::string::npos;) {
      const std::size_t close = Text.find('"', open + 1);
      if (close == std::string::npos) break;
      if (close > open + 1) names.push_back(Text.substr(open + 1, close - open - 1));
      open = Text.find('"', close + 1);
    }
    return names;
  }
  const std::size_t first = Text.find_first_not_of(' ');
  if (first == std::string::npos) return names;
  names.push_back(Text.substr(first, Text.find_last_not_of(' ') - first + 1));
  return names;
}

std::string PathInFolder(const std::string& Folder, const std::string& Name) {
  if (IsAbsolute(Name) || Folder.empty()) return Name;
  if (Folder.back() == platform::PathDelimiter()) return Folder + Name;
  return Folder + platform::PathDelimiter() + Name;
}

std::string PlainFolder(const std::string& Folder) {
  const std::size_t root = RootLength(Folder);
  std::string path = Folder;
  while (path.size() > root && path.back() == platform::PathDelimiter()) path.pop_back();
  return path;
}

std::string ParentFolder(const std::string& Folder) {
  const std::size_t root = RootLength(Folder);
  const std::string path = PlainFolder(Folder);
  const std::size_t cut = path.find_last_of(platform::PathDelimiter());
  if (cut == std::string::npos || cut + 1 <= root) return path.substr(0, root);
  return path.substr(0, cut);
}

std::vector<std::string> FolderAndAncestors(const std::string& Folder) {
  std::vector<std::string> chain;
  for (std::string at = Folder; !at.empty();) {
    chain.push_back(at);
    const std::string up = ParentFolder(at);
    if (up == at) break;
    at = up;
  }
  std::reverse(chain.begin(), chain.end());
  return chain;
}
