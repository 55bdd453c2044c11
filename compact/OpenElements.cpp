#include "compact/OpenElements.h"

#include <unordered_map>

using namespace std::string_view_literals;

namespace {

// What the tree builder does with an element of a name.
enum : std::uint32_t {
  eSpecial = 1u << 0,     // the parser's "special" category
  eFormatting = 1u << 1,  // goes on the list of active formatting elements
  eImplied = 1u << 2,     // its end tag is implied ("generate implied end tags")
  eClosesP = 1u << 3,     // its start tag closes an open p (in button scope)
  eHeading = 1u << 4,     // h1 ... h6
  eEndsImplied = 1u << 5, // its end tag closes the implied elements inside, then it
  eScope = 1u << 6,       // bounds the default scope
  eVoid = 1u << 7,        // never on the stack
  eRaw = 1u << 8,         // raw text or RCDATA: the next token is its end tag
  eHeadOnly = 1u << 9,    // taken into the head after the head was closed
  eBreakout = 1u << 10,   // leaves SVG and MATH content for HTML
  eIntegration = 1u << 11,  // SVG and MATH elements whose content is HTML
  eMarker = 1u << 12,     // puts a marker on the formatting list (applet, marquee, object)
  eTableSection = 1u << 13,  // tbody, thead, tfoot
};

const std::unordered_map<std::string_view, std::uint32_t>& Kinds() {
  static const std::unordered_map<std::string_view, std::uint32_t> kKinds = [] {
    std::unordered_map<std::string_view, std::uint32_t> K;
    auto Add = [&](std::initializer_list<std::string_view> Names, std::uint32_t Flags) {
      for (std::string_view N : Names) K[N] |= Flags;
    };
    Add({"address", "applet", "area", "article", "aside", "base", "basefont", "bgsound", "blockquote", "body",
         "br", "button", "caption", "center", "col", "colgroup", "dd", "details", "dir", "div", "dl", "dt",
         "embed", "fieldset", "figcaption", "figure", "footer", "form", "frame", "frameset", "h1", "h2", "h3",
         "h4", "h5", "h6", "head", "header", "hgroup", "hr", "html", "iframe", "img", "input", "keygen", "li",
         "link", "listing", "main", "marquee", "menu", "meta", "nav", "noembed", "noframes", "noscript",
         "object", "ol", "p", "param", "plaintext", "pre", "script", "search", "section", "select", "source",
         "style", "summary", "table", "tbody", "td", "template", "textarea", "tfoot", "th", "thead", "title",
         "tr", "track", "ul", "wbr", "xmp"},
        eSpecial);
    Add({"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike", "strong", "tt", "u"},
        eFormatting);
    Add({"dd", "dt", "li", "optgroup", "option", "p", "rb", "rp", "rt", "rtc"}, eImplied);
    Add({"address", "article", "aside", "blockquote", "center", "details", "dialog", "dir", "div", "dl",
         "fieldset", "figcaption", "figure", "footer", "header", "hgroup", "main", "menu", "nav", "ol", "p",
         "search", "section", "summary", "ul", "h1", "h2", "h3", "h4", "h5", "h6", "pre", "listing"},
        eClosesP);
    Add({"h1", "h2", "h3", "h4", "h5", "h6"}, eHeading);
    Add({"address", "article", "aside", "blockquote", "button", "center", "details", "dialog", "dir", "div",
         "dl", "fieldset", "figcaption", "figure", "footer", "header", "hgroup", "listing", "main", "menu",
         "nav", "ol", "pre", "search", "section", "summary", "ul", "applet", "marquee", "object"},
        eEndsImplied);
    Add({"applet", "marquee", "object"}, eMarker);
    Add({"applet", "caption", "html", "table", "td", "th", "marquee", "object", "template"}, eScope);
    Add({"area", "base", "basefont", "bgsound", "br", "col", "embed", "hr", "image", "img", "input", "keygen",
         "link", "meta", "param", "source", "track", "wbr"},
        eVoid);
    Add({"script", "style", "title", "textarea", "xmp", "iframe", "noembed", "noframes", "noscript"}, eRaw);
    Add({"base", "basefont", "bgsound", "link", "meta", "noframes", "script", "style", "template", "title"},
        eHeadOnly);
    Add({"b", "big", "blockquote", "body", "br", "center", "code", "dd", "div", "dl", "dt", "em", "embed", "h1",
         "h2", "h3", "h4", "h5", "h6", "head", "hr", "i", "img", "li", "listing", "menu", "meta", "nobr", "ol",
         "p", "pre", "ruby", "s", "small", "span", "strong", "strike", "sub", "sup", "table", "tt", "u", "ul",
         "var", "font"},
        eBreakout);
    Add({"foreignobject", "desc", "title", "mi", "mo", "mn", "ms", "mtext", "annotation-xml"}, eIntegration);
    Add({"tbody", "thead", "tfoot"}, eTableSection);
    return K;
  }();
  return kKinds;
}

std::uint32_t KindOf(std::string_view Name) {
  const auto& K = Kinds();
  const auto It = K.find(Name);
  return It == K.end() ? 0 : It->second;
}

bool Is(std::string_view Name, std::uint32_t Flag) { return (KindOf(Name) & Flag) != 0; }

}  // namespace

