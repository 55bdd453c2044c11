#include "compact/SafeCompact.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "compact/BestCompact.h"
#include "compact/CompactHTML.h"
#include "compact/OpenElements.h"
#include "compact/RawText.h"
#include "compact/ServerBlocks.h"
#include "compact/StyleSheets.h"
#include "compact/TagAttributes.h"
#include "compact/TextBuffer.h"
#include "compact/WideScan.h"
#include "streams/TextStrm.h"
#include "streams/Utils.h"

// How the scanner works
//
// One pass over the document, in place: a read cursor R and a write cursor
// W (W <= R) over the same bytes. What stays is moved from R to W, what
// goes is skipped, and the bytes from R on are still the input's, so
// looking ahead is reading the input. Nothing is ever inserted: a run of
// white space becomes at most one blank, so the result never outgrows the
// input. Every byte is read a bounded number of times (a look-ahead reads
// at most a tag name, and never past what the scan itself reaches next).
//
// The scanner keeps what decides how a browser reads the next byte: text,
// inside a tag (and where in it), a comment, or the raw content of an
// element such as SCRIPT. Server code comes first: "<%" opens an ASP block
// in every one of these states, and the state goes on after its "%>".
//
// Line joins. A run of white space in text shows as one blank unless it
// stands at the edge of a line, where the browser drops it. The scanner
// drops the run only when both of its sides put it at a line's edge, so
// that a style sheet that changes one side (floats, hidden elements, an
// inline list item, generated content) still leaves the other: after the
// start tag or before the end tag of a block container (<td>, <li>,
// <div> ...), beside the tags of block-level elements (</p>, <table>,
// <hr> ...), at the document's start and end, beside <html>, <head>,
// <body> and their end tags, and anywhere before the body. Between the
// outer edges of two elements that style sheets often turn into inline
// boxes (</li> <li>, </div> <div>, </p> <p>: menus, grids, run-in titles)
// the blank stays; table rows and cells, lists, PRE and rules are taken as
// blocks.

