#include "compact/JsMinify.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "compact/CompactCases.h"
#include "compact/ScanPath.h"

namespace {

// The lines, each ended by LF.
std::string Lines(std::initializer_list<std::string> L) { return LinesEndedBy(L, "\n"); }

// A row whose script the minifier leaves alone, and why.
struct Refusal {
  const char* Name;
  std::string Input;
  TScriptOutcome Outcome;
  bool Module = false;
};

void PrintTo(const Refusal& R, std::ostream* Os) { *Os << R.Name; }

// Classic scripts.
class JsTable : public testing::TestWithParam<Case> {};

TEST_P(JsTable, GivesExactBytes) {
  const TScriptResult R = [&] {
    std::string Out(GetParam().Input.size(), '\0');
    return MinifyJavaScriptTo(GetParam().Input, false, Out.data());
  }();
  EXPECT_EQ(R.Outcome, TScriptOutcome::Minified);
  const std::string Out = MinifyJavaScript(GetParam().Input, false);
  EXPECT_EQ(Out, GetParam().Output);
  EXPECT_EQ(R.Changed, Out != GetParam().Input);
  // Minified text stays as it is.
  EXPECT_EQ(MinifyJavaScript(Out, false), Out);
}

INSTANTIATE_TEST_SUITE_P(
    Comments, JsTable,
    testing::Values(
        Case{"LineCommentGoes", "a = 1; // note\nb = 2;", "a=1;b=2;"},
        Case{"BlockCommentGoes", "a /* x */ = 1", "a=1"},
        Case{"CommentBetweenWordsLeavesABlank", "a/**/in b", "a in b"},
        Case{"CommentWithLineBreakIsALineBreak", "a /*\n*/ b", "a\nb"},
        Case{"ReturnBeforeCommentedLineBreak", "return /*\n*/ x", "return\nx"},
        Case{"BangCommentKept", Lines({"/*! (c) A  B */", "var a = 1;"}), "/*! (c) A  B */var a=1;"},
        Case{"BangCommentCarriesItsLineBreak", "a /*!\n*/ b", "a/*!\n*/b"},
        Case{"LineBreakBeforeBangComment", "a\n/*! c */ b", "a\n/*! c */b"},
        Case{"BangCommentAfterDivision", "a / /*! c */ b", "a/ /*! c */b"},
        Case{"SourceMapKeptWithItsLineBreak", Lines({"f();", "//# sourceMappingURL=a.js.map"}),
             "f();\n//# sourceMappingURL=a.js.map\n"},
        Case{"SourceMapCrLf", "f();\r\n//# sourceMappingURL=x\r\ng();", "f();\n//# sourceMappingURL=x\ng();"},
        Case{"OldSourceMapAndSourceUrl", "//@ sourceMappingURL=x\n  //# sourceURL=y",
             "//@ sourceMappingURL=x\n//# sourceURL=y"},
        Case{"SourceMapAsBlockComment", "f() /*# sourceMappingURL=x */", "f()/*# sourceMappingURL=x */"},
        Case{"OtherHashCommentGoes", "f() //# sourceMap=x\ng()", "f()\ng()"},
        Case{"HashbangKept", "#!/usr/bin/env node\n\nrun ( ) ;", "#!/usr/bin/env node\nrun();"}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    Blanks, JsTable,
    testing::Values(
        Case{"OperatorsTakeNone", "a = b + c * ( d - e ) ;", "a=b+c*(d-e);"},
        Case{"WordsKeepOne", "var   x\t=\ttypeof  y", "var x=typeof y"},
        // "a+++b" reads as "a ++ + b" again; "a+ ++b" would not.
        Case{"SignsStayApart", "a + +b; a - -b; a++ + b; a + ++b; a - --b", "a+ +b;a- -b;a+++b;a+ ++b;a- --b"},
        Case{"InAfterWordsAndLiterals", "x in y; 'a' in y; 1 in y; `t` in y", "x in y;'a'in y;1 in y;`t`in y"},
        Case{"NumberBeforeDot", "1 .x; 1_0 .x; 1.5 .x; 1e3 .x; 0x1 .x; 1n .x; 1..x",
             "1 .x;1_0 .x;1.5.x;1e3.x;0x1.x;1n.x;1..x"},
        Case{"RegexFlagsBeforeWord", "x = /a/g in b", "x=/a/g in b"},
        Case{"DivisionBeforeRegex", "a / /b/", "a/ /b/"},
        Case{"RegexBeforeTimes", "x = /a/ * 2", "x=/a/ *2"},
        Case{"DotsStayApart", "a . . . b", "a. . .b"},
        Case{"OperatorPartsStayApart", "a = = = b; a = > b; a > > = b; a ? ? b", "a= = =b;a= >b;a> > =b;a? ?b"},
        Case{"QuestionBeforeFraction", "a ? .5 : 1", "a?.5:1"},
        Case{"QuestionDotApart", "a ? . b", "a? .b"},
        Case{"NoHtmlCommentMade", "a < ! --b; c-- > d", "a<! --b;c-- >d"},
        Case{"NoScriptTagMade", "a < /script/.test(b); a < script", "a< /script/.test(b);a< script"},
        Case{"NoAspBlockMade", "a < % b; c % > d", "a< %b;c% >d"}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    LineBreaks, JsTable,
    testing::Values(
        Case{"BlankLinesAndIndentGo", "{\n\n    a();\n\n    b();\n}", "{a();b();}"},
        Case{"StatementsWithoutSemicolons", "a = 1\nb = 2\n", "a=1\nb=2"},
        Case{"ReturnThrowBreakContinue", "return\nx\nthrow\ny\nbreak\nl\ncontinue\nl",
             "return\nx\nthrow\ny\nbreak\nl\ncontinue\nl"},
        Case{"PrefixIncrementOnNextLine", "a\n++b\nc\n--d", "a\n++b\nc\n--d"},
        Case{"PostfixBeforeLineBreak", "a++\nb", "a++\nb"},
        Case{"AfterCommaAndBrace", "f(a,\n  b, {\n  c: 1\n})", "f(a,b,{c:1})"},
        Case{"BeforeClosers", "if (a) {\n  b()\n}\n[\n  1\n]", "if(a){b()}\n[1]"},
        Case{"ChainedCalls", "promise\n  .then(a)\n  ?.catch(b)", "promise.then(a)?.catch(b)"},
        Case{"ContinuationAfterParen", "f()\n(g)\nh()\n[0]\nk()\n+ 1\nm()\n`t`", "f()(g)\nh()[0]\nk()+1\nm()`t`"},
        Case{"BraceThenParenKeepsIt", "x = {}\n(g)", "x={}\n(g)"},
        Case{"BlockThenWordKeepsIt", "if (a) {}\nfoo()", "if(a){}\nfoo()"},
        Case{"ArrowKeepsIt", "(a)\n=> b", "(a)\n=>b"},
        Case{"GeneratorMethodKeepsIt", "class A { a\n*b() {} }", "class A{a\n*b(){}}"},
        Case{"LetAndAsyncKeepIt", "let\n[a] = b\nasync\nfunction f() {}", "let\n[a]=b\nasync\nfunction f(){}"},
        Case{"OperatorAtLineStart", "a\n= b\n|| c\n? d\n: e", "a=b||c?d:e"},
        Case{"CrLfAndCr", "a\r\nb\rc", "a\nb\nc"},
        Case{"LineSeparators", "a\xE2\x80\xA8" "b\xE2\x80\xA9" "c", "a\nb\nc"},
        Case{"UnicodeBlanks", "\xEF\xBB\xBF" "a\xC2\xA0=\xE3\x80\x80" "b\xE2\x80\x89+\xE2\x80\xAF" "c",
             "a=b+c"}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    Literals, JsTable,
    testing::Values(
        Case{"StringsKeepTheirBytes", "x = 'a  b' + \"c  // d /* e */\"", "x='a  b'+\"c  // d /* e */\""},
        Case{"StringEscapes", "x = 'it\\'s  \"' + \"\\\\\" + 'a'", "x='it\\'s  \"'+\"\\\\\"+'a'"},
        Case{"LineContinuations", "x = 'a\\\n  b' + 'c\\\r\n  d'", "x='a\\\n  b'+'c\\\r\n  d'"},
        Case{"LineSeparatorInString", "x = '\xE2\x80\xA8'", "x='\xE2\x80\xA8'"},
        Case{"TemplateKeepsItsText", "x = `a  ${ b  +  c }  d\n  e`", "x=`a  ${b+c}  d\n  e`"},
        Case{"NestedTemplates", "`a${ f({ k: `b${ c }` }) }e`", "`a${f({k:`b${c}`})}e`"},
        Case{"BracesInSubstitution", "`${ /* } */ '}' + { a: `}` }.a }`", "`${'}'+{a:`}`}.a}`"},
        Case{"TemplateEscapes", "`\\` ${ a } \\${ b }`", "`\\` ${a} \\${ b }`"},
        Case{"RegexClassHoldsSlash", "x = /[/]  a/g.test(y)", "x=/[/]  a/g.test(y)"},
        Case{"RegexEscapedSlash", "x = /a\\/ b/ ;", "x=/a\\/ b/;"},
        Case{"NumberForms", "x = [ 1. , .5 , 1e5 , 1E-5 , 0x1F , 0b10 , 0o7 , 1_000 , 10n , 0xFFn ]",
             "x=[1.,.5,1e5,1E-5,0x1F,0b10,0o7,1_000,10n,0xFFn]"},
        Case{"EscapedNames", "a\\u0062 = c \\u{63}", "a\\u0062=c \\u{63}"},
        Case{"NonAsciiNames", "var caf\xC3\xA9 = 1; caf\xC3\xA9 in x", "var caf\xC3\xA9=1;caf\xC3\xA9 in x"},
        Case{"PrivateNames", "class A { #a = 1; m() { return #a in this && this.#a / 2 } }",
             "class A{#a=1;m(){return#a in this&&this.#a/2}}"}),
    ByName());

// Whether a "/" divides or starts a regular expression: the blanks inside
// a regular expression stay, the ones around division go.
INSTANTIATE_TEST_SUITE_P(
    Slashes, JsTable,
    testing::Values(
        Case{"DivisionAfterName", "a / b / c", "a/b/c"},
        Case{"DivisionAfterCall", "f(a) / 2 / (b)", "f(a)/2/(b)"},
        Case{"DivisionAfterBracket", "a[0] / 2 / b", "a[0]/2/b"},
        Case{"DivisionAfterLiterals", "'a' / 2 / 1 / `t` / b", "'a'/2/1/`t`/b"},
        Case{"DivisionAfterThis", "this / 2 / x", "this/2/x"},
        Case{"RegexAtStart", "/a b/.test(x)", "/a b/.test(x)"},
        Case{"RegexAfterOperators", "x = a || / b /; y = [/ c /, (/ d /)]", "x=a||/ b /;y=[/ c /,(/ d /)]"},
        Case{"RegexAfterKeywords", "return / a /; typeof / b /; case / c /:", "return/ a /;typeof/ b /;case/ c /:"},
        Case{"RegexAfterIfHead", "if (a) / x y /.test(b)", "if(a)/ x y /.test(b)"},
        Case{"RegexAfterWhileInParens", "while ((a)) / x y /.exec(b)", "while((a))/ x y /.exec(b)"},
        Case{"RegexAfterForAwaitHead", "for await (x of y) / a b /.test(x)", "for await(x of y)/ a b /.test(x)"},
        Case{"DivisionAfterPropertyNamedIf", "a.if(b) / 2 / c", "a.if(b)/2/c"},
        Case{"DivisionAfterPropertyNamedReturn", "a?.return / 2 / c", "a?.return/2/c"},
        Case{"RegexInSubstitution", "`${ / a b / }`", "`${/ a b /}`"},
        Case{"CommentAfterRegex", "/a/ // c\nb", "/a/\nb"}),
    ByName());

INSTANTIATE_TEST_SUITE_P(
    Pages, JsTable,
    testing::Values(Case{
        "TypicalPageScript",
        Lines({"// Menu", "(function () {", "  'use strict';", "  var items = document.querySelectorAll('.menu  li');",
               "  for (var i = 0; i < items.length; i++) {",
               "    items[i].addEventListener('click', function (e) {", "      e.preventDefault()",
               "      var n = this.dataset.n / 2", "      show(n, `Item ${ n + 1 } of ${ items.length }`)",
               "    });", "  }", "})();"}),
        "(function(){'use strict';var items=document.querySelectorAll('.menu  li');"
        "for(var i=0;i<items.length;i++){items[i].addEventListener('click',function(e){e.preventDefault()\n"
        "var n=this.dataset.n/2\nshow(n,`Item ${n+1} of ${items.length}`)});}})();"}),
    ByName());

// Scripts left alone, and why.
class JsRefusals : public testing::TestWithParam<Refusal> {};

TEST_P(JsRefusals, LeaveTheScriptAlone) {
  const std::string& In = GetParam().Input;
  std::string Out(In.size(), '\0');
  const TScriptResult R = MinifyJavaScriptTo(In, GetParam().Module, Out.data());
  EXPECT_EQ(ScriptOutcomeName(R.Outcome), std::string(ScriptOutcomeName(GetParam().Outcome)));
  EXPECT_FALSE(R.Changed);
  EXPECT_EQ(Out.substr(0, R.Size), In);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, JsRefusals,
    testing::Values(
        Refusal{"HtmlComment", "a  =  1 <!-- b", TScriptOutcome::HtmlLike},
        Refusal{"HtmlCommentEnd", "while (i --> 0)  f()", TScriptOutcome::HtmlLike},
        Refusal{"ScriptTagInString", "w('<SCRIPT src=x>')  ", TScriptOutcome::HtmlLike},
        Refusal{"EndTagInRegex", "a  =  /<\\/script/ ; b = '</Script'", TScriptOutcome::HtmlLike},
        Refusal{"AspBlock", "var id  =  <%= Id %> ;", TScriptOutcome::HtmlLike},
        Refusal{"AspBlockEnd", "x  =  a %> b", TScriptOutcome::HtmlLike},
        Refusal{"OpenString", "x  = 'abc", TScriptOutcome::Unterminated},
        Refusal{"LineBreakInString", "x  = 'a\nb'", TScriptOutcome::Unterminated},
        Refusal{"OpenTemplate", "x  = `a ${ b }", TScriptOutcome::Unterminated},
        Refusal{"OpenSubstitution", "x  = `a ${ b", TScriptOutcome::Unterminated},
        Refusal{"OpenComment", "x  = 1 /* a", TScriptOutcome::Unterminated},
        Refusal{"OpenRegex", "x  = /abc", TScriptOutcome::Unterminated},
        Refusal{"LineBreakInRegex", "x  = /a\\\n/", TScriptOutcome::Unterminated},
        Refusal{"LineSeparatorInRegex", "x  = /a\xE2\x80\xA8/", TScriptOutcome::Unterminated},
        Refusal{"OpenParen", "f(  a", TScriptOutcome::Unbalanced},
        Refusal{"StrayParen", "f  )", TScriptOutcome::Unbalanced},
        Refusal{"CrossedBrackets", "{  [ } ]", TScriptOutcome::Unbalanced},
        Refusal{"SlashAfterBrace", "{}  / a /", TScriptOutcome::Ambiguous},
        Refusal{"SlashAfterIncrement", "a++  / 2", TScriptOutcome::Ambiguous},
        Refusal{"SlashAfterOf", "of  / 2", TScriptOutcome::Ambiguous},
        Refusal{"SlashAfterYieldInScript", "yield  / a /", TScriptOutcome::Ambiguous},
        Refusal{"SlashAfterAwaitInScript", "await  / a /", TScriptOutcome::Ambiguous},
        Refusal{"SlashAfterEscapedKeyword", "\\u0069f  / a /", TScriptOutcome::Ambiguous},
        Refusal{"ControlByte", "a  = \x01", TScriptOutcome::Invalid},
        Refusal{"NumberRunsIntoName", "1in  x", TScriptOutcome::Invalid},
        Refusal{"PointThenLetter", "1.e  + 1", TScriptOutcome::Invalid},
        Refusal{"LoneHash", "#  a", TScriptOutcome::Invalid},
        Refusal{"BadEscapeInName", "\\x41  = 1", TScriptOutcome::Invalid},
        Refusal{"ByteOutsideUtf8", "a\xA0  = 1", TScriptOutcome::Invalid},
        Refusal{"LineSeparatorInLineComment", "a  // b\xE2\x80\xA8 c", TScriptOutcome::Invalid}),
    ByName());

// In a module "await" and "yield" are always operators.
TEST(JsModule, AwaitAndYieldTakeARegex) {
  EXPECT_EQ(MinifyJavaScript("await / a b /.exec(x)", true), "await/ a b /.exec(x)");
  EXPECT_EQ(MinifyJavaScript("yield / a b /", true), "yield/ a b /");
  EXPECT_EQ(MinifyJavaScript("import { a } from './a.js'\nexport default a", true),
            "import{a}from'./a.js'\nexport default a");
}

class JsonTable : public testing::TestWithParam<Case> {};

TEST_P(JsonTable, GivesExactBytes) {
  const std::string Out = MinifyJson(GetParam().Input);
  EXPECT_EQ(Out, GetParam().Output);
  EXPECT_EQ(MinifyJson(Out), Out);
}

INSTANTIATE_TEST_SUITE_P(
    Json, JsonTable,
    testing::Values(
        Case{"BlanksGo", "{\n  \"a\" : [ 1 , 2.5e3 , -1 ],\r\n\t\"b\" : { \"c\" : null }\n}\n",
             "{\"a\":[1,2.5e3,-1],\"b\":{\"c\":null}}"},
        Case{"StringsKeepTheirBytes", "[ \"a  b\" , \"\\\"  \\\\\" , \"\xC3\xA9  \" ]",
             "[\"a  b\",\"\\\"  \\\\\",\"\xC3\xA9  \"]"},
        Case{"WordsStayApart", "[ true false 1 2 ]", "[true false 1 2]"},
        Case{"ImportMap", Lines({"{", "  \"imports\": {", "    \"app\": \"/js/app.js\"", "  }", "}"}),
             "{\"imports\":{\"app\":\"/js/app.js\"}}"},
        // Not JSON: left alone.
        Case{"SingleQuotes", "{ 'a' : 1 }", "{ 'a' : 1 }"},
        Case{"Comment", "{ \"a\" : 1 } // x", "{ \"a\" : 1 } // x"},
        Case{"OpenString", "{ \"a : 1 }", "{ \"a : 1 }"},
        Case{"LineBreakInString", "[ \"a\nb\" ]", "[ \"a\nb\" ]"},
        Case{"EndTagInString", "[ \"</script>\" ]", "[ \"</script>\" ]"}),
    ByName());

TEST(JsonOutcome, SaysWhyItLeftTheTextAlone) {
  std::string Out(16, '\0');
  EXPECT_EQ(MinifyJsonTo("{ 'a' : 1 }", Out.data()).Outcome, TScriptOutcome::Invalid);
  EXPECT_EQ(MinifyJsonTo("[ \"a ]", Out.data()).Outcome, TScriptOutcome::Unterminated);
  EXPECT_EQ(MinifyJsonTo("[ \"<!--\" ]", Out.data()).Outcome, TScriptOutcome::HtmlLike);
  const TScriptResult Same = MinifyJsonTo("[1,2]", Out.data());
  EXPECT_EQ(Same.Outcome, TScriptOutcome::Minified);
  EXPECT_FALSE(Same.Changed);
}

TEST(JsEdges, EmptyAndBlankScripts) {
  EXPECT_EQ(MinifyJavaScript("", false), "");
  EXPECT_EQ(MinifyJavaScript(" \n\t// x\n/* y */\n", false), "");
  EXPECT_EQ(MinifyJson(""), "");
  EXPECT_EQ(MinifyJson(" \n "), "");
}

// Deep nesting uses the bracket stack, not the call stack.
TEST(JsEdges, DeepNesting) {
  const std::size_t Depth = 200000;
  std::string In;
  for (std::size_t I = 0; I < Depth; ++I) In += "`${ [ ( ";
  In += "a";
  for (std::size_t I = 0; I < Depth; ++I) In += " ) ] }`";
  std::string Expected;
  for (std::size_t I = 0; I < Depth; ++I) Expected += "`${[(";
  Expected += "a";
  for (std::size_t I = 0; I < Depth; ++I) Expected += ")]}`";
  EXPECT_EQ(MinifyJavaScript(In, false), Expected);
}

// The wide scanners take identifiers, strings and runs of white space
// sixteen bytes at a time; they must give the portable scanners' bytes.
std::string JsOn(TScanPath Path, const std::string& Input) {
  const TScanPath Saved = CurrentScanPath();
  SetScanPath(Path);
  std::string Out = MinifyJavaScript(Input, false);
  SetScanPath(Saved);
  return Out;
}

TEST(JsScanPaths, WideScannersGiveThePortableBytes) {
  if (!WideScanAvailable()) GTEST_SKIP() << "no wide scanners in this build";
  // Each event at every offset around the first 16-byte steps of a name,
  // a string and a run of white space.
  const std::vector<std::string> Events = {" ",     "  \n  ", "\t",   "\r\n", "'",  "\"", "\\'",
                                           "\\\n", "caf\xC3\xA9", "\\u0061", "\xC2\xA0", "/", "x"};
  for (const std::string& Event : Events)
    for (std::size_t At = 0; At < 40; ++At) {
      const std::string Filler(At, 'a');
      for (const std::string& Input :
           {"x = " + Filler + Event + "b + 'cd ef gh ij kl mn op' ;",
            "x = '" + Filler + Event + "' + \"" + Filler + Event + "\" ;",
            "x = 1" + std::string(At, ' ') + Event + " \n  " + Filler + " y"}) {
        ASSERT_EQ(JsOn(TScanPath::spWide, Input), JsOn(TScanPath::spPortable, Input)) << Input;
      }
    }
}

}  // namespace
