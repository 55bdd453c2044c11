#include "VersionBlock.h"

#include <cstdio>
#include <stdexcept>

namespace versiongen {

namespace {

// Appends little-endian values and UTF-16 text to a growing block.
class Writer {
public:
  std::size_t Size() const { return bytes_.size(); }
  void U16(std::uint32_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void Align() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  void Patch16(std::size_t at, std::size_t v) {
    if (v > 0xFFFF) throw std::length_error("version block too long");
    bytes_[at] = static_cast<std::uint8_t>(v);
    bytes_[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  // Text with its NUL; returns the number of units written.
  std::size_t Text(const std::u16string& t) {
    for (char16_t c : t) U16(c);
    U16(0);
    return t.size() + 1;
  }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
  std::vector<std::uint8_t> bytes_;
};

std::u16string Utf16(const std::string& s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    int more = b < 0x80 ? 0 : b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2
             : b >= 0xF0 && b <= 0xF4 ? 3 : -1;
    if (more < 0 || s.size() - i <= static_cast<std::size_t>(more))
      throw std::invalid_argument("text is not UTF-8: " + s);
    char32_t c = more == 0 ? b : b & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
      const auto n = static_cast<unsigned char>(s[i + k]);
      if ((n & 0xC0) != 0x80) throw std::invalid_argument("text is not UTF-8: " + s);
      c = c << 6 | (n & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
      throw std::invalid_argument("text is not UTF-8: " + s);
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += more + 1;
  }
  return out;
}

// Writes one node: header, key, value, then Children; fixes wLength last.
template <typename Value, typename Children>
void Node(Writer& w, const std::u16string& key, int type, Value&& value, Children&& children) {
  w.Align();
  const std::size_t start = w.Size();
  w.U16(0);  // wLength, fixed below
  w.U16(0);  // wValueLength, fixed below
  w.U16(static_cast<std::uint32_t>(type));
  w.Text(key);
  w.Align();
  const std::size_t valueLength = value(w);
  w.Patch16(start + 2, valueLength);
  children(w);
  w.Patch16(start, w.Size() - start);
}

std::uint32_t Ms(const std::array<std::uint16_t, 4>& v) { return std::uint32_t{v[0]} << 16 | v[1]; }
std::uint32_t Ls(const std::array<std::uint16_t, 4>& v) { return std::uint32_t{v[2]} << 16 | v[3]; }

}  // namespace

std::vector<std::uint8_t> BuildVersionBlock(const VersionBlockSpec& Spec) {
  auto none = [](Writer&) -> std::size_t { return 0; };
  auto leaf = [](Writer&) {};
  Writer w;
  char table[9];
  std::snprintf(table, sizeof table, "%04X%04X", Spec.Language, Spec.CodePage);

  Node(
      w, u"VS_VERSION_INFO", 0,
      [&](Writer& v) -> std::size_t {
        v.U32(0xFEEF04BD);  // signature
        v.U32(0x00010000);  // structure version 1.0
        v.U32(Ms(Spec.FileVersion));
        v.U32(Ls(Spec.FileVersion));
        v.U32(Ms(Spec.ProductVersion));
        v.U32(Ls(Spec.ProductVersion));
        v.U32(0x3F);  // flags mask
        v.U32(0);     // flags
        v.U32(0);     // operating system: unknown
        v.U32(1);     // file type: application
        v.U32(0);     // subtype
        v.U32(0);     // date, high
        v.U32(0);     // date, low
        return 52;
      },
      [&](Writer& c) {
        Node(c, u"StringFileInfo", 1, none, [&](Writer& t) {
          Node(t, Utf16(table), 1, none, [&](Writer& s) {
            for (const auto& [key, text] : Spec.Strings) {
              const std::u16string value = Utf16(text);
              Node(
                  s, Utf16(key), 1, [&](Writer& v) { return v.Text(value); }, leaf);
            }
          });
        });
        Node(c, u"VarFileInfo", 1, none, [&](Writer& t) {
          Node(
              t, u"Translation", 0,
              [&](Writer& v) -> std::size_t {
                v.U16(Spec.Language);
                v.U16(Spec.CodePage);
                return 4;
              },
              leaf);
        });
      });
  return w.Take();
}

std::array<std::uint16_t, 4> ParseVersion(const std::string& Text) {
  std::array<std::uint16_t, 4> parts{};
  std::size_t part = 0, i = 0;
  if (Text.empty()) throw std::invalid_argument("empty version");
  for (;;) {
    if (part == parts.size()) throw std::invalid_argument("too many version parts: " + Text);
    std::uint32_t value = 0;
    const std::size_t start = i;
    while (i < Text.size() && Text[i] >= '0' && Text[i] <= '9') {
      value = value * 10 + static_cast<std::uint32_t>(Text[i] - '0');
      if (value > 0xFFFF) throw std::invalid_argument("version part above 65535: " + Text);
      ++i;
    }
    if (i == start) throw std::invalid_argument("not a version: " + Text);
    parts[part++] = static_cast<std::uint16_t>(value);
    if (i == Text.size()) return parts;
    if (Text[i] != '.') throw std::invalid_argument("not a version: " + Text);
    ++i;
  }
}

std::string AssemblySource(const std::vector<std::uint8_t>& Block, const std::string& Section) {
  std::string out =
      "// Generated by pagetrim-versiongen: the executable's version block.\n"
      "// \"a\" keeps the section through strip, \"R\" through --gc-sections.\n"
      "__asm__(\".pushsection " + Section + ",\\\"aR\\\"\\n\"\n"
      "        \".balign 4\\n\"\n";
  for (std::size_t i = 0; i < Block.size(); i += 16) {
    out += "        \".byte ";
    for (std::size_t k = i; k < Block.size() && k < i + 16; ++k) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%s0x%02x", k == i ? "" : ",", Block[k]);
      out += hex;
    }
    out += "\\n\"\n";
  }
  out += "        \".popsection\\n\");\n";
  return out;
}

}  // namespace versiongen