namespace {

constexpr std::string_view kMetaTag =
    "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage Express 2.0\">";
constexpr std::string_view kEmptyComment = "<!---->";

// What an element's tags tell about the white space beside them.
enum : std::uint16_t {
  fInner = 1,   // a block container: white space just inside its tags is at a line's edge
  fOuter = 2,   // block-level: white space just outside its tags is at a line's edge
  fLoose = 4,   // style sheets often make it an inline box (menus, grids, run-in titles)
  fEdge = 8,    // html, head, body: white space beside their tags never shows
  fHead = 16,   // may stand in the head without ending it
  fVoid = 32,   // has no content and no end tag
  // The parser's list of active formatting elements (see TFormattingList):
  fFormat = 64,       // a formatting element (a, b, font, ...)
  fMarker = 128,      // puts a marker on the list (td, th, caption, object, ...)
  fBoundary = 256,    // a scope boundary (table, svg, math)
  fTableStart = 512,  // white space after its start tag is in a table's own modes
  fTableEnd = 1024,   // white space after its end tag is in a table's own modes
  fCellStart = 2048,  // its start tag closes an open table cell or caption
  fCellEnd = 4096,    // its end tag closes an open table cell or caption
};

// How the browser reads an element's content.
enum class TContent : std::uint8_t {
  ctMarkup,     // tags and text
  ctPre,        // tags and text, white space significant (PRE, LISTING)
  ctRaw,        // text up to its own end tag (STYLE, TEXTAREA, TITLE, ...)
  ctScript,     // like ctRaw, with the escapes of script data
  ctPlainText,  // text to the end of the document
};

struct TElement {
  std::string_view Name;
  std::uint16_t Flags;
  TContent Content;
};

constexpr std::uint16_t kBlock = fInner | fOuter;

constexpr TElement kElements[] = {
    {"a", fFormat, TContent::ctMarkup},
    {"address", kBlock | fLoose, TContent::ctMarkup},
    {"applet", fMarker, TContent::ctMarkup},
    {"area", fVoid, TContent::ctMarkup},
    {"article", kBlock | fLoose, TContent::ctMarkup},
    {"aside", kBlock | fLoose, TContent::ctMarkup},
    {"b", fFormat, TContent::ctMarkup},
    {"base", fHead | fVoid, TContent::ctMarkup},
    {"big", fFormat, TContent::ctMarkup},
    {"blockquote", kBlock | fLoose, TContent::ctMarkup},
    {"body", fEdge, TContent::ctMarkup},
    {"br", fOuter | fVoid, TContent::ctMarkup},
    {"caption", kBlock | fMarker | fTableEnd | fCellStart, TContent::ctMarkup},
    {"center", kBlock | fLoose, TContent::ctMarkup},
    {"code", fFormat, TContent::ctMarkup},
    {"col", fOuter | fVoid | fTableStart | fCellStart, TContent::ctMarkup},
    {"colgroup", kBlock | fTableStart | fTableEnd | fCellStart, TContent::ctMarkup},
    {"dd", kBlock | fLoose, TContent::ctMarkup},
    {"details", kBlock | fLoose, TContent::ctMarkup},
    {"dir", kBlock, TContent::ctMarkup},
    {"div", kBlock | fLoose, TContent::ctMarkup},
    {"dl", kBlock, TContent::ctMarkup},
    {"dt", kBlock | fLoose, TContent::ctMarkup},
    {"em", fFormat, TContent::ctMarkup},
    {"embed", fVoid, TContent::ctMarkup},
    {"fieldset", kBlock | fLoose, TContent::ctMarkup},
    {"figcaption", kBlock | fLoose, TContent::ctMarkup},
    {"figure", kBlock | fLoose, TContent::ctMarkup},
    {"font", fFormat, TContent::ctMarkup},
    {"footer", kBlock | fLoose, TContent::ctMarkup},
    {"h1", kBlock | fLoose, TContent::ctMarkup},
    {"h2", kBlock | fLoose, TContent::ctMarkup},
    {"h3", kBlock | fLoose, TContent::ctMarkup},
    {"h4", kBlock | fLoose, TContent::ctMarkup},
    {"h5", kBlock | fLoose, TContent::ctMarkup},
    {"h6", kBlock | fLoose, TContent::ctMarkup},
    {"head", fEdge | fHead, TContent::ctMarkup},
    {"header", kBlock | fLoose, TContent::ctMarkup},
    {"hgroup", kBlock | fLoose, TContent::ctMarkup},
    {"hr", fOuter | fVoid, TContent::ctMarkup},
    {"html", fEdge | fHead, TContent::ctMarkup},
    {"i", fFormat, TContent::ctMarkup},
    {"iframe", 0, TContent::ctRaw},
    {"img", fVoid, TContent::ctMarkup},
    {"input", fVoid, TContent::ctMarkup},
    {"keygen", fVoid, TContent::ctMarkup},
    {"li", kBlock | fLoose, TContent::ctMarkup},
    {"link", fHead | fVoid, TContent::ctMarkup},
    {"listing", fOuter, TContent::ctPre},
    {"main", kBlock | fLoose, TContent::ctMarkup},
    {"marquee", fMarker, TContent::ctMarkup},
    {"math", fBoundary, TContent::ctMarkup},
    {"menu", kBlock, TContent::ctMarkup},
    {"meta", fHead | fVoid, TContent::ctMarkup},
    {"nav", kBlock | fLoose, TContent::ctMarkup},
    {"nobr", fFormat, TContent::ctMarkup},
    {"noembed", 0, TContent::ctRaw},
    {"noframes", 0, TContent::ctRaw},
    {"noscript", fHead, TContent::ctRaw},
    {"object", fMarker, TContent::ctMarkup},
    {"ol", kBlock, TContent::ctMarkup},
    {"optgroup", kBlock, TContent::ctMarkup},
    {"option", kBlock, TContent::ctMarkup},
    {"p", kBlock | fLoose, TContent::ctMarkup},
    {"param", fVoid, TContent::ctMarkup},
    {"plaintext", fOuter, TContent::ctPlainText},
    {"pre", fOuter, TContent::ctPre},
    {"s", fFormat, TContent::ctMarkup},
    {"script", fHead, TContent::ctScript},
    {"section", kBlock | fLoose, TContent::ctMarkup},
    {"select", fInner, TContent::ctMarkup},
    {"small", fFormat, TContent::ctMarkup},
    {"source", fVoid, TContent::ctMarkup},
    {"strike", fFormat, TContent::ctMarkup},
    {"strong", fFormat, TContent::ctMarkup},
    {"style", fHead, TContent::ctRaw},
    {"svg", fBoundary, TContent::ctMarkup},
    {"table", kBlock | fBoundary | fTableStart | fCellEnd, TContent::ctMarkup},
    {"tbody", kBlock | fTableStart | fTableEnd | fCellStart | fCellEnd, TContent::ctMarkup},
    {"td", kBlock | fMarker | fTableEnd | fCellStart, TContent::ctMarkup},
    {"template", fHead | fMarker, TContent::ctMarkup},
    {"textarea", 0, TContent::ctRaw},
    {"tfoot", kBlock | fTableStart | fTableEnd | fCellStart | fCellEnd, TContent::ctMarkup},
    {"th", kBlock | fMarker | fTableEnd | fCellStart, TContent::ctMarkup},
    {"thead", kBlock | fTableStart | fTableEnd | fCellStart | fCellEnd, TContent::ctMarkup},
    {"title", fHead, TContent::ctRaw},
    {"tr", kBlock | fTableStart | fTableEnd | fCellStart | fCellEnd, TContent::ctMarkup},
    {"track", fVoid, TContent::ctMarkup},
    {"tt", fFormat, TContent::ctMarkup},
    {"u", fFormat, TContent::ctMarkup},
    {"ul", kBlock, TContent::ctMarkup},
    {"wbr", fVoid, TContent::ctMarkup},
    {"xmp", fOuter, TContent::ctRaw},
};

// Element names longer than this are not in the table.
constexpr std::size_t kMaxKnownName = 10;

// The table as a hash set: a name is looked up once per tag, so it must
// be cheap. A name of up to 10 bytes packs into two words, with its
// length in the top byte: "pre" followed by a NUL is not "pre".
struct TNameKey {
  std::uint64_t Lo = 0;
  std::uint64_t Hi = 0;
  bool operator==(const TNameKey&) const = default;
};

constexpr TNameKey PackName(std::string_view Name) {
  TNameKey K;
  for (std::size_t I = 0; I < Name.size() && I < 8; ++I)
    K.Lo |= std::uint64_t{static_cast<unsigned char>(Name[I])} << (8 * I);
  for (std::size_t I = 8; I < Name.size() && I < 16; ++I)
    K.Hi |= std::uint64_t{static_cast<unsigned char>(Name[I])} << (8 * (I - 8));
  K.Hi |= std::uint64_t{Name.size() & 0xFF} << 56;
  return K;
}

constexpr std::size_t kSlots = 256;
constexpr std::size_t SlotOf(const TNameKey& K) {
  return static_cast<std::size_t>(((K.Lo ^ (K.Hi * 0x9E3779B97F4A7C15ULL)) * 0xFF51AFD7ED558CCDULL) >> 56);
}

struct TElementSet {
  std::array<TNameKey, kSlots> Keys{};
  std::array<std::int16_t, kSlots> Index{};
};

constexpr TElementSet MakeElementSet() {
  TElementSet S;
  for (auto& I : S.Index) I = -1;
  for (std::size_t E = 0; E < std::size(kElements); ++E) {
    const TNameKey K = PackName(kElements[E].Name);
    std::size_t Slot = SlotOf(K);
    while (S.Index[Slot] >= 0) Slot = (Slot + 1) % kSlots;
    S.Keys[Slot] = K;
    S.Index[Slot] = static_cast<std::int16_t>(E);
  }
  return S;
}
constexpr TElementSet kElementSet = MakeElementSet();

// The element of a lower-case name, or nullptr.
const TElement* FindElement(std::string_view LowerName) {
  if (LowerName.empty() || LowerName.size() > kMaxKnownName) return nullptr;
  const TNameKey K = PackName(LowerName);
  for (std::size_t Slot = SlotOf(K);; Slot = (Slot + 1) % kSlots) {
    const std::int16_t I = kElementSet.Index[Slot];
    if (I < 0) return nullptr;
    if (kElementSet.Keys[Slot] == K) return &kElements[static_cast<std::size_t>(I)];
  }
}

// Byte classes.
enum : std::uint8_t {
  cBlank = 1,     // white space: blank, tab, LF, CR
  cText = 2,      // text that changes nothing: neither white space nor "<"
  cTagStop = 4,   // ends a run of name or unquoted value bytes inside a tag
  cLetter = 8,    // ASCII letter
  cNameStop = 16, // ends a tag name, or may start server code in it
};

constexpr std::array<std::uint8_t, 256> MakeClasses() {
  std::array<std::uint8_t, 256> C{};
  for (int B = 0; B < 256; ++B) {
    const bool Blank = B == ' ' || B == '\t' || B == '\n' || B == '\r';
    std::uint8_t V = 0;
    if (Blank) V |= cBlank | cTagStop;
    if (!Blank && B != '<') V |= cText;
    if (B == '/' || B == '>' || B == '=' || B == '<' || B == '"' || B == '\'') V |= cTagStop;
    if ((B >= 'a' && B <= 'z') || (B >= 'A' && B <= 'Z')) V |= cLetter;
    if (Blank || B == '/' || B == '>' || B == '<') V |= cNameStop;
    C[static_cast<std::size_t>(B)] = V;
  }
  return C;
}
constexpr std::array<std::uint8_t, 256> kClass = MakeClasses();

inline bool IsBlank(unsigned char C) { return (kClass[C] & cBlank) != 0; }
inline bool IsLetter(unsigned char C) { return (kClass[C] & cLetter) != 0; }
inline unsigned char Lower(unsigned char C) {
  return C >= 'A' && C <= 'Z' ? static_cast<unsigned char>(C + 32) : C;
}

// What stands on one side of a run of white space in text.
enum TSide : std::uint8_t {
  sText,    // text, or markup that says nothing about lines
  sAsp,     // an ASP block: its output is unknown
  sInner,   // just inside a block container's tags
  sLooseInner,  // just inside the tags of a block container often made inline
  sOuter,   // just outside a block-level element's tags
  sLoose,   // just outside the tags of an element often made inline
  sEdge,    // the document's start or end, or beside html/head/body tags
};

constexpr bool AtLineEdge(TSide S) { return S == sInner || S == sLooseInner || S == sOuter || S == sLoose; }

// The side that a tag puts next to the white space after it (Left) or
// before it (!Left).
TSide TagSide(const TElement* E, bool EndTag, bool Left) {
  const std::uint16_t F = E != nullptr ? E->Flags : 0;
  if (F & fEdge) return sEdge;
  // Just inside the element: after its start tag, before its end tag.
  const bool Inside = Left ? !EndTag && !(F & fVoid) : EndTag;
  if (Inside) return (F & fInner) ? ((F & fLoose) ? sLooseInner : sInner) : sText;
  if (!(F & fOuter)) return sText;
  return (F & fLoose) ? sLoose : sOuter;
}


// The parser's list of active formatting elements, as far as white space
// needs it. A browser that meets text in the body (white space included)
// opens again the formatting elements of that list that were closed around
// it: an "<a id=x/>" that is never closed comes back as an empty copy at
// every later text, and a run of white space taken away takes such a copy
// out of the document tree. While the list may hold an element that would
// be opened again, white space in the body is never taken away.
//
// The list kept here holds at least every entry the browser's holds: an
// entry goes only where the browser's surely goes (its end tag with no
// marker or scope boundary after it, a new "a", the end of its table
// cell), markers and boundaries only hide or keep entries where the
// browser's do. It never grows past kMaxItems: with formatting entries in
// it, it then says "active" for the rest of the document.
// The index of Name in kElements.
constexpr std::uint8_t ElementId(std::string_view Name) {
  for (std::size_t I = 0; I < std::size(kElements); ++I)
    if (kElements[I].Name == Name) return static_cast<std::uint8_t>(I);
  return 0xFF;
}

class TFormattingList {
public:
  // Whether white space in the body may make the parser open an element again.
  bool Active() const {
    if (FFull) return true;
    if (FCount == 0) return false;
    for (std::size_t I = FItems.size(); I > 0; --I) {
      const std::uint16_t F = FItems[I - 1]->Flags;
      if (F & fFormat) return true;
      if (F & fMarker) return false;
    }
    return false;
  }

