#include "ui/about_box.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <cstdio>

#include "ui/jpeg_picture.h"

namespace pelimor {

void AboutPicture::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("aboutBox"));
  setWindowTitle(tr("About"));
  picture_ = new AboutPicture(this);
  picture_->setObjectName(QStringLiteral("picture"));
  picture_->setGeometry(0, 0, kPictureWidth, kPictureHeight);
  // The box keeps the picture's size even when the picture can't be shown, so it can still be
  // clicked away.
  setFixedSize(kPictureWidth, kPictureHeight);
  connect(picture_, &AboutPicture::clicked, this, &AboutBox::fadeOut);
  loadPicture(builtInPicture());
}

QByteArray AboutBox::builtInPicture() {
  QFile file(QStringLiteral(":/about/about.jpg"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void AboutBox::loadPicture(const QByteArray& jpeg) {
  std::string error;
  const QImage picture = decodeJpeg(jpeg, &error);
  if (picture.isNull()) {
    picture_->clear();
    std::fprintf(stderr, "Pelimor: the About picture can't be shown: %s\n", error.c_str());
    return;
  }
  picture_->setPixmap(QPixmap::fromImage(picture));
  picture_->resize(picture.size());
}

void AboutBox::setAlphaBlendValue(int value) {
  alphaBlendValue_ = value;
  setWindowOpacity(alphaBlend_ ? value / 255.0 : 1.0);
}

void AboutBox::fadeOut() {
  // The message processing below would let a second click or Esc start a fade inside this one.
  if (fading_) return;
  fading_ = true;
  if (!alphaBlend_) {
    alphaBlendValue_ = 255;
    alphaBlend_ = true;
  }
  for (int value = alphaBlendValue_; value >= 0; --value) {
    setAlphaBlendValue(value);
    QApplication::processEvents();
  }
  hide();
  // Blending off: the value stays 0 but no longer counts, so the box opens opaque next time.
  alphaBlend_ = false;
  setWindowOpacity(1.0);
  fading_ = false;
  done(QDialog::Accepted);
}

void AboutBox::keyPressEvent(QKeyEvent* event) {
  // Every other key is ignored, Enter included: the box has no buttons to press.
  if (event->key() == Qt::Key_Escape) fadeOut();
  event->accept();
}

void AboutBox::showEvent(QShowEvent* event) {
  if (const QWidget* owner = parentWidget()) {
    QRect place = frameGeometry();
    place.moveCenter(owner->frameGeometry().center());
    move(place.topLeft());
  }
  QDialog::showEvent(event);
}

}  // namespace pelimor
