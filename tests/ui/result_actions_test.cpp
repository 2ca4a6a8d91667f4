// Select, Delete, Move and Print through the real window, on real files in temporary folders.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <set>

#include "results/result_order.h"
#include "support/test_files.h"
#include "ui/filter_controls.h"
#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/result_list_view.h"
#include "ui/result_table_model.h"
#include "ui/text_bytes.h"
#include "ui/ui_test_support.h"

using namespace pelimor;
using pelimor::testing::rowFor;

namespace {
struct Box {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
};

// Answers every message box that comes up while it lives, pressing its first button, and keeps
// what each one said; so a box nobody expected is seen too, and never hangs a test.
class Boxes {
 public:
  Boxes() {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      Box seen{box->windowTitle(), box->text(), box->icon(), {}};
      for (QAbstractButton* button : box->buttons()) seen.buttons << button->text().remove(u'&');
      seen_ << seen;
      box->buttons().value(0)->click();
    });
    poll_.start();
  }
  const QList<Box>& seen() const { return seen_; }

 private:
  QTimer poll_;
  QList<Box> seen_;
};

// Counts the paint events a widget gets while a modal dialog is up.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int whileModal = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && QApplication::activeModalWidget()) ++whileModal;
    return false;
  }
};

QString inside(const QTemporaryDir& folder, const QString& relative) { return folder.filePath(relative); }

// A file and the row a search would have made for it.
ResultRow fileRow(const QString& path, std::uint32_t group, const QByteArray& content) {
  test::writeFile(path, content);
  return rowFor(bytesOf(path), group);
}

std::vector<std::string> pathsOf(const ResultListView& list) {
  std::vector<std::string> paths;
  for (const ResultRow& row : list.rows()) paths.push_back(row.path);
  return paths;
}

std::vector<std::uint32_t> groupsOf(const ResultListView& list) {
  std::vector<std::uint32_t> groups;
  for (const ResultRow& row : list.rows()) groups.push_back(row.group);
  return groups;
}

std::vector<std::string> selectedPathsOf(const ResultListView& list) {
  std::vector<std::string> paths;
  const std::vector<bool> selected = list.selectedRows();
  for (std::size_t i = 0; i < selected.size(); ++i)
    if (selected[i]) paths.push_back(list.rows()[i].path);
  return paths;
}

void clickHeader(ResultListView& view, int section) {
  QHeaderView* header = view.horizontalHeader();
  const QPoint point(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, point);
}

QByteArray contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void verifyStatusBar(MainWindow& window, int groups, int files, int selected) {
  const test::MainWindowDriver ui(window);
  QCOMPARE(ui.statusText(0), QStringLiteral("Groups: %1").arg(groups));
  QCOMPARE(ui.statusText(1), QStringLiteral("Files: %1").arg(files));
  QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: %1").arg(selected));
}

void verifyInformation(const QList<Box>& seen, const QString& text) {
  QCOMPARE(seen.size(), 1);
  QCOMPARE(seen[0].title, QStringLiteral("Information"));
  QCOMPARE(seen[0].text, text);
  QCOMPARE(seen[0].icon, QMessageBox::Information);
  QCOMPARE(seen[0].buttons, QStringList{QStringLiteral("OK")});
}
}  // namespace

class ResultActionsTest : public QObject {
  Q_OBJECT

  QTemporaryDir files;
  std::unique_ptr<test::PrivateDesktop> desktop;

  std::string path(const QString& relative) const { return bytesOf(inside(files, relative)); }

  // Group 1 three times in a/; group 2 in b/ and c/; group 3 in a/ and a/sub/; group 4 in A/ and b/.
  std::vector<ResultRow> foldersRows() {
    return {fileRow(inside(files, "a/one.txt"), 1, "1"),         fileRow(inside(files, "a/one copy.txt"), 1, "1"),
            fileRow(inside(files, "a/one again.txt"), 1, "1"),   fileRow(inside(files, "b/two.txt"), 2, "22"),
            fileRow(inside(files, "c/two.txt"), 2, "22"),        fileRow(inside(files, "a/three.txt"), 3, "333"),
            fileRow(inside(files, "a/sub/three.txt"), 3, "333"), fileRow(inside(files, "A/four.txt"), 4, "4444"),
            fileRow(inside(files, "b/four.txt"), 4, "4444")};
  }