  // Whether a table may be open.
  bool InTable() const { return FTables > 0; }

  // A start or end tag of the element E (one of the table's).
  void Tag(const TElement* E, bool EndTag) {
    const std::uint16_t F = E->Flags;
    // The table a table's own tag belongs to: for its end tag, the one it ends.
    const int Table = FTables;
    if ((F & (fBoundary | fTableStart)) == (fBoundary | fTableStart)) FTables += EndTag ? (FTables > 0 ? -1 : 0) : 1;
    if (FFull) return;
    // Tags that close an open table cell, and then an open caption: those
    // of the cell's own table, not of a table opened inside the cell.
    if (!FItems.empty() && (F & (EndTag ? fCellEnd : fCellStart))) {
      auto OwnCell = [&](const TElement* Marker) {
        return LastMarker() == Marker && !FMarkerTables.empty() && FMarkerTables.back() == Table;
      };
      if (OwnCell(kTd) || OwnCell(kTh)) PopToMarker();
      if (OwnCell(kCaption)) PopToMarker();
    }
    if (F & fFormat) {
      if (EndTag) {
        RemoveLast(E, true);
      } else {
        if (E == kA) RemoveLast(E, false);
        Push(E);
        ++FCount;
      }
    } else if (F & fMarker) {
      if (!EndTag)
        Push(E);
      else if (LastMarker() == E)
        PopToMarker();
    } else if ((F & fBoundary) && FCount > 0) {
      // A boundary guards the entries before it; with none there is
      // nothing to guard (and none is left in the list).
      if (!EndTag) {
        Push(E);
      } else {
        for (std::size_t I = FItems.size(); I > 0; --I)
          if (FItems[I - 1] == E) {
            FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(I - 1));
            break;
          }
      }
    }
  }

private:
  static constexpr std::size_t kMaxItems = 64;
  static constexpr const TElement* kA = &kElements[ElementId("a")];
  static constexpr const TElement* kTd = &kElements[ElementId("td")];
  static constexpr const TElement* kTh = &kElements[ElementId("th")];
  static constexpr const TElement* kCaption = &kElements[ElementId("caption")];

  void Push(const TElement* E) {
    if (FItems.size() >= kMaxItems) {
      if (FCount > 0) {
        FFull = true;
        return;
      }
      // Only markers: the older half guards nothing.
      FItems.erase(FItems.begin(), FItems.begin() + kMaxItems / 2);
      FMarkerTables.erase(FMarkerTables.begin(), FMarkerTables.begin() + kMaxItems / 2);
    }
    FItems.push_back(E);
    if (E->Flags & fMarker) FMarkerTables.push_back(FTables);
  }

  // The last formatting entry went: boundaries guard nothing any more.
  void Emptied() {
    std::erase_if(FItems, [](const TElement* E) { return (E->Flags & fBoundary) != 0; });
  }

  // The element of the last marker, or null when there is none.
  const TElement* LastMarker() const {
    for (std::size_t I = FItems.size(); I > 0; --I)
      if (FItems[I - 1]->Flags & fMarker) return FItems[I - 1];
    return nullptr;
  }

  // Takes away the last marker and every entry after it.
  void PopToMarker() {
    while (!FItems.empty()) {
      const std::uint16_t F = FItems.back()->Flags;
      FItems.pop_back();
      if ((F & fFormat) && --FCount == 0) Emptied();
      if (F & fMarker) {
        FMarkerTables.pop_back();
        return;
      }
    }
  }

  // Takes away the last entry E after the last marker; StopAtBoundary:
  // also not past a scope boundary (the end tag of an element out of
  // scope leaves it in the list).
  void RemoveLast(const TElement* E, bool StopAtBoundary) {
    for (std::size_t I = FItems.size(); I > 0; --I) {
      const std::uint16_t F = FItems[I - 1]->Flags;
      if (FItems[I - 1] == E) {
        FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(I - 1));
        if (--FCount == 0) Emptied();
        return;
      }
      if (F & fMarker || (StopAtBoundary && F & fBoundary)) return;
    }
  }

  std::vector<const TElement*> FItems;
  // For each marker in FItems, in order: how many tables were open when it
  // came (a cell's marker: its own table's depth).
  std::vector<int> FMarkerTables;
  int FCount = 0;   // formatting entries in FItems
  int FTables = 0;  // table start tags less end tags
  bool FFull = false;
};

class TSafeScan {
public:
  TSafeScan(unsigned char* Text, std::size_t Size, const TKeepRules& Rules, const TCompoundSet* Boxes)
      : T(Text), N(Size), FRules(Rules.Empty() ? nullptr : &Rules), FBoxes(Boxes),
        FGenerated(Boxes != nullptr ? &Rules.Generated() : nullptr) {
    if (FBoxes != nullptr) {
      FSeenLoose.resize(std::size(kElements));
      // Elements that a tag may end without their own end tag: generated
      // content at their end stands between text and that tag.
      for (const std::string_view Name : {"p", "li", "dt", "dd", "option", "optgroup", "h1", "h2", "h3", "h4", "h5",
                                          "h6", "rb", "rp", "rt", "rtc"})
        if (FGenerated->MayMatchName(Name)) FImpliedGenerated = true;
      // A rule that asks for an ancestor ("div.related li") is followed
      // on the tree up to the first server block.
      if (FBoxes->AsksAncestors()) {
        FAncestry = std::make_unique<TOpenElements>();
        for (const unsigned char* P = T; (P = static_cast<const unsigned char*>(std::memchr(P, '<', N - (P - T))));
             ++P)
          if (AtAsp(static_cast<std::size_t>(P - T))) {
            FAncestryUntil = static_cast<std::size_t>(P - T);
            break;
          }
      }
    }
  }

  std::size_t Run() {
    // A style sheet keeps the white space of every element.
    if (FRules != nullptr && FRules->All()) return N;
    while (R < N) {
      if (Keeping())
        KeepStep();
      else
        TextStep();
    }
    return W;
  }

private:
  // White space and markup are kept exactly as they are.
  bool Keeping() const { return FPreDepth > 0 || FListingDepth > 0 || FStyledDepth > 0; }

  bool At(std::size_t P, std::string_view S) const {
    return P <= N && N - P >= S.size() && std::memcmp(T + P, S.data(), S.size()) == 0;
  }
  // Server code (ASP and its kind, PHP) starts at P.
  bool AtAsp(std::size_t P) const { return AtServerBlock(T, N, P); }

  // Moves the Count bytes at the read cursor to the write cursor.
  void Take(std::size_t Count) {
    if (W != R) {
      if (Count <= 16) {
        // Short pieces are the common case; W < R, so forward is safe.
        for (std::size_t I = 0; I < Count; ++I) T[W + I] = T[R + I];
      } else {
        std::memmove(T + W, T + R, Count);
      }
    }
    R += Count;
    W += Count;
  }
  void TakeTo(std::size_t End) { Take(End - R); }
  void Skip(std::size_t Count) { R += Count; }

