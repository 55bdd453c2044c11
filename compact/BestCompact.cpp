#include "compact/BestCompact.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "compact/CssMinify.h"
#include "compact/JsMinify.h"
#include "compact/OpenElements.h"
#include "compact/RawText.h"
#include "compact/SafeCompact.h"
#include "compact/ServerBlocks.h"
#include "compact/TagAttributes.h"
#include "compact/WideScan.h"

// How the pass works
//
// As in safe mode, a read cursor R and a write cursor W <= R over the same
// bytes: what stays moves from R to W. A tag that changes is read whole
// first (its attributes as offsets into the input), written anew into a
// scratch buffer and then moved to W; a script or style sheet is minified
// into the scratch buffer and moved the same way. Each byte is read a
// bounded number of times: a tag, a comment or an element's text is found
// once and then passed.

using namespace std::string_view_literals;

namespace {

bool IsBlank(unsigned char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f'; }
bool IsLetter(unsigned char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }
bool IsAlnum(unsigned char C) { return IsLetter(C) || (C >= '0' && C <= '9'); }
unsigned char Lower(unsigned char C) { return C >= 'A' && C <= 'Z' ? static_cast<unsigned char>(C + 32) : C; }

bool EqualNoCase(std::string_view A, std::string_view LowerB) { return AttributeNameIs(A, LowerB); }

std::string LowerText(std::string_view S) {
  std::string L(S);
  for (char& C : L) C = static_cast<char>(Lower(static_cast<unsigned char>(C)));
  return L;
}

std::string_view TrimBlanks(std::string_view S) {
  while (!S.empty() && IsBlank(static_cast<unsigned char>(S.front()))) S.remove_prefix(1);
  while (!S.empty() && IsBlank(static_cast<unsigned char>(S.back()))) S.remove_suffix(1);
  return S;
}

// The MIME types that make a script JavaScript.
constexpr std::string_view kJsTypes[] = {
    "application/ecmascript", "application/javascript", "application/x-ecmascript", "application/x-javascript",
    "text/ecmascript",        "text/javascript",        "text/javascript1.0",       "text/javascript1.1",
    "text/javascript1.2",     "text/javascript1.3",     "text/javascript1.4",       "text/javascript1.5",
    "text/jscript",           "text/livescript",        "text/x-ecmascript",        "text/x-javascript",
};

bool IsJsType(std::string_view Essence) {
  for (std::string_view T : kJsTypes)
    if (EqualNoCase(Essence, T)) return true;
  return false;
}

// A MIME type without its parameters and the blanks around it.
std::string_view Essence(std::string_view Type) { return TrimBlanks(Type.substr(0, Type.find(';'))); }

// The attributes whose presence alone means true.
constexpr std::string_view kBooleanAttributes[] = {
    "allowfullscreen", "async",    "autofocus", "autoplay", "checked",   "controls",       "default",
    "defer",           "disabled", "formnovalidate", "hidden", "inert", "ismap",          "itemscope",
    "loop",            "multiple", "muted",     "nomodule", "novalidate", "open",         "playsinline",
    "readonly",        "required", "reversed",  "selected",
    // Obsolete ones that still style by their presence alone.
    "compact", "nohref", "noresize", "noshade", "nowrap",
};

bool IsBooleanAttribute(std::string_view LowerName) {
  return std::find(std::begin(kBooleanAttributes), std::end(kBooleanAttributes), LowerName) !=
         std::end(kBooleanAttributes);
}

bool IsVoidElement(std::string_view LowerName) {
  const std::string_view N = LowerName;
  switch (N.size()) {
    case 2: return N == "br"sv || N == "hr"sv;
    case 3: return N == "col"sv || N == "img"sv || N == "wbr"sv;
    case 4: return N == "area"sv || N == "base"sv || N == "link"sv || N == "meta"sv;
    case 5: return N == "embed"sv || N == "input"sv || N == "param"sv || N == "track"sv;
    case 6: return N == "keygen"sv || N == "source"sv;
    default: return false;
  }
}

// The public identifiers of DOCTYPEs that give no-quirks mode whatever
// their system identifier, and one that gives it with a system identifier
// (HTML 4.01 Strict: read strictly, as its Transitional and Frameset
// kinds give quirks mode without one).
constexpr std::string_view kStrictPublicIds[] = {
    "-//w3c//dtd xhtml 1.0 strict//en",
    "-//w3c//dtd xhtml 1.1//en",
};
constexpr std::string_view kStrictWithSystemId = "-//w3c//dtd html 4.01//en";

constexpr std::string_view kShortDoctype = "<!doctype html>";

// Where a value stands, for the characters a reference may turn into.
enum class TRefPlace : std::uint8_t {
  rpText,      // text, TITLE, TEXTAREA: quotes, ">" and "&"
  rpDouble,    // a value in double quotes: "'", ">" and "&"
  rpSingle,    // a value in single quotes: '"', ">" and "&"
  rpUnquoted,  // an unquoted value: "&"
};

// The character of the reference at S[0] ("&..."), and its length, when
// it is one this pass writes as a character ('"', '\'', '>' or '&').
struct TRef {
  unsigned char Char = 0;  // the ASCII character it stands for, of those that may go
  std::size_t Length = 0;  // 0: no reference, or one left as it is
  std::uint32_t Code = 0;  // the code point it gives (see HasCode)
  bool HasCode = false;
};

// The named references of HTML 4 that are longer than their decimal form,
// sorted by name, with the code points the HTML standard gives them.
struct TNamedCode {
  std::string_view Name;
  std::uint32_t Code;
};
constexpr TNamedCode kLongNames[] = {
    {"AElig", 198}, {"Aacute", 193}, {"Acirc", 194}, {"Agrave", 192}, {"Alpha", 913}, {"Aring", 197},
    {"Atilde", 195}, {"Ccedil", 199}, {"Dagger", 8225}, {"Delta", 916}, {"Eacute", 201}, {"Ecirc", 202},
    {"Egrave", 200}, {"Epsilon", 917}, {"Gamma", 915}, {"Iacute", 205}, {"Icirc", 206}, {"Igrave", 204},
    {"Kappa", 922}, {"Lambda", 923}, {"Ntilde", 209}, {"OElig", 338}, {"Oacute", 211}, {"Ocirc", 212},
    {"Ograve", 210}, {"Omega", 937}, {"Omicron", 927}, {"Oslash", 216}, {"Otilde", 213}, {"Scaron", 352},
    {"Sigma", 931}, {"THORN", 222}, {"Theta", 920}, {"Uacute", 218}, {"Ucirc", 219}, {"Ugrave", 217},
    {"Upsilon", 933}, {"Yacute", 221}, {"aacute", 225}, {"acirc", 226}, {"acute", 180}, {"aelig", 230},
    {"agrave", 224}, {"alefsym", 8501}, {"alpha", 945}, {"aring", 229}, {"atilde", 227}, {"brvbar", 166},
    {"ccedil", 231}, {"cedil", 184}, {"curren", 164}, {"dagger", 8224}, {"delta", 948}, {"divide", 247},
    {"eacute", 233}, {"ecirc", 234}, {"egrave", 232}, {"epsilon", 949}, {"forall", 8704}, {"frac12", 189},
    {"frac14", 188}, {"frac34", 190}, {"gamma", 947}, {"hearts", 9829}, {"hellip", 8230}, {"iacute", 237},
    {"icirc", 238}, {"iexcl", 161}, {"igrave", 236}, {"iquest", 191}, {"kappa", 954}, {"lambda", 955},
    {"laquo", 171}, {"lfloor", 8970}, {"lowast", 8727}, {"lsaquo", 8249}, {"micro", 181}, {"middot", 183},
    {"ntilde", 241}, {"oacute", 243}, {"ocirc", 244}, {"oelig", 339}, {"ograve", 242}, {"omega", 969},
    {"omicron", 959}, {"oslash", 248}, {"otilde", 245}, {"otimes", 8855}, {"permil", 8240}, {"plusmn", 177},
    {"pound", 163}, {"quot", 34}, {"raquo", 187}, {"rfloor", 8971}, {"rsaquo", 8250}, {"scaron", 353},
    {"sigma", 963}, {"sigmaf", 962}, {"spades", 9824}, {"szlig", 223}, {"there4", 8756}, {"theta", 952},
    {"thetasym", 977}, {"thinsp", 8201}, {"thorn", 254}, {"tilde", 732}, {"times", 215}, {"uacute", 250},
    {"ucirc", 251}, {"ugrave", 249}, {"upsih", 978}, {"upsilon", 965}, {"weierp", 8472}, {"yacute", 253},
};

// The code point of the reference "&Name;" when it is one of kLongNames.
bool LongNameCode(std::string_view Name, std::uint32_t& Code) {
  const auto It = std::lower_bound(std::begin(kLongNames), std::end(kLongNames), Name,
                                   [](const TNamedCode& E, std::string_view N) { return E.Name < N; });
  if (It == std::end(kLongNames) || It->Name != Name) return false;
  Code = It->Code;
  return true;
}

// Writes Ref as "&#N;" to Out (room for 12 bytes) when that is shorter;
// returns its length, or 0. A numeric reference gives the character of its
// value, whether written in hex or decimal, so the two read the same.
std::size_t ShorterNumber(const TRef& Ref, char* Out) {
  if (!Ref.HasCode) return 0;
  char Digits[10];
  std::size_t Count = 0;
  for (std::uint32_t V = Ref.Code; Count == 0 || V != 0; V /= 10) Digits[Count++] = static_cast<char>('0' + V % 10);
  if (Count + 3 >= Ref.Length) return 0;
  std::size_t L = 0;
  Out[L++] = '&';
  Out[L++] = '#';
  while (Count > 0) Out[L++] = Digits[--Count];
  Out[L++] = ';';
  return L;
}

TRef ReadRef(const unsigned char* S, std::size_t Left) {
  TRef Ref;
  if (Left < 4 || S[0] != '&') return Ref;
  if (S[1] == '#') {
    const bool Hex = S[2] == 'x' || S[2] == 'X';
    std::size_t P = Hex ? 3 : 2;
    std::uint32_t Value = 0;
    const std::size_t First = P;
    for (; P < Left && P < First + 8; ++P) {
      const unsigned char C = S[P];
      int Digit;
      if (C >= '0' && C <= '9')
        Digit = C - '0';
      else if (Hex && Lower(C) >= 'a' && Lower(C) <= 'f')
        Digit = Lower(C) - 'a' + 10;
      else
        break;
      Value = Value * (Hex ? 16 : 10) + static_cast<std::uint32_t>(Digit);
    }
    if (P == First || P >= Left || S[P] != ';' || Value > 0x10FFFF) return Ref;
    Ref.Length = P + 1;
    Ref.Code = Value;
    Ref.HasCode = true;
    if (Value == '"' || Value == '\'' || Value == '>' || Value == '&') Ref.Char = static_cast<unsigned char>(Value);
    return Ref;
  }
  struct TNamed {
    std::string_view Name;
    unsigned char Char;
  };
  static constexpr TNamed kNamed[] = {{"&quot;", '"'}, {"&QUOT;", '"'}, {"&apos;", '\''}, {"&gt;", '>'},
                                      {"&GT;", '>'},   {"&amp;", '&'},  {"&AMP;", '&'}};
  for (const TNamed& N : kNamed)
    if (Left >= N.Name.size() && std::memcmp(S, N.Name.data(), N.Name.size()) == 0) {
      Ref.Char = N.Char;
      Ref.Length = N.Name.size();
      return Ref;
    }
  std::size_t P = 1;
  while (P < Left && P <= 9 && IsAlnum(S[P])) ++P;
  if (P < Left && S[P] == ';' &&
      LongNameCode(std::string_view(reinterpret_cast<const char*>(S + 1), P - 1), Ref.Code)) {
    Ref.Length = P + 1;
    Ref.HasCode = true;
  }
  return Ref;
}

// Whether the reference Ref may be written as its character in Place, with
// Next the byte after it (0: none).
bool RefMayGo(const TRef& Ref, TRefPlace Place, unsigned char Next) {
  switch (Ref.Char) {
    case '&':
      return !IsAlnum(Next) && Next != '#';
    case '>':
      return Place != TRefPlace::rpUnquoted;
    case '"':
      return Place == TRefPlace::rpText || Place == TRefPlace::rpSingle;
    case '\'':
      return Place == TRefPlace::rpText || Place == TRefPlace::rpDouble;
    default:
      return false;
  }
}

// One attribute of a tag being rewritten, as offsets into the page.
struct TAttr {
  std::size_t NameBegin = 0;
  std::size_t NameEnd = 0;
  std::size_t ValueBegin = 0;  // inside the quotes
  std::size_t ValueEnd = 0;
  unsigned char Quote = 0;  // '"', '\'' or 0 (unquoted, or no value)
  bool HasValue = false;
  std::string Lower;  // the name in lower case
  bool Drop = false;       // the attribute goes
  bool DropValue = false;  // only its name stays
};

// Tags with more attributes than this are kept as they are.
constexpr std::size_t kMaxAttributes = 64;

class TBestScan {
public:
  TBestScan(unsigned char* Text, std::size_t Size, const TKeepRules& Rules, const TBestKeep& Keep)
      : T(Text), N(Size), FRules(Rules), FKeep(Keep) {}

  std::size_t Run() {
    // Every element keeps its white space: the page stays as it is.
    if (FRules.All()) return N;
    if (!FKeep.OptionalTags) SurveyTags();
    // A byte order mark is no text for the browser.
    if (At(0, "\xEF\xBB\xBF")) TakeTo(3);
    while (R < N) {
      const std::size_t Stop = NextStop();
      if (Stop > R) {
        TextToken(Stop);
        TakeTo(Stop);
      }
      if (R >= N) break;
      if (T[R] == '&') {
        TextToken(R + 1);
        Reference(TRefPlace::rpText);
      } else {
        Markup();
      }
    }
    if (FOmit) {
      Next({TNext::Eof, {}});
      // The body's and the document's end tags with nothing after them.
      if (FTailStart != kNoPos && W == FTailEnd) W = FTailStart;
    }
    return W;
  }

  bool Removed() const { return FRemoved; }

  // The ids of the page's elements, each with the number of elements
  // that have it (or more); Unknown: they are not known.
  struct TIds {
    std::unordered_map<std::string, int> Count;
    bool Unknown = false;
  };
  void UseIds(const TIds& Ids) { FKnownIds = &Ids; }

  // The ids of the page read from its bytes alone, before the pass: every
  // "id" (any letter case) that may start an attribute's name, after a
  // blank, "/" or quote, with "=" and a value after it. Read so, an "id=" in
  // text, a comment or a script counts as well: the count may be more than
  // the elements have, never less. A value with a reference (or server
  // code, a CR or NUL, which the browser reads otherwise) in it, and server
  // code anywhere in the page (it may write any id), make the ids unknown.
  static void CountIds(const unsigned char* T, std::size_t N, TIds& Ids) {
    for (std::size_t P = 0; P < N; ++P) {
      if (T[P] == '<' && AtServerBlock(T, N, P)) {
        Ids.Unknown = true;
        return;
      }
      if (P == 0 || Lower(T[P]) != 'i' || P + 1 >= N || Lower(T[P + 1]) != 'd') continue;
      const unsigned char Before = T[P - 1];
      if (!IsBlank(Before) && Before != '/' && Before != '"' && Before != '\'') continue;
      std::size_t Q = P + 2;
      while (Q < N && IsBlank(T[Q])) ++Q;
      if (Q >= N || T[Q] != '=') continue;
      ++Q;
      while (Q < N && IsBlank(T[Q])) ++Q;
      std::size_t Begin = Q;
      if (Q < N && (T[Q] == '"' || T[Q] == '\'')) {
        const unsigned char Quote = T[Q];
        Begin = ++Q;
        while (Q < N && T[Q] != Quote) ++Q;
      } else {
        while (Q < N && !IsBlank(T[Q]) && T[Q] != '>') ++Q;
      }
      const std::string_view Value(reinterpret_cast<const char*>(T + Begin), Q - Begin);
      if (Value.find_first_of(std::string_view("&<\r\0", 4)) != std::string_view::npos) {
        Ids.Unknown = true;
        return;
      }
      ++Ids.Count[std::string(Value)];
    }
  }

private:
  std::size_t NextStop() const {
    std::size_t P = R;
    if (Frozen()) {
      const void* Lt = std::memchr(T + P, '<', N - P);
      return Lt != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char*>(Lt) - T) : N;
    }
    return static_cast<std::size_t>(FindEitherByte(T + P, T + N, '<', '&', FWide) - T);
  }

  // In a region that keeps its white space (PRE, LISTING, an element a
  // style keeps), or frozen: no white space, tag or comment goes, and
  // nothing is written otherwise that may change the text's white space.
  bool Keeping() const { return FPreDepth > 0 || FListingDepth > 0 || FStyledDepth > 0 || Frozen(); }
  // Frozen (see FreezeAfterStyle): the bytes stay as they are. Elsewhere in
  // a kept region the tags are rewritten (their quotes, attributes and
  // references) and references in the text shortened: the text and its
  // white space stay the same.
  bool Frozen() const { return R < FFreezeUntil; }

  // Safe mode finds a page's sheets by a quick look at its bytes (see
  // FindPageStyles): a "<style" or "<link" in a comment, a script or a
  // value counts. What this pass changes must not change what that look
  // finds, or a second run would read other rules: such a comment, script
  // or value stays as it is, and nothing changes up to where the look
  // reads on from such a tag (see FreezeAfterStyle).
  bool Mentions(std::size_t P, std::size_t E, std::string_view LowerWord) const {
    for (; P + LowerWord.size() <= E; ++P)
      if (T[P] == '<' && AtNoCase(P, LowerWord)) return true;
    return false;
  }
  // Also a "<frameset": the look for one before the pass (see SurveyTags)
  // must find it again on a second run.
  bool MentionsSheet(std::size_t P, std::size_t E) const {
    return Mentions(P, E, "<style") || Mentions(P, E, "<link") || Mentions(P, E, "<base") ||
           (FFrameset && Mentions(P, E, "<frameset"));
  }
  // For every "<style", "<link" or "<base" in T[P, E) (a comment, a
  // script, a value): nothing changes up to where the quick look reads
  // from it (past the tag's attributes as ReadTagAttributes reads them,
  // and for a sheet up to its "</style"), which may lie past E. The look
  // reads past each STYLE or LINK it finds, and BASE in a pass of its own,
  // so that which ones it reads depends on where it started: every one
  // is taken here, one inside what another reads included. Past
  // kMaxNested of those the rest of the page stays as it is (which keeps
  // this linear).
  void FreezeAfterStyle(std::size_t P, std::size_t E) {
    auto NameAt = [&](std::size_t Q, std::string_view Name) {
      if (!AtNoCase(Q + 1, Name)) return false;
      const std::size_t After = Q + 1 + Name.size();
      if (After >= N) return true;
      const unsigned char C = T[After];
      return IsBlank(C) || C == '/' || C == '>';
    };
    for (std::size_t Q = P; Q < E && FFreezeUntil < N;) {
      const void* Lt = std::memchr(T + Q, '<', E - Q);
      if (Lt == nullptr) break;
      Q = static_cast<std::size_t>(static_cast<const unsigned char*>(Lt) - T);
      const bool Style = NameAt(Q, "style");
      if (!Style && !NameAt(Q, "link") && !NameAt(Q, "base")) {
        ++Q;
        continue;
      }
      if (Q < FFreezeUntil && ++FNested > kMaxNested) {
        FFreezeUntil = N;
        return;
      }
      std::size_t Until = ReadTagAttributes(T, N, Q + (Style ? 6 : 5), [](const TTagAttribute&) {});
      if (Style)
        while (Until < N &&
               !(T[Until] == '<' && Until + 1 < N && T[Until + 1] == '/' && NameAt(Until + 1, "style")))
          ++Until;
      FFreezeUntil = std::max(FFreezeUntil, Until);
      ++Q;
    }
  }
  static constexpr int kMaxNested = 16;

  bool At(std::size_t P, std::string_view S) const {
    return P <= N && N - P >= S.size() && std::memcmp(T + P, S.data(), S.size()) == 0;
  }
  bool AtNoCase(std::size_t P, std::string_view LowerS) const {
    if (P > N || N - P < LowerS.size()) return false;
    for (std::size_t I = 0; I < LowerS.size(); ++I)
      if (Lower(T[P + I]) != static_cast<unsigned char>(LowerS[I])) return false;
    return true;
  }
  bool AtServer(std::size_t P) const { return AtServerBlock(T, N, P); }
  std::size_t ServerEnd(std::size_t P) const { return ServerBlockEnd(T, N, P); }

  void TakeTo(std::size_t End) {
    if (W != R && End > R) std::memmove(T + W, T + R, End - R);
    W += End - R;
    R = End;
  }
  void Put(const unsigned char* Bytes, std::size_t Count) {
    if (Count > 0) std::memmove(T + W, Bytes, Count);
    W += Count;
  }

  // A reference at the read cursor, in text (or TITLE or TEXTAREA).
  void Reference(TRefPlace Place) {
    const TRef Ref = FKeep.Entities ? TRef{} : ReadRef(T + R, N - R);
    if (Ref.Length == 0) {
      TakeTo(R + 1);
      return;
    }
    const std::size_t After = R + Ref.Length;
    const unsigned char Next = After < N ? T[After] : 0;
    // Beside a server block the reference stays: what the server writes
    // there may read it otherwise.
    const bool Beside = FServerEndW == W || AtServer(After);
    if (Beside) {
      TakeTo(After);
      return;
    }
    if (RefMayGo(Ref, Place, Next)) {
      T[W++] = Ref.Char;
      R = After;
      return;
    }
    // Else its shortest form: "&eacute;" and "&#x2013;" as "&#233;" and "&#8211;".
    char Number[12];
    const std::size_t Length = ShorterNumber(Ref, Number);
    if (Length == 0) {
      TakeTo(After);
      return;
    }
    R = After;
    Put(reinterpret_cast<const unsigned char*>(Number), Length);
  }

  void ServerBlock() {
    TakeTo(ServerEnd(R));
    FServerEndW = W;
  }

  // At a "<".
  void Markup() {
    if (AtServer(R)) {
      ServerBlock();
      return;
    }
    if (R + 1 >= N) {
      TextToken(R + 1);
      TakeTo(R + 1);
      return;
    }
    const unsigned char D = T[R + 1];
    if (D == '!') {
      if (FOmit && AtNoCase(R, "<!doctype")) DoctypeToken();
      if (At(R, "<!--"))
        Comment();
      else if (AtNoCase(R, "<!doctype") && !Keeping())
        Doctype();
      else
        Bogus(At(R, "<![CDATA[") ? std::string_view("]]>") : std::string_view(">"));
    } else if (D == '?') {
      Bogus(">");
    } else if (D == '/') {
      if (R + 2 < N && IsLetter(T[R + 2]))
        Tag(true);
      else if (R + 2 < N && T[R + 2] == '>')
        TakeTo(R + 3);
      else
        Bogus(">");
    } else if (IsLetter(D)) {
      Tag(false);
    } else {
      TextToken(R + 1);
      TakeTo(R + 1);  // a "<" that starts nothing
    }
  }

  // Markup kept as it is, up to and including Close.
  void Bogus(std::string_view Close) {
    const std::size_t P = MarkupEnd(T, N, R + 2, Close);
    FreezeAfterStyle(R + 1, P);
    TakeTo(P);
  }

  // A comment at "<!--".
  void Comment() {
    std::size_t End;
    bool Stays = false;  // server code inside, or no end
    if (At(R + 4, ">")) {
      End = R + 5;
    } else if (At(R + 4, "->")) {
      End = R + 6;
    } else {
      std::size_t P = R + 4;
      End = N;
      while (P < N) {
        if (AtServer(P)) {
          Stays = true;
          P = ServerEnd(P);
        } else if (T[P] == '-' && At(P, "-->")) {
          End = P + 3;
          break;
        } else if (T[P] == '-' && At(P, "--!>")) {
          End = P + 4;
          break;
        } else {
          ++P;
        }
      }
      if (P >= N) Stays = true;
    }
    const std::size_t Body = R + 4;
    const bool Kept = FKeep.Comments || Keeping() || Stays || At(Body, "#") || At(Body, "!") ||
                      AtNoCase(Body, "[if") || AtNoCase(Body, "<![endif") || AtNoCase(Body, "[endif") ||
                      AtNoCase(Body, "<![if") || FServerEndW == W || (End < N && AtServer(End)) || JoinsMarkup(End) ||
                      BetweenTexts(End) || MentionsSheet(Body, End);
    FreezeAfterStyle(Body, End);
    if (Kept) {
      TakeTo(End);
      return;
    }
    R = End;
    // White space on both sides: one blank stays.
    if (W > 0 && IsBlank(T[W - 1]))
      while (R < N && IsBlank(T[R])) ++R;
    FRemoved = FRemoved || JoinsBlankToMarkup();
  }

  // Whether the white space that now stands where a comment went (if any)
  // has a tag on one side, where safe mode, which kept it beside the
  // comment, may now take it away; beside server code, or between two
  // texts, it keeps it.
  bool JoinsBlankToMarkup() const {
    std::size_t Left = W;
    while (Left > 0 && IsBlank(T[Left - 1])) --Left;
    std::size_t Right = R;
    while (Right < N && IsBlank(T[Right])) ++Right;
    if (Left == W && Right == R) return false;
    if (FServerEndW == Left || (Right < N && AtServer(Right))) return false;
    const bool TextLeft = Left > 0 && T[Left - 1] != '>';
    const bool TextRight = Right < N && T[Right] != '<';
    return !(TextLeft && TextRight);
  }

  // Whether the comment that ends at End stands between two texts that
  // are more than white space. Taking it away would make one text of two,
  // and chromium then places the glyphs after it a fraction of a pixel
  // elsewhere; beside a tag (or a kept comment) it goes.
  bool BetweenTexts(std::size_t End) const {
    std::size_t P = W;
    while (P > 0 && IsBlank(T[P - 1])) --P;
    if (P == 0 || T[P - 1] == '>') return false;
    std::size_t Q = End;
    while (Q < N && IsBlank(T[Q])) ++Q;
    return Q < N && T[Q] != '<';
  }

  // Whether taking away the markup that ends at End would join the text
  // before it and after it into markup or a character reference.
  bool JoinsMarkup(std::size_t End) const {
    if (W == 0) return false;
    const unsigned char Before = T[W - 1];
    if (Before == '<' || Before == '&') return true;
    if (!IsAlnum(Before) && Before != '#') return false;
    if (End < N && !IsAlnum(T[End]) && T[End] != ';' && T[End] != '#') return false;
    // "&am" + "p;": a reference name before, within what a name may be.
    for (std::size_t P = W, Steps = 0; P > 0 && Steps < 40; --P, ++Steps) {
      const unsigned char C = T[P - 1];
      if (C == '&') return true;
      if (!IsAlnum(C) && C != '#') return false;
    }
    return false;
  }

  // A DOCTYPE, at "<!".
  void Doctype() {
    std::size_t End = R + 9;
    bool Server = false;
    while (End < N && T[End] != '>') {
      if (AtServer(End)) {
        Server = true;
        End = ServerEnd(End);
      } else {
        ++End;
      }
    }
    // A sheet's tag inside the declaration counts for the quick look too.
    FreezeAfterStyle(R + 2, std::min(End, N));
    if (End >= N) {
      TakeTo(N);
      return;
    }
    ++End;
    if (FKeep.Doctype || Server || End - R < kShortDoctype.size() || !NoQuirks(R + 9, End - 1)) {
      TakeTo(End);
      return;
    }
    R = End;
    Put(reinterpret_cast<const unsigned char*>(kShortDoctype.data()), kShortDoctype.size());
  }

  // Whether the DOCTYPE whose text after "<!doctype" is T[P, E) puts the
  // browser in no-quirks mode. Only plainly written ones are read: any
  // other text answers no.
  bool NoQuirks(std::size_t P, std::size_t E) const {
    auto Blanks = [&] {
      const std::size_t S = P;
      while (P < E && IsBlank(T[P])) ++P;
      return P > S;
    };
    auto Quoted = [&](std::string& Out) {
      if (P >= E || (T[P] != '"' && T[P] != '\'')) return false;
      const unsigned char Q = T[P++];
      const std::size_t S = P;
      while (P < E && T[P] != Q && T[P] != '>') ++P;
      if (P >= E || T[P] != Q) return false;
      Out = LowerText(std::string_view(reinterpret_cast<const char*>(T + S), P - S));
      ++P;
      return true;
    };
    if (!Blanks() || !AtNoCase(P, "html")) return false;
    P += 4;
    const bool Space = Blanks();
    if (P == E) return true;
    if (!Space) return false;
    std::string PublicId;
    std::string SystemId;
    bool HasPublic = false;
    bool HasSystem = false;
    if (AtNoCase(P, "public")) {
      P += 6;
      if (!Blanks() || !Quoted(PublicId)) return false;
      HasPublic = true;
      const bool More = Blanks();
      if (P < E) {
        if (!More || !Quoted(SystemId)) return false;
        HasSystem = true;
        Blanks();
      }
    } else if (AtNoCase(P, "system")) {
      P += 6;
      if (!Blanks() || !Quoted(SystemId)) return false;
      HasSystem = true;
      Blanks();
    } else {
      return false;
    }
    if (P != E) return false;
    if (HasSystem && SystemId == "http://www.ibm.com/data/dtd/v11/ibmxhtml1-transitional.dtd"sv) return false;
    if (!HasPublic) return true;
    if (HasSystem && PublicId == kStrictWithSystemId) return true;
    return std::find(std::begin(kStrictPublicIds), std::end(kStrictPublicIds), PublicId) !=
           std::end(kStrictPublicIds);
  }

  // A start or end tag, at its "<".
  void Tag(bool EndTag) {
    const std::size_t Start = R;
    std::size_t P = R + (EndTag ? 2 : 1);
    bool Server = false;
    // The name.
    const std::size_t NameBegin = P;
    while (P < N && !IsBlank(T[P]) && T[P] != '/' && T[P] != '>') {
      if (AtServer(P)) {
        Server = true;
        P = ServerEnd(P);
      } else {
        ++P;
      }
    }
    const std::size_t NameEnd = std::min(P, N);
    // Where safe mode's scanner ends the tag (see below); the attributes
    // are read no further.
    const std::size_t SafeEnd = SafeTagEnd(NameEnd);
    const std::size_t Lim = std::min(SafeEnd, N);
    // The rest of the tag, as a browser's tokenizer reads it.
    std::vector<TAttr>& Attrs = FAttrs;
    Attrs.clear();
    bool Plain = !Server;  // attributes read, nothing unusual
    bool Closed = false;
    // A server block at At is read whole; the tag is then not plain.
    auto SkipServer = [&](std::size_t& At) {
      if (!AtServer(At)) return false;
      Server = true;
      Plain = false;
      At = ServerEnd(At);
      return true;
    };
    std::size_t TailBegin = P;
    while (P < Lim) {
      if (SkipServer(P)) continue;
      const unsigned char C = T[P];
      if (C == '>') {
        Closed = true;
        break;
      }
      if (IsBlank(C) || C == '/') {
        ++P;
        continue;
      }
      // A name; a leading "=" belongs to it.
      TAttr A;
      const std::size_t Gap = TailBegin;
      A.NameBegin = P;
      for (bool First = true; P < Lim; First = false) {
        if (SkipServer(P)) continue;
        const unsigned char D = T[P];
        if (IsBlank(D) || D == '/' || D == '>' || (D == '=' && !First)) break;
        if (D == '"' || D == '\'' || D == '<' || D == '=') Plain = false;
        ++P;
      }
      A.NameEnd = std::min(P, Lim);
      // What stood between the previous attribute and this one: one
      // space, or nothing after a quoted value, as safe mode writes it
      // (other tags stay as they are).
      const bool AfterQuoted = !Attrs.empty() && Attrs.back().Quote != 0;
      if (!(A.NameBegin == Gap + 1 && T[Gap] == ' ') && !(A.NameBegin == Gap && AfterQuoted)) Plain = false;
      std::size_t Q = P;
      while (Q < Lim && IsBlank(T[Q])) ++Q;
      if (Q < Lim && T[Q] == '=') {
        if (Q != P) Plain = false;
        ++Q;
        const std::size_t AfterEquals = Q;
        while (Q < Lim && IsBlank(T[Q])) ++Q;
        if (Q != AfterEquals) Plain = false;
        A.HasValue = true;
        if (Q < Lim && (T[Q] == '"' || T[Q] == '\'')) {
          A.Quote = T[Q];
          A.ValueBegin = ++Q;
          while (Q < Lim && T[Q] != A.Quote)
            if (!SkipServer(Q)) ++Q;
          A.ValueEnd = std::min(Q, Lim);
          P = Q < Lim ? Q + 1 : Lim;
        } else {
          A.ValueBegin = Q;
          while (Q < Lim && !IsBlank(T[Q]) && T[Q] != '>') {
            if (SkipServer(Q)) continue;
            const unsigned char D = T[Q];
            if (D == '"' || D == '\'' || D == '<' || D == '=' || D == '`') Plain = false;
            ++Q;
          }
          A.ValueEnd = std::min(Q, Lim);
          P = A.ValueEnd;
        }
      }
      TailBegin = P;
      if (Attrs.size() < kMaxAttributes)
        Attrs.push_back(std::move(A));
      else
        Plain = false;
    }
    // Where the tag ends is read as safe mode reads it, which takes a
    // server block for nothing written (the browser's reading when the
    // server writes nothing there): the pass must see the same tags,
    // text and regions as safe mode does. Where the two readings differ
    // (server code, a form feed), the tag stays as it is.
    const std::size_t End = SafeEnd;
    if (End > N) {
      // The page ends inside the tag: the browser drops it; it stays.
      TakeTo(N);
      return;
    }
    const bool Unusual = !Closed || P + 1 != End || std::memchr(T + Start, '\f', End - Start) != nullptr;
    if (Unusual) Plain = false;
    // The name, lower case, as far as the element lists need it.
    // The name as written: its bytes move once the tag is written, so it
    // is read before that; LowerName is a copy.
    const std::string_view TagName(reinterpret_cast<const char*>(T + NameBegin), NameEnd - NameBegin);
    const bool NameKnown = TagName.find('<') == std::string_view::npos;
    const std::string LowerName = LowerText(TagName);
    const std::string_view Name = NameKnown && TagName.size() <= 16 ? std::string_view(LowerName) : std::string_view();

    // Optional tags: what the tag means to the tree builder, and whether
    // it may go (decided when the next token is known).
    const std::string_view TreeName = FOmit && NameKnown ? std::string_view(LowerName) : std::string_view();
    bool SelfClosing = false;
    if (FOmit) {
      Next({EndTag ? TNext::End : TNext::Start, TreeName});
      if (Unusual || !NameKnown)
        FTree.Lose();
      // A "/" before ">" closes the tag unless an unquoted value takes it.
      SelfClosing = End - Start >= 3 && T[End - 2] == '/' &&
                    !(!Attrs.empty() && Attrs.back().HasValue && Attrs.back().Quote == 0 &&
                      Attrs.back().ValueEnd == End - 1);
    }
    const bool Bare = End == NameEnd + 1;  // "<name>" or "</name>"

    if (EndTag) {
      // A sheet's tag in the end tag's attributes: the quick look reads on
      // from there too.
      FreezeAfterStyle(Start + 1, End);
      const TOmit Omit = Bare ? EndCandidate(TreeName) : TOmit::None;
      if (FOmit) FTree.EndTag(TreeName);
      const std::size_t TagW = W;
      TakeTo(End);
      Omittable(Omit, TagW);
      if ((Name == "svg"sv || Name == "math"sv) && FForeignDepth > 0) --FForeignDepth;
      if (FStyledDepth > 0 && LowerName == FStyledName) --FStyledDepth;
      if (Name == "pre"sv && FPreDepth > 0) --FPreDepth;
      if (Name == "listing"sv && FListingDepth > 0) --FListingDepth;
      return;
    }
    // A sheet's tag in a value: frozen from the tag's end on (set below,
    // after the tag is written).
    const std::size_t FrozenBefore = FFreezeUntil;
    FreezeAfterStyle(Start + 1, End);
    const std::size_t StyleUntil = FFreezeUntil;
    FFreezeUntil = FrozenBefore;

    // Whether the element keeps its white space: decided on the tag as
    // written, before it changes.
    if (FStyledDepth > 0 && LowerName == FStyledName) ++FStyledDepth;
    bool Styled = false;
    if (!NameKnown && FStyledDepth == 0) {
      // Server code in the name: what the server writes may make an
      // element whose text is raw, or kept (by its name, or by any rule of
      // a sheet), up to the same end tag.
      Styled = !FRules.Empty() || MayNameRegion(TagName.substr(0, TagName.find('<')));
    } else if (!Keeping() && !IsVoidElement(Name) && !IsRawElement(Name) &&
               Name != "pre"sv && Name != "listing"sv && Name != "plaintext"sv) {
      Styled = MentionsWhiteSpace(Start, End) || KeptBySheet(LowerName, NameEnd, End);
    }

    // The script's kind, read before the tag changes.
    TScriptKind Kind = TScriptKind::skOther;
    bool CssStyle = false;
    // A sheet's tag inside this one: the look reads on through the rest of
    // this tag as well, which then stays as it is.
    const bool Known = Plain && !Frozen() && StyleUntil == FrozenBefore;
    const bool Unique = Known && Names(Attrs, T);
    if (Name == "script"sv && Known) Kind = ScriptKind(Attrs);
    if (Name == "style"sv && Known) {
      const TAttr* Type = Find(Attrs, "type");
      CssStyle = Type == nullptr || Value(*Type).find('&') == std::string_view::npos;
      if (Type != nullptr && CssStyle) {
        const std::string_view E = Essence(Value(*Type));
        CssStyle = E.empty() || EqualNoCase(E, "text/css");
      }
    }

    // "<br />" becomes "<br>" (and "<head/>" a bare "<head>", which may go).
    const bool SlashGoes =
        Known && Attrs.empty() && !FKeep.Attributes && !SlashMatters(Name) && OnlySlash(NameEnd, End - 1);
    const TOmit Omit = (Bare || SlashGoes) && !Styled ? StartCandidate(TreeName) : TOmit::None;
    if (FOmit) FTree.StartTag(TreeName, SelfClosing);
    const std::size_t TagW = W;
    if (Known && !Attrs.empty()) {
      RewriteTag(Name, Attrs, Unique, NameEnd, TailBegin, End);
    } else if (SlashGoes) {
      TakeTo(NameEnd);
      T[W++] = '>';
      R = End;
    } else {
      TakeTo(End);
    }
    Omittable(Omit, TagW);

    FFreezeUntil = std::max(FFreezeUntil, StyleUntil);
    if (Styled) {
      FStyledName = LowerName;
      FStyledDepth = 1;
      return;
    }
    if ((Name == "svg"sv || Name == "math"sv) && !(End - Start >= 2 && T[W - 2] == '/')) {
      ++FForeignDepth;
    } else if (Name == "pre"sv || Name == "listing"sv) {
      ++(Name == "pre"sv ? FPreDepth : FListingDepth);
    } else if (Name == "script"sv) {
      Script(Kind);
    } else if (Name == "style"sv) {
      RawContent("style", CssStyle && !Keeping() ? TRaw::rwCss : TRaw::rwKeep);
    } else if (Name == "title"sv || Name == "textarea"sv) {
      RawContent(Name, Keeping() ? TRaw::rwKeep : TRaw::rwRcdata);
    } else if (IsRawElement(Name)) {
      RawContent(Name, TRaw::rwKeep);
    } else if (Name == "plaintext"sv) {
      TakeTo(N);
    }
  }

  // Just past the ">" of the tag whose name ends at P, as safe mode's
  // scanner finds it (N + 1 when the page ends first): its states of a
  // browser's tokenizer, with white space as space, tab, CR and LF, and
  // a server block leaving the state as it was.
  std::size_t SafeTagEnd(std::size_t P) const {
    TTagState S = tsName;
    auto SafeBlank = [](unsigned char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r'; };
    auto Stop = [&](unsigned char C) {
      return SafeBlank(C) || C == '/' || C == '>' || C == '=' || C == '<' || C == '"' || C == '\'';
    };
    while (P < N) {
      const unsigned char C = T[P];
      if (C == '<' && AtServer(P)) {
        P = ServerEnd(P);
        continue;
      }
      if (SafeBlank(C)) {
        while (P < N && SafeBlank(T[P])) ++P;
        S = AfterBlanks(S);
        continue;
      }
      if (C == '>') return P + 1;
      if (S == tsBeforeValue && (C == '"' || C == '\'')) {
        ++P;
        while (P < N && T[P] != C) P = AtServer(P) ? ServerEnd(P) : P + 1;
        if (P < N) ++P;
        S = tsAfterQuoted;
        continue;
      }
      S = AfterByte(S, C);
      ++P;
      if (S == tsAttr || S == tsUnquoted)
        while (P < N && !Stop(T[P])) ++P;
    }
    return N + 1;
  }

  // Whether exactly one element of the page has the id Id.
  bool OnlyId(std::string_view Id) const {
    if (FKnownIds == nullptr || FKnownIds->Unknown) return false;
    const auto It = FKnownIds->Count.find(std::string(Id));
    return It != FKnownIds->Count.end() && It->second == 1;
  }

  // Optional tags
  //
  // A tag that HTML lets a page leave out goes where the browser's tree
  // builder puts the same element there by itself, so that the document
  // tree stays the same. FTree follows the tree builder (see
  // OpenElements.h); whether a tag may go depends on what the browser reads
  // next in the result, so it is written, noted (FPending) and taken back
  // when the next token comes right after it and allows it (Next). The
  // body's and the document's end tags go only when nothing follows them
  // in the result (FTailStart). Nothing goes from the first server block
  // on, nor beside white space that safe mode would read otherwise
  // without the tag, nor in a region that keeps its bytes.

  enum class TOmit : std::uint8_t {
    None, EndP, EndLi, EndDt, EndDd, EndOption, EndOptgroup, EndCell, EndRow, EndThead, EndTbody, EndTfoot,
    EndColgroup, EndHead, EndBody, EndHtml, StartHtml, StartHead, StartBody, StartTbody, StartColgroup,
    AgainHtml,
  };

  // The next token of the result, as far as the optional tags need it.
  struct TNext {
    enum TType : std::uint8_t { Text, Start, End, Eof } Type;
    std::string_view Name;  // a tag's name, lower case
  };

  static constexpr std::size_t kNoPos = static_cast<std::size_t>(-1);

  struct TPending {
    TOmit Kind = TOmit::None;
    std::size_t StartW = 0;  // the tag in the result
    std::size_t EndW = 0;
    bool BlankBefore = false;  // a blank stands before it
    std::string Parent;        // an end tag's: the parent of its element
    std::string Section;       // a cell's end tag: the table section of its row
  };

  // Reads once what the page holds before the pass: where its first server
  // block starts, and whether it has a FRAMESET (a body whose start tag goes
  // would let one replace it).
  void SurveyTags() {
    FOmit = true;
    FFirstServer = N;
    for (std::size_t P = 0; P < N;) {
      const void* Lt = std::memchr(T + P, '<', N - P);
      if (Lt == nullptr) break;
      P = static_cast<std::size_t>(static_cast<const unsigned char*>(Lt) - T);
      if (AtServer(P)) {
        FFirstServer = std::min(FFirstServer, P);
        break;
      }
      if (AtNoCase(P, "<frameset")) FFrameset = true;
      ++P;
    }
    // Past the first server block only the frameset is looked for.
    for (std::size_t P = FFirstServer; !FFrameset && P < N; ++P) {
      const void* Lt = std::memchr(T + P, '<', N - P);
      if (Lt == nullptr) break;
      P = static_cast<std::size_t>(static_cast<const unsigned char*>(Lt) - T);
      if (AtNoCase(P, "<frameset")) FFrameset = true;
    }
  }

  // Whether the tree is followed at the read cursor.
  bool Tracking() {
    if (!FOmit || FTree.Lost()) return false;
    if (R >= FFirstServer && FFirstServer < N) {
      FTree.Lose();  // what server code writes is not known
      return false;
    }
    return true;
  }

  // Text from the read cursor to End (a run, a reference or a "<").
  void TextToken(std::size_t End) {
    if (!FOmit) return;
    Next({TNext::Text, {}});
    if (!Tracking()) return;
    bool Blank = true;
    for (std::size_t P = R; P < End && Blank; ++P) Blank = IsBlank(T[P]);
    FTree.Text(Blank);
  }

  // A DOCTYPE at the read cursor: the document's mode.
  void DoctypeToken() {
    if (!Tracking() || FTree.Mode() != TOpenElements::TMode::Initial) return;
    std::size_t End = R + 9;
    while (End < N && T[End] != '>') ++End;
    if (End >= FFirstServer) {
      FTree.Lose();
      return;
    }
    FTree.Doctype(NoQuirks(R + 9, End));
  }

  // The next token of the result begins at the write cursor: the tag noted
  // last goes when nothing was written since and the token allows it.
  void Next(const TNext& Y) {
    FJustDropped = false;
    FKeptBeforeHtml = false;
    if (FPending.Kind != TOmit::None) {
      const TPending P = FPending;
      FPending.Kind = TOmit::None;
      if (W == P.EndW && Tracking() && !Keeping() && Allows(P, Y)) {
        W = P.StartW;
        FJustDropped = true;
      } else {
        FKeptBeforeHtml = P.Kind == TOmit::StartHead && Y.Type == TNext::Start && Y.Name == "html"sv;
      }
    }
    if (FTailStart != kNoPos && Y.Type != TNext::Eof && !(Y.Type == TNext::End && Y.Name == "html"sv && W == FTailEnd))
      FTailStart = FTailEnd = kNoPos;
  }

  // Whether the tag noted as P may go before the token Y.
  bool Allows(const TPending& P, const TNext& Y) {
    const bool Start = Y.Type == TNext::Start;
    const bool EndOf = Y.Type == TNext::End;
    auto Named = [&](std::initializer_list<std::string_view> Names) {
      return std::find(Names.begin(), Names.end(), Y.Name) != Names.end();
    };
    // Safe mode keeps a blank before the tag only when text stands before
    // it: it keeps it before the next token too unless that one is an edge
    // of the document's lines. Where best mode takes away the blanks
    // beside a tag that surely starts or ends a line, the next tag may be
    // one where the tag was not (a loose p's end tag before an </li>): a
    // tag with a blank before it then stays before such a one.
    const bool Edge = Y.Type == TNext::Eof || Named({"html", "head", "body"}) ||
                      (!FKeep.BlockSpace && Y.Type != TNext::Text && MayGoBeforeTag(Y.Name, EndOf));
    if (P.BlankBefore && Edge) return false;
    // The end of the page: nothing, or nothing but the body's and the
    // document's end tags and comments (which go where they go whatever
    // is open), which may go themselves.
    const bool AtEnd = Y.Type == TNext::Eof || (EndOf && Named({"body", "html"}) && OnlyEndsFollow());
    // The end of the parent: its end tag, which closes what it holds, or
    // the end of the page.
    const bool ParentEnds =
        AtEnd || (EndOf && Y.Name == P.Parent && P.Parent != "body"sv && TOpenElements::EndClosesImplied(Y.Name));
    // The first thing in the body: not white space, a comment or an element
    // that the head takes.
    const bool BodyContent =
        (Start && !Named({"base", "basefont", "bgsound", "link", "meta", "noframes", "noscript", "script", "style",
                          "template", "title", "head", "html", "body", "frameset"})) ||
        (Y.Type == TNext::Text && PlainTextAt(R));
    switch (P.Kind) {
      case TOmit::EndP:
        if (Start && Y.Name == "form"sv) return !FTree.FormOpen();
        if (Start && Y.Name == "table"sv) return FTree.Quirks() == TOpenElements::TQuirks::NoQuirks;
        return (Start && Named({"address", "article", "aside", "blockquote", "details", "dialog", "div", "dl",
                                "fieldset", "figcaption", "figure", "footer", "h1", "h2", "h3", "h4", "h5",
                                "h6", "header", "hgroup", "hr", "main", "menu", "nav", "ol", "p", "pre",
                                "search", "section", "ul"})) ||
               ParentEnds;
      case TOmit::EndLi:
        return (Start && Y.Name == "li"sv) || ParentEnds;
      case TOmit::EndDt:
        return Start && Named({"dt", "dd"});
      case TOmit::EndDd:
        return (Start && Named({"dt", "dd"})) || ParentEnds;
      case TOmit::EndOption:
        return (Start && Named({"option", "optgroup"})) || (EndOf && Y.Name == "select"sv) ||
               (EndOf && Y.Name == "optgroup"sv && P.Parent == "optgroup"sv) || AtEnd;
      case TOmit::EndOptgroup:
        return (Start && Y.Name == "optgroup"sv) || (EndOf && Y.Name == "select"sv) || AtEnd;
      case TOmit::EndCell:
        return (Start && Named({"td", "th"})) || (EndOf && Named({"tr", "table"})) ||
               (EndOf && Y.Name == P.Section) || AtEnd;
      case TOmit::EndRow:
        return (Start && Y.Name == "tr"sv) || (EndOf && (Y.Name == "table"sv || Y.Name == P.Parent)) || AtEnd;
      case TOmit::EndThead:
        return Start && Named({"tbody", "tfoot"});
      case TOmit::EndTbody:
        return (Start && Named({"tbody", "tfoot"})) || (EndOf && Y.Name == "table"sv) || AtEnd;
      case TOmit::EndTfoot:
        return (EndOf && Y.Name == "table"sv) || AtEnd;
      case TOmit::EndColgroup:
        return (Start && Named({"colgroup", "caption", "thead", "tbody", "tfoot", "tr", "td", "th"})) ||
               (EndOf && Y.Name == "table"sv);
      case TOmit::EndHead:
        return BodyContent || (Start && Y.Name == "body"sv);
      case TOmit::StartHtml:
        return Start || EndOf;
      case TOmit::AgainHtml:
        return true;
      case TOmit::StartHead:
        return (Start && !Named({"html", "head", "frameset", "template"})) || (EndOf && Y.Name == "head"sv);
      case TOmit::StartBody:
        return BodyContent || (EndOf && Named({"body", "html"})) || Y.Type == TNext::Eof;
      case TOmit::StartTbody:
        return Start && Y.Name == "tr"sv;
      case TOmit::StartColgroup:
        return Start && Y.Name == "col"sv;
      default:
        return false;
    }
  }

  // Whether text that starts with C is surely no white space for the
  // browser (a reference may be one).
  static bool PlainTextStart(unsigned char C) { return !IsBlank(C) && C != '&' && C != '<' && C != 0; }
  // Whether the text at P starts with a character that is no white space
  // or NUL, written as it is or as a reference: the result may hold either
  // (a reference may go), and the tree builder reads the same character.
  bool PlainTextAt(std::size_t P) const {
    if (P >= N) return false;
    if (T[P] != '&') return PlainTextStart(T[P]);
    const TRef Ref = ReadRef(T + P, N - P);
    if (Ref.Char != 0) return true;
    const std::uint32_t C = Ref.Code;
    return Ref.HasCode && C != 0 && C != ' ' && C != '\t' && C != '\n' && C != '\f' && C != '\r';
  }

  // Whether nothing but "</body>", "</html>" (in that order, each at most
  // once) and comments follows from the read cursor to the end of the page.
  bool OnlyEndsFollow() const {
    if (FFirstServer < N) return false;
    std::size_t P = R;
    auto Comments = [&] {
      while (At(P, "<!--")) {
        if (At(P + 4, ">")) {
          P += 5;
          continue;
        }
        if (At(P + 4, "->")) {
          P += 6;
          continue;
        }
        std::size_t Q = P + 4;
        while (Q < N && !At(Q, "-->") && !At(Q, "--!>")) ++Q;
        if (Q >= N) return false;
        P = Q + (T[Q + 2] == '>' ? 3 : 4);
      }
      return true;
    };
    if (!Comments()) return false;
    if (AtNoCase(P, "</body>")) P += 7;
    if (!Comments()) return false;
    if (AtNoCase(P, "</html>")) P += 7;
    return Comments() && P == N;
  }

  // Whether a blank stands before the write cursor; Bad: one whose left
  // side is not text (then the tag stays).
  bool BlankBefore(bool& Bad) const {
    Bad = false;
    if (W == 0 || !IsBlank(T[W - 1])) return false;
    Bad = W < 2 || T[W - 2] == '>' || IsBlank(T[W - 2]);
    return true;
  }

  // Whether the end tag of the element Name at the read cursor may go,
  // as far as what went before it tells; read before the tree takes it.
  TOmit EndCandidate(std::string_view Name) {
    if (!Tracking() || Keeping() || Name.empty()) return TOmit::None;
    using M = TOpenElements::TMode;
    const M Mode = FTree.Mode();
    const std::string_view Current = FTree.Current();
    if (Name == "body"sv) return FTree.InBody() ? TOmit::EndBody : TOmit::None;
    if (Name == "html"sv) return FTree.BodyEnding() ? TOmit::EndHtml : TOmit::None;
    if (Current != Name) return TOmit::None;
    const std::string_view Parent = FTree.Parent();
    if (Mode == M::Body) {
      if (Name == "p"sv) return TOmit::EndP;
      if (Name == "li"sv) return TOmit::EndLi;
      if (Name == "dt"sv) return TOmit::EndDt;
      if (Name == "dd"sv) return TOmit::EndDd;
      if ((Name == "td"sv || Name == "th"sv) && Parent == "tr"sv) return TOmit::EndCell;
    } else if (Mode == M::Select) {
      if (Name == "option"sv && (Parent == "select"sv || Parent == "optgroup"sv)) return TOmit::EndOption;
      if (Name == "optgroup"sv && Parent == "select"sv) return TOmit::EndOptgroup;
    } else {
      if (Mode == M::Row && Name == "tr"sv) return TOmit::EndRow;
      if (Mode == M::TableBody && Name == "thead"sv) return TOmit::EndThead;
      if (Mode == M::TableBody && Name == "tbody"sv) return TOmit::EndTbody;
      if (Mode == M::TableBody && Name == "tfoot"sv) return TOmit::EndTfoot;
      if (Mode == M::Colgroup && Name == "colgroup"sv) return TOmit::EndColgroup;
    }
    if (Mode == M::InHead && Name == "head"sv) return TOmit::EndHead;
    return TOmit::None;
  }

  // The same for a start tag without attributes.
  TOmit StartCandidate(std::string_view Name) {
    if (!Tracking() || Keeping() || Name.empty()) return TOmit::None;
    using M = TOpenElements::TMode;
    const M Mode = FTree.Mode();
    if (Name == "html"sv && (Mode == M::Initial || Mode == M::BeforeHtml)) return TOmit::StartHtml;
    // Another html start tag without attributes adds nothing wherever the
    // tree builder reads it as HTML (it would only add attributes).
    // Not where a head start tag stayed for it: without the html tag, a
    // second run would see what follows and let the head tag go too.
    // Nor right after a "</head>" (which stays before it): a second run
    // would see what follows and let that go.
    if (Name == "html"sv && Mode != M::Foreign && !FKeptBeforeHtml && !WrittenEndsWith("</head>"))
      return TOmit::AgainHtml;
    // Before the body the tree builder makes the html and head elements
    // by itself where a tag needs them.
    const bool BeforeHead = Mode == M::Initial || Mode == M::BeforeHtml || Mode == M::BeforeHead;
    if (Name == "head"sv && BeforeHead) return TOmit::StartHead;
    if (Name == "body"sv && (BeforeHead || Mode == M::InHead || Mode == M::AfterHead) && !FFrameset)
      return TOmit::StartBody;
    // Not right after a table section's end tag that went: the browser
    // would take the rows into that section.
    if (Mode == M::Table && !FJustDropped) {
      if (Name == "tbody"sv) return TOmit::StartTbody;
      if (Name == "colgroup"sv) return TOmit::StartColgroup;
    }
    return TOmit::None;
  }

  // Whether what was written ends in LowerS, in any letter case.
  bool WrittenEndsWith(std::string_view LowerS) const {
    if (W < LowerS.size()) return false;
    for (std::size_t I = 0; I < LowerS.size(); ++I)
      if (Lower(T[W - LowerS.size() + I]) != static_cast<unsigned char>(LowerS[I])) return false;
    return true;
  }

  // The tag Omit (None: none) was just written from TagW on: noted.
  void Omittable(TOmit Omit, std::size_t TagW) {
    if (FTailStart != kNoPos && Omit != TOmit::EndHtml) FTailStart = FTailEnd = kNoPos;
    if (Omit == TOmit::None || FTree.Lost()) return;
    const std::size_t Written = W;
    W = TagW;
    bool Bad = false;
    const bool Blank = BlankBefore(Bad);
    W = Written;
    if (Bad) return;
    if (Omit == TOmit::EndBody || Omit == TOmit::EndHtml) {
      if (Blank) return;
      if (Omit == TOmit::EndHtml && FTailStart != kNoPos && FTailEnd == TagW) {
        FTailEnd = W;
      } else {
        FTailStart = TagW;
        FTailEnd = W;
      }
      return;
    }
    FPending.Kind = Omit;
    FPending.StartW = TagW;
    FPending.EndW = W;
    FPending.BlankBefore = Blank;
    // The tree has taken the tag: for an end tag the element's parent is
    // now the current node.
    FPending.Parent.assign(FTree.Current());
    FPending.Section.assign(FTree.Parent());
  }

  // Whether a tag name that starts with Prefix (as written) may name an
  // element whose content is raw text or keeps its white space.
  static bool MayNameRegion(std::string_view Prefix) {
    const std::string L = LowerText(Prefix);
    for (std::string_view Name : {"script", "style", "title", "textarea", "xmp", "iframe", "noembed", "noframes",
                                  "noscript", "plaintext", "pre", "listing"})
      if (Name.substr(0, L.size()) == L) return true;
    return false;
  }

  static bool IsRawElement(std::string_view Name) {
    switch (Name.size()) {
      case 3: return Name == "xmp"sv;
      case 5: return Name == "style"sv || Name == "title"sv;
      case 6: return Name == "script"sv || Name == "iframe"sv;
      case 7: return Name == "noembed"sv;
      case 8: return Name == "textarea"sv || Name == "noframes"sv || Name == "noscript"sv;
      default: return false;
    }
  }

  // Whether the tag T[Start, End) names "white-space" anywhere (its style
  // attribute may keep the element's white space; safe mode then kept it).
  bool MentionsWhiteSpace(std::size_t Start, std::size_t End) const {
    return MentionsWhiteSpace(std::string_view(reinterpret_cast<const char*>(T + Start), End - Start), FWide);
  }
  static bool MentionsWhiteSpace(std::string_view Text, bool Wide) {
    constexpr std::string_view kName = "white-space";
    if (Text.size() < kName.size()) return false;
    const auto* First = reinterpret_cast<const unsigned char*>(Text.data());
    const unsigned char* Last = First + Text.size() - kName.size() + 1;  // where the name may start
    for (const unsigned char* P = First; (P = FindEitherByte(P, Last, 'w', 'W', Wide)) < Last; ++P)
      if (EqualNoCase(std::string_view(reinterpret_cast<const char*>(P), kName.size()), kName)) return true;
    return false;
  }

  // Whether a style sheet keeps the white space of the element whose tag
  // has the name LowerName (lower case) and its attributes from AttrStart
  // to End.
  bool KeptBySheet(std::string_view LowerName, std::size_t AttrStart, std::size_t End) const {
    if (FRules.Empty()) return false;
    if (LowerName.find('<') != std::string_view::npos) return true;
    const TClassAndId C = FRules.NeedsAttributes() ? ReadClassAndId(T, End, AttrStart) : TClassAndId{};
    return FRules.Matches(LowerName, C.Classes, C.ClassesKnown, C.Id, C.IdKnown);
  }

  std::string_view Value(const TAttr& A) const {
    return {reinterpret_cast<const char*>(T + A.ValueBegin), A.ValueEnd - A.ValueBegin};
  }
  std::string_view NameOf(const TAttr& A) const {
    return {reinterpret_cast<const char*>(T + A.NameBegin), A.NameEnd - A.NameBegin};
  }

  static TAttr* Find(std::vector<TAttr>& Attrs, std::string_view LowerName) {
    for (TAttr& A : Attrs)
      if (A.Lower == LowerName) return &A;
    return nullptr;
  }
  // Fills in the lower-case names; false when a name comes twice.
  static bool Names(std::vector<TAttr>& Attrs, const unsigned char* T) {
    bool Unique = true;
    for (std::size_t I = 0; I < Attrs.size(); ++I) {
      Attrs[I].Lower = LowerText(std::string_view(reinterpret_cast<const char*>(T + Attrs[I].NameBegin),
                                                   Attrs[I].NameEnd - Attrs[I].NameBegin));
      for (std::size_t J = 0; J < I; ++J)
        if (Attrs[J].Lower == Attrs[I].Lower) Unique = false;
    }
    return Unique;
  }

  enum class TScriptKind : std::uint8_t { skClassic, skModule, skJson, skOther };

  TScriptKind ScriptKind(std::vector<TAttr>& Attrs) const {
    const TAttr* Type = Find(Attrs, "type");
    const TAttr* Language = Find(Attrs, "language");
    if (Type != nullptr && Type->HasValue) {
      const std::string_view V = Value(*Type);
      if (V.find('&') != std::string_view::npos) return TScriptKind::skOther;
      const std::string_view E = Essence(V);
      if (V.empty() || IsJsType(E)) return TScriptKind::skClassic;
      if (EqualNoCase(TrimBlanks(V), "module")) return TScriptKind::skModule;
      if (EqualNoCase(E, "application/json") || EqualNoCase(E, "application/ld+json") ||
          EqualNoCase(TrimBlanks(V), "importmap"))
        return TScriptKind::skJson;
      return TScriptKind::skOther;
    }
    if (Type != nullptr) return TScriptKind::skClassic;  // type with no value: empty
    if (Language != nullptr && Language->HasValue && !LanguageIsJs(Value(*Language))) return TScriptKind::skOther;
    return TScriptKind::skClassic;
  }

  // Whether a language attribute's value leaves a script JavaScript.
  static bool LanguageIsJs(std::string_view V) {
    if (V.empty()) return true;
    if (V.find('&') != std::string_view::npos) return false;
    return IsJsType("text/" + std::string(V));
  }

  // Writes the start tag T[Start, End) anew: attributes that go, values
  // that change, quotes that go. Attrs hold the attributes; the name ends
  // at NameEnd, the last attribute at TailBegin.
  // Whether a "/" that ends the start tag of the element Name says
  // something: it closes SVG and MATH, and any element in their content;
  // HTML elements take no notice of it.
  bool SlashMatters(std::string_view Name) const {
    return FForeignDepth > 0 || Name.empty() || Name == "svg"sv || Name == "math"sv;
  }
  // Whether T[P, E) is blanks and then one "/".
  bool OnlySlash(std::size_t P, std::size_t E) const {
    while (P < E && IsBlank(T[P])) ++P;
    return P + 1 == E && T[P] == '/';
  }

  void RewriteTag(std::string_view Name, std::vector<TAttr>& Attrs, bool Unique, std::size_t NameEnd,
                  std::size_t TailBegin, std::size_t End) {
    if (!FKeep.Attributes && Unique && !Name.empty()) MarkRedundant(Name, Attrs);
    // The tail: nothing, "/", or " /" after an unquoted value, right
    // before ">" (other tails stay as they are).
    const std::string_view Tail(reinterpret_cast<const char*>(T + TailBegin), End - 1 - TailBegin);
    const bool Slash = !Tail.empty();
    const TAttr& Last = Attrs.back();
    const bool LastUnquoted = Last.HasValue && Last.Quote == 0;
    if (!(Tail.empty() || Tail == (LastUnquoted ? " /" : "/"))) {
      TakeTo(End);
      return;
    }
    std::string& Out = FTag;
    Out.assign(reinterpret_cast<const char*>(T + R), NameEnd - R);
    bool AfterQuote = false;  // the last byte written closes a quoted value
    bool AfterValue = false;  // the last byte written ends an unquoted value
    const TAttr* LastKept = nullptr;
    for (const TAttr& A : Attrs)
      if (!A.Drop) LastKept = &A;
    for (const TAttr& A : Attrs) {
      if (A.Drop) continue;
      if (!AfterQuote) Out += ' ';
      AfterQuote = false;
      AfterValue = false;
      Out.append(NameOf(A));
      if (!A.HasValue || A.DropValue) continue;
      // An empty value is what the name alone gives.
      if (A.Quote != 0 && A.ValueEnd == A.ValueBegin && !FKeep.Quotes) continue;
      Out += '=';
      // Class and id values stay as written: whether a style sheet keeps
      // an element's white space is read from them as they stand, and one
      // with a reference counts as unknown.
      const bool Literal = A.Lower == "class"sv || A.Lower == "id"sv || Value(A).find('<') != std::string_view::npos ||
                           (A.Lower == "href"sv && (Name == "link"sv || Name == "base"sv));
      if (A.Quote == 0) {
        if (Literal)
          Out.append(Value(A));
        else
          AppendDecoded(Out, Value(A), TRefPlace::rpUnquoted);
        AfterValue = true;
        continue;
      }
      std::string& V = FValue;
      V.clear();
      if (Literal)
        V.append(Value(A));
      else
        AppendDecoded(V, Value(A), A.Quote == '"' ? TRefPlace::rpDouble : TRefPlace::rpSingle);
      // A style that names white-space stays as written: safe mode reads
      // from its text whether the element keeps its white space.
      if (A.Lower == "style"sv && !FKeep.Css && !V.empty() && !MentionsWhiteSpace(V, FWide) &&
          !(FFrameset && Mentions(A.ValueBegin, A.ValueEnd, "<frameset"))) {
        FScratch.resize(V.size());
        const TCssResult Css = MinifyCssDeclarationsTo(V, FScratch.data());
        if (Css.Outcome == TCssOutcome::Minified) V.assign(FScratch.data(), Css.Size);
      }
      if (!FKeep.Quotes && Unquotable(V, &A != LastKept)) {
        Out += V;
        AfterValue = true;
      } else {
        Out += static_cast<char>(A.Quote);
        Out += V;
        Out += static_cast<char>(A.Quote);
        // A blank that safe mode left after the quote stays (it keeps the
        // tags of regions it reads as kept as they are).
        AfterQuote = A.ValueEnd + 1 >= End || !IsBlank(T[A.ValueEnd + 1]);
      }
    }
    // A "/" right after an unquoted value would be read as part of it.
    if (Slash && (FKeep.Attributes || SlashMatters(Name))) Out += AfterValue ? " /" : "/";
    Out += '>';
    // Never longer than the tag as it was (it cannot be: each change takes
    // away at least what a blank it adds costs), but check.
    if (Out.size() > End - R) {
      TakeTo(End);
      return;
    }
    R = End;
    Put(reinterpret_cast<const unsigned char*>(Out.data()), Out.size());
  }

  // Whether a value may stand without quotes.
  // SlashEnds: V may end in "/" (another attribute follows it; before
  // the tag's end the "/>" would read as a self-closing tag to some).
  static bool Unquotable(std::string_view V, bool SlashEnds) {
    if (V.empty() || (V.back() == '/' && !SlashEnds)) return false;
    for (const char Ch : V) {
      const auto C = static_cast<unsigned char>(Ch);
      if (IsBlank(C) || C == '"' || C == '\'' || C == '=' || C == '<' || C == '>' || C == '`') return false;
    }
    return true;
  }

  // Appends V to Out with the references that may go written as their
  // characters.
  void AppendDecoded(std::string& Out, std::string_view V, TRefPlace Place) const {
    if (FKeep.Entities) {
      Out.append(V);
      return;
    }
    const auto* S = reinterpret_cast<const unsigned char*>(V.data());
    std::size_t P = 0;
    while (P < V.size()) {
      const std::size_t Amp = V.find('&', P);
      if (Amp == std::string_view::npos) {
        Out.append(V.substr(P));
        break;
      }
      Out.append(V.substr(P, Amp - P));
      const TRef Ref = ReadRef(S + Amp, V.size() - Amp);
      if (Ref.Length == 0) {
        Out += '&';
        P = Amp + 1;
        continue;
      }
      const std::size_t After = Amp + Ref.Length;
      const unsigned char Next = After < V.size() ? S[After] : 0;
      char Number[12];
      std::size_t Length = 0;
      if (RefMayGo(Ref, Place, Next))
        Out += static_cast<char>(Ref.Char);
      else if ((Length = ShorterNumber(Ref, Number)) != 0)
        Out.append(Number, Length);
      else
        Out.append(V.substr(Amp, Ref.Length));
      P = After;
    }
  }

  // Marks the attributes of the start tag of the element Name that say
  // nothing the browser does not assume.
  void MarkRedundant(std::string_view Name, std::vector<TAttr>& Attrs) const {
    auto Tested = [&](std::string_view Attr) { return FRules.SelectorMayTest(Attr, Name); };
    auto ValueIs = [&](const TAttr* A, std::string_view Lower) {
      return A != nullptr && A->HasValue && EqualNoCase(Value(*A), Lower);
    };
    // A custom element reads its attributes as it likes.
    const bool Custom = Name.find('-') != std::string_view::npos;
    for (TAttr& A : Attrs) {
      if (Custom || !A.HasValue || !IsBooleanAttribute(A.Lower) || Tested(A.Lower)) continue;
      const std::string_view V = Value(A);
      if (V.empty() || EqualNoCase(V, A.Lower)) A.DropValue = true;
    }
    if (Name == "script"sv) {
      TAttr* Type = Find(Attrs, "type");
      TAttr* Language = Find(Attrs, "language");
      const bool LanguageJs = Language == nullptr || !Language->HasValue || LanguageIsJs(Value(*Language));
      // Without its type, a script takes its language's; the type goes
      // only when that leaves it JavaScript.
      if (Type != nullptr && Type->HasValue && IsJsType(Value(*Type)) && LanguageJs && !Tested("type"))
        Type->Drop = true;
      // A language that is not JavaScript stays, even where a type makes
      // it count for nothing: the type then stays as well.
      if (Language != nullptr && LanguageJs && !Tested("language")) Language->Drop = true;
    } else if (Name == "style"sv) {
      TAttr* Type = Find(Attrs, "type");
      if (ValueIs(Type, "text/css") && !Tested("type")) Type->Drop = true;
    } else if (Name == "link"sv) {
      TAttr* Type = Find(Attrs, "type");
      const TAttr* Rel = Find(Attrs, "rel");
      bool Sheet = false;
      if (Rel != nullptr && Rel->HasValue) {
        const std::string Words = LowerText(Value(*Rel));
        std::size_t P = 0;
        while (P < Words.size()) {
          while (P < Words.size() && IsBlank(static_cast<unsigned char>(Words[P]))) ++P;
          const std::size_t B = P;
          while (P < Words.size() && !IsBlank(static_cast<unsigned char>(Words[P]))) ++P;
          if (Words.compare(B, P - B, "stylesheet") == 0 && P - B == 10) Sheet = true;
        }
      }
      if (Sheet && ValueIs(Type, "text/css") && !Tested("type")) Type->Drop = true;
    } else if (Name == "form"sv) {
      TAttr* Method = Find(Attrs, "method");
      if (ValueIs(Method, "get") && !Tested("method")) Method->Drop = true;
    } else if (Name == "a"sv) {
      // A fragment finds the element by its id before it looks at names:
      // a name equal to the id of the one element with that id adds
      // nothing.
      TAttr* NameAttr = Find(Attrs, "name");
      const TAttr* Id = Find(Attrs, "id");
      if (NameAttr != nullptr && Id != nullptr && NameAttr->HasValue && Id->HasValue &&
          !Value(*Id).empty() && Value(*NameAttr) == Value(*Id) &&
          Value(*Id).find('&') == std::string_view::npos && !Tested("name") && OnlyId(Value(*Id)))
        NameAttr->Drop = true;
    }
  }

  // What the text of a raw text element becomes.
  enum class TRaw : std::uint8_t { rwKeep, rwCss, rwRcdata };

  // Where the raw text that starts at the read cursor ends (at its end tag,
  // "</" + Name, or N); Server: it holds a server block.
  std::size_t RawEnd(std::string_view Name, bool Script, bool& Server) const {
    return raw_text::RawTextEnd(T, N, R, Name, Script, &Server, IsBlank);
  }

  void Script(TScriptKind Kind) {
    bool Server = false;
    const std::size_t End = RawEnd("script", true, Server);
    const bool Sheet = MentionsSheet(R, End);
    FreezeAfterStyle(R, End);
    if (FKeep.Js || Server || Sheet || Keeping() || FForeignDepth > 0 || Kind == TScriptKind::skOther || End == R) {
      TakeTo(End);
      return;
    }
    const std::string_view Source(reinterpret_cast<const char*>(T + R), End - R);
    FScratch.resize(Source.size());
    const TScriptResult Result = Kind == TScriptKind::skJson
                                     ? MinifyJsonTo(Source, FScratch.data())
                                     : MinifyJavaScriptTo(Source, Kind == TScriptKind::skModule, FScratch.data());
    if (Result.Outcome != TScriptOutcome::Minified || Result.Size > Source.size()) {
      TakeTo(End);
      return;
    }
    R = End;
    Put(reinterpret_cast<const unsigned char*>(FScratch.data()), Result.Size);
  }

  void RawContent(std::string_view Name, TRaw How) {
    bool Server = false;
    const std::size_t End = RawEnd(Name, false, Server);
    // The quick look reads a BASE in a sheet's text too (in a comment, say).
    if (How == TRaw::rwCss && !FKeep.Css && !Server && FForeignDepth == 0 && End > R && !Mentions(R, End, "<base") &&
        !(FFrameset && Mentions(R, End, "<frameset"))) {
      const std::string_view Source(reinterpret_cast<const char*>(T + R), End - R);
      FScratch.resize(Source.size());
      const TCssResult Result = MinifyCssSheetTo(Source, FScratch.data());
      if (Result.Outcome == TCssOutcome::Minified && Result.Size <= Source.size()) {
        R = End;
        Put(reinterpret_cast<const unsigned char*>(FScratch.data()), Result.Size);
        return;
      }
    }
    if (How != TRaw::rwCss) FreezeAfterStyle(R, End);
    if (How != TRaw::rwRcdata || MentionsSheet(R, End)) {
      TakeTo(End);
      return;
    }
    // TITLE and TEXTAREA: references are read there as in text.
    while (R < End) {
      std::size_t P = R;
      while (P < End && T[P] != '&' && T[P] != '<') ++P;
      TakeTo(P);
      if (R >= End) break;
      if (T[R] == '<' && AtServer(R))
        ServerBlock();
      else if (T[R] == '&')
        Reference(TRefPlace::rpText);
      else
        TakeTo(R + 1);
    }
  }

  unsigned char* const T;
  const std::size_t N;
  const TKeepRules& FRules;
  const TBestKeep FKeep;
  std::size_t R = 0;
  std::size_t W = 0;
  // The write position just after the last server block (none: -1).
  std::size_t FServerEndW = static_cast<std::size_t>(-1);
  int FPreDepth = 0;      // open PRE elements
  int FListingDepth = 0;  // open LISTING elements
  // Open SVG and MATH elements: a browser reads the text of a SCRIPT or
  // STYLE in them as markup, so it is not minified there.
  int FForeignDepth = 0;
  // Nothing changes before this input position (see FreezeAfterStyle).
  std::size_t FFreezeUntil = 0;
  int FNested = 0;  // sheets' tags found inside what another one's look reads
  int FStyledDepth = 0;   // open elements named FStyledName, from one that keeps white space
  std::string FStyledName;
  bool FRemoved = false;
  // Optional tags (see SurveyTags and Next).
  bool FOmit = false;  // optional tags go
  TOpenElements FTree;
  std::size_t FFirstServer = 0;
  bool FFrameset = false;
  const bool FWide = UseWideScan();  // sixteen bytes at a time where it can
  TPending FPending;
  bool FJustDropped = false;  // the token being read follows a tag that went
  bool FKeptBeforeHtml = false;  // the html start tag being read made a head start tag stay
  std::size_t FTailStart = kNoPos;
  std::size_t FTailEnd = kNoPos;
  const TIds* FKnownIds = nullptr;    // the page's ids, from a survey
  std::vector<TAttr> FAttrs;
  std::string FTag;
  std::string FValue;
  std::string FScratch;
};

}  // namespace

std::size_t BestCompactText(unsigned char* Text, std::size_t Size, const TKeepRules& Rules, const TBestKeep& Keep,
                            bool* Removed) {
  if (Removed != nullptr) *Removed = false;
  if (Size == 0) return 0;
  TBestScan Scan(Text, Size, Rules, Keep);
  // The ids of the page, for the name of an "a" element that repeats its
  // id: read first from the page's bytes.
  TBestScan::TIds Ids;
  const std::string_view Page(reinterpret_cast<const char*>(Text), Size);
  if (!Keep.Attributes && !Rules.SelectorMayTest("name", "a") && Page.find("name=") != std::string_view::npos) {
    TBestScan::CountIds(Text, Size, Ids);
    Scan.UseIds(Ids);
  }
  const std::size_t Result = Scan.Run();
  if (Removed != nullptr) *Removed = Scan.Removed();
  return Result;
}
