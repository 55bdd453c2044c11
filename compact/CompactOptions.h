#pragma once

// What a compaction is asked to do: the level (the program's fixed rules,
// safe mode, or best mode), and for safe and best mode the style sheets
// that tell which elements keep their white space.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

enum class TCompactLevel : std::uint8_t {
  clDefault,  // the program's fixed rules, byte for byte
  clSafe,     // never change what a browser shows or what server code does
  clBest,     // safe mode, and the reductions of compact/BestCompact.h
};

// The reductions of best mode that a run keeps off (true: not done).
struct TBestKeep {
  bool Comments = false;      // comments stay
  bool OptionalTags = false;  // optional start and end tags stay
  bool Quotes = false;        // attribute values keep their quotes
  bool Attributes = false;    // redundant attributes stay
  bool Css = false;           // style sheets and style attributes are not minified
  bool Js = false;            // scripts and JSON data blocks are not minified
  bool Entities = false;      // character references stay as written
  bool Doctype = false;       // the DOCTYPE stays as written
  bool BlockSpace = false;    // white space at blocks' edges stays where safe mode keeps it
};

// A set of simple selectors, each reduced to the last compound of a
// selector (the element the rule styles): its element name, classes and
// ids, all of which an element must have to match. What else the selector
// asks (ancestors, attributes, pseudo-classes) only narrows it, so
// matching on this much finds at least every element the rule reaches.
// Names, classes and ids are compared in lower case (quirks mode compares
// them so). A set made to keep ancestors (best mode's box rules) keeps
// one more part of a selector: the compound an ancestor of the element
// must match ("div.related" of "div.related li"), which its caller may
// ask about (see Matches).
class TCompoundSet {
public:
  // An element's name, classes and ids, all of which it must have.
  struct TSimple {
    std::string Name;                  // lower case; empty: any element
    std::vector<std::string> Classes;  // lower case
    std::vector<std::string> Ids;      // lower case
    bool operator==(const TSimple&) const = default;
  };
  struct TCompound : TSimple {
    // The compound of an ancestor of the element's (empty: none asked).
    std::vector<TSimple> Within;
    bool operator==(const TCompound&) const = default;
  };
  // Every ancestor compound at once (see Matches).
  static constexpr std::uint64_t kEveryAncestor = ~std::uint64_t{0};

  explicit TCompoundSet(bool KeepsAncestors = false) : FKeepsAncestors(KeepsAncestors) {}

  // Adds a compound; one with no name, class or id (`*`, `:root`,
  // `[attr]`) matches every element.
  void Add(TCompound Compound);
  // Adds every compound of Other.
  void Merge(const TCompoundSet& Other);
  // Every element matches.
  void MatchAll() { FAll = true; }

  bool Empty() const { return !FAll && FCompounds.empty(); }
  bool All() const { return FAll; }
  // Whether some compound asks for a class or an id (then a tag's class
  // and id attributes must be read).
  bool NeedsAttributes() const { return FNeedsAttributes; }
  const std::vector<TCompound>& Compounds() const { return FCompounds; }
  // The same compounds, added in the same order.
  bool operator==(const TCompoundSet& Other) const {
    return FAll == Other.FAll && FCompounds == Other.FCompounds;
  }

  // Whether an element with the lower-case Name, the class attribute value
  // Classes (blank-separated, as written) and the id attribute value Id
  // matches a compound. ClassesKnown / IdKnown false: the value is not
  // known (server code or a character reference in it), and any class or
  // id may be there. A compound that asks for an ancestor matches only
  // where Open has that ancestor compound's bit (see AncestorMarks).
  bool Matches(std::string_view Name, std::string_view Classes, bool ClassesKnown, std::string_view Id,
               bool IdKnown, std::uint64_t Open = kEveryAncestor) const;
  // Whether some compound asks for an ancestor.
  bool AsksAncestors() const { return !FAncestors.empty(); }
  // The bits of the ancestor compounds that an element matches, which its
  // descendants pass to Matches (the arguments as there).
  std::uint64_t AncestorMarks(std::string_view Name, std::string_view Classes, bool ClassesKnown,
                              std::string_view Id, bool IdKnown) const;
  // Whether some element called Name (lower case) may match a compound,
  // whatever its classes and id.
  bool MayMatchName(std::string_view Name) const;

private:
  static bool MatchesCompound(const TSimple& C, std::string_view Name, std::string_view Classes,
                              bool ClassesKnown, std::string_view Id, bool IdKnown);

  static constexpr std::size_t kMaxAncestors = 64;  // one bit each
  bool FKeepsAncestors = false;
  bool FAll = false;
  bool FNeedsAttributes = false;
  std::vector<TCompound> FCompounds;
  std::vector<int> FAncestorOf;    // per compound: its ancestor's bit, or -1
  std::vector<TSimple> FAncestors;  // by bit
  std::unordered_set<std::string> FKeys;  // one per compound, to skip repeats
  // Compound indexes by the key they are looked up with: their first
  // class, else their first id, else their name.
  std::unordered_map<std::string, std::vector<std::size_t>> FByClass;
  std::unordered_map<std::string, std::vector<std::size_t>> FById;
  std::unordered_map<std::string, std::vector<std::size_t>> FByName;
};

// What a page's style sheets say that safe and best mode need.
// The compounds of the set itself name the elements whose content a style
// sheet may show with its white space (white-space: pre, pre-wrap,
// pre-line, break-spaces and the like); a compound naming html or body
// keeps the whole document.
class TKeepRules : public TCompoundSet {
public:
  void Add(TCompound Compound);
  // Adds every compound, attribute and box rule of Other.
  void Merge(const TKeepRules& Other);
  // The whole document keeps its white space.
  void KeepAll() { MatchAll(); }

