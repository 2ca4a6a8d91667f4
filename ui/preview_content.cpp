#include "ui/preview_content.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStringDecoder>
#include <QTransform>

#include "search/camera_raw.h"
#include "search/picture_decoder.h"

namespace pelimor {

namespace {
// Text is what decodes as UTF-8 without a NUL; a cut at the end may split one character.
QString leadingText(const QByteArray& bytes) {
  if (bytes.contains('\0')) return {};
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) {
    text.clear();
    // A UTF-8 character cut by the byte limit is no error: try without the last few bytes.
    for (int cut = 1; cut <= 3 && cut < bytes.size(); ++cut) {
      QStringDecoder again(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
      text = again.decode(bytes.first(bytes.size() - cut));
      if (!again.hasError()) break;
      text.clear();
    }
    if (text.isEmpty()) return {};
  }
  const qsizetype lines = text.count(u'\n');
  if (lines >= kPreviewTextLines) {
    qsizetype at = -1;
    for (int line = 0; line < kPreviewTextLines; ++line) at = text.indexOf(u'\n', at + 1);
    text.truncate(at);
  }
  return text;
}
// A camera's RAW file: the preview the camera embedded, or its raw data developed (camera_raw.h),
// turned upright and made to fit `box`. False when libraw can't read it.
bool loadCameraRawPicture(const QString& path, QSize box, PreviewContent& content) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  CameraRawPicture raw;
  if (!readCameraRaw(bytes.constData(), static_cast<std::size_t>(bytes.size()), raw)) return false;
  QImage picture;
  if (!raw.jpeg.empty()) {
    picture = QImage::fromData(raw.jpeg.data(), static_cast<int>(raw.jpeg.size()), "JPEG");
  } else {
    const auto rowBytes = static_cast<qsizetype>(raw.rgbWidth) * 3;
    picture = QImage(raw.rgb.data(), raw.rgbWidth, raw.rgbHeight, rowBytes, QImage::Format_RGB888).copy();
  }
  if (picture.isNull()) return false;
  // The orientations libraw gives: half a turn, a quarter to the right or to the left.
  const int degrees = raw.orientation == 3 ? 180 : raw.orientation == 6 ? 90 : raw.orientation == 8 ? 270 : 0;
  if (degrees != 0) picture = picture.transformed(QTransform().rotate(degrees));
  if (picture.width() > box.width() || picture.height() > box.height())
    picture = picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  const bool turned = degrees % 180 != 0;
  content.pictureSize =
      QSize(static_cast<int>(turned ? raw.height : raw.width), static_cast<int>(turned ? raw.width : raw.height));
  content.picture = picture;
  return true;
}
}  // namespace

PreviewContent loadPreviewContent(const QString& path, QSize box) {
  PreviewContent content;
  content.path = path;
  const QFileInfo info(path);
  content.size = static_cast<std::uint64_t>(info.size());
  if (pictureKindOfName(QFile::encodeName(info.fileName()).toStdString()) == PictureKind::CameraRaw &&
      loadCameraRawPicture(path, box, content))
    return content;

  QImageReader reader(path);
  reader.setAutoTransform(true);
  if (reader.canRead()) {
    QSize whole = reader.size();
    if (whole.isValid()) {
      if (reader.transformation() & QImageIOHandler::TransformationRotate90) whole.transpose();
      content.pictureSize = whole;
      // Qt's allocation limit weighs the image made, not libjpeg's own buffers, which a progressive
      // JPEG holds at the whole size however small it is read: its header alone decides here.
      static_assert(kMostPicturePixels == std::uint64_t{100} << 20, "the text below names the limit");
      if (!withinPixelLimit(static_cast<std::uint64_t>(whole.width()), static_cast<std::uint64_t>(whole.height()))) {
        content.failure = QCoreApplication::translate("PreviewPane", "Larger than 100 megapixels: not shown");
        return content;
      }
      // Asked before the turn: the reader scales first, then turns.
      QSize scaled = whole.scaled(box, Qt::KeepAspectRatio).boundedTo(whole);
      if (reader.transformation() & QImageIOHandler::TransformationRotate90) scaled.transpose();
      if (!scaled.isEmpty()) reader.setScaledSize(scaled);
    }
    content.picture = reader.read();
    if (!content.picture.isNull()) {
      if (!content.pictureSize.isValid()) content.pictureSize = content.picture.size();
      return content;
    }
  }

  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    content.failure = file.errorString();
    return content;
  }
  content.text = leadingText(file.read(kPreviewTextBytes));
  return content;
}

}  // namespace pelimor
