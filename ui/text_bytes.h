#pragma once
// Paths and masks are kept as the bytes the file system holds; they are decoded only to be shown.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace pelimor {

inline QString shownText(std::string_view bytes) {
  return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

inline std::string bytesOf(const QString& text) {
  const QByteArray bytes = QFile::encodeName(text);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace pelimor
