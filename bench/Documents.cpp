#include "bench/Documents.h"

#include <cstdio>
#include <stdexcept>

namespace {

// A small deterministic generator (xorshift64*): the same documents on
// every run and every machine.
class TRandom {
public:
  explicit TRandom(std::uint64_t Seed) : FState(Seed | 1) {}
  std::uint32_t Next() {
    FState ^= FState >> 12;
    FState ^= FState << 25;
    FState ^= FState >> 27;
    return static_cast<std::uint32_t>((FState * 0x2545F4914F6CDD1DULL) >> 32);
  }
  std::uint32_t Below(std::uint32_t N) { return Next() % N; }

private:
  std::uint64_t FState;
};

constexpr std::string_view kWords[] = {
    "the",     "order",    "was",      "shipped",  "to",        "our",      "customer", "on",
    "Monday",  "and",      "arrived",  "in",       "good",      "time",     "please",   "check",
    "your",    "account",  "for",      "details",  "of",        "each",     "item",     "price",
    "total",   "includes", "tax",      "delivery", "service",   "contact",  "support",  "with",
    "any",     "question", "about",    "this",     "invoice",   "report",   "summary",  "table",
    "balance", "payment",  "received", "thank",    "you",       "Brindle",  "Ltd.",     "2.0",
    "50%",     "(see",     "below)",   "-",        "&amp;",     "&nbsp;",   "page",     "next"};

// Builds the realistic document piece by piece; line ends are EOL.
class TPageWriter {
public:
  TPageWriter(std::string& Out, std::string_view Eol, TRandom& Rng)
      : FOut(Out), FEol(Eol), FRng(Rng) {}

  void Line(int Indent, std::string_view Text) {
    FOut.append(static_cast<std::size_t>(Indent) * 2, ' ');
    FOut += Text;
    FOut += FEol;
  }

  std::string Words(int Count) {
    std::string S;
    for (int i = 0; i < Count; ++i) {
      if (i > 0) S += FRng.Below(12) == 0 ? "  " : " ";
      S += kWords[FRng.Below(std::size(kWords))];
    }
    return S;
  }

  void Head() {
    Line(0, "<html>");
    Line(0, "<head>");
    Line(0, "<meta name=\"GENERATOR\" content=\"Microsoft FrontPage Express 2.0\">");
    Line(0, "<title>Monthly report</title>");
    Line(0, "<script language=\"JavaScript\">");
    Line(1, "function check(f) {");
    Line(2, "for (var i = 0; i < f.elements.length; i++) {");
    Line(3, "if (f.elements[i].value.length > 40) return false;");
    Line(2, "}");
    Line(2, "return true;");
    Line(1, "}");
    Line(0, "</script>");
    Line(0, "</head>");
    Line(0, "<body  bgcolor=\"#FFFFFF\"  text=\"#000000\">");
  }

  void Section(int N) {
    Line(0, "<!-- section " + std::to_string(N) + " -->");
    Line(0, "<%");
    Line(1, "Dim total, count");
    Line(1, "total = Request(\"total\")  ' from the form");
    Line(1, "Response.Write \"<b>Total:  \" & total & \"</b>\"");
    Line(0, "%>");
    Line(0, "<h2  class=\"title\">" + Words(4) + "</h2>");
    Line(0, "<table  width=\"100%\"  border=\"0\"  cellpadding=\"2\">");
    const int Rows = 3 + static_cast<int>(FRng.Below(6));
    for (int R = 0; R < Rows; ++R) {
      Line(1, "<tr>");
      Line(2, "<td  class=\"cell\"  align=\"left\">" + Words(3) + "</td>");
      Line(2, "<td  class=\"num\">" + std::to_string(FRng.Below(100000)) + ".00</td>");
      Line(2, "<td><a  href=\"item.asp?id=" + std::to_string(FRng.Below(9999)) +
                  "\"  title=\"" + Words(2) + "\">" + Words(1) + "</a></td>");
      Line(1, "</tr>");
    }
    Line(0, "</table>");
    Line(0, "<!---->");
    Line(0, "<p>");
    const int Lines = 2 + static_cast<int>(FRng.Below(6));
    for (int L = 0; L < Lines; ++L) Line(1, Words(8 + static_cast<int>(FRng.Below(6))));
    Line(0, "</p>");
    if (FRng.Below(3) == 0) {
      Line(0, "<pre>");
      Line(0, "Item      Count    Price");
      Line(0, "--------  -------  -------");
      Line(0, "  " + Words(1) + "      " + std::to_string(FRng.Below(100)) + "      9.95");
      Line(0, "</pre>");
    }
    Line(0, "<% If total > 0 Then %>");
    Line(1, "<p>You have <%= total %> " + Words(2) + ".</p>");
    Line(0, "<% End If %>");
    if (FRng.Below(4) == 0) {
      Line(0, "<form  method=\"post\"  action=\"submit.asp\"  onsubmit=\"return check(this)\">");
      Line(1, "<input  type=\"text\"  name=\"q\"  value=\"\"  size=\"20\">");
      Line(1, "<input  type=\"submit\"  value=\"Send  now\">");
      Line(0, "</form>");
    }
  }