bool TOpenElements::EndClosesImplied(std::string_view Name) {
  return Is(Name, eEndsImplied | eHeading) || Name == "li"sv || Name == "dd"sv || Name == "dt"sv || Name == "td"sv ||
         Name == "th"sv;
}

TOpenElements::TMode TOpenElements::Mode() const {
  if (FAfterBody) return TMode::AfterBody;
  if (FDepth == 0) return FPhase == TMode::Initial ? TMode::Initial : TMode::BeforeHtml;
  if (FDepth == 1 && FStack[0].Name == "html"sv) return FPhase;
  return FStack[FDepth - 1].Mode;
}

void TOpenElements::Push(std::string_view Name, TMode Mode) {
  if (FDepth >= kMaxDepth) {
    FLost = true;
    return;
  }
  if (FStack.size() <= FDepth) FStack.emplace_back();
  FStack[FDepth].Name.assign(Name);
  FStack[FDepth].Mode = Mode;
  FStack[FDepth].Kind = KindOf(Name);
  FStack[FDepth].Marks = 0;
  if (FTagMarks != 0 && Name == FTagName) {
    FStack[FDepth].Marks = FTagMarks;
    FTagMarks = 0;
  }
  ++FDepth;
  if (Name == "table"sv) ++FTables;
}

void TOpenElements::Pop() {
  if (FDepth == 0) {
    FLost = true;
    return;
  }
  --FDepth;
  if (FStack[FDepth].Name == "table"sv) --FTables;
}

void TOpenElements::PopTo(std::size_t Index, bool Cleared) {
  while (FDepth > Index) {
    // A formatting element closed by another element's end tag stays on
    // the parser's list and comes back at the next text: not followed.
    if (!Cleared && FDepth - 1 > Index && (FStack[FDepth - 1].Kind & eFormatting)) FLost = true;
    Pop();
  }
}

std::size_t TOpenElements::Find(std::string_view Name, std::uint32_t Boundaries) const {
  for (std::size_t I = FDepth; I > 0; --I) {
    const std::string& N = FStack[I - 1].Name;
    if (N == Name) return I - 1;
    if (FStack[I - 1].Mode == TMode::Foreign || (FStack[I - 1].Kind & Boundaries)) return kNone;
  }
  return kNone;
}

void TOpenElements::ClosePInButtonScope() {
  for (std::size_t I = FDepth; I > 0; --I) {
    const std::string& N = FStack[I - 1].Name;
    if (N == "p"sv) {
      PopTo(I - 1, false);
      return;
    }
    if (N == "button"sv || (FStack[I - 1].Kind & eScope) || FStack[I - 1].Mode == TMode::Foreign) return;
  }
}

