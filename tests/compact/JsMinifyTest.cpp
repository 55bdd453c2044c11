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

INSTANTIATE_TEST_SUITE_P(Rows, JsTable, CaseRows("js.txt"), ByName());

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
        "var n=this.dataset.n/2\nshow(n,`Item ${n+1} of ${items.length}`)});}})();",
        ""}),
    ByName());

// Scripts left alone, and why: the expected output is the outcome's name,
// and a fourth field "module" reads the script as a module.
class JsRefusals : public testing::TestWithParam<Case> {};

TEST_P(JsRefusals, LeaveTheScriptAlone) {
  const std::string& In = GetParam().Input;
  ASSERT_TRUE(GetParam().Extra.empty() || GetParam().Extra == "module") << GetParam().Extra;
  std::string Out(In.size(), '\0');
  const TScriptResult R = MinifyJavaScriptTo(In, GetParam().Extra == "module", Out.data());
  EXPECT_EQ(ScriptOutcomeName(R.Outcome), GetParam().Output);
  EXPECT_FALSE(R.Changed);
  EXPECT_EQ(Out.substr(0, R.Size), In);
}

INSTANTIATE_TEST_SUITE_P(Refused, JsRefusals, CaseRows("js-refused.txt"), ByName());

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

INSTANTIATE_TEST_SUITE_P(Json, JsonTable, CaseRows("json.txt"), ByName());

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