  void Tail() {
    Line(0, "</body>");
    Line(0, "</html>");
  }

private:
  std::string& FOut;
  std::string_view FEol;
  TRandom& FRng;
};

// Writes Piece again and again until Bytes are out; returns the count.
std::int64_t Repeat(std::FILE* F, std::string_view Head, std::string_view Piece, std::int64_t Bytes) {
  std::string Chunk(Head);
  std::int64_t Written = 0;
  while (Written < Bytes) {
    while (Chunk.size() < (1u << 20)) Chunk += Piece;
    std::fwrite(Chunk.data(), 1, Chunk.size(), F);
    Written += static_cast<std::int64_t>(Chunk.size());
    Chunk.clear();
  }
  return Written;
}

}  // namespace

// One piece of a page's script; NAME and N vary from piece to piece.
constexpr std::string_view kScriptPiece = R"js(// Section NAME: opens and closes the entries of the menu.
(function () {
  'use strict';

  var items = document.querySelectorAll('#NAME li.entry'),
      current = null;

  /* Shows entry n and hides the one shown before.
     Called from the click handlers below. */
  function show(n) {
    if (current !== null) {
      current.classList.remove('open');
    }
    current = items[n];
    current.classList.add('open');
    document.title = `NAME: ${ current.textContent.trim() } (${ n + 1 } of ${ items.length })`;
  }

  for (var i = 0; i < items.length; i++) {
    items[i].addEventListener('click', function (e) {
      e.preventDefault();
      show(Array.prototype.indexOf.call(items, this));
    });
  }

  // Checks the order form before it goes.
  window.checkNAME = function (f) {
    var email = f.elements.email.value;
    if (!/^[^@\s]+@[^@\s]+\.[a-z]{2,}$/i.test(email)) {
      alert('Please enter a valid e-mail address.');
      return false;
    }
    var total = parseFloat(f.elements.total.value) || 0;
    f.elements.tax.value = (total * 0.N).toFixed(2);
    return total > 0 && total / 12 < 1000;
  };
})();

)js";

// One piece of a page's style sheet; NAME and the digit at each "`" vary
// from piece to piece.
constexpr std::string_view kStylePiece = R"css(/* Section NAME: the menu, its entries and the order form. */
#NAME .menu,
#NAME .menu ul {
  margin: 0;
  padding: 0 0 0 10px;
  list-style: none;
}

#NAME .menu > li + li {
  border-left: 1px solid #ccc;
}

#NAME .menu li.entry a:hover,
#NAME .menu li.entry a:focus {
  color: #0`3366;
  background: url(images/NAME.png) no-repeat 0 50%;
  text-decoration: underline;
}

#NAME form input[type="text"] {
  width: calc(100% - 2 * 1.5em);
  font: 13px/1.4 "Helvetica Neue", Arial, sans-serif;
  box-shadow: 0 1px 2px rgba(0, 0, 0, .`5) inset;
}

@media screen and (max-width: 6`0px) {
  #NAME .menu li {
    display: block;   /* one entry a line */
    float: none !important;
  }
}

)css";