  // Text outside every region: runs of text move as they are, white space
  // goes to Blanks, "<" to Markup.
  void TextStep() {
    const std::size_t Start = R;
    while (R < N) {
#if defined(__SSE2__)
      if (FWide) {
        R = PlainTextEnd(Start, R);
        if (R >= N) break;
      }
#endif
      const unsigned char C = T[R];
      if (kClass[C] & cText) {
        ++R;
      } else if (C == ' ' && R > Start && T[R - 1] != '<' && R + 1 < N &&
                 (kClass[T[R + 1]] & cText)) {
        R += 2;  // a single blank between words
      } else if (C == '<' && !MarkupAt(R)) {
        ++R;  // a "<" that starts nothing is text (see TextLt)
      } else {
        break;
      }
    }
    if (R > Start) {
      const std::size_t End = R;
      R = Start;
      TakeTo(End);
      FLeft = sText;
      FInHead = false;
      FNodeEmpty = false;
    }
    if (R >= N) return;
    if (IsBlank(T[R]))
      Blanks();
    else
      Markup(true);
  }

#if defined(__SSE2__)
  static unsigned Bits(__m128i V, char C) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(V, _mm_set1_epi8(C))));
  }

  // The white space bytes of V, as bits.
  static unsigned BlankBits(__m128i V) {
    const __m128i Hit = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(V, _mm_set1_epi8('\t'))),
        _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('\n')), _mm_cmpeq_epi8(V, _mm_set1_epi8('\r'))));
    return static_cast<unsigned>(_mm_movemask_epi8(Hit));
  }

  // The bytes of V that can follow "<" in markup (see MarkupAt), as bits.
  static unsigned MarkupNextBits(__m128i V) {
    const __m128i L = _mm_or_si128(V, _mm_set1_epi8(0x20));
    const __m128i Letter = _mm_and_si128(_mm_cmpgt_epi8(L, _mm_set1_epi8('a' - 1)),
                                         _mm_cmplt_epi8(L, _mm_set1_epi8('z' + 1)));
    const __m128i Other = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('%')), _mm_cmpeq_epi8(V, _mm_set1_epi8('!'))),
        _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('?')), _mm_cmpeq_epi8(V, _mm_set1_epi8('/'))));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(Letter, Other)));
  }

  // Where the text run of TextStep that started at Start, now at R, needs
  // the byte rules again: at white space or at a "<" that starts markup,
  // except a single blank with a byte of text on either side of it.
  std::size_t PlainTextEnd(std::size_t Start, std::size_t R) const {
    unsigned Carry = R == Start || IsBlank(T[R - 1]) || T[R - 1] == '<';
    while (N - R >= 17) {
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(T + R));
      const __m128i Next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(T + R + 1));
      const unsigned Lts = Bits(V, '<');
      const unsigned Stops = BlankBits(V) | Lts;
      const unsigned NextStops = BlankBits(Next) | Bits(Next, '<');
      const unsigned Single = Bits(V, ' ') & ~((Stops << 1) | Carry) & ~NextStops;
      unsigned Bad = Stops & ~Single & 0xFFFFu;
      // A "<" that starts nothing is text, but no text for a blank beside it.
      if ((Bad & Lts) != 0) Bad &= ~(Lts & ~MarkupNextBits(Next));
      if (Bad != 0) return R + static_cast<std::size_t>(__builtin_ctz(Bad));
      Carry = (Stops >> 15) & 1;
      R += 16;
    }
    return R;
  }

  // The end of the white space from R on.
  std::size_t BlanksEnd(std::size_t R) const {
    if (FWide) {
      while (N - R >= 16) {
        const unsigned Other =
            ~BlankBits(_mm_loadu_si128(reinterpret_cast<const __m128i*>(T + R))) & 0xFFFFu;
        if (Other != 0) return R + static_cast<std::size_t>(__builtin_ctz(Other));
        R += 16;
      }
    }
    while (R < N && IsBlank(T[R])) ++R;
    return R;
  }
#else
  std::size_t BlanksEnd(std::size_t R) const {
    while (R < N && IsBlank(T[R])) ++R;
    return R;
  }
