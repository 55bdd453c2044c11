#include "dialogs/FileDialogLogic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileEnv.h"

namespace {

// A '/' path in the platform's spelling.
std::string P(std::string Path) {
  for (char& c : Path)
    if (c == '/') c = platform::PathDelimiter();
  return Path;
}

TEST(FileDialogPatternTest, StarsQuestionMarksAndLetterCase) {
  const struct {
    const char* Name;
    const char* Pattern;
    bool Matches;
  } Cases[] = {
      {"a.htm", "*.htm", true},     {"A.HTM", "*.htm", true},       {"a.html", "*.htm", false},
      {"a.htm", "*.htm*", true},    {".htm", "*.htm", true},        {"abc", "a?c", true},
      {"ac", "a?c", false},         {"caf\xE9.htm", "*.htm", true}, {"x.asp.bak", "*.asp", false},
      {"aaa.b", "*a*.b", true},     {"", "*", true},                {"", "?", false},
      {"\xC9T\xC9", "\xE9t\xE9", false},  // only A to Z fold
  };
  for (const auto& c : Cases) EXPECT_EQ(MatchesPattern(c.Name, c.Pattern), c.Matches) << c.Name;
  EXPECT_EQ(SplitPatterns("*.htm;*.html;;*.asp"), (std::vector<std::string>{"*.htm", "*.html", "*.asp"}));
  EXPECT_TRUE(MatchesAnyPattern("b.ASP", SplitPatterns("*.htm;*.asp")));
  EXPECT_FALSE(MatchesAnyPattern("b.txt", SplitPatterns("*.htm;*.asp")));
}

TEST(FileDialogListingTest, FoldersFirstThenMatchingFilesInNameOrder) {
  using E = platform::FolderEntry;
  const std::vector<E> entries{
      {"notes.txt", false, false, 3, 0}, {"b.htm", false, false, 1, 0},
      {"sub", true, false, 0, 0},        {"A.HTML", false, false, 2, 0},
      {".cfg", true, true, 0, 0},        {".old.htm", false, true, 1, 0},
      {"caf\xE9.htm", false, false, 1, 0}, {"Docs", true, false, 0, 0},
      {"a.htm", false, false, 1, 0},
  };
  const auto names = [](const std::vector<E>& Listed) {
    std::vector<std::string> result;
    for (const E& e : Listed) result.push_back(e.Name);
    return result;
  };
  const std::vector<std::string> patterns = SplitPatterns("*.htm;*.html;*.asp");
  EXPECT_EQ(names(ListedEntries(entries, patterns, false)),
            (std::vector<std::string>{"Docs", "sub", "a.htm", "A.HTML", "b.htm", "caf\xE9.htm"}));
  EXPECT_EQ(names(ListedEntries(entries, patterns, true)),
            (std::vector<std::string>{".cfg", "Docs", "sub", ".old.htm", "a.htm", "A.HTML", "b.htm",
                                      "caf\xE9.htm"}));
}

TEST(FileDialogFieldTest, OneNameAsItIsSeveralInQuotes) {
  EXPECT_EQ(FileNameFieldText({"a.htm"}), "a.htm");
  EXPECT_EQ(FileNameFieldText({"a b.htm", "caf\xE9.htm"}), "\"a b.htm\" \"caf\xE9.htm\"");
  EXPECT_EQ(FileNameFieldText({}), "");
  const struct {
    const char* Text;
    std::vector<std::string> Names;
  } Cases[] = {
      {"a.htm", {"a.htm"}},
      {"  my page.htm ", {"my page.htm"}},
      {"\"a b.htm\" \"caf\xE9.htm\"", {"a b.htm", "caf\xE9.htm"}},
      {"\"a.htm\"\"b.htm\"", {"a.htm", "b.htm"}},
      {"\"a.htm\" \"unclosed", {"a.htm"}},
      {"   ", {}},
      {"", {}},
  };
  for (const auto& c : Cases) EXPECT_EQ(FileNameFieldNames(c.Text), c.Names) << c.Text;
}

TEST(FileDialogPathTest, NamesBecomePathsAndFoldersHaveParents) {
  EXPECT_EQ(PathInFolder(P("/srv/www"), "a.htm"), P("/srv/www/a.htm"));
  EXPECT_EQ(PathInFolder(P("/"), "a.htm"), P("/a.htm"));
  EXPECT_EQ(PathInFolder(P("/srv"), P("/etc/x.htm")), P("/etc/x.htm"));
  EXPECT_EQ(PathInFolder(P("/srv"), P("sub/x.htm")), P("/srv/sub/x.htm"));
  EXPECT_EQ(PlainFolder(P("/srv/www//")), P("/srv/www"));
  EXPECT_EQ(PlainFolder(P("/")), P("/"));
  EXPECT_EQ(ParentFolder(P("/srv/www")), P("/srv"));
  EXPECT_EQ(ParentFolder(P("/srv/www/")), P("/srv"));
  EXPECT_EQ(ParentFolder(P("/srv")), P("/"));
  EXPECT_EQ(ParentFolder(P("/")), P("/"));
  EXPECT_EQ(FolderAndAncestors(P("/srv/www")), (std::vector<std::string>{P("/"), P("/srv"), P("/srv/www")}));
  EXPECT_EQ(FolderAndAncestors(P("/")), (std::vector<std::string>{P("/")}));
  if (platform::PathDelimiter() == '\\') {
    EXPECT_EQ(ParentFolder("C:\\Web"), "C:\\");
    EXPECT_EQ(ParentFolder("C:\\"), "C:\\");
    EXPECT_EQ(PathInFolder("C:\\Web", "D:\\x.htm"), "D:\\x.htm");
  }
}

}  // namespace
