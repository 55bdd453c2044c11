#pragma once

// Paths and texts are byte strings everywhere in the program; QString
// appears only at the Qt boundary. These two convert there, losslessly:
// bytes that are not valid UTF-8 (a file name in Latin-1, say) survive a
// round trip (ui/TextCodec.h). Qt's own QFile::decodeName replaces them
// with U+FFFD, so names Qt hands over (QFileInfo, QDir) may have lost
// such bytes already; the program lists folders through the platform seam
// instead where that matters.

#include <QString>

#include <string>

// Bytes as a QString.
QString ToQString(const std::string& Bytes);

// A QString as bytes.
std::string ToBytes(const QString& Text);
