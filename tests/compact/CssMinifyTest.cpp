#include "compact/CssMinify.h"

#include <gtest/gtest.h>

#include <string>

#include "compact/CompactCases.h"

namespace {

// A row whose text the minifier leaves alone, and why.
struct Refusal {
  const char* Name;
  std::string Input;
  TCssOutcome Outcome;
  bool List = false;
};

void PrintTo(const Refusal& R, std::ostream* Os) { *Os << R.Name; }

void ExpectMinified(const Case& C, bool List) {
  std::string Out(C.Input.size(), '\0');
  const TCssResult R = List ? MinifyCssDeclarationsTo(C.Input, Out.data()) : MinifyCssSheetTo(C.Input, Out.data());
  Out.resize(R.Size);
  EXPECT_EQ(R.Outcome, TCssOutcome::Minified);
  EXPECT_EQ(Out, C.Output);
  EXPECT_EQ(R.Changed, Out != C.Input);
  EXPECT_EQ(List ? MinifyCssDeclarations(Out) : MinifyCssSheet(Out), Out);
}

class CssSheet : public testing::TestWithParam<Case> {};
TEST_P(CssSheet, GivesExactBytes) { ExpectMinified(GetParam(), false); }

INSTANTIATE_TEST_SUITE_P(
    Rows, CssSheet,
    testing::Values(
        Case{"CommentsGo", "a { /* x */ color : red ; }\n", "a{color:red}"},
        Case{"BangCommentKept", "/*! (c) A  B */\na { b : c }", "/*! (c) A  B */a{b:c}"},
        Case{"BangCommentInSelector", "div /*! c */ p {}", "div/*! c */ p{}"},
        Case{"DescendantKeepsOneBlank", "div \t p\n.a #b * {}", "div p .a #b *{}"},
        Case{"CombinatorsTakeNone", "a > b + c ~ d , e {}", "a>b+c~d,e{}"},
        Case{"TwoCombinatorsStayApart", "a > > b {}", "a> >b{}"},
        Case{"BlankBeforePseudoClass", "a :hover , a::before {}", "a :hover,a::before{}"},
        Case{"InsidePseudoClasses", ":is( .a , .b ) :not( p ) {}", ":is(.a,.b) :not(p){}"},
        Case{"AnPlusBKeepsSigns", "li:nth-child( 2n + 1 ) {}", "li:nth-child(2n + 1){}"},
        Case{"AttributeKeepsInnerBlanks", "[ data-x ~= \"y\" i ] a {}", "[data-x ~= \"y\" i] a{}"},
        // A comment is no white space: no combinator may appear.
        Case{"CommentBetweenCompounds", "div/**/p, a/* x */.b {}", "div/**/p,a.b{}"},
        Case{"HexEscapeTakesABlank", ".a\\31/**/ .b, .c\\31/* x */.d {}", ".a\\31/**/ .b,.c\\31.d{}"},
        Case{"ValueWordsKeepOneBlank", "a { margin : 0  auto ; border : 1px solid #fff }",
             "a{margin:0 auto;border:1px solid #fff}"},
        Case{"CalcKeepsSigns", "a { width : calc( 100% - ( 2 * 10px ) + 1px ) }",
             "a{width:calc(100% - (2*10px) + 1px)}"},
        Case{"NegativeNumbers", "a { margin : -1px -2px ; b : c - d }", "a{margin:-1px -2px;b:c - d}"},
        Case{"Punctuation", "a { font : 12px / 1.5 \"A B\" , serif ! important }",
             "a{font:12px/1.5 \"A B\",serif!important}"},
        Case{"UrlsAndFunctions", "a { b : url( x.png ) no-repeat , rgba( 0 , 0 , 0 , .5 ) }",
             "a{b:url( x.png ) no-repeat,rgba(0,0,0,.5)}"},
        Case{"QuotedUrlKeepsItsBlank", "a { b : url(  \"c\" ) }", "a{b:url(  \"c\")}"},
        Case{"NumbersStayApart", "a { b : 1 .5 ; c : 1 e3 ; d : 5 % ; e : f (g) }",
             "a{b:1 .5;c:1 e3;d:5 %;e:f (g)}"},
        Case{"MediaQuery", "@media screen and (min-width : 768px) , print { a { b : c } }",
             "@media screen and (min-width :768px),print{a{b:c}}"},
        Case{"MediaFeatures", "@media (min-width: 1px) and (400px <= width < 700px) {}",
             "@media(min-width:1px) and (400px<=width<700px){}"},
        Case{"ImportAndCharset", "@charset \"utf-8\" ;\n@import url(x.css) screen ;",
             "@charset \"utf-8\";@import url(x.css) screen;"},
        Case{"PageKeepsItsBlank", "@page :first { margin : 1in ; @top-center { content : \"x\" } }",
             "@page :first{margin:1in;@top-center{content:\"x\"}}"},
        Case{"Keyframes", "@keyframes spin { from { a : b } 50% { a : c } }", "@keyframes spin{from{a:b}50%{a:c}}"},
        Case{"Nesting", ".c { color : red ; & > .t { x : y } .a .b { } }", ".c{color:red;&>.t{x:y}.a .b{}}"},
        // Ends in "{": a nested rule, read as a selector.
        Case{"RuleLikeADeclaration", "a { b : hover { c : d } }", "a{b : hover{c:d}}"},
        Case{"LastSemicolonsGo", "a { b : c ; ; } d { ; } @media x { e { f : g } ; }", "a{b:c}d{}@media x{e{f:g}}"},
        Case{"BangCommentBeforeEnd", "a { b : c ; /*! d */ }", "a{b:c;/*! d */}"},
        Case{"CustomProperties", "a { --x : 1px ; --e : ; --b : { c : d } }", "a{--x:1px;--e: ;--b : { c : d }}"},
        Case{"HtmlCommentMarks", "<!--\na { b : c }\n-->", "<!--a{b:c}-->"},
        Case{"NoCommentEndMade", "a-- > b {}", "a-- >b{}"},
        Case{"NoServerEndMade", "50% > a {}", "50% >a{}"},
        Case{"BlankOnly", " \n/* x */\t", ""}),
    ByName());

class CssList : public testing::TestWithParam<Case> {};
TEST_P(CssList, GivesExactBytes) { ExpectMinified(GetParam(), true); }

INSTANTIATE_TEST_SUITE_P(
    Rows, CssList,
    testing::Values(Case{"LastSemicolonGoes", "color : red ; margin : 0 auto ;", "color:red;margin:0 auto"},
                    Case{"EmptyCustomProperty", "--x : ;", "--x: "},
                    Case{"Urls", "background : url( 'a b.png' ) , red", "background:url('a b.png'),red"},
                    Case{"BangCommentAtEnd", "a : b ; ; /*! c */", "a:b;;/*! c */"}),
    ByName());

class CssRefusals : public testing::TestWithParam<Refusal> {};

TEST_P(CssRefusals, LeaveTheTextAlone) {
  const Refusal& R = GetParam();
  std::string Out(R.Input.size(), '\0');
  const TCssResult Result = R.List ? MinifyCssDeclarationsTo(R.Input, Out.data()) : MinifyCssSheetTo(R.Input, Out.data());
  EXPECT_EQ(Result.Outcome, R.Outcome) << CssOutcomeName(Result.Outcome);
  EXPECT_FALSE(Result.Changed);
  EXPECT_EQ(Out.substr(0, Result.Size), R.Input);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CssRefusals,
    testing::Values(Refusal{"EndTag", "a { b : '</STYLE>' }", TCssOutcome::HtmlLike},
                    Refusal{"AspBlock", "a { b : <%= x %> }", TCssOutcome::HtmlLike},
                    Refusal{"PhpBlock", "a { b : <?php x ?> }", TCssOutcome::HtmlLike},
                    Refusal{"OpenString", "a { b : 'c }", TCssOutcome::Unterminated},
                    Refusal{"LineBreakInString", "a { b : 'c\n' }", TCssOutcome::Unterminated},
                    Refusal{"OpenComment", "a { b : c } /* x", TCssOutcome::Unterminated},
                    Refusal{"OpenBlock", "a { b : c", TCssOutcome::Unbalanced},
                    Refusal{"CrossedBrackets", "a { b : f( c } )", TCssOutcome::Unbalanced},
                    Refusal{"BadUrl", "a { b : url(x y) }", TCssOutcome::Invalid},
                    Refusal{"EscapedLineEnd", "a { b : c \\\n d }", TCssOutcome::Invalid},
                    Refusal{"Nul", std::string("a { b\0 }", 8), TCssOutcome::Invalid},
                    Refusal{"CharacterReference", "font-family : &quot;A&quot;", TCssOutcome::Reference, true}),
    ByName());

// Deep nesting uses the bracket stack, not the call stack.
TEST(CssEdges, DeepNesting) {
  const std::size_t Depth = 200000;
  std::string In;
  std::string Expected;
  for (std::size_t I = 0; I < Depth; ++I) {
    In += ":is( ";
    Expected += ":is(";
  }
  In += "a";
  Expected += "a";
  for (std::size_t I = 0; I < Depth; ++I) {
    In += " ) ";
    Expected += ")";
  }
  EXPECT_EQ(MinifyCssSheet(In + "{}"), Expected + "{}");
}

}  // namespace
