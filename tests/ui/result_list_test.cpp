#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <random>
#include <tuple>

#include "ui/main_window.h"
#include "ui/main_window_driver.h"
#include "ui/result_list_view.h"
#include "ui/ui_test_support.h"

using namespace pelimor;
using pelimor::test::makeRow;

namespace {
// Groups 1..3, two rows each, sizes chosen so that size order differs from group order.
std::vector<ResultRow> sixRows() {
  return {makeRow(1, "/data/b/zeta.txt", 10, 0x0A000000),    makeRow(1, "/data/a/Alpha.txt", 10, 0x0A000000),
          makeRow(2, "/data/c/mid.txt", 9, 0x3C000000),      makeRow(2, "/data/a/_under.txt", 9, 0x3C000000),
          makeRow(3, "/data/d/9lives.txt", 200, 0xF1000000), makeRow(3, "/data/b/Beta.txt", 200, 0xF1000000)};
}

QStringList column(const ResultListView& view, int column) {
  QStringList texts;
  // Paths in the program's window: the list shows them with '\' on Windows.
  for (const ResultRow& row : view.rows()) texts << QDir::fromNativeSeparators(ResultTableModel::cellText(row, column));
  return texts;
}

void clickHeader(ResultListView& view, int section) {
  QHeaderView* header = view.horizontalHeader();
  const QPoint inside(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                      header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, inside);
}

// Which way the header's sort arrow points, read from the painted header: +1 up, -1 down, 0 none.
int sortArrowDirection(const ResultListView& view, int section) {
  QHeaderView* header = view.horizontalHeader();
  const QImage painted = header->grab().toImage();
  const int right = header->sectionViewportPosition(section) + header->sectionSize(section) - 3;
  const QColor background = painted.pixelColor(right - 20, 3);
  std::vector<int> widths;  // dark pixels per line of the section's right end, where the arrow is
  for (int y = 2; y < header->height() - 2; ++y) {
    int dark = 0;
    for (int x = right - 18; x < right; ++x) dark += painted.pixelColor(x, y).lightness() < background.lightness() - 60;
    if (dark > 0) widths.push_back(dark);
  }
  if (widths.size() < 2 || widths.front() == widths.back()) return 0;
  return widths.front() < widths.back() ? 1 : -1;
}

QPoint rowPoint(const ResultListView& view, int row, int column = 1) {
  return view.visualRect(view.model()->index(row, column)).center();
}

// Runs one step of a click/key script: "c3" click row 3, "C3" Ctrl+click, "S3" Shift+click,
// "X3" Shift+Ctrl+click, "r3" right-click, "E" click below the last row, "d1-4" drag from row 1
// to row 4 ("D" with Ctrl); keys by name, "^" for Ctrl, "+" for Shift ("^+End").
void runStep(ResultListView& view, QString step) {
  QWidget* area = view.viewport();
  const auto row = [&](int at) { return rowPoint(view, step.mid(at).section('-', 0, 0).toInt()); };
  const Qt::KeyboardModifiers clicks[] = {Qt::NoModifier, Qt::ControlModifier, Qt::ShiftModifier,
                                          Qt::ShiftModifier | Qt::ControlModifier};
  const int click = QStringLiteral("cCSX").indexOf(step[0]);
  if (step.size() > 1 && step[1].isDigit() && click >= 0) {
    QTest::mouseClick(area, Qt::LeftButton, clicks[click], row(1));
  } else if (step.startsWith('r')) {
    QTest::mouseClick(area, Qt::RightButton, Qt::NoModifier, row(1));
  } else if (step == "E") {
    QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, QPoint(20, area->height() - 3));
  } else if (step.contains('-')) {
    const Qt::KeyboardModifiers modifiers = step[0] == 'D' ? Qt::ControlModifier : Qt::NoModifier;
    const QPoint to = rowPoint(view, step.section('-', 1).toInt());
    QTest::mousePress(area, Qt::LeftButton, modifiers, row(1));
    QMouseEvent move(QEvent::MouseMove, to, area->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, modifiers);
    QApplication::sendEvent(area, &move);
    QTest::mouseRelease(area, Qt::LeftButton, modifiers, to);
  } else {
    Qt::KeyboardModifiers modifiers;
    for (; step.startsWith('^') || step.startsWith('+'); step.remove(0, 1)) {
      modifiers |= step[0] == '^' ? Qt::ControlModifier : Qt::ShiftModifier;
    }
    static const QHash<QString, Qt::Key> keys{
        {"Up", Qt::Key_Up},       {"Down", Qt::Key_Down}, {"Left", Qt::Key_Left},   {"Right", Qt::Key_Right},
        {"Home", Qt::Key_Home},   {"End", Qt::Key_End},   {"PgUp", Qt::Key_PageUp}, {"PgDn", Qt::Key_PageDown},
        {"Space", Qt::Key_Space}, {"A", Qt::Key_A}};
    QVERIFY2(keys.contains(step), qPrintable(step));
    QTest::keyClick(&view, keys[step], modifiers);
  }
}

