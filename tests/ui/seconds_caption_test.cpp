#include "ui/seconds_caption.h"

#include <QTest>

using pelimor::secondsCaption;

class SecondsCaptionTest : public QObject {
  Q_OBJECT

 private slots:
  void formatsMinutesAndSeconds_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("caption");
    QTest::newRow("zero") << 0 << "0:00";
    QTest::newRow("five") << 5 << "0:05";
    QTest::newRow("nine") << 9 << "0:09";
    QTest::newRow("ten") << 10 << "0:10";
    QTest::newRow("last of first minute") << 59 << "0:59";
    QTest::newRow("one minute") << 60 << "1:00";
    QTest::newRow("truncated, not rounded") << 119 << "1:59";
    QTest::newRow("twelve thirty-four") << 754 << "12:34";
    QTest::newRow("no hours field") << 3600 << "60:00";
    QTest::newRow("long") << 6005 << "100:05";
  }
  void formatsMinutesAndSeconds() {
    QFETCH(int, seconds);
    QFETCH(QString, caption);
    QCOMPARE(secondsCaption(seconds), caption);
  }
};

QTEST_GUILESS_MAIN(SecondsCaptionTest)
#include "seconds_caption_test.moc"
