#include "ui/qt/QtText.h"

#include <QFile>

QString ToQString(const std::string& Bytes) {
  return QFile::decodeName(QByteArray::fromStdString(Bytes));
}

std::string ToBytes(const QString& Text) { return QFile::encodeName(Text).toStdString(); }
