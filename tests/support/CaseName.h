#pragma once

// Names for the cases of parameterised tests, made from the values a case
// is about, for suites whose rows carry no name of their own.

#include <string>
#include <string_view>

namespace testsupport {

// Text as a case name: its ASCII letters and digits, every word begun with
// a capital; CR, LF and NUL spelled Cr, Lf and Nul, other bytes outside
// printable ASCII as X and two hex digits, other punctuation and blanks
// dropped. "Empty" for a text that leaves nothing.
inline std::string CaseName(std::string_view Text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string name;
  bool wordStart = true;
  for (const char ch : Text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alnum) {
      name += wordStart && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : ch;
      wordStart = false;
      continue;
    }
    wordStart = true;
    if (c == '\r') {
      name += "Cr";
    } else if (c == '\n') {
      name += "Lf";
    } else if (c == '\0') {
      name += "Nul";
    } else if (c < 0x20 || c >= 0x7F) {
      name += 'X';
      name += kHex[c >> 4];
      name += kHex[c & 0x0F];
    }
  }
  return name.empty() ? "Empty" : name;
}

// Names the cases of a parameterised suite whose rows carry a Name of their
// own: INSTANTIATE_TEST_SUITE_P(Rows, SomeTest, testing::ValuesIn(kRows), RowName()).
struct RowName {
  template <class Info>
  std::string operator()(const Info& Case) const {
    return std::string(Case.param.Name);
  }
};

// A number as part of a case name: Minus for a sign.
inline std::string CaseNumber(long long Value) {
  return Value < 0 ? "Minus" + std::to_string(-Value) : std::to_string(Value);
}

}  // namespace testsupport
