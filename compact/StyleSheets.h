#pragma once

// The style sheets of a page, as far as safe mode needs them: which
// elements they let show their white space (see TKeepRules).
//
// A page's sheets are its STYLE elements, the local sheets its LINK
// elements name (rel "stylesheet"), the sheets those @import, and the
// extra sheets of the options. Everything is read once per page; what
// cannot be read (another host, a missing file, server code in the
// address) is told to the options' notes and left out.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "compact/CompactOptions.h"

// Adds to Rules the compounds of every rule of Css that sets white-space
// (or white-space-collapse) to a value that keeps white space, and to
// Imports (when not null) the address of every @import.
void CollectKeepRules(std::string_view Css, TKeepRules& Rules, std::vector<std::string>* Imports);

// What a page says about its style: the contents of its STYLE elements,
// the addresses of its linked sheets, the address of its BASE element.
// Found by a quick pass that need not understand the page: a "<style" in
// a comment or a script counts as well (it can only keep more).
struct TPageStyles {
  std::vector<std::string_view> Sheets;  // into the page's bytes
  std::vector<std::string> Links;        // href values as written
  std::vector<bool> LinksKnown;          // false: server code in the address
  std::string Base;                      // href of the first BASE element
  bool HasBase = false;
  // The HTML and BODY start tags: a style sheet that keeps white space in
  // such an element keeps the whole page (text before a BODY tag may end
  // up in that element).
  struct TRootTag {
    std::string Name;  // "html" or "body"
    std::string Classes;
    bool ClassesKnown = true;
    std::string Id;
    bool IdKnown = true;
  };
  std::vector<TRootTag> RootTags;
};
// Fills all but RootTags (and looks for BASE only when there are links).
TPageStyles FindPageStyles(const unsigned char* Page, std::size_t Size);
// Fills RootTags.
void FindRootTags(const unsigned char* Page, std::size_t Size, TPageStyles& Styles);

// The file a sheet address names, for a page in Folder (empty: the
// current folder): relative paths and file: addresses give a path, with
// "%XX" decoded, query and fragment cut and "." and ".." resolved as in an
// address. False for an address of another host or scheme (Path then
// holds the address as it is).
bool SheetFile(const std::string& Folder, std::string_view Address, std::string& Path);

// The folder of the file called Name (with its trailing delimiter), or an
// empty text when Name has none.
std::string FolderOf(const std::string& Name);

// Every keeping rule of the page Page[0, Size), which lies in PageFolder:
// its own sheets and those of Options, with Options.Keep.
TKeepRules GatherKeepRules(const unsigned char* Page, std::size_t Size, const TCompactOptions& Options,
                           const std::string& PageFolder);