 private slots:
  void init() { desktop = std::make_unique<test::PrivateDesktop>(); }
  void cleanup() {
    test::stopAnswering();
    desktop.reset();
    QDir(files.path()).removeRecursively();
    QDir().mkpath(files.path());
  }

  void selectOnAnEmptyListOnlyTellsSo() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->clearRows();
    Boxes boxes;
    window.action(MainAction::Select)->trigger();
    verifyInformation(boxes.seen(), QStringLiteral("The list of results is empty."));
    QVERIFY(ui.resultList()->rows().empty());
    verifyStatusBar(window, 0, 0, 0);
  }

  void selectWithNothingSelectedStartsFromTheTopRow() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    ui.resultList()->setFocusedRow(3);  // focused but not selected: the top row still wins
    ui.maskEdit()->setFocus();
    Boxes boxes;
    window.action(MainAction::Select)->trigger();
    QVERIFY(boxes.seen().isEmpty());

    // The reference folder is a/: the top row and the next of group 1 (its third row stays), and
    // group 3's row there; not a/sub/ nor A/, and group 2 has no row in a/.
    QCOMPARE(selectedPathsOf(*ui.resultList()),
             (std::vector<std::string>{path("a/one.txt"), path("a/one copy.txt"), path("a/three.txt")}));
    QCOMPARE(ui.resultList()->focusedRow(), 0);
    QCOMPARE(QApplication::focusWidget(), ui.resultList());
    verifyStatusBar(window, 4, 9, 3);
  }

  void theSelectMenuKeepsByRuleAndLeavesEveryGroupACopy() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    const auto choose = [&](const QString& caption) {
      for (QAction* entry : ui.selectMenu()->actions())
        if (entry->text() == caption) return entry->trigger();
      QFAIL(qPrintable(caption));
    };
    Boxes boxes;
    // Equal lengths go to the path that sorts first ("A/" before "b/").
    choose(QStringLiteral("Keep the Shortest Path of Each Group"));
    QCOMPARE(selectedPathsOf(*ui.resultList()),
             (std::vector<std::string>{path("a/one copy.txt"), path("a/one again.txt"), path("c/two.txt"),
                                       path("a/sub/three.txt"), path("b/four.txt")}));
    choose(QStringLiteral("Invert Selection in Each Group"));
    QCOMPARE(selectedPathsOf(*ui.resultList()),
             (std::vector<std::string>{path("a/one.txt"), path("b/two.txt"), path("a/three.txt"), path("A/four.txt")}));
    QVERIFY(boxes.seen().isEmpty());
    // Inverting nothing would select whole groups: they stay, and the notice says how many.
    ui.resultList()->selectRows(std::vector<bool>(9, false));
    choose(QStringLiteral("Invert Selection in Each Group"));
    QVERIFY(selectedPathsOf(*ui.resultList()).empty());
    verifyInformation(boxes.seen(),
                      QStringLiteral("4 groups were left as they were: selecting more there would have left no copy."));
  }

  void threeRowsInTheReferenceFolderKeepTheirLast() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    std::vector<ResultRow> rows = foldersRows();
    rows.push_back(fileRow(inside(files, "z/five.txt"), 5, "55555"));
    rows.push_back(fileRow(inside(files, "a/five.txt"), 5, "55555"));
    ui.resultList()->installRows(rows);
    // The reference row is the focused one (group 5's row in a/), even though it is not selected.
    ui.resultList()->selectRows({false, false, false, false, true});
    ui.resultList()->setFocusedRow(10);
    window.action(MainAction::Select)->trigger();
    QCOMPARE(selectedPathsOf(*ui.resultList()),
             (std::vector<std::string>{path("a/one.txt"), path("a/one copy.txt"), path("c/two.txt"),
                                       path("a/three.txt"), path("a/five.txt")}));
    QCOMPARE(ui.resultList()->rows()[std::size_t(ui.resultList()->focusedRow())].path, path("a/five.txt"));

    // Again with the same folder: nothing more.
    window.action(MainAction::Select)->trigger();
    QCOMPARE(ui.resultList()->selectedCount(), std::size_t(5));
  }

  void aSelectionWithoutFocusTakesItsFirstRowAsReference() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    ui.resultList()->selectRows({false, false, false, true});  // b/two.txt
    ui.resultList()->setFocusedRow(-1);
    window.action(MainAction::Select)->trigger();
    QCOMPARE(selectedPathsOf(*ui.resultList()), (std::vector<std::string>{path("b/two.txt"), path("b/four.txt")}));
  }

  void selectAfterANameClickOrdersByGroupInThatDirection() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    clickHeader(*ui.resultList(), int(ResultColumn::Name));  // the first click sorts descending
    QCOMPARE(ui.resultList()->rows().front().name(), std::string_view("two.txt"));
    ui.resultList()->selectRows({});
    window.action(MainAction::Select)->trigger();

    QCOMPARE(ui.resultList()->sortState().column, ResultColumn::Group);
    QVERIFY(ui.resultList()->sortState().descending);
    QCOMPARE(groupsOf(*ui.resultList()), (std::vector<std::uint32_t>{4, 4, 3, 3, 2, 2, 1, 1, 1}));
    QHeaderView* header = ui.resultList()->horizontalHeader();
    QVERIFY(header->isSortIndicatorShown());
    QCOMPARE(header->sortIndicatorSection(), int(ResultColumn::Group));
    // The top row after the Name sort, b/two.txt, gave the reference folder and keeps the focus.
    QCOMPARE(ui.resultList()->rows()[std::size_t(ui.resultList()->focusedRow())].path, path("b/two.txt"));
    QCOMPARE(selectedPathsOf(*ui.resultList()), (std::vector<std::string>{path("b/four.txt"), path("b/two.txt")}));
    verifyStatusBar(window, 4, 9, 2);

    // The same rows, with the selection still painted where the rows went.
    const QModelIndex top = ui.resultList()->model()->index(ui.resultList()->focusedRow(), 0);
    QVERIFY(ui.resultList()->resultModel()->isSelected(top.row()));
  }

  void deleteAndMoveOnAnEmptyListOrWithoutSelectionOnlyTellSo() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    for (QAction* action : {window.action(MainAction::Delete), window.action(MainAction::Move)}) {
      ui.resultList()->clearRows();
      {
        Boxes boxes;
        action->trigger();
        verifyInformation(boxes.seen(), QStringLiteral("The list of results is empty."));
      }
      ui.resultList()->installRows(foldersRows());
      {
        Boxes boxes;
        action->trigger();
        verifyInformation(boxes.seen(), QStringLiteral("No file selected."));
      }
      QCOMPARE(ui.resultList()->rows().size(), std::size_t(9));
      QVERIFY(QFile::exists(inside(files, "a/one.txt")));
    }
    QVERIFY(!QFile::exists(desktop->home() + QStringLiteral("/Pelimor - Removed files")));
  }

  void theGroupGuardNamesEveryFullySelectedGroupOnce() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows({fileRow(inside(files, "a/x"), 12, "x"), fileRow(inside(files, "b/x"), 12, "x"),
                                  fileRow(inside(files, "a/y"), 2, "yy"), fileRow(inside(files, "b/y"), 2, "yy"),
                                  fileRow(inside(files, "a/z"), 5, "zzz"), fileRow(inside(files, "b/z"), 5, "zzz")});
    const std::vector<bool> selection{true, true, true, true, true, false};
    for (QAction* action : {window.action(MainAction::Delete), window.action(MainAction::Move)}) {
      ui.resultList()->selectRows(selection);
      Boxes boxes;
      action->trigger();
      QCOMPARE(boxes.seen().size(), 1);
      const Box& box = boxes.seen()[0];
      QCOMPARE(box.title, QStringLiteral("Pelimor"));
      QCOMPARE(box.text, QStringLiteral("All files are selected in group(s): 12, 2.\n"
                                        "Please clear the selection from any file in each of the above groups."));
      QCOMPARE(box.icon, QMessageBox::NoIcon);
      QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
      QCOMPARE(ui.resultList()->rows().size(), std::size_t(6));
      QCOMPARE(ui.resultList()->selectedRows(), selection);
      for (const char* name : {"a/x", "b/x", "a/y", "b/y", "a/z", "b/z"}) QVERIFY(QFile::exists(inside(files, name)));
    }
    QVERIFY(!QFile::exists(desktop->home() + QStringLiteral("/Pelimor - Removed files")));
  }

  void deletingTwoOfThreeKeepsTheThirdWithItsNumber() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    ui.resultList()->selectRows({true, true, false, false, false, true});  // two of group 1, one of group 3
    Boxes boxes;
    window.action(MainAction::Delete)->trigger();
    QVERIFY(boxes.seen().isEmpty());
    QVERIFY(!QFile::exists(inside(files, "a/one.txt")));
    QVERIFY(!QFile::exists(inside(files, "a/one copy.txt")));
    QVERIFY(!QFile::exists(inside(files, "a/three.txt")));
    QCOMPARE(contentOf(inside(files, "a/one again.txt")), QByteArray("1"));
    QCOMPARE(pathsOf(*ui.resultList()),
             (std::vector<std::string>{path("a/one again.txt"), path("b/two.txt"), path("c/two.txt"),
                                       path("a/sub/three.txt"), path("A/four.txt"), path("b/four.txt")}));
    QCOMPARE(groupsOf(*ui.resultList()), (std::vector<std::uint32_t>{1, 2, 2, 3, 4, 4}));
    QCOMPARE(ui.resultList()->selectedCount(), std::size_t(0));
    QCOMPARE(ui.searchNote()->text(), QStringLiteral("3 files deleted, %1 freed.").arg(binarySizeText(5)));
    // Groups counted, not the last row's number read, by every column in both directions.
    for (int click = 0; click < 2 * kResultColumnCount; ++click) {
      clickHeader(*ui.resultList(), click % kResultColumnCount);
      verifyStatusBar(window, 4, 6, 0);
    }
  }

  void aFileChangedSinceTheSearchStaysAndIsListed() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    test::writeFile(inside(files, "b/two.txt"), "changed, and longer");
    ui.resultList()->selectRows({true, false, false, true});
    Boxes boxes;
    window.action(MainAction::Delete)->trigger();
    QCOMPARE(boxes.seen().size(), 1);
    QCOMPARE(boxes.seen()[0].title, QStringLiteral("Warning"));
    QCOMPARE(boxes.seen()[0].icon, QMessageBox::Warning);
    QCOMPARE(
        boxes.seen()[0].text,
        QStringLiteral("1 file was not deleted:\n%1: it has changed since the search").arg(inside(files, "b/two.txt")));
    QVERIFY(!QFile::exists(inside(files, "a/one.txt")));
    QCOMPARE(contentOf(inside(files, "b/two.txt")), QByteArray("changed, and longer"));
    QCOMPARE(selectedPathsOf(*ui.resultList()), std::vector<std::string>{path("b/two.txt")});
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(8));
    verifyStatusBar(window, 4, 8, 1);
  }

  void theContextMenuReplacesSelectedFilesWithHardLinks() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    ui.resultList()->selectRows({false, true, false, false, true});  // a/one copy.txt, c/two.txt
    ui.prepareResultMenu();
    QVERIFY(ui.hardLinksEntry()->isVisible());
    Boxes boxes;
    ui.hardLinksEntry()->trigger();
    QVERIFY(boxes.seen().isEmpty());
    QCOMPARE(rowFor(path("c/two.txt"), 2).identity.inode, rowFor(path("b/two.txt"), 2).identity.inode);
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(9));  // every file is still there
    verifyStatusBar(window, 4, 9, 0);
  }

  // A file found gone leaves the list; a file linked further down is still the one deselected.
  void linkingDeselectsTheLinkedRowsWhenAGoneRowLeavesAboveThem() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    ui.resultList()->selectRows({false, true, false, false, true});  // a/one copy.txt, c/two.txt
    QVERIFY(QFile::remove(inside(files, "a/one copy.txt")));
    Boxes boxes;
    ui.hardLinksEntry()->trigger();
    QCOMPARE(boxes.seen().size(), 1);
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(8));
    QVERIFY(selectedPathsOf(*ui.resultList()).empty());
    verifyStatusBar(window, 4, 8, 0);
  }

  void moveTakesTheFilesToTheRemovedFilesFolderWithoutReplacing() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