// The start tag of li (dd, dt) closes the nearest open one of its kind,
// unless a special element other than address, div and p stands between.
void TOpenElements::CloseListItem(std::string_view Name) {
  const bool Dl = Name != "li"sv;
  for (std::size_t I = FDepth; I > 0; --I) {
    const std::string& N = FStack[I - 1].Name;
    if (Dl ? (N == "dd"sv || N == "dt"sv) : N == "li"sv) {
      PopTo(I - 1, false);
      break;
    }
    if ((FStack[I - 1].Kind & eSpecial) && N != "address"sv && N != "div"sv && N != "p"sv) break;
  }
  ClosePInButtonScope();
}

void TOpenElements::Doctype(bool NoQuirks) {
  if (FPhase == TMode::Initial && FDepth == 0 && !FAfterBody) {
    FQuirks = NoQuirks ? TQuirks::NoQuirks : TQuirks::Unknown;
    FPhase = TMode::BeforeHtml;
  }
  // Elsewhere the parser drops it.
}

// One step of the phases before the body for a start tag Name (empty for
// text): true when the token was taken where it stands, false when it is
// to be read again in the mode reached.
bool TOpenElements::BeforeBody(std::string_view Name) {
  switch (Mode()) {
    case TMode::Initial:
      FQuirks = TQuirks::Quirks;
      FPhase = TMode::BeforeHtml;
      return false;
    case TMode::BeforeHtml:
      Push("html", TMode::Body);
      FPhase = TMode::BeforeHead;
      return Name == "html"sv;
    case TMode::BeforeHead:
      if (Name == "html"sv) return true;
      Push("head", TMode::InHead);
      return Name == "head"sv;
    case TMode::InHead:
      if (Name == "html"sv) return true;
      if (Name == "head"sv) {
        FLost = true;
        return true;
      }
      if (Name == "base"sv || Name == "basefont"sv || Name == "bgsound"sv || Name == "link"sv || Name == "meta"sv) return true;
      if (Name == "title"sv || Name == "style"sv || Name == "script"sv || Name == "noscript"sv || Name == "noframes"sv) {
        Push(Name, TMode::InHead);
        return true;
      }
      Pop();
      FPhase = TMode::AfterHead;
      return false;
    case TMode::AfterHead:
      if (Name == "html"sv) return true;
      if (Name == "head"sv) {
        FLost = true;
        return true;
      }
      if (!Name.empty() && Is(Name, eHeadOnly)) {
        if (Is(Name, eRaw)) Push(Name, TMode::AfterHead);
        return true;
      }
      Push("body", TMode::Body);
      FPhase = TMode::Body;
      return Name == "body"sv;
    default:
      return false;
  }
}

bool TOpenElements::InRawText() const {
  return FDepth > 0 && (FStack[FDepth - 1].Kind & eRaw) && FStack[FDepth - 1].Mode != TMode::Foreign;
}

void TOpenElements::Text(bool Blank) {
  if (FLost) return;
  if (Blank) return;  // white space changes no structure in any mode followed here
  for (int Guard = 0; Guard < 8 && !FLost; ++Guard) {
    if (BeforeTheBody(Mode())) {
      BeforeBody({});
      continue;
    }
    switch (Mode()) {
      case TMode::Body:
      case TMode::Select:
      case TMode::Foreign:
        return;
      default:
        // Text in a table's own modes is foster-parented; after the body
        // it reopens the body.
        FLost = true;
        return;
    }
  }
  FLost = true;
}

void TOpenElements::StartTag(std::string_view Name, bool SelfClosing, std::uint64_t Marks) {
  if (FLost) return;
  if (Name == "html"sv || Name == "body"sv) FLasting |= Marks;
  FTagName = Name;
  FTagMarks = Marks;
  StartTagOf(Name, SelfClosing);
  FTagMarks = 0;
}

