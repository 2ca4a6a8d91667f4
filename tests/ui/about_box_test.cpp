// The About box: its picture, the fade-out on a click or Esc, and opening opaque again.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QWindow>

#include "ui/form_about.h"
#include "ui/form_qvr.h"
#include "ui/jpeg_picture.h"
#include "ui/ui_test_support.h"

using namespace pelimor;

namespace {

bool isAboutBox(QWidget* widget) { return qobject_cast<TFormAbout*>(widget) != nullptr; }

// What the box looked like while it was up, and the opacities it went through.
struct Seen {
  bool shown = false;
  bool opaque = false;
  bool onTop = false;
  bool borderless = false;
  QPoint centre;
  QList<qreal> opacities;
  QMetaObject::Connection watch;
  ~Seen() { QObject::disconnect(watch); }
};

// Once the box is up: note how it looks, then run `act` on it.
void whenAboutBoxShows(Seen* seen, std::function<void(TFormAbout&)> act) {
  test::whenModal(isAboutBox, [seen, act = std::move(act)](QWidget* widget) {
    auto& box = *qobject_cast<TFormAbout*>(widget);
    seen->shown = true;
    seen->opaque = box.windowOpacity() == 1.0 && !box.alphaBlend();
    seen->onTop = box.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    seen->borderless = box.windowFlags().testFlag(Qt::FramelessWindowHint);
    seen->centre = box.frameGeometry().center();
    seen->watch = QObject::connect(box.windowHandle(), &QWindow::opacityChanged, &box,
                                   [seen](qreal opacity) { seen->opacities << opacity; });
    act(box);
  });
}

void clickPicture(TFormAbout& box) { QTest::mouseClick(box.Image1, Qt::LeftButton, {}, QPoint(150, 94)); }

}  // namespace

class AboutBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { test::stopAnswering(); }

  void theBuiltInPictureIsDecoded() {
    const QByteArray jpeg = TFormAbout::builtInPicture();
    QVERIFY(!jpeg.isEmpty());
    std::string error;
    const QImage picture = decodeJpeg(jpeg, &error);
    QVERIFY2(!picture.isNull(), error.c_str());
    QCOMPARE(picture.size(), QSize(300, 188));
    // Not a blank: the picture has more than one colour.
    QVERIFY(picture.pixel(0, 0) != picture.pixel(150, 94) || picture.pixel(0, 0) != picture.pixel(299, 187));

    TFormAbout box;
    QCOMPARE(box.size(), QSize(300, 188));
    QVERIFY(!box.Image1->pixmap().isNull());
    QCOMPARE(box.Image1->pixmap().size(), QSize(300, 188));
    QCOMPARE(box.Image1->pos(), QPoint(0, 0));
  }

  void aCorruptPictureGivesAnEmptyBox() {
    QByteArray jpeg = TFormAbout::builtInPicture();
    std::string error;
    QVERIFY(decodeJpeg(QByteArray("not a picture"), &error).isNull());
    QVERIFY(!error.empty());
    QVERIFY(decodeJpeg(QByteArray()).isNull());
    QVERIFY(decodeJpeg(jpeg.left(jpeg.size() / 2)).isNull());  // cut short
    QByteArray damaged = jpeg;
    for (qsizetype i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i) damaged[i] = char(0xFF);
    QVERIFY(decodeJpeg(damaged).isNull());

    TFormAbout box;
    box.loadPicture(jpeg.left(jpeg.size() / 2));
    QVERIFY(box.Image1->pixmap().isNull());
    QCOMPARE(box.size(), QSize(300, 188));  // still there to be clicked away
  }

  void aClickFadesTheBoxOutAndItOpensOpaqueAgain() {
    TFormQVR form;
    test::showActive(form);
    for (int round = 0; round < 2; ++round) {
      Seen seen;
      whenAboutBoxShows(&seen, clickPicture);
      form.About1->trigger();  // returns when the box has ended its modal show
      QVERIFY(seen.shown);
      QVERIFY(seen.opaque);
      QVERIFY(seen.onTop);
      QVERIFY(seen.borderless);
      QCOMPARE(seen.centre, form.frameGeometry().center());
      QVERIFY(!form.FormAbout->isVisible());
      // 255 down to 0 one step at a time (255 itself was already the opacity), then opaque again.
      QCOMPARE(seen.opacities.size(), 256);
      for (int step = 0; step < 255; ++step) QCOMPARE(seen.opacities[step], (254 - step) / 255.0);
      QCOMPARE(seen.opacities.last(), 1.0);
      QVERIFY(!form.FormAbout->alphaBlend());
      QCOMPARE(form.FormAbout->alphaBlendValue(), 0);
      QCOMPARE(form.FormAbout->result(), int(QDialog::Accepted));
    }
  }

  void escFadesItOutAndOtherKeysLeaveItOpen() {
    TFormQVR form;
    test::showActive(form);
    Seen seen;
    bool openAfterOtherKeys = false;
    whenAboutBoxShows(&seen, [&openAfterOtherKeys](TFormAbout& box) {
      for (Qt::Key key : {Qt::Key_A, Qt::Key_Return, Qt::Key_Space, Qt::Key_F1}) QTest::keyClick(&box, key);
      openAfterOtherKeys = box.isVisible() && box.windowOpacity() == 1.0;
      QTest::keyClick(&box, Qt::Key_Escape);
    });
    form.About1->trigger();
    QVERIFY(seen.shown);
    QVERIFY(openAfterOtherKeys);
    QVERIFY(!form.FormAbout->isVisible());
    QCOMPARE(seen.opacities.size(), 256);
    QCOMPARE(seen.opacities[254], 0.0);
    QCOMPARE(form.FormAbout->windowOpacity(), 1.0);
  }

  void theAboutEntryIsInTheHelpMenu() {
    TFormQVR form;
    QVERIFY(form.PopupMenuHelp->actions().contains(form.About1));
    QCOMPARE(form.About1->text(), QStringLiteral("About"));
    QVERIFY(form.FormAbout);
    QCOMPARE(form.FormAbout->parentWidget(), &form);
    QVERIFY(!form.FormAbout->isVisible());
  }
};

QTEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"