const std::vector<TDocInfo>& DocKinds() {
  static const std::vector<TDocInfo> Kinds = {
      {TDocKind::dkRealistic, "realistic page"},
      {TDocKind::dkSingleLine, "one single line"},
      {TDocKind::dkBlanks, "run of blanks"},
      {TDocKind::dkLessThan, "run of \"<\""},
      {TDocKind::dkEmptyComments, "empty comments"},
      {TDocKind::dkSplitComments, "split comments"},
      {TDocKind::dkPreEmptyLines, "empty lines in PRE"},
  };
  return Kinds;
}

std::int64_t WriteDocument(const std::string& FileName, TDocKind Kind, std::int64_t Bytes) {
  std::FILE* F = std::fopen(FileName.c_str(), "wb");
  if (F == nullptr) throw std::runtime_error("cannot create " + FileName);
  std::int64_t Written = 0;
  switch (Kind) {
    case TDocKind::dkRealistic:
    case TDocKind::dkSingleLine: {
      TRandom Rng(0x5EED);
      std::string Chunk;
      TPageWriter Page(Chunk, Kind == TDocKind::dkRealistic ? "\r\n" : "", Rng);
      Page.Head();
      for (int N = 1; Written + static_cast<std::int64_t>(Chunk.size()) < Bytes; ++N) {
        Page.Section(N);
        if (Chunk.size() >= (1u << 20)) {
          std::fwrite(Chunk.data(), 1, Chunk.size(), F);
          Written += static_cast<std::int64_t>(Chunk.size());
          Chunk.clear();
        }
      }
      Page.Tail();
      std::fwrite(Chunk.data(), 1, Chunk.size(), F);
      Written += static_cast<std::int64_t>(Chunk.size());
      break;
    }
    default: {
      // The pathological kinds: a head, then one piece over and over.
      const struct {
        TDocKind Kind;
        const char* Head;
        const char* Piece;
      } Repeated[] = {{TDocKind::dkBlanks, "", " "},
                      {TDocKind::dkLessThan, "", "<"},
                      {TDocKind::dkEmptyComments, "", "<!---->"},
                      {TDocKind::dkSplitComments, "", "<!--\r\n-->"},
                      {TDocKind::dkPreEmptyLines, "<pre>\r\n", "\r\n"}};
      for (const auto& R : Repeated)
        if (R.Kind == Kind) Written = Repeat(F, R.Head, R.Piece, Bytes);
      break;
    }
  }
  if (std::fclose(F) != 0) throw std::runtime_error("cannot write " + FileName);
  return Written;
}

namespace {

// Copies of Piece until they hold Bytes: in each, NAME becomes a word of
// kWords made of Letters only, and Mark a number below Limit in place of
// Mark's last character.
std::string Filled(std::string_view Piece, std::size_t Bytes, std::uint64_t Seed,
                   std::string_view Letters, std::string_view Mark, std::uint32_t Limit) {
  TRandom Rng(Seed);
  std::string Text;
  while (Text.size() < Bytes) {
    std::string_view Word;
    do Word = kWords[Rng.Below(std::size(kWords))];
    while (Word.find_first_not_of(Letters) != std::string_view::npos);
    const std::string N = std::to_string(Rng.Below(Limit));
    for (std::size_t I = 0; I < Piece.size(); ++I) {
      if (Piece.compare(I, 4, "NAME") == 0) {
        Text += Word;
        I += 3;
      } else if (Piece.compare(I, Mark.size(), Mark) == 0) {
        Text += Mark.substr(0, Mark.size() - 1);
        Text += N;
        I += Mark.size() - 1;
      } else {
        Text += Piece[I];
      }
    }
  }
  return Text;
}

}  // namespace

std::string RealisticScript(std::size_t Bytes) {
  return Filled(kScriptPiece, Bytes, 0x5C1, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ",
                ".N", 100);
}

std::string RealisticStyleSheet(std::size_t Bytes) {
  return Filled(kStylePiece, Bytes, 0x5C55, "abcdefghijklmnopqrstuvwxyz", "`", 10);
}
