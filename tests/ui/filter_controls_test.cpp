#include "ui/filter_controls.h"

#include <QAction>
#include <QComboBox>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "search/mask_presets.h"
#include "settings/options_record.h"
#include "ui/form_qvr.h"
#include "ui/result_list_view.h"
#include "ui/text_bytes.h"
#include "ui/ui_test_support.h"

using namespace pelimor;

namespace {
const QString kPrompt = QStringLiteral("Please, select Custom type and edit it.");

void pickType(TFormQVR& form, int index) {
  // As a user would: the list has the focus and the arrow keys move through its items.
  form.ComboBoxType->setFocus();
  while (form.ComboBoxType->currentIndex() < index) QTest::keyClick(form.ComboBoxType, Qt::Key_Down);
  while (form.ComboBoxType->currentIndex() > index) QTest::keyClick(form.ComboBoxType, Qt::Key_Up);
}

QString preset(int index) { return shownText(kPresetMasks[std::size_t(index)]); }

// Types the letter a into the field while it shows the Video preset, and answers the prompt.
test::SeenBox typeIntoVideoPreset(TFormQVR& form, QMessageBox::StandardButton answer) {
  test::showActive(form);
  pickType(form, 3);
  test::SeenBox box;
  test::answerNextMessageBox(answer, &box);
  QTest::keyClick(form.EditMask, Qt::Key_A);
  return box;
}
}  // namespace

class FilterControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { Options = OptionsRecord{}; }

  void startsWithTheDefaults() {
    TFormQVR form;
    QCOMPARE(form.ComboBoxType->currentText(), QStringLiteral("All"));
    QCOMPARE(form.ComboBoxSize->currentText(), QStringLiteral("100"));
    QCOMPARE(form.EditMask->text(), QStringLiteral("*.*"));
    QVERIFY(form.EditMask->isReadOnly());
    QCOMPARE(Options.customMask(), std::string(OptionsRecord::kDefaultCustomMask));
  }

  void presetsFillAReadOnlyField() {
    TFormQVR form;
    test::showActive(form);
    pickType(form, 1);
    QCOMPARE(form.EditMask->text(), preset(1));
    QCOMPARE(form.EditMask->cursorPosition(), 0);  // the field shows the first masks, not the last
    QVERIFY(form.EditMask->isReadOnly());
    QCOMPARE(Options.typeIndex(), 1);
    pickType(form, 3);
    QCOMPARE(form.EditMask->text(), preset(3));
    QCOMPARE(Options.typeIndex(), 3);
    pickType(form, 0);
    QCOMPARE(form.EditMask->text(), QStringLiteral("*.*"));
    QCOMPARE(Options.typeIndex(), 0);
  }

  void customTextIsStoredOnEveryKeystrokeAndComesBack() {
    TFormQVR form;
    test::showActive(form);
    pickType(form, 4);
    QVERIFY(!form.EditMask->isReadOnly());
    QCOMPARE(form.EditMask->text(), shownText(OptionsRecord::kDefaultCustomMask));
    form.EditMask->setFocus();
    form.EditMask->selectAll();
    QTest::keyClick(form.EditMask, Qt::Key_Backspace);
    QCOMPARE(Options.customMask(), std::string());
    for (const char c : std::string("*.raw")) {
      QTest::keyClick(form.EditMask, c);
      QCOMPARE(Options.customMask(), bytesOf(form.EditMask->text()));
    }
    pickType(form, 2);
    QCOMPARE(form.EditMask->text(), preset(2));
    pickType(form, 4);
    QCOMPARE(form.EditMask->text(), QStringLiteral("*.raw"));
  }

  void typingIntoAPresetAsksAndOkSwitchesToCustom() {
    Options.setVersion(OptionsRecord::kVersion);
    Options.setSizeIndex(4);
    Options.setCustomMask("*.mine");
    TFormQVR form;
    const test::SeenBox box = typeIntoVideoPreset(form, QMessageBox::Ok);
    QVERIFY(box.seen);
    QCOMPARE(box.title, QStringLiteral("Confirm"));
    QCOMPARE(box.text, kPrompt);
    QCOMPARE(box.buttons.size(), 2);
    QVERIFY(box.buttons.contains(QStringLiteral("OK")));
    QVERIFY(box.buttons.contains(QStringLiteral("Cancel")));
    QCOMPARE(form.ComboBoxType->currentText(), QStringLiteral("Custom"));
    QVERIFY(!form.EditMask->isReadOnly());
    QCOMPARE(form.EditMask->text(), QStringLiteral("*.mine"));  // and no 'a'
    QCOMPARE(Options.typeIndex(), 4);
  }

  void cancelLeavesTypeAndField() {
    TFormQVR form;
    QVERIFY(typeIntoVideoPreset(form, QMessageBox::Cancel).seen);
    QCOMPARE(form.ComboBoxType->currentText(), QStringLiteral("Video"));
    QCOMPARE(form.EditMask->text(), preset(3));
    QVERIFY(form.EditMask->isReadOnly());
  }

  void backspaceInAPresetAsksToo() {
    TFormQVR form;
    test::showActive(form);
    test::SeenBox box;
    test::answerNextMessageBox(QMessageBox::Cancel, &box);
    QTest::keyClick(form.EditMask, Qt::Key_Backspace);
    QVERIFY(box.seen);
    QCOMPARE(box.text, kPrompt);
    QCOMPARE(form.EditMask->text(), QStringLiteral("*.*"));
  }

  void delInTheCustomFieldEditsTextAndDeletesNothing() {
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("keep.bin"));
    test::writeFile(file, "data");
    TFormQVR form;
    test::showActive(form);
    form.ListViewDup->installRows({test::makeRow(1, bytesOf(file), 4, 1), test::makeRow(1, bytesOf(file) + "2", 4, 1)});
    form.ListViewDup->selectRows({true, true});
    QSignalSpy deleteRan(form.actions().ActionDelete, &QAction::triggered);

    pickType(form, 4);
    form.EditMask->setFocus();
    form.EditMask->setText(QStringLiteral("*.abc"));
    form.EditMask->setCursorPosition(0);
    QTest::keyClick(form.EditMask, Qt::Key_Delete);
    QCOMPARE(form.EditMask->text(), QStringLiteral(".abc"));
    QCOMPARE(Options.customMask(), std::string(".abc"));
    QCOMPARE(deleteRan.count(), 0);
    QVERIFY(QFile::exists(file));
    QCOMPARE(form.ListViewDup->rows().size(), std::size_t(2));

    // In a preset field Del is a key meant for the text as well: it asks, and still deletes nothing.
    pickType(form, 1);
    test::SeenBox box;
    test::answerNextMessageBox(QMessageBox::Cancel, &box);
    QTest::keyClick(form.EditMask, Qt::Key_Delete);
    QVERIFY(box.seen);
    QCOMPARE(deleteRan.count(), 0);
    QVERIFY(QFile::exists(file));

    // Elsewhere Del is the Delete action (whose group guard refuses here).
    test::showActive(form);
    form.ListViewDup->setFocus();
    test::answerNextMessageBox(QMessageBox::Ok);
    QTest::keyClick(form.ListViewDup, Qt::Key_Delete);
    QCOMPARE(deleteRan.count(), 1);
    QVERIFY(QFile::exists(file));
  }

  void windowShortcutsOtherThanTextKeysStillWorkFromTheField() {
    test::PrivateDesktop desktop;  // Print writes and opens its report
    TFormQVR form;
    test::showActive(form);
    pickType(form, 4);
    QSignalSpy print(form.actions().ActionPrint, &QAction::triggered);
    QSignalSpy help(form.actions().ActionHelp, &QAction::triggered);
    QTest::keyClick(form.EditMask, Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(form.EditMask, Qt::Key_F1);
    QCOMPARE(print.count(), 1);
    QCOMPARE(help.count(), 1);
    QVERIFY(!form.EditMask->text().contains(u'p'));
  }

  void customTextHoldsAtMost511Characters() {
    TFormQVR form;
    test::showActive(form);
    pickType(form, 4);
    form.EditMask->setText(QString(600, u'x'));
    QCOMPARE(form.EditMask->text().size(), 511);
    QCOMPARE(Options.customMask(), std::string(511, 'x'));
    // Two bytes a character: what is stored stops before a character would be cut.
    form.EditMask->setText(QString(300, QChar(0x00E9)));
    const std::string stored = Options.customMask();
    QCOMPARE(stored.size(), std::size_t(510));
    QCOMPARE(shownText(stored), QString(255, QChar(0x00E9)));
  }

  void sizeChoiceIsStored() {
    TFormQVR form;
    test::showActive(form);
    form.ComboBoxSize->setFocus();
    QTest::keyClick(form.ComboBoxSize, Qt::Key_Home);
    QCOMPARE(form.ComboBoxSize->currentText(), QStringLiteral("0"));
    QCOMPARE(Options.sizeIndex(), 0);
    QTest::keyClick(form.ComboBoxSize, Qt::Key_End);
    QCOMPARE(Options.sizeIndex(), 6);
  }

  void storedChoicesAreShownAtStart() {
    Options.setVersion(OptionsRecord::kVersion);
    Options.setTypeIndex(4);
    Options.setSizeIndex(1);
    Options.setCustomMask("*.x; *.y");
    TFormQVR form;
    QCOMPARE(form.ComboBoxType->currentText(), QStringLiteral("Custom"));
    QCOMPARE(form.ComboBoxSize->currentText(), QStringLiteral("1"));
    QCOMPARE(form.EditMask->text(), QStringLiteral("*.x; *.y"));
    QVERIFY(!form.EditMask->isReadOnly());
  }

  void aStoredTypeOutOfRangeLeavesNoSelection() {
    Options.setVersion(OptionsRecord::kVersion);
    Options.setTypeIndex(9);
    Options.setSizeIndex(4);
    TFormQVR form;
    QCOMPARE(form.ComboBoxType->currentIndex(), -1);
    QCOMPARE(form.EditMask->text(), QStringLiteral("*.*"));
    QVERIFY(form.EditMask->isReadOnly());
    QCOMPARE(Options.typeIndex(), -1);
  }
};

QTEST_MAIN(FilterControlsTest)
#include "filter_controls_test.moc"
