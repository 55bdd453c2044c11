#include "compact/StyleSheets.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "compact/CssTokenizer.h"
#include "compact/TagAttributes.h"
#include "compact/WideScan.h"
#include "platform/FileEnv.h"
#include "streams/Streams.h"

// ---------------------------------------------------------------------------
// The rules

namespace {

bool EqualsLower(std::string_view A, std::string_view LowerB) {
  if (A.size() != LowerB.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I) {
    const auto C = static_cast<unsigned char>(A[I]);
    if ((C >= 'A' && C <= 'Z' ? C + 32 : C) != static_cast<unsigned char>(LowerB[I])) return false;
  }
  return true;
}

bool IsHtmlBlank(char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f'; }

// Calls Each(token) for every blank-separated token of List.
template <class F>
bool AnyToken(std::string_view List, F&& Each) {
  std::size_t P = 0;
  while (P < List.size()) {
    while (P < List.size() && IsHtmlBlank(List[P])) ++P;
    const std::size_t B = P;
    while (P < List.size() && !IsHtmlBlank(List[P])) ++P;
    if (P > B && Each(List.substr(B, P - B))) return true;
  }
  return false;
}

}  // namespace

void TCompoundSet::Add(TCompound C) {
  if (FAll) return;
  if (C.Name.empty() && C.Classes.empty() && C.Ids.empty()) {
    FAll = true;
    return;
  }
  // Repeats are found by one key per compound, not by a scan of all (a
  // sheet may hold thousands); each part of the key is written with its
  // length, so no two compounds share one.
  std::string Key;
  auto Part = [&Key](char Kind, const std::string& Text) {
    ((Key += Kind) += std::to_string(Text.size()) + ':') += Text;
  };
  // An ancestor that every element in the body has, or that the browser
  // may make by itself where the page leaves its tag out (html, head,
  // body, tbody, colgroup: such a one has no class or id), asks nothing.
  if (!C.Within.empty()) {
    const TSimple& A = C.Within.front();
    const bool Implied = A.Name.empty() || A.Name == "html" || A.Name == "head" || A.Name == "body" ||
                         A.Name == "tbody" || A.Name == "colgroup";
    if (!FKeepsAncestors || (Implied && A.Classes.empty() && A.Ids.empty())) C.Within.clear();
  }
  int Bit = -1;
  if (!C.Within.empty()) {
    const TSimple& A = C.Within.front();
    const auto It = std::find(FAncestors.begin(), FAncestors.end(), A);
    if (It != FAncestors.end()) {
      Bit = static_cast<int>(It - FAncestors.begin());
    } else if (FAncestors.size() < kMaxAncestors) {
      Bit = static_cast<int>(FAncestors.size());
      FAncestors.push_back(A);
    } else {
      C.Within.clear();  // more than the bits: the compound alone
    }
  }
  Part('n', C.Name);
  for (const std::string& Class : C.Classes) Part('c', Class);
  for (const std::string& Id : C.Ids) Part('i', Id);
  for (const TSimple& A : C.Within) {
    Part('N', A.Name);
    for (const std::string& Class : A.Classes) Part('C', Class);
    for (const std::string& Id : A.Ids) Part('I', Id);
  }
  if (!FKeys.insert(std::move(Key)).second) return;
  const std::size_t Index = FCompounds.size();
  FAncestorOf.push_back(Bit);
  if (!C.Classes.empty()) {
    FByClass[C.Classes.front()].push_back(Index);
    FNeedsAttributes = true;
  } else if (!C.Ids.empty()) {
    FById[C.Ids.front()].push_back(Index);
    FNeedsAttributes = true;
  } else {
    FByName[C.Name].push_back(Index);
  }
  FCompounds.push_back(std::move(C));
}

void TCompoundSet::Merge(const TCompoundSet& Other) {
  if (Other.FAll) FAll = true;
  for (const TCompound& C : Other.FCompounds) Add(C);
}

void TKeepRules::Add(TCompound C) {
  if (C.Name == "html" || C.Name == "body")
    KeepAll();
  else
    TCompoundSet::Add(std::move(C));
}

void TKeepRules::Merge(const TKeepRules& Other) {
  TCompoundSet::Merge(Other);
  FAttributes.insert(Other.FAttributes.begin(), Other.FAttributes.end());
  FElementAttributes.insert(Other.FElementAttributes.begin(), Other.FElementAttributes.end());
  if (Other.FAttributesUnknown) FAttributesUnknown = true;
  FBoxes.Merge(Other.FBoxes);
  FGenerated.Merge(Other.FGenerated);
}

bool TCompoundSet::MayMatchName(std::string_view Name) const {
  if (FAll) return true;
  for (const TCompound& C : FCompounds)
    if (C.Name.empty() || C.Name == Name) return true;
  return false;
}

bool TCompoundSet::MatchesCompound(const TSimple& C, std::string_view Name, std::string_view Classes,
                                   bool ClassesKnown, std::string_view Id, bool IdKnown) {
  if (!C.Name.empty() && C.Name != Name) return false;
  if (ClassesKnown)
    for (const std::string& Class : C.Classes)
      if (!AnyToken(Classes, [&](std::string_view T) { return EqualsLower(T, Class); })) return false;
  if (IdKnown)
    for (const std::string& Want : C.Ids)
      if (!EqualsLower(Id, Want)) return false;
  return true;
}

std::uint64_t TCompoundSet::AncestorMarks(std::string_view Name, std::string_view Classes, bool ClassesKnown,
                                          std::string_view Id, bool IdKnown) const {
  std::uint64_t Marks = 0;
  for (std::size_t Bit = 0; Bit < FAncestors.size(); ++Bit)
    if (MatchesCompound(FAncestors[Bit], Name, Classes, ClassesKnown, Id, IdKnown)) Marks |= std::uint64_t{1} << Bit;
  return Marks;
}

bool TCompoundSet::Matches(std::string_view Name, std::string_view Classes, bool ClassesKnown, std::string_view Id,
                           bool IdKnown, std::uint64_t Open) const {
  if (FAll) return true;
  auto Try = [&](const std::vector<std::size_t>& Indexes) {
    for (const std::size_t I : Indexes)
      if ((FAncestorOf[I] < 0 || ((Open >> FAncestorOf[I]) & 1u) != 0) &&
          MatchesCompound(FCompounds[I], Name, Classes, ClassesKnown, Id, IdKnown))
        return true;
    return false;
  };
  if (!FByName.empty()) {
    const auto It = FByName.find(std::string(Name));
    if (It != FByName.end() && Try(It->second)) return true;
  }
  if (!FNeedsAttributes) return false;
  if (!ClassesKnown || !IdKnown) {
    // Any class or id may be there: every compound that asks for one is tried.
    for (const auto& Entry : FByClass)
      if (Try(Entry.second)) return true;
    for (const auto& Entry : FById)
      if (Try(Entry.second)) return true;
    return false;
  }
  if (!FByClass.empty() && AnyToken(Classes, [&](std::string_view T) {
        const auto It = FByClass.find(CssLower(T));
        return It != FByClass.end() && Try(It->second);
      }))
    return true;
  if (!FById.empty() && !Id.empty()) {
    const auto It = FById.find(CssLower(Id));
    if (It != FById.end() && Try(It->second)) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------
// Reading the rules of a style sheet

namespace {

using K = TCssTokenKind;
using TCompounds = std::vector<TKeepRules::TCompound>;

// The values of white-space and white-space-collapse that collapse white
// space; any other name, and any function (var() and the like), may keep it.
bool CollapsingValue(std::string_view LowerName) {
  static const char* const kCollapsing[] = {"normal", "nowrap", "collapse", "wrap", "initial", "inherit", "unset",
                                            "revert", "revert-layer", "auto", "balance", "pretty", "stable",
                                            "discard"};
  for (const char* V : kCollapsing)
    if (LowerName == V) return true;
  return false;
}

// Pseudo-elements whose boxes hold generated or foreign content, not the
// element's own text: a rule for them does not reach the element's content.
bool OwnBoxPseudo(std::string_view LowerName) {
  static const char* const kOwn[] = {"before", "after", "marker", "placeholder", "selection", "backdrop",
                                     "file-selector-button", "grammar-error", "spelling-error", "target-text",
                                     "highlight", "cue", "cue-region", "view-transition", "scroll-marker"};
  for (const char* V : kOwn)
    if (LowerName == V) return true;
  return LowerName.rfind("-webkit-", 0) == 0 || LowerName.rfind("-moz-", 0) == 0 ||
         LowerName.rfind("-ms-", 0) == 0 || LowerName.rfind("view-transition", 0) == 0;
}

// At-rules whose blocks hold no rules for elements.
bool NoElementRules(std::string_view LowerName) {
  static const char* const kNone[] = {"font-face", "page", "counter-style", "property", "font-feature-values",
                                      "font-palette-values", "viewport", "-ms-viewport", "color-profile",
                                      "position-try", "view-transition"};
  for (const char* V : kNone)
    if (LowerName == V) return true;
  return false;
}

class TRuleReader {
public:
  TRuleReader(std::string_view Css, TKeepRules& Rules, std::vector<std::string>* Imports)
      : FCss(Css), FRules(Rules), FImports(Imports) {
    TCssTokenizer Tokenizer(Css);
    TCssToken T;
    while (Tokenizer.Next(T))
      if (T.Kind != K::ckComment) FTokens.push_back(T);
  }

  void Run() {
    while (I < FTokens.size()) Contents(nullptr, false);
  }

  // Blocks nested deeper than this are not followed: the sheet then keeps
  // the whole document (no browser's sheet nests so deep; the reader's
  // stack stays bounded).
  static constexpr int kMaxDepth = 64;

private:
  K Kind(std::size_t At) const { return FTokens[At].Kind; }
  std::string Value(std::size_t At) const { return CssTokenValue(FCss, FTokens[At]); }
  std::string LowerValue(std::size_t At) const { return CssLower(Value(At)); }
  bool IsDelim(std::size_t At, char C) const {
    return At < FTokens.size() && Kind(At) == K::ckDelim && FCss[FTokens[At].Begin] == C;
  }
  static bool Opens(K Kind) {
    return Kind == K::ckOpenParen || Kind == K::ckOpenSquare || Kind == K::ckOpenCurly || Kind == K::ckFunction;
  }

  // Past the block or function that opens at At (past its closing token,
  // or the end).
  std::size_t PastBlock(std::size_t At) const {
    int Depth = 0;
    for (; At < FTokens.size(); ++At) {
      const K Kd = Kind(At);
      if (Opens(Kd)) {
        ++Depth;
      } else if (Kd == K::ckCloseParen || Kd == K::ckCloseSquare || Kd == K::ckCloseCurly) {
        if (--Depth == 0) return At + 1;
      }
    }
    return FTokens.size();
  }

  // Rules and declarations up to a "}" (taken) or the end. Parent: the
  // compounds of the style rule around them (null: none). Keyframes: inside
  // @keyframes, whose selectors name no elements.
  void Contents(const TCompounds* Parent, bool Keyframes) {
    if (FDepth >= kMaxDepth) {
      FRules.KeepAll();
      I = FTokens.size();
      return;
    }
    ++FDepth;
    ContentsAtDepth(Parent, Keyframes);
    --FDepth;
  }

  void ContentsAtDepth(const TCompounds* Parent, bool Keyframes) {
    while (I < FTokens.size()) {
      const K Kd = Kind(I);
      if (Kd == K::ckWhitespace || Kd == K::ckSemicolon || Kd == K::ckCdo || Kd == K::ckCdc) {
        ++I;
        continue;
      }
      if (Kd == K::ckCloseCurly) {
        ++I;
        return;
      }
      if (Kd == K::ckAtKeyword) {
        AtRule(Parent, Keyframes);
        continue;
      }
      const std::size_t Start = I;
      ToPreludeEnd();
      if (I < FTokens.size() && Kind(I) == K::ckOpenCurly) {
        const TCompounds Compounds =
            Keyframes ? (Parent != nullptr ? *Parent : TCompounds{}) : Selectors(Start, I, Parent);
        ++I;
        Contents(&Compounds, Keyframes);
      } else {
        Declaration(Start, I, Parent);
      }
    }
  }

  // On to the ";", "{" or "}" that ends what starts at I, past any blocks.
  void ToPreludeEnd() {
    while (I < FTokens.size()) {
      const K Ki = Kind(I);
      if (Ki == K::ckSemicolon || Ki == K::ckOpenCurly || Ki == K::ckCloseCurly) return;
      I = Opens(Ki) ? PastBlock(I) : I + 1;
    }
  }

  void AtRule(const TCompounds* Parent, bool Keyframes) {
    const std::string Name = LowerValue(I);
    ++I;
    const std::size_t Start = I;
    ToPreludeEnd();
    if (I < FTokens.size() && Kind(I) == K::ckOpenCurly) {
      if (NoElementRules(Name)) {
        I = PastBlock(I);
      } else if (Name.size() >= 9 && Name.compare(Name.size() - 9, 9, "keyframes") == 0) {
        // An animation may set white-space on any element it runs on.
        const TCompounds Any{TKeepRules::TCompound{}};
        ++I;
        Contents(&Any, true);
      } else {
        // @media, @supports, @layer, @container, @scope and the unknown:
        // their rules count whatever their condition.
        ++I;
        Contents(Parent, Keyframes);
      }
      return;
    }
    if (Name == "import" && FImports != nullptr) Import(Start, I);
    if (I < FTokens.size() && Kind(I) == K::ckSemicolon) ++I;
  }

  void Import(std::size_t Start, std::size_t End) {
    std::size_t P = Start;
    while (P < End && Kind(P) == K::ckWhitespace) ++P;
    if (P >= End) return;
    if (Kind(P) == K::ckString || Kind(P) == K::ckUrl) {
      FImports->push_back(Value(P));
    } else if (Kind(P) == K::ckFunction && LowerValue(P) == "url") {
      for (++P; P < End && Kind(P) == K::ckWhitespace; ++P) {
      }
      if (P < End && Kind(P) == K::ckString) FImports->push_back(Value(P));
    }
  }

  void Declaration(std::size_t Start, std::size_t End, const TCompounds* Parent) {
    if (Parent == nullptr || Parent->empty()) return;
    std::size_t P = Start;
    while (P < End && Kind(P) == K::ckWhitespace) ++P;
    if (P >= End || Kind(P) != K::ckIdent) return;
    const std::string Name = LowerValue(P);
    const bool Box = Name == "display" || Name == "float" || Name == "position";
    const bool Marker = Name == "list-style" || Name == "list-style-position";
    if (Name != "white-space" && Name != "white-space-collapse" && !Box && !Marker) return;
    for (++P; P < End && Kind(P) == K::ckWhitespace; ++P) {
    }
    if (P >= End || Kind(P) != K::ckColon) return;
    if (Marker) {
      // A marker inside the box stands at the start of its first line.
      for (std::size_t Q = P + 1; Q < End; ++Q) {
        if (Kind(Q) == K::ckWhitespace || IsDelim(Q, '!')) continue;
        if (Kind(Q) != K::ckIdent || LowerValue(Q) == "inside") {
          for (const TKeepRules::TCompound& C : *Parent) FRules.Generated().Add(C);
          break;
        }
      }
      return;
    }
    if (Box) {
      if (!BlockBoxValue(Name, P + 1, End))
        for (const TKeepRules::TCompound& C : *Parent) FRules.Boxes().Add(C);
      return;
    }
    bool Keeps = false;
    for (++P; P < End && !Keeps; ++P) {
      if (IsDelim(P, '!')) break;
      if (Kind(P) == K::ckFunction) Keeps = true;
      if (Kind(P) == K::ckIdent && !CollapsingValue(LowerValue(P))) Keeps = true;
    }
    if (!Keeps) return;
    for (const TKeepRules::TCompound& C : *Parent) FRules.Add(C);
  }

  // Whether the value in tokens [Start, End) of display (or float or
  // position, Name) leaves a box a block in the flow: display block,
  // list-item, flex, grid, table or flow-root (alone or with flow), float
  // none, position static, relative or sticky. Anything else, a function
  // or a keyword such as inherit included, may not.
  bool BlockBoxValue(std::string_view Name, std::size_t Start, std::size_t End) const {
    static const char* const kBlock[] = {"block", "list-item", "flex", "grid", "table", "flow-root", "flow"};
    static const char* const kInFlow[] = {"static", "relative", "sticky"};
    bool Any = false;
    for (std::size_t P = Start; P < End; ++P) {
      if (Kind(P) == K::ckWhitespace) continue;
      if (IsDelim(P, '!')) break;
      if (Kind(P) != K::ckIdent) return false;
      const std::string V = LowerValue(P);
      if (Name == "float") {
        if (V != "none") return false;
      } else if (Name == "position") {
        if (std::none_of(std::begin(kInFlow), std::end(kInFlow), [&](const char* B) { return V == B; })) return false;
      } else if (std::none_of(std::begin(kBlock), std::end(kBlock), [&](const char* B) { return V == B; })) {
        return false;
      }
      Any = true;
    }
    return Any;
  }

  // The compounds of the selector list in tokens [Start, End).
  TCompounds Selectors(std::size_t Start, std::size_t End, const TCompounds* Parent) const {
    AttributeNames(Start, End);
    TCompounds Out;
    std::size_t P = Start;
    while (P < End) {
      std::size_t E = P;
      while (E < End && Kind(E) != K::ckComma) E = Opens(Kind(E)) ? PastBlock(E) : E + 1;
      Complex(P, std::min(E, End), Parent, Out);
      P = E + 1;
    }
    return Out;
  }

  // Adds to the rules the name of every attribute selector in tokens
  // [Start, End), with the element name of its compound ("input[type]"
  // tests only INPUT elements); one in a compound without an element name,
  // or nested in a function (":is([x])", ":has(a[x])"), may test any
  // element. A namespace prefix ("[svg|href]", "svg|a[x]") is left out.
  void AttributeNames(std::size_t Start, std::size_t End) const {
    std::string Element;  // of the compound being read; empty: any
    bool CompoundStarts = true;
    for (std::size_t P = Start; P < End;) {
      const K Kd = Kind(P);
      if (Kd == K::ckWhitespace || Kd == K::ckComma || IsDelim(P, '>') || IsDelim(P, '+') || IsDelim(P, '~') ||
          (IsDelim(P, '|') && IsDelim(P + 1, '|'))) {
        CompoundStarts = true;
        Element.clear();
        P += IsDelim(P, '|') ? 2 : 1;
        continue;
      }
      if (CompoundStarts) {
        CompoundStarts = false;
        std::size_t Q = P;
        if ((Kind(Q) == K::ckIdent || IsDelim(Q, '*')) && IsDelim(Q + 1, '|'))
          Q += 2;
        else if (IsDelim(Q, '|'))
          ++Q;
        if (Q < End && Kind(Q) == K::ckIdent) Element = LowerValue(Q);
      }
      if (Kd == K::ckOpenSquare) {
        Attribute(P, End, Element);
        P = PastBlock(P);
      } else if (Opens(Kd)) {
        const std::size_t E = std::min(PastBlock(P), End);
        for (std::size_t Q = P + 1; Q < E; ++Q)
          if (Kind(Q) == K::ckOpenSquare) Attribute(Q, E, {});
        P = E;
      } else {
        ++P;
      }
    }
  }

  // The attribute selector that opens at P, in a compound of Element.
  void Attribute(std::size_t P, std::size_t End, const std::string& Element) const {
    std::size_t Q = P + 1;
    while (Q < End && Kind(Q) == K::ckWhitespace) ++Q;
    if (Q < End && (Kind(Q) == K::ckIdent || IsDelim(Q, '*')) && IsDelim(Q + 1, '|') && !IsDelim(Q + 2, '='))
      Q += 2;
    else if (IsDelim(Q, '|'))
      ++Q;
    if (Q < End && Kind(Q) == K::ckIdent)
      FRules.AddSelectorAttribute(LowerValue(Q), Element);
    else
      FRules.SetAttributesUnknown();
  }

  // The last compound of the complex selector in tokens [Start, End).
  void Complex(std::size_t Start, std::size_t End, const TCompounds* Parent, TCompounds& Out) const {
    while (Start < End && Kind(Start) == K::ckWhitespace) ++Start;
    while (End > Start && Kind(End - 1) == K::ckWhitespace) --End;
    if (Start >= End) return;  // an empty selector makes the whole list invalid
    std::size_t Compound = Start;
    bool Blank = false;
    bool Any = false;  // the compound being read has a token
    // The compounds before the last one: where each begins, and the
    // combinator after it (' ' for a descendant, '|' for a column).
    std::vector<std::pair<std::size_t, char>> Earlier;
    for (std::size_t P = Start; P < End;) {
      const K Kd = Kind(P);
      if (Kd == K::ckWhitespace) {
        Blank = true;
        ++P;
        continue;
      }
      const bool Combinator =
          IsDelim(P, '>') || IsDelim(P, '+') || IsDelim(P, '~') || (IsDelim(P, '|') && IsDelim(P + 1, '|'));
      if (Combinator) {
        const char Then = IsDelim(P, '|') ? '|' : FCss[FTokens[P].Begin];
        if (Any) Earlier.emplace_back(Compound, Then);
        P += IsDelim(P, '|') ? 2 : 1;
        Compound = P;
        Blank = false;
        Any = false;
        continue;
      }
      if (Blank && Any) Earlier.emplace_back(Compound, ' ');
      if (Blank || !Any) Compound = P;
      Blank = false;
      Any = true;
      P = Opens(Kd) ? PastBlock(P) : P + 1;
    }
    while (Compound < End && Kind(Compound) == K::ckWhitespace) ++Compound;
    TKeepRules::TCompound C;
    bool Nest = false;
    for (std::size_t P = Compound; P < End;) {
      const K Kd = Kind(P);
      if (Kd == K::ckIdent) {
        if (IsDelim(P + 1, '|') && !IsDelim(P + 2, '|')) {
          P += 2;  // a namespace prefix
          continue;
        }
        C.Name = LowerValue(P);
        ++P;
      } else if (IsDelim(P, '*')) {
        P += IsDelim(P + 1, '|') ? 2 : 1;
      } else if (IsDelim(P, '|')) {
        ++P;
      } else if (IsDelim(P, '.')) {
        if (P + 1 < End && Kind(P + 1) == K::ckIdent) {
          C.Classes.push_back(LowerValue(P + 1));
          P += 2;
        } else {
          ++P;
        }
      } else if (Kd == K::ckHash) {
        C.Ids.push_back(LowerValue(P));
        ++P;
      } else if (IsDelim(P, '&')) {
        Nest = true;
        ++P;
      } else if (Kd == K::ckColon) {
        const bool Element = P + 1 < End && Kind(P + 1) == K::ckColon;
        P += Element ? 2 : 1;
        if (P < End && (Kind(P) == K::ckIdent || Kind(P) == K::ckFunction)) {
          const std::string Name = LowerValue(P);
          const bool Legacy = Name == "before" || Name == "after";
          if (Legacy || Name == "marker") Generated(C, Nest, Parent);
          if ((Element && OwnBoxPseudo(Name)) || (!Element && Legacy)) return;
          P = Kind(P) == K::ckFunction ? PastBlock(P) : P + 1;
        }
      } else {
        P = Opens(Kd) ? PastBlock(P) : P + 1;
      }
    }
    if (Nest && C.Name.empty() && C.Classes.empty() && C.Ids.empty() && Parent != nullptr && !Parent->empty()) {
      Out.insert(Out.end(), Parent->begin(), Parent->end());
      return;
    }
    // The nearest ancestor the selector names: past the siblings ("+",
    // "~"), which share the element's parent, the compound before a
    // descendant or child combinator. Not in a nested rule (its selector
    // reads from the rule around it).
    std::size_t I = Earlier.size();
    while (I > 0 && (Earlier[I - 1].second == '+' || Earlier[I - 1].second == '~')) --I;
    if (Parent == nullptr && !Nest && I > 0 && (Earlier[I - 1].second == ' ' || Earlier[I - 1].second == '>')) {
      TKeepRules::TSimple A;
      if (AncestorCompound(Earlier[I - 1].first, End, A)) C.Within.push_back(std::move(A));
    }
    Out.push_back(std::move(C));
  }

  // The name, classes and ids of the compound that starts at P (before
  // End), which a selector asks of an ancestor; false when it names the
  // rule around it ("&") or a pseudo-element.
  bool AncestorCompound(std::size_t P, std::size_t End, TKeepRules::TSimple& A) const {
    while (P < End) {
      const K Kd = Kind(P);
      if (Kd == K::ckWhitespace || IsDelim(P, '>') || IsDelim(P, '+') || IsDelim(P, '~') ||
          (IsDelim(P, '|') && IsDelim(P + 1, '|')))
        break;
      if (Kd == K::ckIdent) {
        if (IsDelim(P + 1, '|') && !IsDelim(P + 2, '|')) {
          P += 2;  // a namespace prefix
          continue;
        }
        A.Name = LowerValue(P);
        ++P;
      } else if (IsDelim(P, '*')) {
        P += IsDelim(P + 1, '|') ? 2 : 1;
      } else if (IsDelim(P, '.') && P + 1 < End && Kind(P + 1) == K::ckIdent) {
        A.Classes.push_back(LowerValue(P + 1));
        P += 2;
      } else if (Kd == K::ckHash) {
        A.Ids.push_back(LowerValue(P));
        ++P;
      } else if (IsDelim(P, '&') || (Kd == K::ckColon && P + 1 < End && Kind(P + 1) == K::ckColon)) {
        return false;
      } else {
        P = Opens(Kd) ? PastBlock(P) : P + 1;
      }
    }
    return true;
  }

  // A rule for the ::before, ::after or ::marker of the compound C (Nest:
  // it names the rule around it, Parent).
  void Generated(const TKeepRules::TCompound& C, bool Nest, const TCompounds* Parent) const {
    if (Nest && C.Name.empty() && C.Classes.empty() && C.Ids.empty() && Parent != nullptr) {
      for (const TKeepRules::TCompound& P : *Parent) FRules.Generated().Add(P);
      return;
    }
    FRules.Generated().Add(C);
  }

  std::string_view FCss;
  TKeepRules& FRules;
  std::vector<std::string>* FImports;
  std::vector<TCssToken> FTokens;
  std::size_t I = 0;
  int FDepth = 0;
};

}  // namespace

void CollectKeepRules(std::string_view Css, TKeepRules& Rules, std::vector<std::string>* Imports) {
  TRuleReader(Css, Rules, Imports).Run();
}

// ---------------------------------------------------------------------------
// The style of a page

namespace {

// The next "<" at or after P that is followed by the letter A or B (lower
// case) in any letter case, or N.
std::size_t NextCandidate(const unsigned char* T, std::size_t N, std::size_t P, unsigned char A, unsigned char B,
                          bool Wide) {
#if defined(__SSE2__)
  if (Wide) {
    const __m128i Lt = _mm_set1_epi8('<');
    const __m128i Case = _mm_set1_epi8(0x20);
    const __m128i VA = _mm_set1_epi8(static_cast<char>(A));
    const __m128i VB = _mm_set1_epi8(static_cast<char>(B));
    while (N - P >= 17) {
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(T + P));
      const __m128i L = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(T + P + 1)), Case);
      const __m128i Next = _mm_or_si128(_mm_cmpeq_epi8(L, VA), _mm_cmpeq_epi8(L, VB));
      const unsigned Hits =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(V, Lt), Next)));
      if (Hits != 0) return P + static_cast<std::size_t>(__builtin_ctz(Hits));
      P += 16;
    }
  }
