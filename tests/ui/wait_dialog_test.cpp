#include "ui/wait_dialog.h"

#include <QtTest/qtestspontaneevent.h>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "search/search_progress.h"
#include "ui/main_window_driver.h"

using pelimor::SearchPhase;
using pelimor::SearchProgress;
using pelimor::WaitDialog;
using pelimor::test::WaitDialogDriver;

class WaitDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void isFixedSizeWithoutTitleBarButtons() {
    WaitDialog dialog;
    const WaitDialogDriver parts(dialog);
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.width(), 368);
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinMaxButtonsHint));
    QCOMPARE(parts.cancelButton()->text(), QStringLiteral("Cancel"));
  }

  void ticksBeforeAnySearchNameNoMask() {
    WaitDialog dialog;
    const WaitDialogDriver parts(dialog);
    parts.tick();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Please wait some minutes - "));
    QVERIFY(parts.clock()->isActive());
    QCOMPARE(parts.clock()->interval(), 1000);
  }

  void countsSecondsAndNamesTheMask() {
    WaitDialog dialog;
    const WaitDialogDriver parts(dialog);
    dialog.setCurrentMask(QStringLiteral("*.jpg; *.png"));
    dialog.show();
    QCOMPARE(parts.timeLabel()->text(), QStringLiteral("0:00"));
    QStringList seen;
    for (int tick = 0; tick < 65; ++tick) {
      parts.tick();
      seen << parts.timeLabel()->text();
    }
    QCOMPARE(seen.first(), QStringLiteral("0:01"));
    QCOMPARE(seen.at(58), QStringLiteral("0:59"));
    QCOMPARE(seen.at(59), QStringLiteral("1:00"));
    QCOMPARE(seen.last(), QStringLiteral("1:05"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Please wait some minutes - *.jpg; *.png"));
    dialog.hide();
  }

  void showingAgainStartsAtZero() {
    WaitDialog dialog;
    const WaitDialogDriver parts(dialog);
    dialog.show();
    parts.tick();
    parts.tick();
    dialog.hide();
    parts.tick();  // hidden, it keeps ticking
    QCOMPARE(parts.timeLabel()->text(), QStringLiteral("0:03"));
    dialog.show();
    QCOMPARE(parts.timeLabel()->text(), QStringLiteral("0:00"));
    QCOMPARE(dialog.waitSeconds(), 0);
    dialog.hide();
  }

  void escapeNeitherCancelsNorCloses() {
    WaitDialog dialog;
    const WaitDialogDriver parts(dialog);
    QSignalSpy cancelled(&dialog, &WaitDialog::cancelRequested);
    dialog.open();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), parts.cancelButton());
    QTest::keyClick(parts.cancelButton(), Qt::Key_Escape);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QCOMPARE(cancelled.count(), 0);
    // Nor does a close request from the desktop (Alt+F4).
    QCloseEvent fromDesktop;
    QSpontaneKeyEvent::setSpontaneous(&fromDesktop);
    qApp->notify(&dialog, &fromDesktop);  // sendEvent would clear the spontaneous mark
    QVERIFY(dialog.isVisible());
    QCOMPARE(cancelled.count(), 0);
    dialog.finish();
    QVERIFY(!dialog.isVisible());
  }

  void theProgramItselfCanCloseIt() {
    WaitDialog dialog;
    QSignalSpy cancelled(&dialog, &WaitDialog::cancelRequested);
    dialog.open();
    QVERIFY(dialog.close());  // as when the application quits
    QVERIFY(!dialog.isVisible());
    QCOMPARE(cancelled.count(), 0);
  }

  void cancelClosesAtOnceAndTellsTheSearch() {
    WaitDialog dialog;
    const WaitDialogDriver parts(dialog);
    QSignalSpy cancelled(&dialog, &WaitDialog::cancelRequested);
    QTimer::singleShot(0, parts.cancelButton(), [&] { QTest::mouseClick(parts.cancelButton(), Qt::LeftButton); });
    const int result = dialog.exec();
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(cancelled.count(), 1);
    QVERIFY(!dialog.isVisible());
  }

  void keysOfAFocusedButtonPressCancel() {
    WaitDialog dialog;
    const WaitDialogDriver parts(dialog);
    QSignalSpy cancelled(&dialog, &WaitDialog::cancelRequested);
    dialog.open();
    QTest::keyClick(parts.cancelButton(), Qt::Key_Space);
    QCOMPARE(cancelled.count(), 1);
    QVERIFY(!dialog.isVisible());
  }

  void enterPressesTheFocusedCancelButNotItsRepeats() {
    WaitDialog dialog;
    const WaitDialogDriver parts(dialog);
    QSignalSpy cancelled(&dialog, &WaitDialog::cancelRequested);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    // Enter still held down from starting the search repeats into the dialog.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
    QApplication::sendEvent(parts.cancelButton(), &repeat);
    QVERIFY(dialog.isVisible());
    QCOMPARE(cancelled.count(), 0);
    QTest::keyClick(parts.cancelButton(), Qt::Key_Return);
    QCOMPARE(cancelled.count(), 1);
    QVERIFY(!dialog.isVisible());
  }

  void finishEndsTheModalShowAndLeavesAHiddenDialogAlone() {
    WaitDialog dialog;
    dialog.finish();
    QVERIFY(!dialog.isVisible());
    QTimer::singleShot(0, &dialog, [&] { dialog.finish(); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
  }

  void showsWalkingAndComparingProgress() {
    WaitDialog dialog;
    const WaitDialogDriver parts(dialog);
    SearchProgress progress;
    progress.setPhase(SearchPhase::Walking);
    progress.addFilesSeen(42);
    progress.setCurrentFolder("/tmp/photos/2019");
    dialog.watchProgress(&progress);
    QVERIFY(parts.phaseLabel()->text().startsWith(QStringLiteral("Looking through folders: ")));
    QVERIFY(parts.phaseLabel()->text().contains(QStringLiteral("42")));
    QCOMPARE(parts.folderLabel()->text(), QDir::toNativeSeparators(QStringLiteral("/tmp/photos/2019")));
    QCOMPARE(parts.progressBar()->maximum(), 0);  // no total while walking

    progress.setPhase(SearchPhase::Comparing);
    progress.addBytesToRead(4000);
    progress.addBytesRead(1000);
    dialog.watchProgress(&progress);
    QVERIFY(parts.phaseLabel()->text().startsWith(QStringLiteral("Comparing files: ")));
    QCOMPARE(parts.progressBar()->maximum(), 1000);
    QCOMPARE(parts.progressBar()->value(), 250);

    dialog.watchProgress(nullptr);
    QVERIFY(parts.phaseLabel()->text().isEmpty());
  }
};

QTEST_MAIN(WaitDialogTest)
#include "wait_dialog_test.moc"
