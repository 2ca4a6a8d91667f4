// The About box: its picture, the fade-out on a click or Esc, and opening opaque again.
#include "ui/about_box.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QWindow>

#include "ui/jpeg_picture.h"
#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/ui_test_support.h"

using namespace pelimor;

namespace {

bool isAboutBox(QWidget* widget) { return qobject_cast<AboutBox*>(widget) != nullptr; }

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
void whenAboutBoxShows(Seen* seen, std::function<void(AboutBox&)> act) {
  test::whenModal(isAboutBox, [seen, act = std::move(act)](QWidget* widget) {
    auto& box = *qobject_cast<AboutBox*>(widget);
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

void clickPicture(AboutBox& box) {
  QTest::mouseClick(test::AboutBoxDriver(box).picture(), Qt::LeftButton, {}, QPoint(150, 94));
}

}  // namespace

class AboutBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { test::stopAnswering(); }

  void theBuiltInPictureIsDecoded() {
    const QByteArray jpeg = AboutBox::builtInPicture();
    QVERIFY(!jpeg.isEmpty());
    std::string error;
    const QImage picture = decodeJpeg(jpeg, &error);
    QVERIFY2(!picture.isNull(), error.c_str());
    QCOMPARE(picture.size(), QSize(300, 188));
    // Not a blank: the picture has more than one colour.
    QVERIFY(picture.pixel(0, 0) != picture.pixel(150, 94) || picture.pixel(0, 0) != picture.pixel(299, 187));

    AboutBox box;
    QCOMPARE(box.size(), QSize(300, 188));
    QVERIFY(!test::AboutBoxDriver(box).picture()->pixmap().isNull());
    QCOMPARE(test::AboutBoxDriver(box).picture()->pixmap().size(), QSize(300, 188));
    QCOMPARE(test::AboutBoxDriver(box).picture()->pos(), QPoint(0, 0));
  }

  void aCorruptPictureGivesAnEmptyBox() {
    QByteArray jpeg = AboutBox::builtInPicture();
    std::string error;
    QVERIFY(decodeJpeg(QByteArray("not a picture"), &error).isNull());
    QVERIFY(!error.empty());
    QVERIFY(decodeJpeg(QByteArray()).isNull());
    QVERIFY(decodeJpeg(jpeg.left(jpeg.size() / 2)).isNull());  // cut short
    QByteArray damaged = jpeg;
    for (qsizetype i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i) damaged[i] = char(0xFF);
    QVERIFY(decodeJpeg(damaged).isNull());

    AboutBox box;
    box.loadPicture(jpeg.left(jpeg.size() / 2));
    QVERIFY(test::AboutBoxDriver(box).picture()->pixmap().isNull());
    QCOMPARE(box.size(), QSize(300, 188));  // still there to be clicked away
  }

  void aClickFadesTheBoxOutAndItOpensOpaqueAgain() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    for (int round = 0; round < 2; ++round) {
      Seen seen;
      whenAboutBoxShows(&seen, clickPicture);
      ui.aboutEntry()->trigger();  // returns when the box has ended its modal show
      QVERIFY(seen.shown);
      QVERIFY(seen.opaque);
      QVERIFY(seen.onTop);
      QVERIFY(seen.borderless);
      QCOMPARE(seen.centre, window.frameGeometry().center());
      QVERIFY(!ui.aboutBox()->isVisible());
      // 255 down to 0 one step at a time (255 itself was already the opacity), then opaque again.
      QCOMPARE(seen.opacities.size(), 256);
      for (int step = 0; step < 255; ++step) QCOMPARE(seen.opacities[step], (254 - step) / 255.0);
      QCOMPARE(seen.opacities.last(), 1.0);
      QVERIFY(!ui.aboutBox()->alphaBlend());
      QCOMPARE(ui.aboutBox()->alphaBlendValue(), 0);
      QCOMPARE(ui.aboutBox()->result(), int(QDialog::Accepted));
    }
  }

  void escFadesItOutAndOtherKeysLeaveItOpen() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    Seen seen;
    bool openAfterOtherKeys = false;
    whenAboutBoxShows(&seen, [&openAfterOtherKeys](AboutBox& box) {
      for (Qt::Key key : {Qt::Key_A, Qt::Key_Return, Qt::Key_Space, Qt::Key_F1}) QTest::keyClick(&box, key);
      openAfterOtherKeys = box.isVisible() && box.windowOpacity() == 1.0;
      QTest::keyClick(&box, Qt::Key_Escape);
    });
    ui.aboutEntry()->trigger();
    QVERIFY(seen.shown);
    QVERIFY(openAfterOtherKeys);
    QVERIFY(!ui.aboutBox()->isVisible());
    QCOMPARE(seen.opacities.size(), 256);
    QCOMPARE(seen.opacities[254], 0.0);
    QCOMPARE(ui.aboutBox()->windowOpacity(), 1.0);
  }

  void theAboutEntryIsInTheHelpMenu() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    QVERIFY(ui.helpMenu()->actions().contains(ui.aboutEntry()));
    QCOMPARE(ui.aboutEntry()->text(), QStringLiteral("About"));
    QVERIFY(ui.aboutBox());
    QCOMPARE(ui.aboutBox()->parentWidget(), &window);
    QVERIFY(!ui.aboutBox()->isVisible());
  }
};

QTEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"
