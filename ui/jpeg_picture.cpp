#include "ui/jpeg_picture.h"

#include <cstring>

#include "search/jpeg_decoder.h"

namespace pelimor {

QImage decodeJpeg(const QByteArray& data, std::string* error) {
  JpegPixels pixels;
  if (!decodeJpeg(data.constData(), static_cast<std::size_t>(data.size()), JpegDecoding{}, pixels, error))
    return QImage();
  QImage image(pixels.width, pixels.height, QImage::Format_RGB888);
  if (image.isNull()) {
    if (error) *error = "Out of memory";
    return QImage();
  }
  const std::size_t rowBytes = static_cast<std::size_t>(pixels.width) * 3;
  for (int y = 0; y < pixels.height; ++y)
    std::memcpy(image.scanLine(y), pixels.bytes.data() + rowBytes * static_cast<std::size_t>(y), rowBytes);
  return image;
}

}  // namespace pelimor
