#include "ui/source_list.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "platform/folders.h"
#include "ui/main_window.h"
#include "ui/main_window_driver.h"
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
  void startsWithTheDefaultFolderSelected() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    QCOMPARE(window.sourceFolders(), std::vector<std::string>{platform::defaultSourceFolder()});
    QVERIFY(ui.removeSourceButton()->isEnabled());
    QVERIFY(ui.sourceList()->hasSelectedRow());
    QVERIFY(ui.sourceList()->horizontalHeader()->isHidden());
  }

  void removeTakesEverySelectedRow() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    window.setSourceFolders({"/one", "/two", "/three", "/four", "/five"});
    clickRow(*ui.sourceList(), 1);
    clickRow(*ui.sourceList(), 2, Qt::ControlModifier);
    clickRow(*ui.sourceList(), 3, Qt::ControlModifier);
    QTest::mouseClick(ui.removeSourceButton(), Qt::LeftButton);
    QCOMPARE(window.sourceFolders(), (std::vector<std::string>{"/one", "/five"}));
    QVERIFY(!ui.removeSourceButton()->isEnabled());

    ui.sourceList()->selectAll();
    QVERIFY(ui.removeSourceButton()->isEnabled());
    QTest::mouseClick(ui.removeSourceButton(), Qt::LeftButton);
    QVERIFY(window.sourceFolders().empty());
    QVERIFY(!ui.removeSourceButton()->isEnabled());
    ui.removeSourceFolders();  // an empty list: nothing happens
    QVERIFY(window.sourceFolders().empty());
  }

  void removeIsEnabledExactlyWhileARowIsSelected() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    window.setSourceFolders({"/one", "/two"});
    QVERIFY(ui.removeSourceButton()->isEnabled());
    clickRow(*ui.sourceList(), 0, Qt::ControlModifier);  // deselects the only selected row
    QVERIFY(!ui.sourceList()->hasSelectedRow());
    QVERIFY(!ui.removeSourceButton()->isEnabled());
    clickRow(*ui.sourceList(), 1);
    QVERIFY(ui.removeSourceButton()->isEnabled());
    // A click below the last row leaves nothing selected.
    QTest::mouseClick(ui.sourceList()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(10, ui.sourceList()->viewport()->height() - 2));
    QVERIFY(!ui.removeSourceButton()->isEnabled());
  }

  void theOneColumnFillsTheList() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    window.setSourceFolders({"/one"});
    QCOMPARE(ui.sourceList()->columnWidth(0), ui.sourceList()->viewport()->width());
    window.resize(window.width() + 120, window.height());
    QCOMPARE(ui.sourceList()->columnWidth(0), ui.sourceList()->viewport()->width());
  }

  void addAppendsTheChosenFolder() {
    QTemporaryDir root;
    const QString first = root.filePath(QStringLiteral("first"));
    const QString second = root.filePath(QStringLiteral("second"));
    QDir().mkpath(first);
    QDir().mkpath(second);
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    window.setSourceFolders({});

    BrowserSeen seen;
    answerBrowser(first, &seen);
    QTest::mouseClick(ui.addSourceButton(), Qt::LeftButton);
    QCOMPARE(seen.title, QStringLiteral("Select source folder"));
    QVERIFY(seen.directoriesOnly);
    QCOMPARE(seen.startFolder, shownText(platform::defaultSourceFolder()));
    QCOMPARE(window.sourceFolders(), std::vector<std::string>{bytesOf(first)});
    QVERIFY(ui.sourceList()->hasSelectedRow());  // the first folder is selected
    QVERIFY(ui.removeSourceButton()->isEnabled());

    answerBrowser(second);
    QTest::mouseClick(ui.addSourceButton(), Qt::LeftButton);
    QCOMPARE(window.sourceFolders(), (std::vector<std::string>{bytesOf(first), bytesOf(second)}));
    QVERIFY(ui.sourceList()->selectionModel()->isRowSelected(0, {}));
    QVERIFY(!ui.sourceList()->selectionModel()->isRowSelected(1, {}));

    answerBrowser(first);  // a folder already listed comes in a second time
    QTest::mouseClick(ui.addSourceButton(), Qt::LeftButton);
    QCOMPARE(window.sourceFolders().size(), std::size_t(3));
    QCOMPARE(window.sourceFolders()[2], bytesOf(first));
  }

  void cancellingTheBrowserAddsNothing() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    window.setSourceFolders({"/one"});
    clickRow(*ui.sourceList(), 0, Qt::ControlModifier);
    QVERIFY(!ui.removeSourceButton()->isEnabled());
    answerBrowser(QString());
    QTest::mouseClick(ui.addSourceButton(), Qt::LeftButton);
    QCOMPARE(window.sourceFolders(), std::vector<std::string>{"/one"});
    // With exactly one row, Add selects it even when nothing was added.
    QVERIFY(ui.sourceList()->hasSelectedRow());
    QVERIFY(ui.removeSourceButton()->isEnabled());
  }

  void foldersAreKeptAsTheirBytes() {
    MainWindow window;
    const std::string odd = "/tmp/caf\xc3\xa9/\xff-raw";
    window.setSourceFolders({odd, "/"});
    QCOMPARE(window.sourceFolders(), (std::vector<std::string>{odd, "/"}));
  }
};

QTEST_MAIN(SourceListTest)
#include "source_list_test.moc"