#endif

  // Inside PRE and its kind: everything moves as it is; markup is followed
  // only to find where the region ends.
  void KeepStep() {
    const void* Lt = std::memchr(T + R, '<', N - R);
    const std::size_t P = Lt != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char*>(Lt) - T) : N;
    TakeTo(P);
    if (R < N) Markup(false);
  }

  // Whether the bytes at P are markup that the safe mode removes: the
  // exact empty comment or the generator meta tag.
  std::size_t RemovableAt(std::size_t P) const {
    if (P + 1 >= N || T[P] != '<') return 0;
    if (T[P + 1] == '!' && At(P, kEmptyComment)) return kEmptyComment.size();
    if (T[P + 1] == 'm' && At(P, kMetaTag)) return kMetaTag.size();
    return 0;
  }

  // A run of white space in text, with removable markup inside it.
  void Blanks() {
    for (;;) {
      R = BlanksEnd(R);
      const std::size_t Gone = RemovableAt(R);
      // Inside white space, markup goes only where that joins no text
      // to other text (see MayRemove).
      if (Gone == 0 || TextFollows(R + Gone)) break;
      R += Gone;
    }
    bool RightSure = false;
    const TSide Right = RightSide(&RightSure);
    const bool LeftSure = FSureAt == W;
    bool Drop;
    if (FLeft == sAsp || Right == sAsp)
      Drop = false;  // server code may write text or a block there
    else if (FFormatting.Active() && FTableSpaceAt != W)
      Drop = false;  // the parser would open formatting elements again there
    else if (FLeft == sEdge || Right == sEdge)
      Drop = true;
    else if (FInHead)
      Drop = true;
    else if (LeftSure || RightSure)
      // Best mode: beside a tag that surely starts or ends a line, white
      // space is at that line's edge, whatever stands on its other side.
      Drop = true;
    else
      // The blank between two loose elements stays, and so does the white
      // space that is all the content of one (<li> </li>): made inline, it
      // shows unless other white space stands beside it.
      Drop = AtLineEdge(FLeft) && AtLineEdge(Right) && !(FLeft == sLoose && Right == sLoose) &&
             !(FLeft == sLooseInner && Right == sLooseInner);
    if (!Drop) {
      T[W++] = ' ';
      FNodeEmpty = false;
    }
  }

  // Whether markup at the read cursor is a start of markup for the
  // browser (so that it ends a text node).
  bool MarkupAt(std::size_t P) const {
    if (P + 1 >= N || T[P] != '<') return false;
    const unsigned char D = T[P + 1];
    return D == '%' || D == '!' || D == '?' || D == '/' || IsLetter(D);
  }

  // Whether text other than white space follows P before the next markup.
  bool TextFollows(std::size_t P) const {
    while (P < N && IsBlank(T[P])) ++P;
    return P < N && !MarkupAt(P);
  }

  // Whether removable markup of Count bytes at the read cursor may go.
  // Taking it away joins the text node before it with the one after it,
  // and a browser can place the glyphs of joined text a fraction of a pixel
  // apart from where it placed them in two nodes: so it goes only where
  // nothing was written since the last markup or no text other than white
  // space follows.
  bool MayRemove(std::size_t Count) const { return FNodeEmpty || !TextFollows(R + Count); }

  // Something other than text was written: the next text is a new node.
  void MarkupDone() { FNodeEmpty = true; }

  // What follows the white space that ends at the read cursor; Sure (when
  // not null, in best mode) is set when it is a tag that surely puts the
  // white space at a line's edge (see SureBefore).
  TSide RightSide(bool* Sure = nullptr) const {
    if (R >= N) return sEdge;
    if (T[R] != '<' || R + 1 >= N) return sText;
    if (AtAsp(R)) return sAsp;
    const bool EndTag = T[R + 1] == '/';
    std::size_t P = R + 1 + (EndTag ? 1 : 0);
    if (P >= N || !IsLetter(T[P])) return sText;
    char Name[kMaxKnownName];
    std::size_t Len = 0;
    for (; P < N && !(kClass[T[P]] & cTagStop); ++P) {
      if (Len == kMaxKnownName) return sText;
      Name[Len++] = static_cast<char>(Lower(T[P]));
    }
    // A tag the document ends in, or a name with server code in it.
    if (P >= N || T[P] == '<' || T[P] == '=' || T[P] == '"' || T[P] == '\'') return sText;
    const TElement* E = FindElement({Name, Len});
    const TSide Side = TagSide(E, EndTag, false);
    if (Sure != nullptr && FBoxes != nullptr && E != nullptr) *Sure = SureBefore(*E, EndTag, P);
    if (Side != sLoose || FBoxes == nullptr) return Side;
    // Just outside a loose element: a block unless a style sheet or its
    // own attributes may make it something else. The start tag is read
    // ahead as far as kLookAhead bytes (so every tag is read ahead at most
    // once, and boundedly).
    if (EndTag) return LooseAtEnd(*E) ? sLoose : sOuter;
    const std::size_t Bound = N - P > kLookAhead ? P + kLookAhead : N;
    return LooseStart(*E, P, Bound, true) ? sLoose : sOuter;
  }

  // Best mode: whether the element E (a loose one), whose start tag has its
  // attributes in T[P, End), may get a box other than a block: a style
  // sheet may give it one, its style attribute names display or float (or
  // holds server code), it is hidden, or (Ahead) the tag does not end
  // before End.
  bool LooseStart(const TElement& E, std::size_t P, std::size_t End, bool Ahead) const {
    if (FBoxesLost) return true;
    bool Styled = false;
    const std::size_t Stop = ReadTagAttributes(T, End, P, [&](const TTagAttribute& A) {
      if (AttributeNameIs(A.Name, "hidden") || A.Name.find('<') != std::string_view::npos) Styled = true;
      if (AttributeNameIs(A.Name, "style") && (!A.Known || NamesBox(A.Value))) Styled = true;
    });
    if (Styled || (Ahead && Stop >= End)) return true;
    const TClassAndId C = FBoxes->NeedsAttributes() ? ReadClassAndId(T, End, P) : TClassAndId{};
    return FBoxes->Matches(E.Name, C.Classes, C.ClassesKnown, C.Id, C.IdKnown, OpenAncestors());
  }

  // Best mode: the ancestor compounds of the box rules that the open
  // elements match (see TCompoundSet::AncestorMarks); every one where the
  // tree is not followed. Read before the tag at the read cursor changes
  // the tree: the elements it ends by itself count too (they are open on
  // a page that leaves their end tags out), so a page reads the same with
  // and without them, and no more is taken for a block than there is.
  std::uint64_t OpenAncestors() const {
    if (FAncestry == nullptr || FAncestry->Lost() || R > FAncestryUntil) return TCompoundSet::kEveryAncestor;
    return FAncestry->OpenMarks();
  }

  // Best mode: the tag just written (its name at [NameStart, NameEnd), its
  // attributes up to W), for the tree of open elements. Text is not told: it changes
  // no element's ancestors but where the tree builder puts head elements
  // after it, or text in a table, which goes before the table.
  void FollowAncestry(bool EndTag, std::size_t NameStart, std::size_t NameEnd) {
    if (FAncestry == nullptr || FAncestry->Lost()) return;
    if (R > FAncestryUntil) {
      FAncestry->Lose();  // what server code writes is not known
      return;
    }
    std::string& Name = FAncestryName;
    Name.assign(reinterpret_cast<const char*>(T + NameStart), NameEnd - NameStart);
    for (char& C : Name) C = static_cast<char>(Lower(static_cast<unsigned char>(C)));
    if (EndTag) {
      FAncestry->EndTag(Name);
      return;
    }
    const TClassAndId C = ReadClassAndId(T, W, NameEnd);
    const bool SelfClosing = W - NameEnd >= 2 && T[W - 2] == '/';
    FAncestry->StartTag(Name, SelfClosing, FBoxes->AncestorMarks(Name, C.Classes, C.ClassesKnown, C.Id, C.IdKnown));
  }

  // Best mode: whether the end tag of the loose element E may end one
  // that has a box other than a block: one of its name seen so far may (or
  // none was seen). Which one it ends is not asked: tags the page leaves
  // out (an </li> before <li>, or before </ul>) would make the answer
  // depend on them, and so a page with them and one without read
  // otherwise.
  bool LooseAtEnd(const TElement& E) const {
    if (FBoxesLost) return true;
    const TSeenLoose& Seen = FSeenLoose[static_cast<std::size_t>(&E - kElements)];
    return !Seen.Any || Seen.Loose;
  }

  // Best mode: whether the white space after the tag of E just written
  // (its attributes from AttrStart to W) surely stands at a line's edge:
  // just inside a block container, or just after a block-level element
  // or a BR, that no sheet or attribute may make other than a block in
  // the flow, where no generated content or list marker may stand between
  // the tag and the white space. Not in a table's own modes, where text
  // moves out of the table. Loose: what LooseTag found for the tag.
  bool SureAfter(const TElement& E, bool EndTag, std::size_t AttrStart, bool Loose) const {
    if (FBoxesLost || (E.Flags & (fEdge | (EndTag ? fTableEnd : fTableStart)))) return false;
    if (EndTag) return (E.Flags & fOuter) && !Loose;
    if (!(E.Flags & (E.Flags & fVoid ? fOuter : fInner)) || E.Name == "li" || E.Name == "summary") return false;
    if (Loose) return false;
    if (E.Flags & fVoid) return true;
    const TClassAndId C = FGenerated->NeedsAttributes() ? ReadClassAndId(T, W, AttrStart) : TClassAndId{};
    return !FGenerated->Matches(E.Name, C.Classes, C.ClassesKnown, C.Id, C.IdKnown);
  }

  // The same for the white space before the tag of E whose name ends at
  // P (not yet read): just before the start tag of a block-level element
  // or a BR, or just before the end tag of a block container; not while an
  // inline element is open, nor where generated content may stand at the
  // end of an element the tag ends by itself.
  bool SureBefore(const TElement& E, bool EndTag, std::size_t P) const {
    if (FBoxesLost || FInlineLost || FImpliedGenerated || !FInlineOpen.empty()) return false;
    if (E.Flags & (fTableStart | fTableEnd | fCellStart | fCellEnd | fEdge)) return false;
    if (EndTag) return (E.Flags & fInner) && !LooseAtEnd(E) && !FGenerated->MayMatchName(E.Name);
    if (!(E.Flags & fOuter)) return false;
    const std::size_t Bound = N - P > kLookAhead ? P + kLookAhead : N;
    return !LooseStart(E, P, Bound, true);
  }

  // Best mode: follows the inline elements open (see FInlineOpen) at the
  // tag of E (null: not in the table) named TagName just written.
  void FollowInline(const TElement* E, bool EndTag, std::string_view TagName) {
    const bool InForeign = !FInlineOpen.empty() && (FInlineOpen.back() == "svg" || FInlineOpen.back() == "math");
    if (InForeign) {
      if (EndTag && EqualNoCase(TagName, FInlineOpen.back())) FInlineOpen.pop_back();
      return;
    }
    const std::uint16_t F = E != nullptr ? E->Flags : 0;
    if (F & (fInner | fOuter | fEdge)) {
      // A block's end tag ends the inline elements open inside it.
      if (EndTag && !FInlineOpen.empty()) FInlineLost = true;
      return;
    }
    if ((F & fVoid) || (E != nullptr && E->Content != TContent::ctMarkup)) return;
    if (!EndTag) {
      FInlineOpen.emplace_back(TagName);
      for (char& C : FInlineOpen.back()) C = static_cast<char>(Lower(static_cast<unsigned char>(C)));
    } else if (!FInlineOpen.empty()) {
      if (EqualNoCase(TagName, FInlineOpen.back()))
        FInlineOpen.pop_back();
      else
        FInlineLost = true;
    }
  }

  // Whether a style attribute's value names a property that changes a box.
  static bool NamesBox(std::string_view Value) {
    for (const std::string_view Property :
         {std::string_view("display"), std::string_view("float"), std::string_view("position")})
      for (std::size_t I = 0; I + Property.size() <= Value.size(); ++I)
        if (AttributeNameIs(Value.substr(I, Property.size()), Property)) return true;
    return false;
  }

  // At a "<". Compact: outside every region (else everything is kept).
  void Markup(bool Compact) {
    if (R + 1 >= N) {
      TextLt();
      return;
    }
    const unsigned char D = T[R + 1];
    if (!MarkupAt(R)) {
      TextLt();
      return;
    }
    if (D == '!' && Compact && At(R, kEmptyComment) && MayRemove(kEmptyComment.size())) {
      Skip(kEmptyComment.size());
      return;
    }
    if (D == 'm' && Compact && At(R, kMetaTag) && MayRemove(kMetaTag.size())) {
      Skip(kMetaTag.size());
      return;
    }
    MarkupDone();
    if (D == '%' || (D == '?' && AtAsp(R))) {
      const bool Directive = D == '%' && R + 2 < N && T[R + 2] == '@';
      Asp();
      FLeft = sAsp;
      if (!Directive) FInHead = false;
    } else if (D == '!') {
      if (At(R, "<!--")) {
        Comment(Compact);
      } else {
        // A DOCTYPE: its rendering mode is not read here (a table then may
        // or may not close a p, and the tree is no longer followed there).
        if (FAncestry != nullptr && N - R >= 9 &&
            EqualNoCase(std::string_view(reinterpret_cast<const char*>(T + R), 9), "<!doctype"))
          FAncestry->Doctype(false);
        Bogus(At(R, "<![CDATA[") ? std::string_view("]]>") : std::string_view(">"));
      }
    } else if (D == '?') {
      Bogus(">");
    } else if (D == '/') {
      if (R + 2 < N && IsLetter(T[R + 2])) {
        Tag(Compact, true);
      } else if (R + 2 < N && T[R + 2] == '>') {
        // "</>" is dropped by the browser: the text around it stays one node.
        Take(3);
        FLeft = sText;
        FNodeEmpty = false;
      } else {
        Bogus(">");
      }
    } else {
      Tag(Compact, false);
    }
  }

  // A "<" that starts nothing: text.
  void TextLt() {
    Take(1);
    FLeft = sText;
    FInHead = false;
    FNodeEmpty = false;
  }

  // Where the server block that starts at P ends (see ServerBlocks.h).
  std::size_t AspEnd(std::size_t P) const { return ServerBlockEnd(T, N, P); }

  void Asp() { TakeTo(AspEnd(R)); }

  // Markup kept as it is up to and including Close ("<!DOCTYPE ...>",
  // "<?xml ...?>", "<![CDATA[...]]>", "</ ...>"). ASP blocks inside are
  // skipped whole.
  void Bogus(std::string_view Close) {
    TakeTo(MarkupEnd(T, N, R + 2, Close));
    FLeft = sText;
  }

  // A comment, at "<!--". It leaves the sides of white space as they were:
  // the browser shows nothing for it.
  void Comment(bool Compact) {
    // "<!-->" and "<!--->" are whole comments.
    if (At(R + 4, ">")) {
      Take(5);
      return;
    }
    if (At(R + 4, "->")) {
      Take(6);
      return;
    }
    if (!Compact || At(R + 4, "#")) {
      // Kept: inside a region, or a server-side include.
      std::size_t P = R + 4;
      while (P < N) {
        if (AtAsp(P)) {
          P = AspEnd(P);
        } else if (T[P] == '-' && At(P, "-->")) {
          P += 3;
          break;
        } else if (T[P] == '-' && At(P, "--!>")) {
          P += 4;
          break;
        } else {
          ++P;
        }
      }
      TakeTo(std::min(P, N));
      return;
    }
    Take(4);
    while (R < N) {
      const unsigned char C = T[R];
      if (IsBlank(C)) {
        std::size_t E = R;
        while (E < N && IsBlank(T[E])) ++E;
        // A blank after "-" goes, unless taking it away would make "-->",
        // "--!>" or the end of "<!-->" out of what follows.
        const bool AfterDash = T[W - 1] == '-';
        const bool Safe = E < N && T[E] != '-' && T[E] != '>' && T[E] != '!';
        R = E;
        if (!(AfterDash && Safe)) T[W++] = ' ';
      } else if (C == '-') {
        if (At(R, "-->")) {
          Take(3);
          return;
        }
        if (At(R, "--!>")) {
          Take(4);
          return;
        }
        Take(1);
      } else if (C == '<' && AtAsp(R)) {
        Asp();
      } else {
        std::size_t E = R + 1;
        while (E < N && T[E] != '-' && T[E] != '<' && !IsBlank(T[E])) ++E;
        TakeTo(E);
      }
    }
  }

  // Where in a tag the scan stands (the attribute states of the browser).
  // A start or end tag, at its "<".
  void Tag(bool Compact, bool EndTag) {
    const std::size_t TagW = W;
    Take(EndTag ? 2 : 1);
    // The name, lower-cased as far as the table needs it.
    char Name[kMaxKnownName + 1];
    std::size_t NameLen = 0;
    bool NameKnown = true;
    const std::size_t NameStart = W;
    while (R < N) {
      if (AtAsp(R)) {
        NameKnown = false;
        FBoxesLost = true;  // the server may write any element's tag
        Asp();
        continue;
      }
      std::size_t End = R;
      while (End < N && !(kClass[T[End]] & cNameStop)) ++End;
      for (std::size_t I = R; I < End; ++I) {
        if (NameLen < kMaxKnownName)
          Name[NameLen++] = static_cast<char>(Lower(T[I]));
        else
          NameKnown = false;
      }
      TakeTo(End);
      if (R >= N || T[R] != '<') break;
      if (!AtAsp(R)) {
        NameKnown = false;  // "<" is a name byte, of no name in the table
        Take(1);
      }
    }
    const TElement* E = NameKnown ? FindElement({Name, NameLen}) : nullptr;
    const std::size_t NameEnd = W;

    TTagState S = tsName;
    bool AfterAsp = false;
    bool Closed = false;
    while (R < N) {
      const unsigned char C = T[R];
      if (C == '<' && AtAsp(R)) {
        Asp();
        AfterAsp = true;
        continue;
      }
      if (IsBlank(C)) {
        const std::size_t End = BlanksEnd(R);
        if (!Compact) {
          TakeTo(End);
        } else {
          R = End;
          if (!DropsTagBlank(S, AfterAsp)) T[W++] = ' ';
        }
        S = AfterBlanks(S);
        AfterAsp = false;
        continue;
      }
      AfterAsp = false;
      if (C == '>') {
        Take(1);
        Closed = true;
        break;
      }
      if (S == tsBeforeValue && (C == '"' || C == '\'')) {
        QuotedValue(C);
        S = tsAfterQuoted;
        continue;
      }
      S = AfterByte(S, C);
      // The rest of a name or an unquoted value moves in one piece.
      std::size_t End = R + 1;
      if (S == tsAttr || S == tsUnquoted)
        while (End < N && !(kClass[T[End]] & cTagStop)) ++End;
      TakeTo(End);
    }
    if (!Closed) {
      // The document ends inside the tag: the browser drops it.
      FLeft = sText;
      return;
    }
    AfterTag(Compact, EndTag, E, TagW, NameStart, NameEnd);
  }

  // Whether white space inside a tag can go, given where it stands (S)
  // and what follows it (at the read cursor).
  bool DropsTagBlank(TTagState S, bool AfterAsp) const {
    if (R >= N || AfterAsp || AtAsp(R)) return false;
    const unsigned char Next = T[R];
    switch (S) {
      case tsName:
        return Next == '>' || Next == '/';
      case tsAttr:
      case tsAfterAttr:
        return Next == '=' || Next == '>' || Next == '/';
      case tsBeforeValue:
      case tsAfterQuoted:
        return true;
      case tsUnquoted:
        // Before "/" the value would take it in.
        return Next == '>' && T[W - 1] != '/';
      case tsBeforeAttr:
        return Next == '>';
      case tsSlash:
        return false;
    }
    return false;
  }

  // A quoted value, at its opening Quote: kept as it is.
  void QuotedValue(unsigned char Quote) {
    std::size_t P = R + 1;
    while (P < N) {
      // Server code may hold the quote: "<%" before it is skipped whole.
      const std::size_t Hit = static_cast<std::size_t>(FindEitherByte(T + P, T + N, Quote, '<', FWide) - T);
      if (Hit >= N) {
        P = N;
        break;
      }
      if (T[Hit] == Quote) {
        P = Hit + 1;
        break;
      }
      P = AtAsp(Hit) ? AspEnd(Hit) : Hit + 1;
    }
    TakeTo(P);
  }

  // The tag that was just written to [TagW, W) is complete: regions it
  // opens or closes, and what it means for the white space after it.
  void AfterTag(bool Compact, bool EndTag, const TElement* E, std::size_t TagW,
                std::size_t NameStart, std::size_t NameEnd) {
    const std::string_view TagName(reinterpret_cast<const char*>(T + NameStart), NameEnd - NameStart);
    if (FStyledDepth > 0 && EqualNoCase(TagName, FStyledName)) {
      if (EndTag)
        --FStyledDepth;
      else
        ++FStyledDepth;
    }
    if (E != nullptr && (E->Flags & (fFormat | fMarker | fBoundary | fTableStart | fTableEnd | fCellStart | fCellEnd))) {
      FFormatting.Tag(E, EndTag);
      // White space after it is in one of the table's own modes, where the
      // parser opens no formatting element again.
      if (FFormatting.InTable() && (E->Flags & (EndTag ? fTableEnd : fTableStart))) FTableSpaceAt = W;
    }
    // Inside a kept region these matter only for the tag that ends it.
    FLeft = TagSide(E, EndTag, true);
    if (FBoxes != nullptr && E != nullptr && (E->Flags & (fInner | fOuter))) {
      const bool Loose = LooseTag(*E, EndTag, NameEnd);
      if (SureAfter(*E, EndTag, NameEnd, Loose)) FSureAt = W;
    }
    if (FBoxes != nullptr && !FInlineLost) FollowInline(E, EndTag, TagName);
    FollowAncestry(EndTag, NameStart, NameEnd);
    if (!EndTag && (E == nullptr || !(E->Flags & fHead))) FInHead = false;
    const TContent Content = E != nullptr ? E->Content : TContent::ctMarkup;
    if (EndTag) {
      if (Content == TContent::ctPre) {
        int& Depth = E->Name == "pre" ? FPreDepth : FListingDepth;
        if (Depth > 0) --Depth;
      }
      return;
    }
    switch (Content) {
      case TContent::ctPre:
        ++(E->Name == "pre" ? FPreDepth : FListingDepth);
        return;
      case TContent::ctRaw:
        RawText(E->Name, false);
        return;
      case TContent::ctScript:
        RawText(E->Name, true);
        return;
      case TContent::ctPlainText:
        TakeTo(N);
        return;
      case TContent::ctMarkup:
        break;
    }
    // An element whose own style, or a style sheet, keeps white space is
    // kept whole.
    if (Compact && FStyledDepth == 0 && (E == nullptr || !(E->Flags & fVoid)) &&
        (KeepsWhiteSpace(T + TagW, W - TagW) || KeptBySheet(TagName, NameEnd))) {
      FStyledName.assign(TagName.begin(), TagName.end());
      FStyledDepth = 1;
    }
  }

  // Best mode: the loose element E's tag, just written with its attributes
  // from AttrStart to W, as a block's tag when no box may change; a start
  // tag is noted for its name. Whether it may get another box.
  bool LooseTag(const TElement& E, bool EndTag, std::size_t AttrStart) {
    bool Loose;
    if (EndTag) {
      Loose = LooseAtEnd(E);
    } else {
      Loose = LooseStart(E, AttrStart, W, false);
      TSeenLoose& Seen = FSeenLoose[static_cast<std::size_t>(&E - kElements)];
      Seen.Any = true;
      Seen.Loose = Seen.Loose || Loose;
    }
    if (!Loose) FLeft = FLeft == sLooseInner ? sInner : FLeft == sLoose ? sOuter : FLeft;
    return Loose;
  }

  // Whether a style sheet keeps the white space of the element whose start
  // tag, just written, has the name TagName and its attributes from
  // AttrStart to W.
  bool KeptBySheet(std::string_view TagName, std::size_t AttrStart) const {
    if (FRules == nullptr) return false;
    // Server code in the name: it may be any element.
    if (TagName.find('<') != std::string_view::npos) return true;
    std::string Name(TagName);
    for (char& C : Name) C = static_cast<char>(Lower(static_cast<unsigned char>(C)));
    const TClassAndId C = FRules->NeedsAttributes() ? ReadClassAndId(T, W, AttrStart) : TClassAndId{};
    return FRules->Matches(Name, C.Classes, C.ClassesKnown, C.Id, C.IdKnown);
  }

  static bool EqualNoCase(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    for (std::size_t I = 0; I < A.size(); ++I)
      if (Lower(static_cast<unsigned char>(A[I])) != Lower(static_cast<unsigned char>(B[I])))
        return false;
    return true;
  }

  // Whether the tag bytes Tag[0, Len) set "white-space" (or
  // "white-space-collapse") to anything but "normal" or "nowrap".
  bool KeepsWhiteSpace(const unsigned char* Tag, std::size_t Len) const {
    constexpr std::string_view kProperty = "white-space";
    if (Len < kProperty.size()) return false;
    const unsigned char* const Last = Tag + (Len - kProperty.size() + 1);
    for (const unsigned char* At = Tag;; ++At) {
      At = FindEitherByte(At, Last, 'w', 'W', FWide);
      if (At == Last) break;
      const std::size_t I = static_cast<std::size_t>(At - Tag);
      std::size_t J = 0;
      while (J < kProperty.size() && Lower(Tag[I + J]) == static_cast<unsigned char>(kProperty[J])) ++J;
      if (J < kProperty.size()) continue;
      std::size_t P = I + J;
      constexpr std::string_view kCollapse = "-collapse";
      std::size_t K = 0;
      while (K < kCollapse.size() && P + K < Len && Lower(Tag[P + K]) == static_cast<unsigned char>(kCollapse[K])) ++K;
      if (K == kCollapse.size()) P += K;
      while (P < Len && IsBlank(Tag[P])) ++P;
      if (P >= Len || Tag[P] != ':') continue;
      ++P;
      while (P < Len && IsBlank(Tag[P])) ++P;
      auto Starts = [&](std::string_view V) {
        if (Len - P < V.size()) return false;
        for (std::size_t Q = 0; Q < V.size(); ++Q)
          if (Lower(Tag[P + Q]) != static_cast<unsigned char>(V[Q])) return false;
        return true;
      };
      if (Starts("normal") || Starts("nowrap") || Starts("collapse")) continue;
      return true;
    }
    return false;
  }

  // The content of a raw text element, up to its own end tag (which the
  // main loop then reads as a tag).
  void RawText(std::string_view Name, bool Script) {
    bool Server = false;
    TakeTo(raw_text::RawTextEnd(T, N, R, Name, Script, &Server, IsBlank));
  }

  unsigned char* const T;
  const std::size_t N;
  const bool FWide = UseWideScan();
  std::size_t R = 0;
  std::size_t W = 0;
  TSide FLeft = sEdge;    // what stands before the next run of white space
  bool FInHead = true;    // nothing of the body has been seen yet
  bool FNodeEmpty = true;     // nothing written since the last markup
  int FPreDepth = 0;
  int FListingDepth = 0;
  int FStyledDepth = 0;   // open elements named FStyledName, from one that keeps white space
  std::string FStyledName;
  const TKeepRules* const FRules;  // null: no style sheet keeps white space
  // Best mode: the elements whose box a style sheet may change; a loose
  // element outside them is taken as a block. Null: loose elements stay
  // loose.
  const TCompoundSet* const FBoxes;
  // For each loose element's name (by its index in kElements): whether a
  // start tag of it was read, and whether one of them may have another box.
  struct TSeenLoose {
    bool Any = false;
    bool Loose = false;
  };
  std::vector<TSeenLoose> FSeenLoose;
  // Best mode: the elements that may have generated content at their
  // edges; and the write position just after a tag that surely puts the
  // white space after it at a line's edge (see SureAfter).
  const TCompoundSet* const FGenerated;
  std::size_t FSureAt = static_cast<std::size_t>(-1);
  bool FImpliedGenerated = false;  // one of those a tag may end may have some
  // Best mode: the inline elements open now (lower-case names, SVG and MATH
  // with all they hold), whose end (a quotation mark after a Q, generated
  // content) would stand between text and the tag that ends them; Lost:
  // tags that end them other than in order make that unknown.
  std::vector<std::string> FInlineOpen;
  bool FInlineLost = false;
  // Best mode, where a box rule asks for an ancestor: the open elements,
  // followed up to the first server block (FAncestryUntil).
  std::unique_ptr<TOpenElements> FAncestry;
  std::size_t FAncestryUntil = static_cast<std::size_t>(-1);
  std::string FAncestryName;
  bool FBoxesLost = false;  // a tag's name held server code: any element may be open
  static constexpr std::size_t kLookAhead = 4096;
  TFormattingList FFormatting;
  // The write position just after a table's tag that leaves the parser in
  // one of the table's own modes.
  std::size_t FTableSpaceAt = static_cast<std::size_t>(-1);
};

