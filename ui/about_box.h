#pragma once
// The About box: the program's picture in a borderless window on top, centred on the main window.
// A click on the picture or Esc fades it out.
#include <QByteArray>
#include <QDialog>
#include <QLabel>

namespace pelimor {

namespace test {
class AboutBoxDriver;
}

// The picture; a click on it is the box's only button.
class AboutPicture : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPictureWidth = 300;
  static constexpr int kPictureHeight = 188;

  explicit AboutBox(QWidget* parent = nullptr);

  // Shows a JPEG picture; one that can't be decoded leaves the box empty and says why on stderr.
  void loadPicture(const QByteArray& jpeg);
  // The picture built into the program.
  static QByteArray builtInPicture();

  // The window's opacity: blending on or off, and the value 0..255 it uses when on.
  bool alphaBlend() const { return alphaBlend_; }
  int alphaBlendValue() const { return alphaBlendValue_; }

 public slots:
  // Fades the box out in 256 steps, hides it and ends its modal show.
  void fadeOut();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  friend class test::AboutBoxDriver;

  void setAlphaBlendValue(int value);

  AboutPicture* picture_ = nullptr;
  bool alphaBlend_ = false;
  int alphaBlendValue_ = 255;
  bool fading_ = false;
};

}  // namespace pelimor