#else
  (void)Wide;
#endif
  for (; P + 1 < N; ++P) {
    if (T[P] != '<') continue;
    const unsigned char C = T[P + 1] | 0x20;
    if (C == A || C == B) return P;
  }
  return N;
}

// Whether the tag name Name (lower case) follows the "<" at P, ended by a
// blank, "/", ">" or the end.
bool TagNameAt(const unsigned char* T, std::size_t N, std::size_t P, std::string_view Name) {
  if (N - P - 1 < Name.size()) return false;
  for (std::size_t I = 0; I < Name.size(); ++I)
    if ((T[P + 1 + I] | 0x20) != static_cast<unsigned char>(Name[I])) return false;
  const std::size_t After = P + 1 + Name.size();
  if (After >= N) return true;
  const unsigned char C = T[After];
  return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f' || C == '/' || C == '>';
}

// Where the raw text that starts at P ends: at "</Name" (any letter case), or N.
std::size_t RawTextEnd(const unsigned char* T, std::size_t N, std::size_t P, std::string_view Name) {
  while (P < N) {
    const void* Lt = std::memchr(T + P, '<', N - P);
    if (Lt == nullptr) return N;
    P = static_cast<std::size_t>(static_cast<const unsigned char*>(Lt) - T);
    if (P + 1 < N && T[P + 1] == '/' && TagNameAt(T, N, P + 1, Name)) return P;
    ++P;
  }
  return N;
}