QString selectedText(const ResultListView& view) {
  QStringList rows;
  const std::vector<bool> flags = view.selectedRows();
  for (std::size_t i = 0; i < flags.size(); ++i) {
    if (flags[i]) rows << QString::number(i);
  }
  return rows.join(' ');
}
}  // namespace

class ResultListTest : public QObject {
  Q_OBJECT

 private slots:
  void statusBarShowsStartTextsUntilTheFirstChange() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: "));
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: "));
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files:"));
    ui.resultList()->clearRows();
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: 0"));
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: 0"));
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: 0"));
  }

  void statusBarFollowsRowsAndSelection() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(sixRows());
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: 3"));
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: 6"));
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: 0"));

    QTest::mouseClick(ui.resultList()->viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(*ui.resultList(), 1));
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: 1"));
    QTest::mouseClick(ui.resultList()->viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(*ui.resultList(), 4));
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: 2"));
    QTest::mouseClick(ui.resultList()->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(*ui.resultList(), 2));
    QCOMPARE(ui.statusText(2),
             QStringLiteral("Selected files: %1").arg(ui.resultList()->countSelectedRowsInSelection()));
    QVERIFY(ui.resultList()->selectedCount() >= 3);
    ui.resultList()->setFocus();
    QTest::keyClick(ui.resultList(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: 6"));
  }

  // What clicks and keys do to the selection and the focus, from a list of eight rows with nothing
  // selected and no focus.
  void clicksAndKeysSelectLikeBefore_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<int>("focused");
    // clang-format off
    const std::initializer_list<std::tuple<const char*, const char*, int>> table = {
        {"c2", "2", 2}, {"c2 c5", "5", 5}, {"c2 c2", "2", 2},
        {"c2 C5", "2 5", 5}, {"c2 C5 C2", "5", 2}, {"c2 S5", "2 3 4 5", 5},
        {"c2 S5 S3", "2 3", 3}, {"c1 C4 S6", "1 4 5 6", 6}, {"c1 C4 S6 S2", "1 2 3 4", 2},
        {"c1 X4", "1 2 3 4", 4}, {"c1 C3 X5", "1 3 4 5", 5}, {"c2 S4 C6 S7", "2 3 4 6 7", 7},
        {"c2 r5", "5", 5}, {"c2 C5 r5", "2 5", 5}, {"c2 C5 r1", "1", 1},
        {"c2 E", "", 2}, {"d1-4", "1 2 3 4", 4}, {"d1-4 c3", "3", 3},
        {"c6 D1-3", "1 2 3 6", 3},
        // The keyboard focus put the focus on row 0.
        {"Down", "1", 1}, {"c2 Down", "3", 3}, {"c2 +Down +Down", "2 3 4", 4},
        {"c2 +Down +Up +Up", "1 2", 1}, {"c2 ^Down ^Down", "2", 4}, {"c2 ^Down ^Down Space", "2 4", 4},
        {"c2 ^Down ^Down ^Space ^Space", "2", 4}, {"c2 Space", "2", 2}, {"c2 ^Space", "", 2},
        {"c2 ^Down +Down", "3 4", 4}, {"c2 C5 +Down", "2 5 6", 6},
        // Home and End go along the row, Ctrl+Home and Ctrl+End down the list.
        {"c2 Home", "2", 2}, {"c2 +End", "2", 2}, {"c2 ^Home", "2", 0},
        {"c2 ^End", "2", 7}, {"c2 ^End +Up", "6 7", 6}, {"c1 S3 ^Down ^Down +Down", "5 6", 6},
        {"c2 PgDn", "7", 7}, {"c5 PgUp", "0", 0}, {"c2 +PgDn", "2 3 4 5 6 7", 7},
        {"c2 Right", "2", 2}, {"c2 C4 Left", "4", 4}, {"c2 ^A", "0 1 2 3 4 5 6 7", 2},
        {"^A c3", "3", 3}, {"^A C3", "0 1 2 4 5 6 7", 3},
        // A Shift range replaces the latest change, not all of it.
        {"c2 S4 ^A S6", "2 3 4 5 6", 6}
    };
    // clang-format on
    for (const auto& [script, selected, focused] : table) {
      QTest::newRow(script) << QString::fromLatin1(script) << QString::fromLatin1(selected) << focused;
    }
  }

  void clicksAndKeysSelectLikeBefore() {
    QFETCH(QString, script);
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    std::vector<ResultRow> rows;
    for (std::uint32_t i = 0; i < 8; ++i) rows.push_back(makeRow(i / 2 + 1, "/f/" + std::to_string(i), 10 + i, i / 2));
    ui.resultList()->installRows(rows);
    ui.resultList()->setFocus();
    for (const QString& step : script.split(' ')) runStep(*ui.resultList(), step);
    QTEST(selectedText(*ui.resultList()), "selected");
    QTEST(ui.resultList()->focusedRow(), "focused");
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: %1").arg(ui.resultList()->selectedCount()));
  }

  // The fourth panel adds up the selected files' sizes, whatever changed the selection.
  void selectedSizeFollowsTheSelection() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    QCOMPARE(ui.statusText(3), QStringLiteral("Selected size: "));
    ui.resultList()->installRows({makeRow(1, "/a/1", 512, 1), makeRow(1, "/b/1", 512, 1),
                                  makeRow(2, "/a/2", 1'048'470, 2), makeRow(2, "/b/2", 1'048'470, 2),
                                  makeRow(3, "/a/3", 1'288'490'189, 3), makeRow(3, "/b/3", 1'288'490'189, 3)});
    const std::initializer_list<std::pair<const char*, const char*>> steps = {
        {"c0", "512 B"},   {"C1", "1.0 KiB"}, {"c2", "1023.9 KiB"}, {"C3", "2.0 MiB"}, {"C4", "1.2 GiB"},
        {"C4", "2.0 MiB"}, {"^A", "2.4 GiB"}, {"c5", "1.2 GiB"},    {"S0", "2.4 GiB"}};
    ResultListView& view = *ui.resultList();
    view.setFocus();
    for (const auto& [step, size] : steps) {
      runStep(view, QString::fromLatin1(step));
      QCOMPARE(ui.statusText(3), QStringLiteral("Selected size: ") + QString::fromLatin1(size));
    }
    view.selectRows({false, false, false, false, true});
    view.removeFlaggedRows({true});
    QCOMPARE(ui.statusText(3), QStringLiteral("Selected size: 1.2 GiB"));
    view.clearRows();
    QCOMPARE(ui.statusText(3), QStringLiteral("Selected size: 0 B"));
    QCOMPARE(binarySizeText(1'048'470), QStringLiteral("1023.9 KiB"));
    QCOMPARE(binarySizeText(1'048'535), QStringLiteral("1.0 MiB"));  // rounded to 1024.0 KiB
  }

  // Path takes the width the list gives; a scroll bar only when the other columns leave it too little.
  void pathColumnFollowsTheListsWidth() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ResultListView& view = *ui.resultList();
    auto columnsWidth = [&] {
      int width = 0;
      for (int column = 0; column < kResultColumnCount; ++column) width += view.columnWidth(column);
      return width;
    };
    // The narrowest the window goes depends on the system's font: its boxes fit their texts.
    const int narrowest = std::max(400, window.minimumSizeHint().width());
    for (const int windowWidth : {window.width(), window.width() + 300, narrowest}) {
      window.resize(windowWidth, window.height());
      QApplication::processEvents();
      const bool fits =
          columnsWidth() - view.columnWidth(int(ResultColumn::Path)) + ResultListView::kMinimumPathWidth <=
          view.viewport()->width();
      // A window manager may settle the size a moment later (Wine's does).
      QTRY_COMPARE(view.horizontalScrollBar()->isVisible(), !fits);
      if (fits) QTRY_COMPARE(columnsWidth(), view.viewport()->width());
    }
  }

  void groupCountIsOfTheGroupsNotTheLastRowsNumber() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    std::vector<ResultRow> rows;
    for (std::uint32_t group = 1; group <= 7; ++group) {
      const std::string last = group == 3 ? "zz" : "a" + std::to_string(group);
      rows.push_back(makeRow(group, "/x/" + last + "-1", 100 + group, group));
      rows.push_back(makeRow(group, "/y/" + last + "-2", 100 + group, group));
    }
    ui.resultList()->installRows(rows);
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: 7"));
    ui.resultList()->sortByColumn(int(ResultColumn::Name));  // descending: "zz" first
    ui.resultList()->sortByColumn(int(ResultColumn::Name));  // ascending: "zz" of group 3 last
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: 7"));
  }

  void firstClickOnSizeSortsDescendingThenAscending() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(sixRows());
    clickHeader(*ui.resultList(), int(ResultColumn::Size));
    QCOMPARE(column(*ui.resultList(), 3), (QStringList{"200", "200", "10", "10", "9", "9"}));
    QCOMPARE(sortArrowDirection(*ui.resultList(), int(ResultColumn::Size)), -1);
    clickHeader(*ui.resultList(), int(ResultColumn::Size));
    QCOMPARE(column(*ui.resultList(), 3), (QStringList{"9", "9", "10", "10", "200", "200"}));
    QCOMPARE(sortArrowDirection(*ui.resultList(), int(ResultColumn::Size)), 1);
  }

  void nameThenPathGivesDescendingThenAscending() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(sixRows());
    clickHeader(*ui.resultList(), int(ResultColumn::Name));
    // Letters fold to upper case, so '_' sorts after every letter; digits before letters.
    QCOMPARE(column(*ui.resultList(), 1),
             (QStringList{"_under.txt", "zeta.txt", "mid.txt", "Beta.txt", "Alpha.txt", "9lives.txt"}));
    clickHeader(*ui.resultList(), int(ResultColumn::Path));
    QCOMPARE(column(*ui.resultList(), 2), (QStringList{"/data/a/Alpha.txt", "/data/a/_under.txt", "/data/b/Beta.txt",
                                                       "/data/b/zeta.txt", "/data/c/mid.txt", "/data/d/9lives.txt"}));
    QVERIFY(ui.resultList()->horizontalHeader()->isSortIndicatorShown());
    QCOMPARE(ui.resultList()->horizontalHeader()->sortIndicatorSection(), 2);
  }

  void sortingKeepsSelectionAndFocus() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    ui.resultList()->installRows(sixRows());
    ui.resultList()->selectRows({false, true, false, false, true, false});  // Alpha, 9lives
    ui.resultList()->setFocusedRow(4);
    ui.resultList()->sortByColumn(int(ResultColumn::Path));  // descending paths
    std::vector<std::string> selected;
    const std::vector<bool> flags = ui.resultList()->selectedRows();
    for (std::size_t i = 0; i < flags.size(); ++i) {
      if (flags[i]) selected.push_back(ui.resultList()->rows()[i].path);
    }
    QCOMPARE(selected, (std::vector<std::string>{"/data/d/9lives.txt", "/data/a/Alpha.txt"}));
    QCOMPARE(ui.resultList()->rows()[std::size_t(ui.resultList()->focusedRow())].path,
             std::string("/data/d/9lives.txt"));
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: 2"));
  }

  void groupsAlternateBackgrounds() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    window.resize(900, 600);
    test::showActive(window);
    ui.resultList()->installRows(sixRows());
    const QColor white(255, 255, 255);
    const QColor green(223, 247, 231);
    QAbstractItemModel* model = ui.resultList()->model();
    QColor expected[] = {white, white, green, green, white, white};
    for (int row = 0; row < 6; ++row) {
      QCOMPARE(model->data(model->index(row, 0), Qt::BackgroundRole).value<QColor>(), expected[row]);
    }
    // What is painted, not only what the model says: an empty part of each cell, a selected one in
    // the highlight colour.
    ui.resultList()->selectRows({false, false, false, true});
    expected[3] = ui.resultList()->palette().color(QPalette::Active, QPalette::Highlight);
    const QImage painted = ui.resultList()->viewport()->grab().toImage();
    for (int row = 0; row < 6; ++row) {
      const QRect cell = ui.resultList()->visualRect(model->index(row, int(ResultColumn::Crc32)));
      QCOMPARE(QColor(painted.pixel(cell.right() - 3, cell.center().y())), expected[row]);
    }
    // Re-sorted, each row keeps the colour of its group.
    ui.resultList()->sortByColumn(int(ResultColumn::Size));
    for (int row = 0; row < 6; ++row) {
      const std::uint32_t group = ui.resultList()->rows()[std::size_t(row)].group;
      QCOMPARE(model->data(model->index(row, 3), Qt::BackgroundRole).value<QColor>(), group % 2 ? white : green);
    }
  }

  void contextMenuEntryNeedsRowsAndASelection() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    QAction* entry = ui.safeSelectEntry();
    QCOMPARE(entry->text(), QStringLiteral("Safely Select Duplicates From This Folder in All Groups"));
    // Open Containing Folder, Copy Path and a line; the selection's entries, Undo, Preview, the Select menu
    QCOMPARE(ui.resultMenu()->actions().size(), 9);
    auto rightClick = [&] {
      const QPoint at(20, 10);
      QContextMenuEvent event(QContextMenuEvent::Mouse, at, ui.resultList()->viewport()->mapToGlobal(at));
      QApplication::sendEvent(ui.resultList()->viewport(), &event);
      const bool visible = entry->isVisible();
      [&] { QCOMPARE(ui.hardLinksEntry()->isVisible(), visible); }();
      ui.resultMenu()->close();
      return visible;
    };
    QVERIFY(!rightClick());
    ui.resultList()->installRows(sixRows());
    QVERIFY(!rightClick());
    ui.resultList()->selectRows({false, false, true});
    QVERIFY(rightClick());
    QSignalSpy select(window.action(MainAction::Select), &QAction::triggered);
    entry->trigger();
    QCOMPARE(select.count(), 1);
  }

  void doubleClickOpensTheTopmostSelectedFile() {
    test::Opener opened({QStringLiteral("file")});
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    ui.resultList()->installRows(sixRows());
    ui.resultList()->selectRows({false, true, false, false, true});
    // A double-click with Ctrl held: its first press toggles row 4, the second press opens.
    const QPoint row4 = rowPoint(*ui.resultList(), 4);
    QTest::mouseClick(ui.resultList()->viewport(), Qt::LeftButton, Qt::ControlModifier, row4);
    QTest::mouseDClick(ui.resultList()->viewport(), Qt::LeftButton, Qt::ControlModifier, row4);
    QVERIFY(!opened.urls.isEmpty());
    QCOMPARE(opened.urls.last(), QUrl::fromLocalFile(QStringLiteral("/data/a/Alpha.txt")));
  }

  void removingRowsKeepsTheRestWithTheirSelection() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    ui.resultList()->installRows(sixRows());
    ui.resultList()->selectRows({true, false, true, false, false, true});
    ui.resultList()->setFocusedRow(5);
    ui.resultList()->removeFlaggedRows({true, false, false, true, false, false});
    QCOMPARE(column(*ui.resultList(), 2),
             (QStringList{"/data/a/Alpha.txt", "/data/c/mid.txt", "/data/d/9lives.txt", "/data/b/Beta.txt"}));
    QCOMPARE(ui.resultList()->selectedRows(), (std::vector<bool>{false, true, false, true}));
    QCOMPARE(ui.resultList()->focusedRow(), 3);
    QCOMPARE(ui.resultList()->firstSelectedRow(), 1);
    QCOMPARE(ui.statusText(1), QStringLiteral("Files: 4"));
    QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: 2"));
    QCOMPARE(ui.statusText(0), QStringLiteral("Groups: 3"));
  }

  // The kept count must always agree with the selection itself, whatever changed it.
  void selectedCountStaysTrueThroughMixedChanges() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    test::showActive(window);
    std::vector<ResultRow> rows;
    for (std::uint32_t i = 0; i < 40; ++i) rows.push_back(makeRow(i / 2 + 1, "/f/" + std::to_string(i), i, i / 2));
    ui.resultList()->installRows(rows);
    std::mt19937 random(7);
    ResultListView& view = *ui.resultList();
    for (int step = 0; step < 300; ++step) {
      const int row = int(random() % view.rows().size());
      switch (random() % 7) {
        case 0:
          QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(view, std::min(row, 10)));
          break;
        case 1:
          QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(view, std::min(row, 10)));
          break;
        case 2:
          QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(view, std::min(row, 10)));
          break;
        case 3: {
          std::vector<bool> flags(view.rows().size());
          for (std::size_t i = 0; i < flags.size(); ++i) flags[i] = random() % 3 == 0;
          view.selectRows(flags);
          break;
        }
        case 4:
          view.sortByColumn(int(random() % 5));
          break;
        case 5:
          view.selectAll();
          break;
        case 6:
          if (view.rows().size() > 12) {
            std::vector<bool> remove(view.rows().size());
            remove[std::size_t(row)] = true;
            view.removeFlaggedRows(remove);
          }
          break;
      }
      QCOMPARE(view.selectedCount(), view.countSelectedRowsInSelection());
      std::size_t flagged = 0;
      for (bool flag : view.selectedRows()) flagged += flag ? 1 : 0;
      QCOMPARE(view.selectedCount(), flagged);
      QCOMPARE(ui.statusText(2), QStringLiteral("Selected files: %1").arg(flagged));
    }
  }

  void installingASearchResultResetsKeyButNotDirection() {
    MainWindow window;
    const test::MainWindowDriver ui(window);
    ui.resultList()->installRows(sixRows());
    ui.resultList()->sortByColumn(int(ResultColumn::Path));
    QVERIFY(ui.resultList()->sortState().descending);
    ui.resultList()->installRows(sixRows());
    QCOMPARE(ui.resultList()->sortState().column, ResultColumn::Group);
    QVERIFY(ui.resultList()->sortState().descending);
    QCOMPARE(ui.resultList()->selectedCount(), std::size_t(0));
  }
};

QTEST_MAIN(ResultListTest)
#include "result_list_test.moc"
