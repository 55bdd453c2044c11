// The style sheet tokenizer and the reading of keeping rules on any input:
// the tokens lie end to end over the whole input, each token's bytes are of
// its kind, every value can be decoded, and the rules read are the same
// whether the sheet is read once or twice (the result depends on the text
// alone), with no compound that names nothing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compact/CssTokenizer.h"
#include "compact/StyleSheets.h"
#include "fuzz/FuzzSupport.h"

namespace {

bool IsWhite(char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f'; }

void CheckToken(std::string_view Css, const TCssToken& T) {
  using K = TCssTokenKind;
  const std::string_view B = Css.substr(T.Begin, T.End - T.Begin);
  const std::string Where = "token " + fuzz::Show(B) + " in " + fuzz::Show(Css);
  FUZZ_CHECK(!B.empty(), "empty " + Where);
  switch (T.Kind) {
    case K::ckWhitespace:
      for (const char C : B) FUZZ_CHECK(IsWhite(C), "blank run with other bytes: " + Where);
      break;
    case K::ckComment:
      FUZZ_CHECK(B.substr(0, 2) == "/*", "comment: " + Where);
      break;
    case K::ckString:
    case K::ckBadString:
      FUZZ_CHECK(B[0] == '"' || B[0] == '\'', "string: " + Where);
      break;
    case K::ckHash:
      FUZZ_CHECK(B[0] == '#' && B.size() > 1, "hash: " + Where);
      break;
    case K::ckAtKeyword:
      FUZZ_CHECK(B[0] == '@' && B.size() > 1, "at-keyword: " + Where);
      break;
    case K::ckFunction:
      FUZZ_CHECK(B.back() == '(' || IsWhite(B.back()), "function: " + Where);
      break;
    case K::ckCdo:
      FUZZ_CHECK(B == "<!--", "CDO: " + Where);
      break;
    case K::ckCdc:
      FUZZ_CHECK(B == "-->", "CDC: " + Where);
      break;
    case K::ckDelim:
    case K::ckColon:
    case K::ckSemicolon:
    case K::ckComma:
    case K::ckOpenSquare:
    case K::ckCloseSquare:
    case K::ckOpenParen:
    case K::ckCloseParen:
    case K::ckOpenCurly:
    case K::ckCloseCurly:
      FUZZ_CHECK(B.size() == 1, "one-byte token: " + Where);
      break;
    default:
      break;
  }
  (void)CssTokenValue(Css, T);
}

std::string Describe(const TKeepRules& R) {
  if (R.All()) return "*";
  std::string D;
  for (const auto& C : R.Compounds()) {
    FUZZ_CHECK(!C.Name.empty() || !C.Classes.empty() || !C.Ids.empty(), "a compound that names nothing");
    D += C.Name + "|";
    for (const auto& X : C.Classes) D += "." + X;
    for (const auto& X : C.Ids) D += "#" + X;
    D += ";";
  }
  return D;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Css(reinterpret_cast<const char*>(Data), Size);
  std::size_t Next = 0;
  for (const TCssToken& T : TokenizeCss(Css)) {
    FUZZ_CHECK(T.Begin == Next && T.End > T.Begin && T.End <= Css.size(), "tokens do not tile " + fuzz::Show(Css));
    CheckToken(Css, T);
    Next = T.End;
  }
  FUZZ_CHECK(Next == Css.size(), "tokens stop short in " + fuzz::Show(Css));

  TKeepRules Once;
  std::vector<std::string> Imports;
  CollectKeepRules(Css, Once, &Imports);
  TKeepRules Twice;
  CollectKeepRules(Css, Twice, nullptr);
  CollectKeepRules(Css, Twice, nullptr);
  FUZZ_CHECK(Describe(Once) == Describe(Twice), "reading twice differs: " + fuzz::Show(Css));
  return 0;
}