bool RelHasStylesheet(std::string_view Rel) {
  return AnyToken(Rel, [](std::string_view T) { return EqualsLower(T, "stylesheet"); });
}

}  // namespace

TPageStyles FindPageStyles(const unsigned char* T, std::size_t N) {
  TPageStyles S;
  const bool Wide = UseWideScan();
  // STYLE and LINK elements.
  for (std::size_t P = 0; (P = NextCandidate(T, N, P, 's', 'l', Wide)) < N;) {
    if (TagNameAt(T, N, P, "style")) {
      const std::size_t Content = ReadTagAttributes(T, N, P + 6, [](const TTagAttribute&) {});
      const std::size_t End = RawTextEnd(T, N, Content, "style");
      S.Sheets.emplace_back(reinterpret_cast<const char*>(T + Content), End - Content);
      P = End;
    } else if (TagNameAt(T, N, P, "link")) {
      std::string_view Rel;
      std::string_view Href;
      bool HasHref = false;
      bool Known = true;
      bool RelKnown = true;
      P = ReadTagAttributes(T, N, P + 5, [&](const TTagAttribute& A) {
        if (AttributeNameIs(A.Name, "rel") && Rel.empty()) {
          Rel = A.Value;
          RelKnown = A.Known;
        } else if (AttributeNameIs(A.Name, "href") && !HasHref) {
          Href = A.Value;
          HasHref = true;
          Known = A.Known;
        }
      });
      if (HasHref && (!RelKnown || RelHasStylesheet(Rel))) {
        S.Links.emplace_back(Href);
        S.LinksKnown.push_back(Known);
      }
    } else {
      P += 2;
    }
  }
  // The BASE element matters only to linked sheets.
  if (!S.Links.empty())
    for (std::size_t P = 0; !S.HasBase && (P = NextCandidate(T, N, P, 'b', 'b', Wide)) < N;) {
      if (!TagNameAt(T, N, P, "base")) {
        P += 2;
        continue;
      }
      P = ReadTagAttributes(T, N, P + 5, [&](const TTagAttribute& A) {
        if (!S.HasBase && AttributeNameIs(A.Name, "href")) {
          S.Base = A.Value;
          S.HasBase = true;
        }
      });
    }
  return S;
}