// Reads all of a stream into a text buffer, through the same text stream
// (and so with the same handling of the exact-transfer rule and of a
// stream that cannot be read) as the default mode.
class TWholeReader : public TTextStream {
public:
  explicit TWholeReader(TBaseStream& Input) : TTextStream(-1, 0, Input) {}

  void ReadAll(TTextBuffer& Text) {
    if (EndOfStream()) return;
    if (!FCanRead) throw EInOutError(SCannotReadFromStream);
    // EndOfStream may have read the first block ahead to find out.
    if (FReadPos < FReadFill) {
      const std::size_t Ahead = static_cast<std::size_t>(FReadFill - FReadPos);
      Text.Reserve(Text.Size() + Ahead);
      std::memcpy(Text.Data() + Text.Size(), FReadBuffer.get() + FReadPos, Ahead);
      Text.Extend(Ahead);
      FReadPos = FReadFill;
    }
    if (FTargetDrained) return;
    constexpr std::int32_t kMinChunk = 65536;
    constexpr std::int32_t kMaxChunk = 1 << 30;
    for (;;) {
      // Room for what the source says it has, growing by half at least, so
      // that a source that hands out a few bytes per read costs no more
      // than one that hands out everything at once.
      const std::int32_t Avail = FTarget.Available();
      const std::size_t Need = Text.Size() + static_cast<std::size_t>(std::clamp(Avail, kMinChunk, kMaxChunk));
      if (Need > Text.Capacity()) Text.Reserve(std::max(Need, Text.Capacity() + Text.Capacity() / 2));
      const std::size_t Room = std::min<std::size_t>(Text.Capacity() - Text.Size(), kMaxChunk);
      const std::int32_t Got = FTarget.Read(Text.Data() + Text.Size(), static_cast<std::int32_t>(Room));
      if (Got <= 0) break;
      Text.Extend(static_cast<std::size_t>(Got));
    }
  }
};

