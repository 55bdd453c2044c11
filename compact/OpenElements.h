#pragma once

// The stack of open elements as a browser's tree builder keeps it, for the
// part of HTML that best mode's optional tags need: the head and body
// phases, flow content with the end tags that a start tag implies (a <p>
// closed by a <div>, an <li> by the next <li>), tables without foster
// parenting, SELECT with its options, and SVG and MATH without their HTML
// integration points. Whatever it does not follow exactly (a misnested
// end tag, a formatting element closed by another's end tag, an <a> inside
// an <a>, foster-parented content, TEMPLATE, FRAMESET, PLAINTEXT, ruby's
// implied ends, text in a table's own modes, a stack deeper than
// kMaxDepth) makes it lost: it then says nothing for the rest of the page.
//
// Names are given in lower case; the caller reads tags as a browser's
// tokenizer does and hands over every start tag, end tag and text of the
// page in order (comments and declarations change no structure here).
// Every call does work bounded by kMaxDepth.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TOpenElements {
public:
  // The document's rendering mode, from its DOCTYPE.
  enum class TQuirks : std::uint8_t { Unread, NoQuirks, Quirks, Unknown };

  // Where the tree builder stands.
  enum class TMode : std::uint8_t {
    Initial,     // nothing yet but comments and white space
    BeforeHtml,  // after the DOCTYPE
    BeforeHead,  // the html element is open, no head yet
    InHead,      // the head element is the current node
    AfterHead,   // the head was closed, no body yet
    Body,        // flow content (in the body, a table cell or caption)
    Table,       // the current node is a table
    TableBody,   // ... a tbody, thead or tfoot
    Row,         // ... a tr
    Colgroup,    // ... a colgroup
    Select,      // inside a select
    Foreign,     // inside svg or math
    AfterBody,   // the body's end tag was read
  };
  // The modes before the body: the ones listed before Body.
  static bool BeforeTheBody(TMode M) { return M < TMode::Body; }

  static constexpr std::size_t kMaxDepth = 256;

  // A DOCTYPE; NoQuirks: it surely gives no-quirks mode (else its mode is
  // not known).
  void Doctype(bool NoQuirks);
  // Text; Blank: all of it is white space.
  void Text(bool Blank);
  // A start tag; SelfClosing: it ends in "/>" (read for SVG and MATH only).
  // Marks: the caller's bits for the element it makes (see OpenMarks).
  void StartTag(std::string_view Name, bool SelfClosing, std::uint64_t Marks = 0);
  void EndTag(std::string_view Name);
  // Something the model does not follow: lost from here on.
  void Lose() { FLost = true; }

  bool Lost() const { return FLost; }
  TMode Mode() const;
  TQuirks Quirks() const { return FQuirks; }
  // The current node's name, and its parent's ("" when there is none).
  std::string_view Current() const { return Name(1); }
  std::string_view Parent() const { return Name(2); }
  // The name of the element FromTop places below the current node's top
  // (1: the current node), or "".
  std::string_view Above(std::size_t FromTop) const { return Name(FromTop); }
  // The names of the open elements from the html element down, each
  // followed by a blank.
  std::string Path() const {
    std::string P;
    for (std::size_t I = 0; I < FDepth; ++I) P += FStack[I].Name + ' ';
    return P;
  }
  // The bits given with the start tags of the open elements, and of every
  // html and body start tag read (they add their attributes to the
  // elements there, which stay open).
  std::uint64_t OpenMarks() const {
    std::uint64_t M = FLasting;
    for (std::size_t I = 0; I < FDepth; ++I) M |= FStack[I].Marks;
    return M;
  }
  // Whether a FORM element is open for the parser (its form pointer).
  bool FormOpen() const { return FForm; }
  // Whether the body is open, in body mode, with no table open.
  bool InBody() const {
    return !FAfterBody && FDepth >= 2 && FStack[1].Name == "body" && FTables == 0 && Mode() == TMode::Body;
  }
  // Whether the body's end tag has been read, or the body is open with no
  // table open.
  bool BodyEnding() const { return FAfterBody || InBody(); }
  // Whether the end tag of the element Name closes the p, li, dd, dt,
  // option and optgroup elements open inside it (and then it), as the end
  // tags of DIV, LI, TD, H1 and the like do; the end tag of SPAN, A or an
  // unknown element does not (a p inside leaves it open).
  static bool EndClosesImplied(std::string_view Name);

private:
  struct TEntry {
    std::string Name;
    TMode Mode;          // the mode while this element is the current node
    std::uint32_t Kind;  // what the tree builder does with it (OpenElements.cpp)
    std::uint64_t Marks;  // the caller's, from its start tag (none for one the builder made)
  };

  std::string_view Name(std::size_t FromTop) const {
    return FDepth >= FromTop ? std::string_view(FStack[FDepth - FromTop].Name) : std::string_view();
  }
  void StartTagOf(std::string_view Name, bool SelfClosing);
  void Push(std::string_view Name, TMode Mode);
  void Pop();
  // The current element holds raw text (script, style, ...; not inside
  // svg or math, where those are ordinary elements).
  bool InRawText() const;
  // Pops the current element when Closes (the end tag closes it), else
  // takes the page as one the model cannot follow.
  void PopOrLose(bool Closes) {
    if (Closes)
      Pop();
    else
      FLost = true;
  }
  // Pops every element above the one at Index and that one; Cleared: the
  // formatting elements among them leave the parser's list too (they were
  // inside a table cell or caption).
  void PopTo(std::size_t Index, bool Cleared);
  // The index of the nearest open element named Name, searching down from
  // the current node and stopping at Boundaries (none: kNone).
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t Find(std::string_view Name, std::uint32_t Boundaries) const;
  // The innermost table cell or caption that flow content is in, or kNone.
  std::size_t CellIndex() const;
  void ClosePInButtonScope();
  void CloseListItem(std::string_view Name);
  bool BeforeBody(std::string_view Name);
  bool BodyStart(std::string_view Name, bool SelfClosing);
  bool BodyEnd(std::string_view Name);
  bool TableStart(std::string_view Name);
  TMode InheritedMode() const { return FDepth > 0 ? FStack[FDepth - 1].Mode : TMode::Body; }

  std::vector<TEntry> FStack;  // entries past FDepth are kept for their storage
  std::size_t FDepth = 0;
  TMode FPhase = TMode::Initial;  // with no element, or only html, open
  TQuirks FQuirks = TQuirks::Unread;
  bool FAfterBody = false;
  bool FForm = false;
  int FTables = 0;
  bool FLost = false;
  std::string_view FTagName;      // the start tag being read, whose element gets FTagMarks
  std::uint64_t FTagMarks = 0;
  std::uint64_t FLasting = 0;     // the marks of html and body start tags
};