void FindRootTags(const unsigned char* T, std::size_t N, TPageStyles& S) {
  const bool Wide = UseWideScan();
  for (std::size_t P = 0; (P = NextCandidate(T, N, P, 'b', 'h', Wide)) < N;) {
    if (!TagNameAt(T, N, P, "body") && !TagNameAt(T, N, P, "html")) {
      P += 2;
      continue;
    }
    TPageStyles::TRootTag Root;
    Root.Name = (T[P + 1] | 0x20) == 'b' ? "body" : "html";
    bool HasClass = false;
    bool HasId = false;
    P = ReadTagAttributes(T, N, P + 5, [&](const TTagAttribute& A) {
      if (AttributeNameIs(A.Name, "class") && !HasClass) {
        Root.Classes = A.Value;
        Root.ClassesKnown = A.Known && A.Value.find('&') == std::string_view::npos;
        HasClass = true;
      } else if (AttributeNameIs(A.Name, "id") && !HasId) {
        Root.Id = A.Value;
        Root.IdKnown = A.Known && A.Value.find('&') == std::string_view::npos;
        HasId = true;
      }
    });
    S.RootTags.push_back(std::move(Root));
  }
}

// ---------------------------------------------------------------------------
// Sheet files

namespace {

bool IsDelimiter(char C) { return C == '/' || (platform::PathDelimiter() == '\\' && C == '\\'); }

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if ((C | 0x20) >= 'a' && (C | 0x20) <= 'f') return (C | 0x20) - 'a' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view S) {
  std::string Out;
  Out.reserve(S.size());
  for (std::size_t I = 0; I < S.size(); ++I) {
    if (S[I] == '%' && I + 2 < S.size() && HexDigit(S[I + 1]) >= 0 && HexDigit(S[I + 2]) >= 0) {
      Out += static_cast<char>(HexDigit(S[I + 1]) * 16 + HexDigit(S[I + 2]));
      I += 2;
    } else {
      Out += S[I];
    }
  }
  return Out;
}

