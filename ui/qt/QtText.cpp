#include "ui/qt/QtText.h"

#include "ui/TextCodec.h"

QString ToQString(const std::string& Bytes) {
  const std::u16string text = Utf16FromBytes(Bytes);
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::string ToBytes(const QString& Text) {
  return BytesFromUtf16(
      std::u16string(reinterpret_cast<const char16_t*>(Text.utf16()), static_cast<std::size_t>(Text.size())));
}
