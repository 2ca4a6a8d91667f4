#include "ui/filter_controls.h"

#include <QAction>
#include <QComboBox>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "search/mask_presets.h"
#include "settings/options_record.h"
#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/result_list_view.h"
#include "ui/text_bytes.h"
#include "ui/ui_test_support.h"

using namespace pelimor;

namespace {
const QString kPrompt = QStringLiteral("Please, select Custom type and edit it.");

void pickType(MainWindow& window, int index) {
  const test::MainWindowDriver ui(window);
  // As a user would: the list has the focus and the arrow keys move through its items.
  ui.typeList()->setFocus();
  while (ui.typeList()->currentIndex() < index) QTest::keyClick(ui.typeList(), Qt::Key_Down);
  while (ui.typeList()->currentIndex() > index) QTest::keyClick(ui.typeList(), Qt::Key_Up);
}

QString preset(int index) { return shownText(kPresetMasks[std::size_t(index)]); }

// Types the letter a into the field while it shows the Video preset, and answers the prompt.
test::SeenBox typeIntoVideoPreset(MainWindow& window, QMessageBox::StandardButton answer) {
  const test::MainWindowDriver ui(window);
  test::showActive(window);
  pickType(window, 3);
  test::SeenBox box;
  test::answerNextMessageBox(answer, &box);
  QTest::keyClick(ui.maskEdit(), Qt::Key_A);
  return box;
}
}  // namespace

class FilterControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithTheDefaults() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    QCOMPARE(ui.typeList()->currentText(), QStringLiteral("All"));
    QCOMPARE(ui.sizeList()->currentText(), QStringLiteral("100"));
    QCOMPARE(ui.maskEdit()->text(), QStringLiteral("*.*"));
    QVERIFY(ui.maskEdit()->isReadOnly());
    QCOMPARE(window.options().customMask(), std::string(OptionsRecord::kDefaultCustomMask));
  }

  void presetsFillAReadOnlyField() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    pickType(window, 1);
    QCOMPARE(ui.maskEdit()->text(), preset(1));
    QCOMPARE(ui.maskEdit()->cursorPosition(), 0);  // the field shows the first masks, not the last
    QVERIFY(ui.maskEdit()->isReadOnly());
    QCOMPARE(window.options().typeIndex(), 1);
    pickType(window, 3);
    QCOMPARE(ui.maskEdit()->text(), preset(3));
    QCOMPARE(window.options().typeIndex(), 3);
    pickType(window, 0);
    QCOMPARE(ui.maskEdit()->text(), QStringLiteral("*.*"));
    QCOMPARE(window.options().typeIndex(), 0);
  }

  void customTextIsStoredOnEveryKeystrokeAndComesBack() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    pickType(window, 4);
    QVERIFY(!ui.maskEdit()->isReadOnly());
    QCOMPARE(ui.maskEdit()->text(), shownText(OptionsRecord::kDefaultCustomMask));
    ui.maskEdit()->setFocus();
    ui.maskEdit()->selectAll();
    QTest::keyClick(ui.maskEdit(), Qt::Key_Backspace);
    QCOMPARE(window.options().customMask(), std::string());
    for (const char c : std::string("*.raw")) {
      QTest::keyClick(ui.maskEdit(), c);
      QCOMPARE(window.options().customMask(), bytesOf(ui.maskEdit()->text()));
    }
    pickType(window, 2);
    QCOMPARE(ui.maskEdit()->text(), preset(2));
    pickType(window, 4);
    QCOMPARE(ui.maskEdit()->text(), QStringLiteral("*.raw"));
  }

  void typingIntoAPresetAsksAndOkSwitchesToCustom() {
    OptionsRecord options;
    options.setVersion(OptionsRecord::kVersion);
    options.setSizeIndex(4);
    options.setCustomMask("*.mine");
    MainWindow window(MainWindow::Settings::InMemory, options);
    const test::MainWindowDriver ui(window);
    const test::SeenBox box = typeIntoVideoPreset(window, QMessageBox::Ok);
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Confirm"));
    QCOMPARE(box.text, kPrompt);
    QCOMPARE(box.buttons.size(), 2);
    QVERIFY(box.buttons.contains(QStringLiteral("OK")));
    QVERIFY(box.buttons.contains(QStringLiteral("Cancel")));
    QCOMPARE(ui.typeList()->currentText(), QStringLiteral("Custom"));
    QVERIFY(!ui.maskEdit()->isReadOnly());
    QCOMPARE(ui.maskEdit()->text(), QStringLiteral("*.mine"));  // and no 'a'
    QCOMPARE(window.options().typeIndex(), 4);
  }

  void cancelLeavesTypeAndField() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    QVERIFY(typeIntoVideoPreset(window, QMessageBox::Cancel).seen);
    QCOMPARE(ui.typeList()->currentText(), QStringLiteral("Video"));
    QCOMPARE(ui.maskEdit()->text(), preset(3));
    QVERIFY(ui.maskEdit()->isReadOnly());
  }

  void backspaceInAPresetAsksToo() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    test::SeenBox box;
    test::answerNextMessageBox(QMessageBox::Cancel, &box);
    QTest::keyClick(ui.maskEdit(), Qt::Key_Backspace);
    QVERIFY(box.seen);
    QCOMPARE(box.text, kPrompt);
    QCOMPARE(ui.maskEdit()->text(), QStringLiteral("*.*"));
  }

  void delInTheCustomFieldEditsTextAndDeletesNothing() {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("keep.bin"));
    test::writeFile(file, "data");
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows({test::makeRow(1, bytesOf(file), 4, 1), test::makeRow(1, bytesOf(file) + "2", 4, 1)});
    ui.resultList()->selectRows({true, true});
    QSignalSpy deleteRan(window.action(MainAction::Delete), &QAction::triggered);

    pickType(window, 4);
    ui.maskEdit()->setFocus();
    ui.maskEdit()->setText(QStringLiteral("*.abc"));
    ui.maskEdit()->setCursorPosition(0);
    QTest::keyClick(ui.maskEdit(), Qt::Key_Delete);
    QCOMPARE(ui.maskEdit()->text(), QStringLiteral(".abc"));
    QCOMPARE(window.options().customMask(), std::string(".abc"));
    QCOMPARE(deleteRan.count(), 0);
    QVERIFY(QFile::exists(file));
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(2));

    // In a preset field Del is a key meant for the text as well: it asks, and still deletes nothing.
    pickType(window, 1);
    test::SeenBox box;
    test::answerNextMessageBox(QMessageBox::Cancel, &box);
    QTest::keyClick(ui.maskEdit(), Qt::Key_Delete);
    QVERIFY(box.seen);
    QCOMPARE(deleteRan.count(), 0);
    QVERIFY(QFile::exists(file));

    // Elsewhere Del is the Delete action (whose group guard refuses here).
    test::showActive(window);
    ui.resultList()->setFocus();
    test::answerNextMessageBox(QMessageBox::Ok);
    QTest::keyClick(ui.resultList(), Qt::Key_Delete);
    QCOMPARE(deleteRan.count(), 1);
    QVERIFY(QFile::exists(file));
  }

  void windowShortcutsOtherThanTextKeysStillWorkFromTheField() {
    test::PrivateDesktop desktop;  // Print writes and opens its report
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    pickType(window, 4);
    QSignalSpy print(window.action(MainAction::Print), &QAction::triggered);
    QSignalSpy help(window.action(MainAction::Help), &QAction::triggered);
    QTest::keyClick(ui.maskEdit(), Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(ui.maskEdit(), Qt::Key_F1);
    QCOMPARE(print.count(), 1);
    QCOMPARE(help.count(), 1);
    QVERIFY(!ui.maskEdit()->text().contains(u'p'));
  }

  void customTextHoldsAtMost511Characters() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    pickType(window, 4);
    ui.maskEdit()->setText(QString(600, u'x'));
    QCOMPARE(ui.maskEdit()->text().size(), 511);
    QCOMPARE(window.options().customMask(), std::string(511, 'x'));
    // Two bytes a character: what is stored stops before a character would be cut.
    ui.maskEdit()->setText(QString(300, QChar(0x00E9)));
    const std::string stored = window.options().customMask();
    QCOMPARE(stored.size(), std::size_t(510));
    QCOMPARE(shownText(stored), QString(255, QChar(0x00E9)));
  }

  void sizeChoiceIsStored() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.sizeList()->setFocus();
    QTest::keyClick(ui.sizeList(), Qt::Key_Home);
    QCOMPARE(ui.sizeList()->currentText(), QStringLiteral("0"));
    QCOMPARE(window.options().sizeIndex(), 0);
    QTest::keyClick(ui.sizeList(), Qt::Key_End);
    QCOMPARE(window.options().sizeIndex(), 6);
  }

  void storedChoicesAreShownAtStart() {
    OptionsRecord options;
    options.setVersion(OptionsRecord::kVersion);
    options.setTypeIndex(4);
    options.setSizeIndex(1);
    options.setCustomMask("*.x; *.y");
    MainWindow window(MainWindow::Settings::InMemory, options);
    const test::MainWindowDriver ui(window);
    QCOMPARE(ui.typeList()->currentText(), QStringLiteral("Custom"));
    QCOMPARE(ui.sizeList()->currentText(), QStringLiteral("1"));
    QCOMPARE(ui.maskEdit()->text(), QStringLiteral("*.x; *.y"));
    QVERIFY(!ui.maskEdit()->isReadOnly());
  }

  void aStoredTypeOutOfRangeLeavesNoSelection() {
    OptionsRecord options;
    options.setVersion(OptionsRecord::kVersion);
    options.setTypeIndex(9);
    options.setSizeIndex(4);
    MainWindow window(MainWindow::Settings::InMemory, options);
    const test::MainWindowDriver ui(window);
    QCOMPARE(ui.typeList()->currentIndex(), -1);
    QCOMPARE(ui.maskEdit()->text(), QStringLiteral("*.*"));
    QVERIFY(ui.maskEdit()->isReadOnly());
    QCOMPARE(window.options().typeIndex(), -1);
  }
};

QTEST_MAIN(FilterControlsTest)
#include "filter_controls_test.moc"
