#pragma once

// Lets GoogleTest print Qt strings readably in failure messages.

#include <QString>

#include <ostream>

inline void PrintTo(const QString& Text, std::ostream* Out) {
  *Out << '"' << Text.toStdString() << '"';
}