// Folder + Relative with "." and ".." resolved as in an address (by text,
// not by the file system), joined by the platform's delimiter.
std::string JoinPath(const std::string& Folder, const std::string& Relative, bool Absolute) {
  std::vector<std::string> Segments;
  bool Rooted = false;
  std::string Prefix;  // a drive ("C:") or nothing
  auto Split = [&](const std::string& S, bool First) {
    std::size_t P = 0;
    if (First) {
      if (S.size() >= 2 && S[1] == ':' && platform::PathDelimiter() == '\\') {
        Prefix = S.substr(0, 2);
        P = 2;
      }
      if (P < S.size() && IsDelimiter(S[P])) Rooted = true;
    }
    while (P <= S.size()) {
      std::size_t E = P;
      while (E < S.size() && !IsDelimiter(S[E])) ++E;
      const std::string Segment = S.substr(P, E - P);
      if (Segment == "..") {
        if (!Segments.empty() && Segments.back() != "..")
          Segments.pop_back();
        else if (!Rooted)
          Segments.push_back(Segment);
      } else if (!Segment.empty() && Segment != ".") {
        Segments.push_back(Segment);
      }
      P = E + 1;
    }
  };
  if (Absolute) {
    Split(Relative, true);
  } else {
    Split(Folder, true);
    Split(Relative, false);
  }
  std::string Out = Prefix;
  if (Rooted) Out += platform::PathDelimiter();
  for (std::size_t I = 0; I < Segments.size(); ++I) {
    if (I > 0) Out += platform::PathDelimiter();
    Out += Segments[I];
  }
  return Out;
}

}  // namespace