#ifdef _WIN32
    // One folder on drive C: for every user, which a test must leave alone.
    QCOMPARE(window.action(MainAction::Move)->toolTip(),
             QStringLiteral("Move selected files to \"C:\\Pelimor - Removed files\" directory"));
    QSKIP("on Windows Move's folder is C:\\Pelimor - Removed files, shared by every user");
#endif
    QCOMPARE(window.action(MainAction::Move)->toolTip(),
             QStringLiteral("Move selected files to \"%1/Pelimor - Removed files\" directory").arg(desktop->home()));
    test::showActive(window);
    const QString target = desktop->home() + QStringLiteral("/Pelimor - Removed files");
    test::writeFile(target + QStringLiteral("/one.txt"), "there before");
    ui.resultList()->installRows(foldersRows());
    ui.resultList()->selectRows({true, false, false, false, true});  // a/one.txt, c/two.txt
    Boxes boxes;
    window.action(MainAction::Move)->trigger();
    QVERIFY(boxes.seen().isEmpty());
    QCOMPARE(contentOf(target + QStringLiteral("/one.txt")), QByteArray("there before"));
    QCOMPARE(contentOf(target + QStringLiteral("/one (2).txt")), QByteArray("1"));
    QCOMPARE(contentOf(target + QStringLiteral("/two.txt")), QByteArray("22"));
    QVERIFY(!QFile::exists(inside(files, "a/one.txt")));
    QVERIFY(!QFile::exists(inside(files, "c/two.txt")));
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(7));
    QCOMPARE(groupsOf(*ui.resultList()), (std::vector<std::uint32_t>{1, 1, 2, 3, 3, 4, 4}));
    verifyStatusBar(window, 4, 7, 0);
  }

  void deleteToTheTrashAsksFirstAndCtrlZBringsTheRowsBack() {
#ifdef _WIN32
    QSKIP("the Recycle Bin keeps no path we could put a file back from");
#endif
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    ui.resultList()->selectRows({true, false, false, false, true});  // a/one.txt, c/two.txt
    ui.deleteToTrashEntry()->trigger();
    ui.askBeforeRemovalEntry()->trigger();
    test::SeenBox asked;
    test::answerNextMessageBox(QMessageBox::No, &asked);
    QTest::keyClick(ui.resultList(), Qt::Key_Delete);
    QVERIFY(asked.text.startsWith(QStringLiteral("Move 2 selected files (")));
    QVERIFY(asked.text.endsWith(QStringLiteral(") to the Trash?")));
    QVERIFY(QFile::exists(inside(files, "a/one.txt")));
    test::answerNextMessageBox(QMessageBox::Yes);
    window.action(MainAction::Delete)->trigger();
    QCOMPARE(contentOf(desktop->dataHome() + QStringLiteral("/Trash/files/one.txt")), QByteArray("1"));
    QVERIFY(!QFile::exists(inside(files, "c/two.txt")));
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(7));
    QCOMPARE(ui.undoEntry()->text(), QStringLiteral("Undo Move to Trash"));
    QCOMPARE(ui.searchNote()->text(),
             QStringLiteral("2 files moved to the Trash, %1. Ctrl+Z puts them back.").arg(binarySizeText(3)));

    Boxes boxes;
    test::showActive(window);
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    verifyInformation(boxes.seen(), QStringLiteral("2 files were put back."));
    QCOMPARE(contentOf(inside(files, "a/one.txt")), QByteArray("1"));
    QCOMPARE(contentOf(inside(files, "c/two.txt")), QByteArray("22"));
    QCOMPARE(groupsOf(*ui.resultList()), (std::vector<std::uint32_t>{1, 1, 1, 2, 2, 3, 3, 4, 4}));
    QVERIFY(!ui.undoEntry()->isEnabled());
    QVERIFY(ui.searchNote()->text().isEmpty());  // its Ctrl+Z is used up
    verifyStatusBar(window, 4, 9, 0);
  }

  // A journal that can't record the action: the window asks first, and acts only on Yes.
  void anActionThatCantBeRecordedIsDoneOnlyOnYes() {
#ifdef _WIN32
    QSKIP("the Recycle Bin keeps no path we could put a file back from");
#endif
    QVERIFY(QDir().mkpath(desktop->dataHome() + QStringLiteral("/Pelimor/Actions.log")));
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    ui.resultList()->selectRows({true, false, false, false, true});  // a/one.txt, c/two.txt
    for (const int answer : {QMessageBox::No, QMessageBox::Yes}) {
      test::SeenBox asked;
      test::answerNextMessageBox(answer, &asked);
      window.action(MainAction::Trash)->trigger();
      QTRY_VERIFY(asked.seen);
      QVERIFY(asked.text.endsWith(
          QStringLiteral("is a folder, not a file.\n\nThe record of this action can't be written, so it can't be "
                         "undone. Go on anyway?")));
      QTRY_COMPARE(QFile::exists(inside(files, "a/one.txt")), answer == QMessageBox::No);
    }
    QVERIFY(!ui.undoEntry()->isEnabled());
    QTRY_COMPARE(ui.searchNote()->text(), QStringLiteral("2 files moved to the Trash, %1.").arg(binarySizeText(3)));
  }

  // Delete works off the window's thread: the window paints, Esc in its progress dialog stops it
  // before the next file, and the list then holds exactly the rows whose files are still there.
  void aCancelledDeleteLeavesTheListAndTheDiskInAgreement() {
    std::vector<ResultRow> rows;
    std::vector<bool> selected;
    for (std::uint32_t i = 0; i < 3000; ++i) {
      const QByteArray content = QByteArray::number(i);
      rows.push_back(fileRow(inside(files, QStringLiteral("sel/%1").arg(i)), i + 1, content));
      rows.push_back(fileRow(inside(files, QStringLiteral("keep/%1").arg(i)), i + 1, content));
      selected.insert(selected.end(), {true, false});
    }
    MainWindow window;
    const test::MainWindowDriver ui(window);
    window.setActionProgressDelay(0);
    test::showActive(window);
    ui.resultList()->installRows(std::vector<ResultRow>(rows));
    ui.resultList()->selectRows(selected);
    PaintCounter paints(ui.resultList()->viewport());
    test::whenModal([](QWidget* widget) { return widget->objectName() == QStringLiteral("ActionProgressDialog"); },
                    [ui](QWidget* dialog) {
                      ui.resultList()->viewport()->update();
                      QTest::keyClick(dialog, Qt::Key_Escape);
                    });
    Boxes boxes;
    window.action(MainAction::Delete)->trigger();
    QVERIFY(paints.whileModal > 0);
    std::set<std::string> listed;
    for (const ResultRow& row : ui.resultList()->rows()) listed.insert(row.path);
    std::size_t deleted = 0;
    for (const ResultRow& row : rows) {
      const bool onDisk = QFile::exists(QString::fromStdString(row.path));
      QCOMPARE(listed.count(row.path) == 1, onDisk);
      deleted += onDisk ? 0 : 1;
    }
    QVERIFY(deleted < 3000);
    QCOMPARE(boxes.seen().size(), 1);
    QCOMPARE(boxes.seen()[0].text, QStringLiteral("Cancelled: %1 of 3000 selected files were deleted.").arg(deleted));
  }

  void ctrlPWritesTheReportInListOrderAndOpensIt() {
    // A data folder two levels below anything that exists.
    const QString config = desktop->configHome() + QStringLiteral("/deeper/still");
    test::setFolderVariable(test::kConfigHomeVariable, config);
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    ui.resultList()->sortByColumn(int(ResultColumn::Name));
    ui.resultList()->setFocus();
    QTest::keyClick(ui.resultList(), Qt::Key_P, Qt::ControlModifier);

    const QString report = config + QStringLiteral("/Pelimor/Duplicates.html");
    QCOMPARE(desktop->opener.urls, QList<QUrl>{QUrl::fromLocalFile(report)});
    const QByteArray html = contentOf(report);
    QVERIFY(html.startsWith("<html>\r\n"));
    QVERIFY(html.endsWith("</html>\r\n"));
    qsizetype from = 0;
    for (const ResultRow& row : ui.resultList()->rows()) {
      const qsizetype at = html.indexOf("<td>" + QByteArray::fromStdString(row.path) + "</td>", from);
      QVERIFY2(at > from, row.path.c_str());
      from = at;
    }
  }

  void aReportThatCannotBeWrittenIsShownAndNotOpened() {
    test::writeFile(desktop->configHome() + QStringLiteral("/Pelimor"), "a file where the folder should be");
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    Boxes boxes;
    window.action(MainAction::Print)->trigger();
    QCOMPARE(boxes.seen().size(), 1);
    QCOMPARE(boxes.seen()[0].title, QStringLiteral("Pelimor"));
    QCOMPARE(boxes.seen()[0].text, QStringLiteral("Invalid filename."));
    QCOMPARE(boxes.seen()[0].icon, QMessageBox::Critical);
    QCOMPARE(boxes.seen()[0].buttons, QStringList{QStringLiteral("OK")});
    QVERIFY(desktop->opener.urls.isEmpty());
  }

  void delWithTheResultListFocusedDeletes() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(foldersRows());
    ui.resultList()->selectRows({false, true});
    ui.resultList()->setFocus();
    QTest::keyClick(ui.resultList(), Qt::Key_Delete);
    QVERIFY(!QFile::exists(inside(files, "a/one copy.txt")));
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(8));
  }

  // What a search found, selected safely and deleted: every group keeps a file.
  void searchSelectAndDeleteLeaveOneFileOfEachGroup() {
    const QString root = inside(files, "tree");
    for (const char* name : {"keep/p.jpg", "drop/p.jpg", "drop/p copy.jpg"})
      test::writeFile(root + "/" + name, "picture");
    for (const char* name : {"drop/q.doc", "drop/q2.doc"}) test::writeFile(root + "/" + name, "document text");
    MainWindow window;
    const test::MainWindowDriver ui(window);
    window.setSourceFolders({bytesOf(root)});
    ui.sizeList()->setCurrentIndex(0);
    test::showActive(window);
    window.action(MainAction::Search)->trigger();
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(5));

    // The search left its top row selected; start from a row in drop/ instead.
    std::vector<bool> one(5, false);
    for (std::size_t i = 0; i < 5; ++i) {
      if (shownText(ui.resultList()->rows()[i].path).contains(QStringLiteral("/drop/"))) {
        one[i] = true;
        break;
      }
    }
    ui.resultList()->selectRows(one);
    ui.resultList()->setFocusedRow(-1);
    window.action(MainAction::Select)->trigger();
    QCOMPARE(ui.resultList()->selectedCount(), std::size_t(3));
    Boxes boxes;
    window.action(MainAction::Delete)->trigger();
    QVERIFY(boxes.seen().isEmpty());
    QCOMPARE(ui.resultList()->rows().size(), std::size_t(2));
    QVERIFY(QFile::exists(root + "/keep/p.jpg"));
    QCOMPARE(QDir(root + "/drop").entryList(QDir::Files).size(), 1);
  }
};

QTEST_MAIN(ResultActionsTest)
#include "result_actions_test.moc"