// Safe mode, and in best mode its reductions after it: where a comment
// went, white space may have come together, which safe mode then reads
// again. Folder: where the page's relative sheet addresses start.
std::size_t CompactByLevel(unsigned char* Text, std::size_t Size, const TKeepRules& Rules,
                           const TCompactOptions& Options, const std::string& Folder);

}  // namespace

std::size_t SafeCompactText(unsigned char* Text, std::size_t Size, const TKeepRules& Rules,
                            const TCompoundSet* Boxes) {
  if (Size == 0) return 0;
  return TSafeScan(Text, Size, Rules, Boxes).Run();
}

bool MayGoBeforeTag(std::string_view LowerName, bool EndTag) {
  const TElement* E = FindElement(LowerName);
  if (E == nullptr || (E->Flags & (fTableStart | fTableEnd | fCellStart | fCellEnd | fEdge))) return false;
  return (E->Flags & (EndTag ? fInner : fOuter)) != 0;
}

std::string SafeCompactString(std::string_view Text, const TCompactOptions& Options) {
  std::string S(Text);
  auto* Bytes = reinterpret_cast<unsigned char*>(S.data());
  const TKeepRules Rules = GatherKeepRules(Bytes, S.size(), Options, Options.BaseFolder);
  S.resize(CompactByLevel(Bytes, S.size(), Rules, Options, Options.BaseFolder));
  return S;
}