void TOpenElements::StartTagOf(std::string_view Name, bool SelfClosing) {
  if (InRawText()) {
    FLost = true;  // the scanner reads raw text to its end tag: not expected
    return;
  }
  if (Name == "template"sv || Name == "frameset"sv || Name == "frame"sv || Name == "plaintext"sv) {
    FLost = true;
    return;
  }
  for (int Guard = 0; Guard < 8 && !FLost; ++Guard) {
    switch (Mode()) {
      case TMode::Initial:
      case TMode::BeforeHtml:
      case TMode::BeforeHead:
      case TMode::InHead:
      case TMode::AfterHead:
        if (BeforeBody(Name)) return;
        continue;
      case TMode::Body:
        if (!BodyStart(Name, SelfClosing)) continue;
        return;
      case TMode::Table:
      case TMode::TableBody:
      case TMode::Row:
        if (!TableStart(Name)) continue;
        return;
      case TMode::Colgroup:
        if (Name == "col"sv) return;
        Pop();
        continue;
      case TMode::Select:
        if (Name == "option"sv || Name == "optgroup"sv) {
          if (Current() == "option"sv) Pop();
          if (Name == "optgroup"sv && Current() == "optgroup"sv) Pop();
          Push(Name, TMode::Select);
          return;
        }
        FLost = true;
        return;
      case TMode::Foreign:
        if (Is(Name, eBreakout | eIntegration | eRaw)) {
          FLost = true;
          return;
        }
        if (!SelfClosing) Push(Name, TMode::Foreign);
        return;
      case TMode::AfterBody:
        FLost = true;
        return;
    }
  }
  FLost = true;
}

// A start tag in flow content (the body, a table cell, a caption); false:
// the tag closed the cell and is to be read again in the row.
bool TOpenElements::BodyStart(std::string_view Name, bool SelfClosing) {
  const TMode Here = InheritedMode();
  if (Name == "caption"sv || Name == "col"sv || Name == "colgroup"sv || Name == "tbody"sv || Name == "td"sv ||
      Name == "tfoot"sv || Name == "th"sv || Name == "thead"sv || Name == "tr"sv) {
    // In a cell these close it; in a caption or outside a table they are
    // not followed.
    const std::size_t At = CellIndex();
    if (At == kNone || FStack[At].Name == "caption"sv) {
      FLost = true;
      return true;
    }
    PopTo(At, true);
    return false;
  }
  const std::uint32_t K = KindOf(Name);
  // Another body start tag only gives the body the attributes it lacks.
  if (Name == "body"sv && FDepth >= 2 && FStack[1].Name == "body"sv) return true;
  if (Name == "html"sv || Name == "body"sv || Name == "head"sv || Name == "rb"sv || Name == "rtc"sv || Name == "rp"sv ||
      Name == "rt"sv) {
    FLost = true;
    return true;
  }
  if (K & eVoid) {
    if (Name == "hr"sv) ClosePInButtonScope();
    return true;
  }
  if (K & eRaw) {
    if (Name == "xmp"sv) ClosePInButtonScope();
    Push(Name, Here);
    return true;
  }
  if (Name == "li"sv || Name == "dd"sv || Name == "dt"sv) {
    CloseListItem(Name);
    Push(Name, Here);
    return true;
  }
  if (K & eClosesP) {
    ClosePInButtonScope();
    if ((K & eHeading) && Is(Current(), eHeading)) Pop();
    Push(Name, Here);
    return true;
  }
  if (Name == "form"sv) {
    if (FForm) return true;  // a form inside a form is dropped
    ClosePInButtonScope();
    Push(Name, Here);
    FForm = true;
    return true;
  }
  if (Name == "table"sv) {
    if (FQuirks != TQuirks::Quirks) {
      const std::size_t P = Find("p", eScope);
      if (P != kNone && FQuirks != TQuirks::NoQuirks) {
        FLost = true;  // whether the table closes the p is not known
        return true;
      }
      ClosePInButtonScope();
    }
    Push(Name, TMode::Table);
    return true;
  }
  if (Name == "button"sv && Find("button", eScope) != kNone) {
    FLost = true;
    return true;
  }
  if ((Name == "a"sv || Name == "nobr"sv) && Find(Name, 0) != kNone) {
    FLost = true;  // the adoption agency would move elements
    return true;
  }
  if (Name == "option"sv || Name == "optgroup"sv) {
    if (Current() == "option"sv) Pop();
    Push(Name, Here);
    return true;
  }
  if (Name == "select"sv) {
    Push(Name, TMode::Select);
    return true;
  }
  if (Name == "svg"sv || Name == "math"sv) {
    if (!SelfClosing) Push(Name, TMode::Foreign);
    return true;
  }
  Push(Name, Here);
  return true;
}

