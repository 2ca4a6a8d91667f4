#pragma once
// Decodes a JPEG picture with libjpeg into a QImage.
#include <QByteArray>
#include <QImage>
#include <string>

namespace pelimor {

// The picture as 24-bit RGB, or a null image when the data is not a picture libjpeg can decode
// cleanly; `error` then says why. Damage libjpeg would only warn about counts as a failure too,
// so a broken picture is never shown half grey.
QImage decodeJpeg(const QByteArray& data, std::string* error = nullptr);

}  // namespace pelimor
