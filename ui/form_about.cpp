#include "ui/form_about.h"

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

TFormAbout::TFormAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("FormAbout"));
  setWindowTitle(QStringLiteral("About"));
  Image1 = new AboutPicture(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(0, 0, kPictureWidth, kPictureHeight);
  // The box keeps the picture's size even when the picture can't be shown, so it can still be
  // clicked away.
  setFixedSize(kPictureWidth, kPictureHeight);
  connect(Image1, &AboutPicture::clicked, this, &TFormAbout::Image1Click);
  loadPicture(builtInPicture());
}

QByteArray TFormAbout::builtInPicture() {
  QFile file(QStringLiteral(":/about/about.jpg"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void TFormAbout::loadPicture(const QByteArray& jpeg) {
  std::string error;
  const QImage picture = decodeJpeg(jpeg, &error);
  if (picture.isNull()) {
    Image1->clear();
    std::fprintf(stderr, "Pelimor: the About picture can't be shown: %s\n", error.c_str());
    return;
  }
  Image1->setPixmap(QPixmap::fromImage(picture));
  Image1->resize(picture.size());
}

void TFormAbout::setAlphaBlendValue(int value) {
  AlphaBlendValue = value;
  setWindowOpacity(AlphaBlend ? value / 255.0 : 1.0);
}

void TFormAbout::Image1Click() {
  // The message processing below would let a second click or Esc start a fade inside this one.
  if (fading_) return;
  fading_ = true;
  if (!AlphaBlend) {
    AlphaBlendValue = 255;
    AlphaBlend = true;
  }
  for (int value = AlphaBlendValue; value >= 0; --value) {
    setAlphaBlendValue(value);
    QApplication::processEvents();
  }
  hide();
  // Blending off: the value stays 0 but no longer counts, so the box opens opaque next time.
  AlphaBlend = false;
  setWindowOpacity(1.0);
  fading_ = false;
  done(QDialog::Accepted);
}

void TFormAbout::FormKeyDown(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) Image1Click();
}

void TFormAbout::keyPressEvent(QKeyEvent* event) {
  // Every other key is ignored, Enter included: the box has no buttons to press.
  FormKeyDown(event);
  event->accept();
}

void TFormAbout::showEvent(QShowEvent* event) {
  if (const QWidget* owner = parentWidget()) {
    QRect place = frameGeometry();
    place.moveCenter(owner->frameGeometry().center());
    move(place.topLeft());
  }
  QDialog::showEvent(event);
}

}  // namespace pelimor