// A start tag in a table, a table section or a row; false: read it again
// in the mode that the stack is now in.
bool TOpenElements::TableStart(std::string_view Name) {
  const TMode M = Mode();
  if (M == TMode::Row) {
    if (Name == "td"sv || Name == "th"sv) {
      Push(Name, TMode::Body);
      return true;
    }
    if (Name == "caption"sv || Name == "col"sv || Name == "colgroup"sv || Is(Name, eTableSection) || Name == "tr"sv) {
      Pop();
      return false;
    }
  } else if (M == TMode::TableBody) {
    if (Name == "tr"sv) {
      Push(Name, TMode::Row);
      return true;
    }
    if (Name == "td"sv || Name == "th"sv) {
      Push("tr", TMode::Row);
      return false;
    }
    if (Name == "caption"sv || Name == "col"sv || Name == "colgroup"sv || Is(Name, eTableSection)) {
      Pop();
      return false;
    }
  } else {
    if (Name == "caption"sv) {
      Push(Name, TMode::Body);
      return true;
    }
    if (Name == "colgroup"sv) {
      Push(Name, TMode::Colgroup);
      return true;
    }
    if (Name == "col"sv) {
      Push("colgroup", TMode::Colgroup);
      return false;
    }
    if (Is(Name, eTableSection)) {
      Push(Name, TMode::TableBody);
      return true;
    }
    if (Name == "td"sv || Name == "th"sv || Name == "tr"sv) {
      Push("tbody", TMode::TableBody);
      return false;
    }
  }
  // Scripts and sheets stay in the table; anything else is foster-parented.
  if (Name == "script"sv || Name == "style"sv) {
    Push(Name, M);
    return true;
  }
  FLost = true;
  return true;
}

void TOpenElements::EndTag(std::string_view Name) {
  if (FLost) return;
  if (InRawText()) {
    PopOrLose(Current() == Name);
    return;
  }
  for (int Guard = 0; Guard < 8 && !FLost; ++Guard) {
    switch (Mode()) {
      case TMode::Initial:
      case TMode::BeforeHtml:
        if (Name != "head"sv && Name != "body"sv && Name != "html"sv && Name != "br"sv) {
          FLost = true;
          return;
        }
        FPhase = TMode::BeforeHtml;
        Push("html", TMode::Body);
        FPhase = TMode::BeforeHead;
        continue;
      case TMode::BeforeHead:
        if (Name != "head"sv && Name != "body"sv && Name != "html"sv && Name != "br"sv) {
          FLost = true;
          return;
        }
        Push("head", TMode::InHead);
        continue;
      case TMode::InHead:
        if (Name != "head"sv && Name != "body"sv && Name != "html"sv && Name != "br"sv) {
          FLost = true;
          return;
        }
        Pop();
        FPhase = TMode::AfterHead;
        if (Name == "head"sv) return;
        continue;
      case TMode::AfterHead:
        if (Name != "body"sv && Name != "html"sv && Name != "br"sv) {
          FLost = true;
          return;
        }
        Push("body", TMode::Body);
        FPhase = TMode::Body;
        continue;
      case TMode::Body:
        if (!BodyEnd(Name)) continue;
        return;
      case TMode::Table:
        PopOrLose(Name == "table"sv);
        return;
      case TMode::TableBody:
        // The table's end tag closes the section first (a section is
        // never called "table").
        if (Name == "table"sv && Name != Current()) {
          Pop();
          continue;
        }
        PopOrLose(Name == Current());
        return;
      case TMode::Row:
        if (Name == "table"sv || (Is(Name, eTableSection) && Name == Parent())) {
          Pop();
          continue;
        }
        PopOrLose(Name == "tr"sv);
        return;
      case TMode::Colgroup:
        if (Name == "colgroup"sv) {
          Pop();
          return;
        }
        if (Name == "col"sv) {
          FLost = true;
          return;
        }
        Pop();
        continue;
      case TMode::Select:
        if (Name == "option"sv && Current() == "option"sv) {
          Pop();
          return;
        }
        if (Name == "optgroup"sv) {
          if (Current() == "option"sv && Parent() == "optgroup"sv) Pop();
          if (Current() == "optgroup"sv) {
            Pop();
            return;
          }
        }
        if (Name == "select"sv) {
          while (FDepth > 0 && Current() != "select"sv) Pop();
          Pop();
          return;
        }
        FLost = true;
        return;
      case TMode::Foreign:
        PopOrLose(Name == Current());
        return;
      case TMode::AfterBody:
        if (Name == "html"sv) return;
        FLost = true;
        return;
    }
  }
  FLost = true;
}