  // The attribute names that selectors test ("[type]", "[name=x]",
  // ":is([checked])"), in lower case, for best mode, which keeps such an
  // attribute wherever it would take it away; with LowerElement (not
  // empty) the selector tests it on such elements only ("input[type]").
  // AttributesUnknown: a selector may name any attribute.
  void AddSelectorAttribute(std::string LowerName, const std::string& LowerElement = {}) {
    if (LowerElement.empty())
      FAttributes.insert(std::move(LowerName));
    else
      FElementAttributes.emplace(LowerElement, std::move(LowerName));
  }
  void SetAttributesUnknown() { FAttributesUnknown = true; }
  // Whether a selector may test the attribute of the lower-case Name on
  // an element called LowerElement (empty: on some element).
  bool SelectorMayTest(std::string_view LowerName, std::string_view LowerElement = {}) const {
    if (FAttributesUnknown || FAttributes.count(std::string(LowerName)) != 0) return true;
    if (!LowerElement.empty())
      return FElementAttributes.count({std::string(LowerElement), std::string(LowerName)}) != 0;
    for (const auto& [Element, Name] : FElementAttributes)
      if (Name == LowerName) return true;
    return false;
  }

  // For best mode: the elements a rule may give a box other than a block
  // (a display other than block, list-item, flex, grid, table or
  // flow-root, "none" included, or a float), for which the white space
  // beside them may show.
  TCompoundSet& Boxes() { return FBoxes; }
  const TCompoundSet& Boxes() const { return FBoxes; }

  // For best mode: the elements a rule may give generated content at
  // their start or end (::before, ::after, ::marker, a list marker inside
  // the box), which may stand beside white space at their edges.
  TCompoundSet& Generated() { return FGenerated; }
  const TCompoundSet& Generated() const { return FGenerated; }

  // A sheet of the page could not be read: its selectors may test any
  // attribute and give any element any box.
  void SheetNotRead() {
    FAttributesUnknown = true;
    FBoxes.MatchAll();
    FGenerated.MatchAll();
  }

  bool operator==(const TKeepRules& Other) const {
    return TCompoundSet::operator==(Other) && FAttributesUnknown == Other.FAttributesUnknown &&
           FAttributes == Other.FAttributes && FElementAttributes == Other.FElementAttributes &&
           FBoxes == Other.FBoxes && FGenerated == Other.FGenerated;
  }

private:
  bool FAttributesUnknown = false;
  std::set<std::string> FAttributes;         // on any element
  std::set<std::pair<std::string, std::string>> FElementAttributes;  // element, attribute
  TCompoundSet FBoxes{true};
  TCompoundSet FGenerated;
};

// Hears of the style sheets that safe mode could not read. Called from the
// thread that compacts (several at once in a tree run).
class TStyleSheetNotes {
public:
  virtual ~TStyleSheetNotes() = default;
  // Sheet (a resolved file name, or the address as the page gives it) was
  // not read, for Reason.
  virtual void NotRead(const std::string& Sheet, const std::string& Reason) = 0;
};

// What the style sheet files of a run say, each read once for every page
// that uses it (a batch or tree run shares one). Safe to use from several
// threads at once.
class TStyleSheetCache {
public:
  struct TEntry {
    bool Read = false;                 // false: the file could not be read, for Why
    std::string Why;
    TKeepRules Rules;                  // what the sheet keeps
    std::vector<std::string> Imports;  // its @import addresses
  };

  // The entry for the sheet file Path, made by Make the first time.
  TEntry Get(const std::string& Path, const std::function<TEntry()>& Make) {
    const std::lock_guard<std::mutex> Hold(FLock);
    auto It = FEntries.find(Path);
    if (It == FEntries.end()) It = FEntries.emplace(Path, Make()).first;
    return It->second;
  }

private:
  std::mutex FLock;
  std::map<std::string, TEntry> FEntries;
};

// How CompactHTML compacts. The default is the program's fixed rules.
struct TCompactOptions {
  TCompactLevel Level = TCompactLevel::clDefault;

  // Best mode only: the reductions it leaves out.
  TBestKeep BestKeep;

  // Safe and best mode only. The folder that relative style sheet addresses start
  // from; empty: the folder of the page when it is read from a file
  // stream, else the current folder.
  std::string BaseFolder;
  // Style sheets read for every page besides those the page names.
  std::vector<std::string> ExtraSheets;
  // Whether the sheets the page links (and @import) are read from files.
  bool ReadLinkedSheets = true;
  // Rules known before the page is read (added to what its sheets say).
  TKeepRules Keep;
  // Told of every sheet that could not be read; may be null.
  TStyleSheetNotes* Notes = nullptr;
  // Sheet files already read in this run; null: every page reads its own.
  std::shared_ptr<TStyleSheetCache> SheetCache;

  // Safe or best mode: the safe rules apply (and in best mode more).
  bool Safe() const { return Level == TCompactLevel::clSafe || Level == TCompactLevel::clBest; }
  bool Best() const { return Level == TCompactLevel::clBest; }
};

// Options for safe mode with nothing else set.
inline TCompactOptions SafeOptions() {
  TCompactOptions O;
  O.Level = TCompactLevel::clSafe;
  return O;
}

// Options for best mode with nothing else set.
inline TCompactOptions BestOptions() {
  TCompactOptions O;
  O.Level = TCompactLevel::clBest;
  return O;
}
