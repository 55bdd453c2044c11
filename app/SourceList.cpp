#include "app/SourceList.h"

TSourceList::TSourceList(std::string Text) : text_(std::move(Text)) {
  std::size_t start = 0;
  do {
    std::size_t end = text_.find(Separator, start);
    if (end == std::string::npos) end = text_.size();
    entries_.push_back(text_.substr(start, end - start));
    start = end + 1;
  } while (start < text_.size());
}

std::optional<TSourceList> TSourceList::FromFiles(const std::vector<std::string>& Files) {
  if (FirstRefused(Files) != nullptr) return std::nullopt;
  std::string text;
  for (std::size_t i = 0; i < Files.size(); ++i) {
    if (i > 0) text += Separator;
    text += Files[i];
  }
  return TSourceList(std::move(text));
}

bool TSourceList::CanHold(const std::string& Path) {
  return Path.find(Separator) == std::string::npos;
}

const std::string* TSourceList::FirstRefused(const std::vector<std::string>& Files) {
  for (const std::string& f : Files)
    if (!CanHold(f)) return &f;
  return nullptr;
}
