#include "ui/source_list.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "platform/folders.h"
#include "settings/options_record.h"
#include "ui/form_qvr.h"
#include "ui/text_bytes.h"
#include "ui/ui_test_support.h"

using namespace pelimor;

namespace {
QPoint rowPoint(const SourceFolderList& list, int row) { return list.visualRect(list.model()->index(row, 0)).center(); }

void clickRow(SourceFolderList& list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, rowPoint(list, row));
}

struct BrowserSeen {
  QString title;
  QString startFolder;
  bool directoriesOnly = false;
};

// Answers the next folder browser: picks `folder`, or cancels when it is empty.
void answerBrowser(const QString& folder, BrowserSeen* seen = nullptr) {
  test::whenModal([](QWidget* widget) { return qobject_cast<QFileDialog*>(widget) != nullptr; },
                  [folder, seen](QWidget* widget) {
                    auto* dialog = qobject_cast<QFileDialog*>(widget);
                    if (seen) {
                      seen->title = dialog->windowTitle();
                      seen->startFolder = dialog->directory().absolutePath();
                      seen->directoriesOnly =
                          dialog->fileMode() == QFileDialog::Directory && dialog->testOption(QFileDialog::ShowDirsOnly);
                    }
                    if (folder.isEmpty()) {
                      dialog->reject();
                      return;
                    }
                    dialog->setDirectory(folder);
                    dialog->selectFile(folder);
                    QMetaObject::invokeMethod(dialog, "accept");
                  });
}
}  // namespace

class SourceListTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { Options = OptionsRecord{}; }

  void startsWithTheDefaultFolderSelected() {
    TFormQVR form;
    QCOMPARE(form.sourceFolders(), std::vector<std::string>{platform::defaultSourceFolder()});
    QVERIFY(form.ButtonChangeSourceRemove->isEnabled());
    QVERIFY(form.ListViewSource->hasSelectedRow());
    QVERIFY(form.ListViewSource->horizontalHeader()->isHidden());
  }

  void removeTakesEverySelectedRow() {
    TFormQVR form;
    test::showActive(form);
    form.setSourceFolders({"/one", "/two", "/three", "/four", "/five"});
    clickRow(*form.ListViewSource, 1);
    clickRow(*form.ListViewSource, 2, Qt::ControlModifier);
    clickRow(*form.ListViewSource, 3, Qt::ControlModifier);
    QTest::mouseClick(form.ButtonChangeSourceRemove, Qt::LeftButton);
    QCOMPARE(form.sourceFolders(), (std::vector<std::string>{"/one", "/five"}));
    QVERIFY(!form.ButtonChangeSourceRemove->isEnabled());

    form.ListViewSource->selectAll();
    QVERIFY(form.ButtonChangeSourceRemove->isEnabled());
    QTest::mouseClick(form.ButtonChangeSourceRemove, Qt::LeftButton);
    QVERIFY(form.sourceFolders().empty());
    QVERIFY(!form.ButtonChangeSourceRemove->isEnabled());
    form.ButtonChangeSourceRemoveClick();  // an empty list: nothing happens
    QVERIFY(form.sourceFolders().empty());
  }

  void removeIsEnabledExactlyWhileARowIsSelected() {
    TFormQVR form;
    test::showActive(form);
    form.setSourceFolders({"/one", "/two"});
    QVERIFY(form.ButtonChangeSourceRemove->isEnabled());
    clickRow(*form.ListViewSource, 0, Qt::ControlModifier);  // deselects the only selected row
    QVERIFY(!form.ListViewSource->hasSelectedRow());
    QVERIFY(!form.ButtonChangeSourceRemove->isEnabled());
    clickRow(*form.ListViewSource, 1);
    QVERIFY(form.ButtonChangeSourceRemove->isEnabled());
    // A click below the last row leaves nothing selected.
    QTest::mouseClick(form.ListViewSource->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(10, form.ListViewSource->viewport()->height() - 2));
    QVERIFY(!form.ButtonChangeSourceRemove->isEnabled());
  }

  void theOneColumnFillsTheList() {
    TFormQVR form;
    test::showActive(form);
    form.setSourceFolders({"/one"});
    QCOMPARE(form.ListViewSource->columnWidth(0), form.ListViewSource->viewport()->width());
    form.resize(form.width() + 120, form.height());
    QCOMPARE(form.ListViewSource->columnWidth(0), form.ListViewSource->viewport()->width());
  }

  void addAppendsTheChosenFolder() {
    QTemporaryDir root;
    const QString first = root.filePath(QStringLiteral("first"));
    const QString second = root.filePath(QStringLiteral("second"));
    QDir().mkpath(first);
    QDir().mkpath(second);
    TFormQVR form;
    test::showActive(form);
    form.setSourceFolders({});

    BrowserSeen seen;
    answerBrowser(first, &seen);
    QTest::mouseClick(form.ButtonChangeSourceAdd, Qt::LeftButton);
    QCOMPARE(seen.title, QStringLiteral("Select source folder"));
    QVERIFY(seen.directoriesOnly);
    QCOMPARE(seen.startFolder, shownText(platform::defaultSourceFolder()));
    QCOMPARE(form.sourceFolders(), std::vector<std::string>{bytesOf(first)});
    QVERIFY(form.ListViewSource->hasSelectedRow());  // the first folder is selected
    QVERIFY(form.ButtonChangeSourceRemove->isEnabled());

    answerBrowser(second);
    QTest::mouseClick(form.ButtonChangeSourceAdd, Qt::LeftButton);
    QCOMPARE(form.sourceFolders(), (std::vector<std::string>{bytesOf(first), bytesOf(second)}));
    QVERIFY(form.ListViewSource->selectionModel()->isRowSelected(0, {}));
    QVERIFY(!form.ListViewSource->selectionModel()->isRowSelected(1, {}));

    answerBrowser(first);  // a folder already listed comes in a second time
    QTest::mouseClick(form.ButtonChangeSourceAdd, Qt::LeftButton);
    QCOMPARE(form.sourceFolders().size(), std::size_t(3));
    QCOMPARE(form.sourceFolders()[2], bytesOf(first));
  }

  void cancellingTheBrowserAddsNothing() {
    TFormQVR form;
    test::showActive(form);
    form.setSourceFolders({"/one"});
    clickRow(*form.ListViewSource, 0, Qt::ControlModifier);
    QVERIFY(!form.ButtonChangeSourceRemove->isEnabled());
    answerBrowser(QString());
    QTest::mouseClick(form.ButtonChangeSourceAdd, Qt::LeftButton);
    QCOMPARE(form.sourceFolders(), std::vector<std::string>{"/one"});
    // With exactly one row, Add selects it even when nothing was added.
    QVERIFY(form.ListViewSource->hasSelectedRow());
    QVERIFY(form.ButtonChangeSourceRemove->isEnabled());
  }

  void foldersAreKeptAsTheirBytes() {
    TFormQVR form;
    const std::string odd = "/tmp/caf\xc3\xa9/\xff-raw";
    form.setSourceFolders({odd, "/"});
    QCOMPARE(form.sourceFolders(), (std::vector<std::string>{odd, "/"}));
  }
};

QTEST_MAIN(SourceListTest)
#include "source_list_test.moc"
