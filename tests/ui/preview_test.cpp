// The preview pane, driven from the window: F3 shows it and it follows the focused row, with a
// picture, text, or only the type for anything else; the pane's width is kept in Pelimor.conf.
#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include "search/picture_bombs.h"
#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/preview_content.h"
#include "ui/preview_pane.h"
#include "ui/result_list_view.h"
#include "ui/text_bytes.h"
#include "ui_test_support.h"

using namespace pelimor;

class PreviewTest : public QObject {
  Q_OBJECT

 private slots:
  // Qt's allocation limit weighs the image it makes, not the decoder's own buffers: a header over
  // the search's pixel limit is not decoded at all, and says why.
  void aPictureOverThePixelLimitIsNotDecoded() {
    QTemporaryDir files;
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QImage(16, 16, QImage::Format_RGB32).save(&png, "PNG");
    const QString bomb = files.filePath(QStringLiteral("bomb.png"));
    test::writeFile(bomb,
                    QByteArray::fromStdString(pelimor::testing::pngClaiming(png.data().toStdString(), 65500, 65500)));
    const PreviewContent content = loadPreviewContent(bomb, QSize(480, 480));
    QVERIFY(content.picture.isNull());
    QCOMPARE(content.pictureSize, QSize(65500, 65500));
    QCOMPARE(content.failure, QStringLiteral("Larger than 100 megapixels: not shown"));
  }

  void followsTheFocusedRowOffTheWindowsThread() {
    QTemporaryDir files;
    const QString picture = files.filePath(QStringLiteral("wide.png"));
    QImage(640, 320, QImage::Format_RGB32).save(picture);
    const QString text = files.filePath(QStringLiteral("notes.txt"));
    QByteArray lines;
    for (int line = 1; line <= 100; ++line) lines += "line " + QByteArray::number(line) + '\n';
    test::writeFile(text, lines);
    const QString binary = files.filePath(QStringLiteral("data.bin"));
    test::writeFile(binary, QByteArray("\x7f\x00\x01\x02", 4));

    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows({test::makeRow(1, bytesOf(picture), 1, 1), test::makeRow(1, bytesOf(text), 1, 1),
                                  test::makeRow(2, bytesOf(binary), 4, 2)});
    auto* pane = test::child<PreviewPane>(window, "previewPane");
    QVERIFY(!pane->isVisible());

    QTest::keyClick(&window, Qt::Key_F3);
    QVERIFY(pane->isVisible());
    const auto focus = [&](int row) {
      QSignalSpy shown(pane, &PreviewPane::contentShown);
      ui.resultList()->setFocusedRow(row);
      QVERIFY(shown.wait(5000) || pane->shownPath() == ui.resultList()->rows()[std::size_t(row)].path.c_str());
    };
    const auto* pictureLabel = test::child<QLabel>(*pane, "previewPicture");
    const auto* textView = test::child<QPlainTextEdit>(*pane, "previewText");
    const auto* caption = test::child<QLabel>(*pane, "previewCaption");

    // The picture, made to fit the pane's box but keeping its shape.
    focus(0);
    QVERIFY(pictureLabel->isVisible() && !textView->isVisible());
    const QSize shown = pictureLabel->pixmap().size();
    QCOMPARE(shown.width(), 2 * shown.height());
    QVERIFY(shown.width() <= 480);
    QVERIFY(caption->text().contains(QStringLiteral("640 × 320")));
    // Text: its first lines only.
    focus(1);
    QVERIFY(textView->isVisible() && !pictureLabel->isVisible());
    QVERIFY(textView->toPlainText().startsWith(QStringLiteral("line 1\nline 2\n")));
    QVERIFY(!textView->toPlainText().contains(QStringLiteral("line 61")));
    // Neither: the caption alone.
    focus(2);
    QVERIFY(!textView->isVisible() && !pictureLabel->isVisible());
    QVERIFY(caption->text().startsWith(QStringLiteral("data.bin\n")));

    // Hidden again, it reads nothing more.
    QTest::keyClick(&window, Qt::Key_F3);
    QVERIFY(!pane->isVisible());
  }

  void aQuickRunOfRowsEndsOnTheLastOne() {
    QTemporaryDir files;
    std::vector<ResultRow> rows;
    for (int i = 0; i < 30; ++i) {
      const QString path = files.filePath(QStringLiteral("t%1.txt").arg(i));
      test::writeFile(path, "file " + QByteArray::number(i));
      rows.push_back(test::makeRow(std::uint32_t(i / 2 + 1), bytesOf(path), 6, std::uint32_t(i / 2)));
    }
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(rows);
    window.findChild<QAction*>(QStringLiteral("previewEntry"))->setChecked(true);
    auto* pane = test::child<PreviewPane>(window, "previewPane");
    ui.resultList()->setFocus();
    ui.resultList()->setFocusedRow(0);
    for (int i = 1; i < 30; ++i) QTest::keyClick(ui.resultList(), Qt::Key_Down);
    QTRY_COMPARE(pane->shownPath(), shownText(rows.back().path));
    QCOMPARE(test::child<QPlainTextEdit>(*pane, "previewText")->toPlainText(), QStringLiteral("file 29"));
  }
};

QTEST_MAIN(PreviewTest)
#include "preview_test.moc"