std::string FolderOf(const std::string& Name) {
  for (std::size_t I = Name.size(); I > 0; --I)
    if (IsDelimiter(Name[I - 1])) return Name.substr(0, I);
  return {};
}

bool SheetFile(const std::string& Folder, std::string_view Address, std::string& Path) {
  // Blanks around the address go, and tabs and line ends inside it.
  std::string A;
  for (const char C : Address)
    if (C != '\t' && C != '\n' && C != '\r') A += C;
  while (!A.empty() && IsHtmlBlank(A.back())) A.pop_back();
  std::size_t Lead = 0;
  while (Lead < A.size() && IsHtmlBlank(A[Lead])) ++Lead;
  A.erase(0, Lead);
  Path = A;
  if (A.empty()) return false;
  // A scheme: a letter and at least one more scheme byte before ":" (one
  // letter is a drive).
  std::size_t Colon = 0;
  while (Colon < A.size() && ((A[Colon] | 0x20) >= 'a' && (A[Colon] | 0x20) <= 'z')) ++Colon;
  while (Colon < A.size() && Colon > 0 &&
         (((A[Colon] | 0x20) >= 'a' && (A[Colon] | 0x20) <= 'z') || (A[Colon] >= '0' && A[Colon] <= '9') ||
          A[Colon] == '+' || A[Colon] == '-' || A[Colon] == '.'))
    ++Colon;
  std::string Rest = A;
  bool Absolute = false;
  if (Colon >= 2 && Colon < A.size() && A[Colon] == ':') {
    if (CssLower(A.substr(0, Colon)) != "file") return false;
    Rest = A.substr(Colon + 1);
    if (Rest.rfind("//", 0) == 0) {
      const std::size_t Slash = Rest.find('/', 2);
      const std::string Host = Rest.substr(2, Slash == std::string::npos ? std::string::npos : Slash - 2);
      if (!Host.empty() && CssLower(Host) != "localhost") return false;
      Rest = Slash == std::string::npos ? "/" : Rest.substr(Slash);
    }
    // "file:///C:/x" names a drive on Windows.
    if (platform::PathDelimiter() == '\\' && Rest.size() >= 3 && Rest[0] == '/' && Rest[2] == ':') Rest.erase(0, 1);
  } else if (A.rfind("//", 0) == 0 || (platform::PathDelimiter() == '\\' && A.rfind("\\\\", 0) == 0)) {
    return false;  // another host
  }
  const std::size_t Cut = Rest.find_first_of("?#");
  if (Cut != std::string::npos) Rest.erase(Cut);
  Rest = PercentDecoded(Rest);
  if (Rest.empty()) return false;
  Absolute = IsDelimiter(Rest[0]) || (platform::PathDelimiter() == '\\' && Rest.size() >= 2 && Rest[1] == ':');
  Path = JoinPath(Folder, Rest, Absolute);
  return !Path.empty();
}

