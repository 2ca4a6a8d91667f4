#pragma once
// Paths and masks are kept as the bytes the file system holds; they are decoded only to be shown.
// The program's bytes are UTF-8 on every system (the Windows layer speaks UTF-16 to the system
// itself), so neither direction goes through the ANSI code page.
#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

#include "platform/paths.h"

namespace pelimor {

inline QString shownText(std::string_view bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string bytesOf(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// A path or folder as the user reads it (on Windows with '\\' between parts).
inline QString shownPathText(std::string_view path) { return shownText(platform::shownPath(path)); }

}  // namespace pelimor
