// Looking values up in a version block.
//
// Nothing here trusts the data: every node is checked to lie inside its
// parent before it is read, and every walk over nodes moves strictly
// forward over a bounded range.

#include "version/VersionBlock.h"

#include <algorithm>
#include <string>

#include "version/ByteOrder.h"
#include "version/Utf16.h"

namespace versionres {

namespace {

constexpr std::uint32_t Align4(std::uint32_t Value) { return (Value + 3) & ~3u; }

// One node of a version block; offsets from the block's start.
struct Node {
  std::uint32_t end = 0;         // one past the node's last byte
  std::uint32_t key = 0;         // the key's first unit
  std::uint32_t keyUnits = 0;    // the key's length, without its NUL
  std::uint32_t value = 0;       // the value's first byte
  std::uint32_t valueBytes = 0;  // the value's bytes inside the node
  std::uint32_t children = 0;    // where the first child would start
  bool text = false;
};

// Reads the node at At, which must lie wholly before Limit.
bool ParseNode(const Byte* Data, std::uint32_t Limit, std::uint32_t At, Node* Out) {
  if (At > Limit || Limit - At < 6) return false;
  const std::uint32_t length = Le16(Data + At);
  if (length < 6 || length > Limit - At) return false;
  Out->end = At + length;
  const std::uint32_t valueLength = Le16(Data + At + 2);
  Out->text = Le16(Data + At + 4) == 1;

  Out->key = At + 6;
  std::uint32_t p = Out->key;
  for (;;) {
    if (Out->end - p < 2) return false;  // no NUL: the key runs out of the node
    if (Le16(Data + p) == 0) break;
    p += 2;
  }
  Out->keyUnits = (p - Out->key) / 2;

  Out->value = std::min(Align4(p + 2), Out->end);
  const std::uint32_t bytes = Out->text ? valueLength * 2 : valueLength;
  Out->valueBytes = std::min(bytes, Out->end - Out->value);
  Out->children = Align4(Out->value + Out->valueBytes);
  return true;
}

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c; }

bool KeyIs(const Byte* Data, const Node& N, const std::u16string& Name) {
  if (N.keyUnits != Name.size()) return false;
  for (std::uint32_t i = 0; i < N.keyUnits; ++i) {
    if (FoldAscii(Le16(Data + N.key + 2 * i)) != FoldAscii(Name[i])) return false;
  }
  return true;
}

}  // namespace

std::uint32_t VersionBlockLength(const void* Data, std::size_t Size) {
  if (Size < 6) return 0;
  const std::uint32_t length = Le16(static_cast<const Byte*>(Data));
  return length >= 6 && length <= Size ? length : 0;
}

bool QueryVersionBlock(void* Block, std::uint32_t BlockSize, std::string_view SubBlock,
                       const void** Value, std::uint32_t* Length) {
  auto* data = static_cast<Byte*>(Block);
  const std::uint32_t stored = BlockSize / 3;
  const std::uint32_t length = VersionBlockLength(data, stored);
  if (length == 0) return false;

  Node node;
  if (!ParseNode(data, length, 0, &node)) return false;
  std::size_t pos = 0;
  while (pos < SubBlock.size()) {
    const std::size_t stop = std::min(SubBlock.find('\\', pos), SubBlock.size());
    const std::string_view part = SubBlock.substr(pos, stop - pos);
    pos = stop + 1;
    if (part.empty()) continue;
    const std::u16string name = Utf8ToUtf16(part);
    Node child;
    bool found = false;
    for (std::uint32_t at = node.children; at < node.end; at = Align4(child.end)) {
      if (!ParseNode(data, node.end, at, &child)) return false;
      if (KeyIs(data, child, name)) {
        found = true;
        break;
      }
    }
    if (!found) return false;
    node = child;
  }

  if (!node.text) {
    *Value = data + node.value;
    *Length = node.valueBytes;
    return true;
  }
  const std::uint32_t units = node.valueBytes / 2;
  if (units == 0) {
    *Value = data + node.value;
    *Length = 0;
    return true;
  }
  // The value's room: twice its offset past the stored block, four bytes a
  // unit. Values do not overlap, so neither do their rooms, and the last
  // room ends within three times the stored length.
  Byte* room = data + stored + 2 * node.value;
  *Length = Utf16ToUtf8(data + node.value, units, room);
  *Value = room;
  return true;
}

}  // namespace versionres