namespace {

// At most this much of one sheet is read.
constexpr std::int32_t kMaxSheetBytes = 16 << 20;
// Sheets @import sheets this many levels deep at most.
constexpr int kMaxImportDepth = 8;

bool ReadSheet(const std::string& Path, std::string& Text, std::string& Why) {
  platform::FileEnv* Env = platform::FileEnv::Default();
  platform::FileStatus Status;
  if (const platform::Status s = Env->GetStatus(Path, true, &Status); !s.ok()) {
    Why = ErrorCodeText(s.code());
    return false;
  }
  if (Status.Kind != platform::fkRegular) {
    Why = "not a file";
    return false;
  }
  try {
    TFileStream F(Path, omRead | omShareRead);
    // Read to the real end, whatever size the file says it has.
    F.SetExactTransfer(false);
    Text.clear();
    char Buffer[65536];
    for (;;) {
      const std::int32_t Room = std::min<std::int32_t>(sizeof Buffer, kMaxSheetBytes - static_cast<std::int32_t>(Text.size()));
      if (Room <= 0) break;
      const std::int32_t Got = F.Read(Buffer, Room);
      if (Got <= 0) break;
      Text.append(Buffer, static_cast<std::size_t>(Got));
    }
  } catch (const Exception& E) {
    Why = E.Message();
    return false;
  }
  return true;
}

struct TPending {
  std::string Address;
  std::string Folder;  // where a relative address starts
  bool Known = true;   // false: server code in the address
  bool IsFile = false; // a file name (an extra sheet), not an address
  int Depth = 0;
};

}  // namespace

