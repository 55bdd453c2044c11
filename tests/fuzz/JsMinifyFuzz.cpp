// The script minifier on any input, as a classic script, as a module and
// as JSON:
// - the result is never longer than the input; a script left alone comes
//   back byte for byte, and the result says whether it changed;
// - minifying the result again changes nothing, and the portable scanners
//   give the wide ones' result;
// - no "<!--", "-->", "<script", "</script", "<%" or "%>" appears that the
//   input did not hold;
// - where the minifier changed a script, a separate tokenizer written for
//   this check (below) reads the same tokens in the input and the result,
//   line breaks only ever go, and only where none can matter: never
//   between "return", "throw", "break", "continue", "yield", "await",
//   "async" or "let" and a token that could go on with it, never before
//   "++", "--" or "=>" after a token that may end an expression;
// - JSON: the result is the input without its white space outside strings,
//   but for one blank between two words or numbers.
//
// The model tokenizer is plain and conservative: wherever the token before
// a "/" does not settle whether it divides (")", "}", "++", "--", most
// keywords), it gives up and the input goes unchecked by it. It keeps its
// own bracket counts for template substitutions and its own table of
// punctuators.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "compact/JsMinify.h"
#include "compact/ScanPath.h"
#include "fuzz/FuzzSupport.h"