std::size_t TOpenElements::CellIndex() const {
  for (std::size_t I = FDepth; I > 0; --I) {
    const std::string& N = FStack[I - 1].Name;
    if (N == "td"sv || N == "th"sv || N == "caption"sv) return I - 1;
    if (N == "table"sv || N == "body"sv || N == "html"sv) return kNone;
  }
  return kNone;
}

// An end tag in flow content; false: it closed a table cell and is to be
// read again in the row.
bool TOpenElements::BodyEnd(std::string_view Name) {
  if (Name == "body"sv || Name == "html"sv) {
    if (FDepth < 2 || FStack[1].Name != "body"sv || Find("table", 0) != kNone || Find("caption", 0) != kNone) {
      FLost = true;
      return true;
    }
    FAfterBody = true;  // the body stays open; nothing is popped
    return true;
  }
  // The cell (or caption) that this flow content is in.
  const std::size_t Cell = CellIndex();
  if (Cell != kNone) {
    const std::string& C = FStack[Cell].Name;
    if (Name == C) {
      PopTo(Cell, true);
      return true;
    }
    if (C != "caption"sv && (Name == "tr"sv || Name == "table"sv || Is(Name, eTableSection))) {
      // Closes the cell when the element is open in the table.
      if (Find(Name, 0) == kNone || Find(Name, 0) > Cell) {
        FLost = true;
        return true;
      }
      PopTo(Cell, true);
      return false;
    }
    if (Name == "td"sv || Name == "th"sv || Name == "caption"sv || Name == "table"sv || Name == "tr"sv ||
        Is(Name, eTableSection) || Name == "col"sv || Name == "colgroup"sv) {
      FLost = true;
      return true;
    }
  }
  if (Name == "br"sv || Name == "template"sv || (Name == "p"sv && Find("p", 0) == kNone)) {
    FLost = true;
    return true;
  }
  if (Current() == Name) {
    if (Name == "form"sv) FForm = false;
    Pop();
    return true;
  }
  // Implied end tags (p, li, dd, ...) above it, and an end tag that
  // closes them.
  std::size_t I = FDepth;
  while (I > 0 && FStack[I - 1].Name != Name && (FStack[I - 1].Kind & eImplied)) --I;
  const std::uint32_t K = KindOf(Name);
  const bool Closes = (K & (eEndsImplied | eHeading)) || Name == "p"sv || Name == "li"sv || Name == "dd"sv ||
                      Name == "dt"sv || Name == "form"sv;
  if (I == 0 || FStack[I - 1].Name != Name || !Closes || FStack[I - 1].Mode != InheritedMode()) {
    FLost = true;
    return true;
  }
  if (Name == "form"sv) FForm = false;
  PopTo(I - 1, (K & eMarker) != 0);
  return true;
}
