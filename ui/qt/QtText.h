#pragma once

// Paths and texts are byte strings everywhere in the program; QString
// appears only at the Qt boundary. These two convert there, losslessly:
// bytes that are not valid in the locale's encoding survive a round trip.

#include <QString>

#include <string>

// Bytes as a QString (QFile::decodeName).
QString ToQString(const std::string& Bytes);

// A QString as bytes (QFile::encodeName).
std::string ToBytes(const QString& Text);