namespace {

struct TModelToken {
  std::string_view Text;
  bool LineBefore = false;  // a line terminator (or a comment holding one) before it
  char Kind = 0;            // 'w' word, 'n' number, 's' string, 't' template piece, 'r' regex, 'p' punctuator
};

bool IsAsciiIdStart(unsigned char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '$' || C == '_';
}
bool IsAsciiDigit(unsigned char C) { return C >= '0' && C <= '9'; }
bool IsHexDigit(unsigned char C) {
  return IsAsciiDigit(C) || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

// The white space or line terminator as UTF-8 at I, its length, or 0.
std::size_t UnicodeSpace(std::string_view S, std::size_t I, bool& LineEnd) {
  static constexpr struct {
    std::string_view Bytes;
    bool LineEnd;
  } kSpaces[] = {
      {"\xC2\xA0", false},     {"\xE1\x9A\x80", false}, {"\xE2\x80\xAF", false}, {"\xE2\x81\x9F", false},
      {"\xE3\x80\x80", false}, {"\xEF\xBB\xBF", false}, {"\xE2\x80\xA8", true},  {"\xE2\x80\xA9", true},
  };
  for (const auto& Sp : kSpaces) {
    if (S.substr(I, Sp.Bytes.size()) == Sp.Bytes) {
      LineEnd = Sp.LineEnd;
      return Sp.Bytes.size();
    }
  }
  // U+2000 to U+200A.
  if (S.size() - I >= 3 && static_cast<unsigned char>(S[I]) == 0xE2 && static_cast<unsigned char>(S[I + 1]) == 0x80 &&
      static_cast<unsigned char>(S[I + 2]) >= 0x80 && static_cast<unsigned char>(S[I + 2]) <= 0x8A) {
    LineEnd = false;
    return 3;
  }
  return 0;
}

// Punctuators, longest first within each first character.
constexpr std::string_view kPunctuators[] = {
    ">>>=", "...", "===", "!==", "**=", "<<=", ">>=", ">>>", "&&=", "||=", "?\?=", "=>", "==", "!=", "<=",
    ">=",   "&&",  "||",  "??",  "?.",  "++",  "--",  "+=",  "-=",  "*=",  "/=",  "%=", "&=", "|=", "^=",
    "**",   "<<",  ">>",  "{",   "}",   "(",   ")",   "[",   "]",   ";",   ",",   "<",  ">",  "+",  "-",
    "*",    "/",   "%",   "&",   "|",   "^",   "!",   "~",   "?",   ":",   "=",   ".",  "@"};

class TModel {
public:
  explicit TModel(std::string_view Text, bool Module) : S(Text), FModule(Module) {}

  // The tokens, or false where the model gives up.
  bool Run(std::vector<TModelToken>& Out) {
    bool Line = false;
    if (S.substr(0, 2) == "#!") {
      while (I < S.size() && S[I] != '\n' && S[I] != '\r') ++I;
    }
    while (true) {
      if (!SkipSpace(Line)) return false;
      if (I >= S.size()) break;
      TModelToken T;
      T.LineBefore = Line;
      Line = false;
      const std::size_t Begin = I;
      if (!Token(T, Out)) return false;
      T.Text = S.substr(Begin, I - Begin);
      Out.push_back(T);
    }
    return FDepths.empty();
  }

private:
  bool SkipSpace(bool& Line) {
    while (I < S.size()) {
      const unsigned char C = static_cast<unsigned char>(S[I]);
      if (C == ' ' || C == '\t' || C == '\v' || C == '\f') {
        ++I;
      } else if (C == '\n' || C == '\r') {
        Line = true;
        ++I;
      } else if (S.compare(I, 2, "//") == 0) {
        while (I < S.size() && S[I] != '\n' && S[I] != '\r') {
          bool LineEnd = false;
          if (UnicodeSpace(S, I, LineEnd) != 0 && LineEnd) return false;
          ++I;
        }
      } else if (S.compare(I, 2, "/*") == 0) {
        const std::size_t End = S.find("*/", I + 2);
        if (End == std::string_view::npos) return false;
        for (std::size_t K = I; K < End; ++K) {
          bool LineEnd = false;
          if (S[K] == '\n' || S[K] == '\r' || (UnicodeSpace(S, K, LineEnd) != 0 && LineEnd)) Line = true;
        }
        I = End + 2;
      } else if (C >= 0x80) {
        bool LineEnd = false;
        const std::size_t Len = UnicodeSpace(S, I, LineEnd);
        if (Len == 0) return true;
        Line = Line || LineEnd;
        I += Len;
      } else {
        return true;
      }
    }
    return true;
  }

  bool IsKeyword(std::string_view W) const {
    static constexpr std::string_view kWords[] = {"return", "typeof", "instanceof", "in",   "new",  "delete",
                                                  "void",   "throw",  "case",       "do",   "else"};
    for (const auto K : kWords)
      if (W == K) return true;
    return false;
  }

  // Whether a "/" after the previous token starts a regular expression;
  // false with Sure false where the model does not know.
  bool RegexAfter(const std::vector<TModelToken>& Out, bool& Sure) const {
    Sure = true;
    if (Out.empty()) return true;
    const TModelToken& P = Out.back();
    const bool AfterDot = Out.size() >= 2 && Out[Out.size() - 2].Kind == 'p' &&
                          (Out[Out.size() - 2].Text == "." || Out[Out.size() - 2].Text == "?.");
    switch (P.Kind) {
      case 'n': case 's': case 'r':
        return false;
      case 't':
        if (P.Text.back() == '`') return false;
        return true;  // after "${"
      case 'p':
        if (P.Text == "]") return false;
        if (P.Text == ")" || P.Text == "}" || P.Text == "++" || P.Text == "--") Sure = false;
        return true;
      default:
        break;
    }
    // A word.
    if (AfterDot || P.Text[0] == '#') return false;
    if (P.Text == "this" || P.Text == "super" || P.Text == "null" || P.Text == "true" || P.Text == "false")
      return false;
    if (FModule && (P.Text == "await" || P.Text == "yield")) return true;
    if (IsKeyword(P.Text)) return true;
    static constexpr std::string_view kUnsure[] = {
        "of",     "yield",  "await",  "let",   "break", "catch",  "class", "const",   "continue", "debugger",
        "default", "enum",  "export", "extends", "finally", "for", "function", "if", "import", "switch",
        "try",    "var",    "while",  "with",  "async", "static", "get",   "set"};
    for (const auto W : kUnsure)
      if (P.Text == W) Sure = false;
    if (P.Text.find('\\') != std::string_view::npos) Sure = false;
    return false;
  }

  bool Word() {
    for (bool First = true;; First = false) {
      if (I >= S.size()) return !First;
      const unsigned char C = static_cast<unsigned char>(S[I]);
      if (IsAsciiIdStart(C) || (!First && IsAsciiDigit(C))) {
        ++I;
      } else if (C == '\\') {
        if (S.compare(I, 2, "\\u") != 0) return false;
        I += 2;
        if (I < S.size() && S[I] == '{') {
          const std::size_t Close = S.find('}', I);
          if (Close == std::string_view::npos || Close == I + 1) return false;
          for (std::size_t K = I + 1; K < Close; ++K)
            if (!IsHexDigit(static_cast<unsigned char>(S[K]))) return false;
          I = Close + 1;
        } else {
          for (int K = 0; K < 4; ++K, ++I)
            if (I >= S.size() || !IsHexDigit(static_cast<unsigned char>(S[I]))) return false;
        }
      } else if (C >= 0x80) {
        bool LineEnd = false;
        if (UnicodeSpace(S, I, LineEnd) != 0) return !First;
        // Any other well-formed UTF-8 character.
        const std::size_t Len = C >= 0xF0 ? 4 : C >= 0xE0 ? 3 : C >= 0xC2 ? 2 : 0;
        if (Len == 0 || C > 0xF4 || I + Len > S.size()) return false;
        for (std::size_t K = 1; K < Len; ++K)
          if ((static_cast<unsigned char>(S[I + K]) & 0xC0) != 0x80) return false;
        const unsigned char C1 = static_cast<unsigned char>(S[I + 1]);
        if ((C == 0xE0 && C1 < 0xA0) || (C == 0xED && C1 > 0x9F) || (C == 0xF0 && C1 < 0x90) ||
            (C == 0xF4 && C1 > 0x8F))
          return false;
        I += Len;
      } else {
        return !First;
      }
    }
  }

  bool Number() {
    auto Digits = [&](bool Hex) {
      while (I < S.size() && (S[I] == '_' || (Hex ? IsHexDigit(static_cast<unsigned char>(S[I]))
                                                  : IsAsciiDigit(static_cast<unsigned char>(S[I])))))
        ++I;
    };
    if (S[I] == '0' && I + 1 < S.size() && std::string_view("xXoObB").find(S[I + 1]) != std::string_view::npos) {
      I += 2;
      Digits(true);
    } else {
      Digits(false);
      if (I < S.size() && S[I] == '.') {
        ++I;
        Digits(false);
      }
      if (I < S.size() && (S[I] == 'e' || S[I] == 'E')) {
        std::size_t K = I + 1;
        if (K < S.size() && (S[K] == '+' || S[K] == '-')) ++K;
        if (K < S.size() && IsAsciiDigit(static_cast<unsigned char>(S[K]))) {
          I = K;
          Digits(false);
        }
      }
    }
    if (I < S.size() && S[I] == 'n') ++I;
    // Nothing may follow a number directly but a punctuator or space.
    return I >= S.size() || !(IsAsciiIdStart(static_cast<unsigned char>(S[I])) ||
                             IsAsciiDigit(static_cast<unsigned char>(S[I])) || S[I] == '\\' ||
                             static_cast<unsigned char>(S[I]) >= 0x80);
  }

  // The rest of a template piece from I (after "`" or "}").
  bool TemplateRest(TModelToken& T, bool Opening) {
    while (I < S.size()) {
      if (S[I] == '\\') {
        I += 2;
      } else if (S[I] == '`') {
        ++I;
        if (!Opening) FDepths.pop_back();
        return true;
      } else if (S.compare(I, 2, "${") == 0) {
        I += 2;
        if (Opening) FDepths.push_back(0);
        return true;
      } else {
        ++I;
      }
    }
    (void)T;
    return false;
  }

  bool Token(TModelToken& T, const std::vector<TModelToken>& Out) {
    const unsigned char C = static_cast<unsigned char>(S[I]);
    if (C == '#') {
      T.Kind = 'w';
      ++I;
      return Word();
    }
    if (IsAsciiIdStart(C) || C == '\\' || C >= 0x80) {
      T.Kind = 'w';
      return Word();
    }
    if (IsAsciiDigit(C) || (C == '.' && I + 1 < S.size() && IsAsciiDigit(static_cast<unsigned char>(S[I + 1])))) {
      T.Kind = 'n';
      return Number();
    }
    if (C == '"' || C == '\'') {
      T.Kind = 's';
      for (++I; I < S.size(); ++I) {
        if (S[I] == '\\') {
          ++I;
          if (I < S.size() && S[I] == '\r' && I + 1 < S.size() && S[I + 1] == '\n') ++I;
        } else if (S[I] == '\n' || S[I] == '\r') {
          return false;
        } else if (static_cast<unsigned char>(S[I]) == C) {
          ++I;
          return true;
        }
      }
      return false;
    }
    if (C == '`') {
      T.Kind = 't';
      ++I;
      return TemplateRest(T, true);
    }
    if (C == '}' && !FDepths.empty() && FDepths.back() == 0) {
      T.Kind = 't';
      ++I;
      return TemplateRest(T, false);
    }
    if (C == '/') {
      bool Sure = true;
      const bool Regex = RegexAfter(Out, Sure);
      if (!Sure) return false;
      if (Regex) {
        T.Kind = 'r';
        bool Class = false;
        for (++I; I < S.size(); ++I) {
          bool LineEnd = false;
          if (S[I] == '\n' || S[I] == '\r' || (UnicodeSpace(S, I, LineEnd) != 0 && LineEnd)) return false;
          if (S[I] == '\\') {
            ++I;
            if (I >= S.size() || S[I] == '\n' || S[I] == '\r' || (UnicodeSpace(S, I, LineEnd) != 0 && LineEnd))
              return false;
          } else if (S[I] == '[') {
            Class = true;
          } else if (S[I] == ']') {
            Class = false;
          } else if (S[I] == '/' && !Class) {
            ++I;
            while (I < S.size() && (IsAsciiIdStart(static_cast<unsigned char>(S[I])) ||
                                    IsAsciiDigit(static_cast<unsigned char>(S[I]))))
              ++I;
            return I >= S.size() || (S[I] != '\\' && static_cast<unsigned char>(S[I]) < 0x80);
          }
        }
        return false;
      }
    }
    T.Kind = 'p';
    for (const auto P : kPunctuators) {
      if (S.compare(I, P.size(), P) != 0) continue;
      // "?." before a digit is "?" and a number.
      if (P == "?." && I + 2 < S.size() && IsAsciiDigit(static_cast<unsigned char>(S[I + 2]))) continue;
      I += P.size();
      if (P == "{" && !FDepths.empty()) ++FDepths.back();
      if (P == "}" && !FDepths.empty()) --FDepths.back();
      return true;
    }
    return false;
  }

  std::string_view S;
  bool FModule;
  std::size_t I = 0;
  std::vector<int> FDepths;  // open braces in each open template substitution
};

bool IsOneOf(std::string_view T, std::initializer_list<std::string_view> L) {
  for (const auto X : L)
    if (T == X) return true;
  return false;
}

// Whether the model allows the line break between A and B to go.
bool LineBreakMayGo(const TModelToken* A, const TModelToken& B) {
  if (A == nullptr) return true;
  if (A->Kind == 't' && A->Text.back() != '`') return true;  // after "${"
  if (A->Kind == 'p' && !IsOneOf(A->Text, {")", "]", "}", "++", "--"})) return true;
  if (B.Text[0] == '}') return true;
  const bool Starts = IsOneOf(B.Text, {"(", "[", "{", "+", "-", "*", "!", "~", "++", "--", "=>", "...", "@"});
  if (B.Kind == 'p' && !Starts) return true;
  const bool AfterCall = A->Text == ")" || (A->Kind == 't' && A->Text.back() == '`') || A->Kind == 'r';
  return AfterCall && (IsOneOf(B.Text, {"(", "[", "+", "-", "*"}) || B.Text[0] == '`');
}

std::string Lower(std::string_view S) {
  std::string L(S);
  for (char& C : L)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return L;
}

bool HoldsHtml(std::string_view S) {
  const std::string L = Lower(S);
  for (const char* Seq : {"<!--", "-->", "<script", "</script", "<%", "%>"})
    if (L.find(Seq) != std::string::npos) return true;
  return false;
}

void CheckScript(std::string_view In, bool Module) {
  std::vector<char> Buf(In.size());
  const TScriptResult R = MinifyJavaScriptTo(In, Module, Buf.data());
  FUZZ_CHECK(R.Size <= In.size(), "result longer than the input");
  const std::string_view Out(Buf.data(), R.Size);
  FUZZ_CHECK(R.Changed == (Out != In), fuzz::Show(In));
  if (R.Outcome != TScriptOutcome::Minified) {
    FUZZ_CHECK(Out == In, "a script left alone came back changed: " + fuzz::Show(In));
    return;
  }
  const std::string Again = MinifyJavaScript(Out, Module);
  FUZZ_CHECK(Again == Out, "minifying twice changed it again: " + fuzz::Difference(Again, Out));
  // The portable scanners give the wide ones' bytes.
  SetScanPath(TScanPath::spPortable);
  const std::string Portable = MinifyJavaScript(In, Module);
  SetScanPath(TScanPath::spWide);
  FUZZ_CHECK(Portable == Out, "wide and portable differ, " + fuzz::Difference(Out, Portable) +
                                  "\n  input: " + fuzz::Show(In));
  FUZZ_CHECK(!HoldsHtml(Out), "made HTML-like text: " + fuzz::Show(Out));
  if (!R.Changed) return;

  std::vector<TModelToken> InTokens;
  if (!TModel(In, Module).Run(InTokens)) return;
  std::vector<TModelToken> OutTokens;
  FUZZ_CHECK(TModel(Out, Module).Run(OutTokens), "the model reads the input but not the result: " +
                                                     fuzz::Show(In) + "\n  result: " + fuzz::Show(Out));
  FUZZ_CHECK(InTokens.size() == OutTokens.size(), "token counts differ: " + fuzz::Show(In) +
                                                     "\n  result: " + fuzz::Show(Out));
  for (std::size_t K = 0; K < InTokens.size(); ++K) {
    const TModelToken& A = InTokens[K];
    const TModelToken& B = OutTokens[K];
    const std::string Where = "token " + std::to_string(K) + " '" + fuzz::Show(A.Text) + "' of " +
                              fuzz::Show(In) + "\n  result: " + fuzz::Show(Out);
    FUZZ_CHECK(A.Text == B.Text && A.Kind == B.Kind, "tokens differ at " + Where);
    FUZZ_CHECK(A.LineBefore || !B.LineBefore, "a line break was added before " + Where);
    if (A.LineBefore && !B.LineBefore) {
      const TModelToken* Prev = K > 0 ? &InTokens[K - 1] : nullptr;
      FUZZ_CHECK(LineBreakMayGo(Prev, A), "a line break that may matter went before " + Where);
      // After these words a line break ends the statement before anything
      // that could go on with it; before a punctuator that starts nothing
      // ("async\n.then") it changes nothing.
      const bool MayStart =
          A.Kind != 'p' || IsOneOf(A.Text, {"(", "[", "{", "+", "-", "*", "!", "~", "++", "--", "=>", "...", "@"});
      FUZZ_CHECK(!MayStart || Prev == nullptr ||
                     !IsOneOf(Prev->Text, {"return", "throw", "break", "continue", "yield", "await", "async", "let"}),
                 "a restricted line break went before " + Where);
      // "x\n++y" and "(x)\n=> y" are read by the line break; after a
      // punctuator that ends no expression ("i.\n++o") nothing can be.
      const bool PrevEndsNothing =
          Prev == nullptr || (Prev->Kind == 'p' && !IsOneOf(Prev->Text, {")", "]", "}", "++", "--"})) ||
          (Prev->Kind == 't' && Prev->Text.back() != '`');
      FUZZ_CHECK(PrevEndsNothing || !IsOneOf(A.Text, {"++", "--", "=>"}),
                 "a restricted line break went before " + Where);
    }
  }
}

bool IsJsonBlankByte(char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r'; }

// The text without white space outside strings (a plain model).
std::string WithoutJsonBlanks(std::string_view S) {
  std::string R;
  bool InString = false;
  for (std::size_t K = 0; K < S.size(); ++K) {
    const char C = S[K];
    if (InString) {
      R += C;
      if (C == '\\' && K + 1 < S.size()) R += S[++K];
      else if (C == '"') InString = false;
    } else if (C == '"') {
      InString = true;
      R += C;
    } else if (!IsJsonBlankByte(C)) {
      R += C;
    }
  }
  return R;
}

void CheckJson(std::string_view In) {
  std::vector<char> Buf(In.size());
  const TScriptResult R = MinifyJsonTo(In, Buf.data());
  FUZZ_CHECK(R.Size <= In.size(), "JSON result longer than the input");
  const std::string_view Out(Buf.data(), R.Size);
  FUZZ_CHECK(R.Changed == (Out != In), fuzz::Show(In));
  if (R.Outcome != TScriptOutcome::Minified) {
    FUZZ_CHECK(Out == In, "JSON left alone came back changed: " + fuzz::Show(In));
    return;
  }
  FUZZ_CHECK(MinifyJson(Out) == Out, "minifying JSON twice changed it again: " + fuzz::Show(In));
  FUZZ_CHECK(WithoutJsonBlanks(Out) == WithoutJsonBlanks(In), "JSON changed beyond its blanks: " + fuzz::Show(In));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view In(reinterpret_cast<const char*>(Data), Size);
  CheckScript(In, false);
  CheckScript(In, true);
  CheckJson(In);
  return 0;
}
