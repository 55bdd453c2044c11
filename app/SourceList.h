#pragma once

// The source list: the full paths of the files to compact, joined by '|'
// with no separator at either end. The window's source field holds it, the
// settings remember it, the batch run takes it apart, and pagetrim-cli
// builds it from its FILE arguments; the rules for it live here alone.

#include <optional>
#include <string>
#include <vector>

class TSourceList {
public:
  static constexpr char Separator = '|';

  // The list as the text Text holds it. Its entries are the pieces between
  // separators: the first one is always there, even in an empty text; two
  // separators in a row make an empty entry; a separator at the very end
  // makes none.
  explicit TSourceList(std::string Text);

  // The list of Files, in their order; nothing when one of them cannot be
  // carried (CanHold).
  static std::optional<TSourceList> FromFiles(const std::vector<std::string>& Files);

  // False for a path holding the separator: it could not be told apart
  // from two paths.
  static bool CanHold(const std::string& Path);

  // The first path of Files that the list cannot hold, or nullptr.
  static const std::string* FirstRefused(const std::vector<std::string>& Files);

  const std::string& Text() const { return text_; }
  const std::vector<std::string>& Entries() const { return entries_; }

private:
  std::string text_;
  std::vector<std::string> entries_;
};