TKeepRules GatherKeepRules(const unsigned char* Page, std::size_t Size, const TCompactOptions& Options,
                           const std::string& PageFolder) {
  TKeepRules Rules = Options.Keep;
  const TPageStyles Styles = FindPageStyles(Page, Size);
  auto Note = [&](const std::string& Sheet, const std::string& Why) {
    if (Options.Notes != nullptr) Options.Notes->NotRead(Sheet, Why);
  };

  // Addresses in the page start from its base.
  std::string Base = PageFolder;
  bool RemoteBase = false;
  // An empty base address names the page itself.
  if (Styles.HasBase && Styles.Base.find_first_not_of(" \t\n\r\f") != std::string::npos) {
    std::string BasePath;
    if (SheetFile(PageFolder, Styles.Base, BasePath)) {
      const std::string Trimmed = Styles.Base.substr(0, Styles.Base.find_first_of("?#"));
      Base = !Trimmed.empty() && (Trimmed.back() == '/' || Trimmed.back() == '\\') ? BasePath + platform::PathDelimiter()
                                                                                    : FolderOf(BasePath);
    } else {
      RemoteBase = true;
    }
  }

  std::vector<TPending> Pending;
  std::vector<std::string> Imports;
  for (const std::string_view Sheet : Styles.Sheets) CollectKeepRules(Sheet, Rules, &Imports);
  // Sheets left unread may test any attribute.
  if (!Options.ReadLinkedSheets && (!Styles.Links.empty() || !Imports.empty())) Rules.SheetNotRead();
  if (Options.ReadLinkedSheets) {
    for (std::size_t I = 0; I < Styles.Links.size(); ++I)
      Pending.push_back({Styles.Links[I], Base, Styles.LinksKnown[I], false, 0});
    for (std::string& Import : Imports) Pending.push_back({std::move(Import), Base, true, false, 1});
  }
  for (const std::string& Extra : Options.ExtraSheets) Pending.push_back({Extra, {}, true, true, 0});

  std::set<std::string> Seen;
  for (std::size_t I = 0; I < Pending.size(); ++I) {
    const TPending Item = Pending[I];
    std::string Path = Item.Address;
    // What an unread sheet's selectors test is not known.
    if (!Item.Known) {
      Rules.SheetNotRead();
      Note(Item.Address, "server code in the address");
      continue;
    }
    if (!Item.IsFile) {
      const bool Local = SheetFile(Item.Folder, Item.Address, Path);
      if (!Local) {
        Rules.SheetNotRead();
        Note(Item.Address, Path.empty() ? "an empty address" : "not a local file");
        continue;
      }
      if (RemoteBase && Item.Depth == 0 && CssLower(Item.Address.substr(0, 5)) != "file:") {
        Rules.SheetNotRead();
        Note(Item.Address, "the page's base address is not a local folder");
        continue;
      }
    }
    if (!Seen.insert(Path).second) continue;
    if (Item.Depth > kMaxImportDepth) {
      Rules.SheetNotRead();
      Note(Path, "imported too many levels deep");
      continue;
    }
    auto Read = [&Path] {
      TStyleSheetCache::TEntry Entry;
      std::string Text;
      Entry.Read = ReadSheet(Path, Text, Entry.Why);
      if (Entry.Read) CollectKeepRules(Text, Entry.Rules, &Entry.Imports);
      return Entry;
    };
    TStyleSheetCache::TEntry Sheet = Options.SheetCache ? Options.SheetCache->Get(Path, Read) : Read();
    if (!Sheet.Read) {
      Rules.SheetNotRead();
      Note(Path, Sheet.Why);
      continue;
    }
    Rules.Merge(Sheet.Rules);
    if (Options.ReadLinkedSheets)
      for (std::string& Import : Sheet.Imports)
        Pending.push_back({std::move(Import), FolderOf(Path), true, false, Item.Depth + 1});
  }

  // The HTML and BODY tags are looked for only when a class or id keeps.
  if (!Rules.All() && Rules.NeedsAttributes()) {
    TPageStyles Roots;
    FindRootTags(Page, Size, Roots);
    for (const TPageStyles::TRootTag& Root : Roots.RootTags)
      if (Rules.Matches(Root.Name, Root.Classes, Root.ClassesKnown, Root.Id, Root.IdKnown)) Rules.KeepAll();
  }
  return Rules;
}
