#include "app/single_instance.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace pelimor {

class SingleInstanceTest : public QObject {
  Q_OBJECT

  // Starts the probe on `folder` and waits for its first line.
  static QString startProbe(QProcess& probe, const QString& folder) {
    probe.start(QStringLiteral(SINGLE_INSTANCE_PROBE), {folder});
    if (!probe.waitForStarted(5000) || !probe.waitForReadyRead(5000)) return {};
    return QString::fromUtf8(probe.readLine()).trimmed();
  }

 private slots:
  void secondStartAsksTheFirstToShowAndEnds() {
    QTemporaryDir folder;
    SingleInstance first(folder.path());
    QVERIFY(first.claim());
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    QProcess second;
    second.start(QStringLiteral(SINGLE_INSTANCE_PROBE), {folder.path()});
    // The second start waits for our answer, so keep our event loop running meanwhile.
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 10000);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(second.readAllStandardOutput()).trimmed(), QStringLiteral("second"));
    QCOMPARE(shown.count(), 1);
  }

  void aLockLeftByAKilledInstanceDoesNotBlock() {
    QTemporaryDir folder;
    QProcess killed;
    QCOMPARE(startProbe(killed, folder.path()), QStringLiteral("first"));
    killed.kill();
    QVERIFY(killed.waitForFinished(5000));

    SingleInstance next(folder.path());
    QVERIFY(next.claim());
  }

  void aClosedInstanceLetsTheNextStartRun() {
    QTemporaryDir folder;
    {
      SingleInstance first(folder.path());
      QVERIFY(first.claim());
    }
    QProcess next;
    QCOMPARE(startProbe(next, folder.path()), QStringLiteral("first"));
    next.kill();
    next.waitForFinished(5000);
  }

  // An instance whose window has closed answers no more; a start meanwhile waits for its lock and
  // runs, instead of ending with nothing shown.
  void aStartWhileTheInstanceEndsRunsByItself() {
#ifdef _WIN32
    QSKIP("Windows has its own rule: the named mutex, held until the process ends");
#endif
    QTemporaryDir folder;
    SingleInstance ending(folder.path());
    QVERIFY(ending.claim());
    QProcess next;
    next.start(QStringLiteral(SINGLE_INSTANCE_PROBE), {folder.path()});
    QTest::qSleep(2500);  // no event loop here: its request goes unanswered
    ending.release();
    QVERIFY(next.waitForReadyRead(10000));
    QCOMPARE(QString::fromUtf8(next.readLine()).trimmed(), QStringLiteral("first"));
    next.kill();
    next.waitForFinished(5000);
  }

  void aRunningProbeRefusesUsToo() {
    QTemporaryDir folder;
    QProcess running;
    QCOMPARE(startProbe(running, folder.path()), QStringLiteral("first"));
    SingleInstance late(folder.path());
    QVERIFY(!late.claim());
    running.kill();
    running.waitForFinished(5000);
  }
};

}  // namespace pelimor

QTEST_GUILESS_MAIN(pelimor::SingleInstanceTest)
#include "single_instance_test.moc"