void SafeCompactHTML(TBaseStream& Input, TBaseStream& Output, const TCompactOptions& Options) {
  TTextBuffer Text;
  {
    TWholeReader Reader(Input);
    Reader.ReadAll(Text);
  }
  if (const char* encoding = WideEncoding(Text.View()))
    throw Exception(Format(SWideText, {"The page", encoding}));
  // Relative sheet addresses start from the page's own folder when the
  // page is a file.
  std::string Folder = Options.BaseFolder;
  if (Folder.empty())
    if (const auto* File = dynamic_cast<const TFileStream*>(&Input)) Folder = FolderOf(File->FileName());
  const TKeepRules Rules = GatherKeepRules(Text.Data(), Text.Size(), Options, Folder);
  Text.Shrink(CompactByLevel(Text.Data(), Text.Size(), Rules, Options, Folder));
  WriteCompactedText(Input, Output, Text.View());
}

namespace {

std::size_t CompactByLevel(unsigned char* Text, std::size_t Size, const TKeepRules& Rules,
                           const TCompactOptions& Options, const std::string& Folder) {
  // Best mode takes loose elements that no sheet may make other than
  // blocks as blocks.
  const bool Blocks = Options.Best() && !Options.BestKeep.BlockSpace;
  std::size_t Length = SafeCompactText(Text, Size, Rules, Blocks ? &Rules.Boxes() : nullptr);
  if (!Options.Best()) return Length;
  // The rules are read again from the compacted page, as a second run
  // reads them: the quick look at the page's bytes that finds its sheets
  // can read a "<style" in a comment or a value, and safe mode may have
  // changed the white space of what follows it. The sheets themselves
  // (STYLE text, files) read the same; their sheets not read are told
  // once, the first time. Where the rules read differ and decide which
  // blanks between blocks go, the page is compacted again by them, as a
  // second run would, until they settle (STYLE text and sheet files never
  // change, so on real pages the rules read the same at once). Keeping
  // those blanks, the safe pass is safe mode's own, whatever it reads.
  TCompactOptions Again = Options;
  Again.Notes = nullptr;
  if (!Again.SheetCache) Again.SheetCache = std::make_shared<TStyleSheetCache>();
  TKeepRules Compacted = GatherKeepRules(Text, Length, Again, Folder);
  TKeepRules Previous;
  const TKeepRules* Used = &Rules;
  for (int Pass = 0; Blocks && Pass < 4 && !(Compacted == *Used); ++Pass) {
    Length = SafeCompactText(Text, Length, Compacted, &Compacted.Boxes());
    Previous = std::move(Compacted);
    Used = &Previous;
    Compacted = GatherKeepRules(Text, Length, Again, Folder);
  }
  bool Removed = false;
  Length = BestCompactText(Text, Length, Compacted, Options.BestKeep, &Removed);
  if (Removed) {
    const std::size_t Before = Length;
    Length = SafeCompactText(Text, Length, Compacted, Blocks ? &Compacted.Boxes() : nullptr);
    // Where white space that came together around a comment went, a tag
    // that the blank kept may go now (</p> <!--x--> <p>).
    if (Length != Before && !Options.BestKeep.OptionalTags)
      Length = BestCompactText(Text, Length, Compacted, Options.BestKeep);
  }
  return Length;
}

}  // namespace
