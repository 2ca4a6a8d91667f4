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
#include "ui/form_wait.h"

using pelimor::SearchPhase;
using pelimor::SearchProgress;
using pelimor::TFormWait;

class WaitDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void isFixedSizeWithoutTitleBarButtons() {
    TFormWait dialog;
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.width(), 368);
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinMaxButtonsHint));
    QCOMPARE(dialog.ButtonCancel->text(), QStringLiteral("Cancel"));
  }

  void ticksBeforeAnySearchNameNoMask() {
    TFormWait dialog;
    dialog.Timer1Timer();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Please wait some minutes - "));
    QVERIFY(dialog.Timer1->isActive());
    QCOMPARE(dialog.Timer1->interval(), 1000);
  }

  void countsSecondsAndNamesTheMask() {
    TFormWait dialog;
    dialog.setCurrentMask(QStringLiteral("*.jpg; *.png"));
    dialog.show();
    QCOMPARE(dialog.LabelTime->text(), QStringLiteral("0:00"));
    QStringList seen;
    for (int tick = 0; tick < 65; ++tick) {
      dialog.Timer1Timer();
      seen << dialog.LabelTime->text();
    }
    QCOMPARE(seen.first(), QStringLiteral("0:01"));
    QCOMPARE(seen.at(58), QStringLiteral("0:59"));
    QCOMPARE(seen.at(59), QStringLiteral("1:00"));
    QCOMPARE(seen.last(), QStringLiteral("1:05"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Please wait some minutes - *.jpg; *.png"));
    dialog.hide();
  }

  void showingAgainStartsAtZero() {
    TFormWait dialog;
    dialog.show();
    dialog.Timer1Timer();
    dialog.Timer1Timer();
    dialog.hide();
    dialog.Timer1Timer();  // hidden, it keeps ticking
    QCOMPARE(dialog.LabelTime->text(), QStringLiteral("0:03"));
    dialog.show();
    QCOMPARE(dialog.LabelTime->text(), QStringLiteral("0:00"));
    QCOMPARE(dialog.waitSeconds(), 0);
    dialog.hide();
  }

  void escapeNeitherCancelsNorCloses() {
    TFormWait dialog;
    QSignalSpy cancelled(&dialog, &TFormWait::cancelRequested);
    dialog.open();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.focusWidget(), dialog.ButtonCancel);
    QTest::keyClick(dialog.ButtonCancel, Qt::Key_Escape);
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
    TFormWait dialog;
    QSignalSpy cancelled(&dialog, &TFormWait::cancelRequested);
    dialog.open();
    QVERIFY(dialog.close());  // as when the application quits
    QVERIFY(!dialog.isVisible());
    QCOMPARE(cancelled.count(), 0);
  }

  void cancelClosesAtOnceAndTellsTheSearch() {
    TFormWait dialog;
    QSignalSpy cancelled(&dialog, &TFormWait::cancelRequested);
    QTimer::singleShot(0, dialog.ButtonCancel, [&] { QTest::mouseClick(dialog.ButtonCancel, Qt::LeftButton); });
    const int result = dialog.exec();
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(cancelled.count(), 1);
    QVERIFY(!dialog.isVisible());
  }

  void keysOfAFocusedButtonPressCancel() {
    TFormWait dialog;
    QSignalSpy cancelled(&dialog, &TFormWait::cancelRequested);
    dialog.open();
    QTest::keyClick(dialog.ButtonCancel, Qt::Key_Space);
    QCOMPARE(cancelled.count(), 1);
    QVERIFY(!dialog.isVisible());
  }

  void enterPressesTheFocusedCancelButNotItsRepeats() {
    TFormWait dialog;
    QSignalSpy cancelled(&dialog, &TFormWait::cancelRequested);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    // Enter still held down from starting the search repeats into the dialog.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
    QApplication::sendEvent(dialog.ButtonCancel, &repeat);
    QVERIFY(dialog.isVisible());
    QCOMPARE(cancelled.count(), 0);
    QTest::keyClick(dialog.ButtonCancel, Qt::Key_Return);
    QCOMPARE(cancelled.count(), 1);
    QVERIFY(!dialog.isVisible());
  }

  void finishEndsTheModalShowAndLeavesAHiddenDialogAlone() {
    TFormWait dialog;
    dialog.finish();
    QVERIFY(!dialog.isVisible());
    QTimer::singleShot(0, &dialog, [&] { dialog.finish(); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
  }

  void showsWalkingAndComparingProgress() {
    TFormWait dialog;
    SearchProgress progress;
    progress.setPhase(SearchPhase::Walking);
    progress.addFilesSeen(42);
    progress.setCurrentFolder("/tmp/photos/2019");
    dialog.watchProgress(&progress);
    QVERIFY(dialog.LabelPhase->text().startsWith(QStringLiteral("Looking through folders: ")));
    QVERIFY(dialog.LabelPhase->text().contains(QStringLiteral("42")));
    QCOMPARE(dialog.LabelFolder->text(), QDir::toNativeSeparators(QStringLiteral("/tmp/photos/2019")));
    QCOMPARE(dialog.ProgressBar1->maximum(), 0);  // no total while walking

    progress.setPhase(SearchPhase::Comparing);
    progress.addBytesToRead(4000);
    progress.addBytesRead(1000);
    dialog.watchProgress(&progress);
    QVERIFY(dialog.LabelPhase->text().startsWith(QStringLiteral("Comparing files: ")));
    QCOMPARE(dialog.ProgressBar1->maximum(), 1000);
    QCOMPARE(dialog.ProgressBar1->value(), 250);

    dialog.watchProgress(nullptr);
    QVERIFY(dialog.LabelPhase->text().isEmpty());
  }
};

QTEST_MAIN(WaitDialogTest)
#include "wait_dialog_test.moc"
