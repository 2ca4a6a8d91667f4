#include <QAction>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <random>

#include "settings/options_record.h"
#include "ui/form_qvr.h"
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
  for (const ResultRow& row : view.rows()) texts << ResultTableModel::cellText(row, column);
  return texts;
}

void clickHeader(ResultListView& view, int section) {
  QHeaderView* header = view.horizontalHeader();
  const QPoint inside(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                      header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, inside);
}

QPoint rowPoint(const ResultListView& view, int row, int column = 1) {
  return view.visualRect(view.model()->index(row, column)).center();
}

class OpenedFiles : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};
}  // namespace

class ResultListTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { Options = OptionsRecord{}; }

  void statusBarShowsStartTextsUntilTheFirstChange() {
    TFormQVR form;
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Groups: "));
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Files: "));
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Selected files:"));
    form.ListViewDup->clearRows();
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Groups: 0"));
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Files: 0"));
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Selected files: 0"));
  }

  void statusBarFollowsRowsAndSelection() {
    TFormQVR form;
    test::showActive(form);
    form.ListViewDup->installRows(sixRows());
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Groups: 3"));
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Files: 6"));
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Selected files: 0"));

    QTest::mouseClick(form.ListViewDup->viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(*form.ListViewDup, 1));
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Selected files: 1"));
    QTest::mouseClick(form.ListViewDup->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      rowPoint(*form.ListViewDup, 4));
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Selected files: 2"));
    QTest::mouseClick(form.ListViewDup->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(*form.ListViewDup, 2));
    QCOMPARE(form.statusPanelText(2),
             QStringLiteral("Selected files: %1").arg(form.ListViewDup->countSelectedRowsInSelection()));
    QVERIFY(form.ListViewDup->selectedCount() >= 3);
    form.ListViewDup->setFocus();
    QTest::keyClick(form.ListViewDup, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Selected files: 6"));
  }

  void groupCountIsTheLastRowsNumber() {
    TFormQVR form;
    std::vector<ResultRow> rows;
    for (std::uint32_t group = 1; group <= 7; ++group) {
      const std::string last = group == 3 ? "zz" : "a" + std::to_string(group);
      rows.push_back(makeRow(group, "/x/" + last + "-1", 100 + group, group));
      rows.push_back(makeRow(group, "/y/" + last + "-2", 100 + group, group));
    }
    form.ListViewDup->installRows(rows);
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Groups: 7"));
    form.ListViewDup->ListViewDupColumnClick(int(ResultColumn::Name));  // descending: "zz" first
    form.ListViewDup->ListViewDupColumnClick(int(ResultColumn::Name));  // ascending: "zz" last
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Groups: 3"));
  }

  void firstClickOnSizeSortsDescendingThenAscending() {
    TFormQVR form;
    test::showActive(form);
    form.ListViewDup->installRows(sixRows());
    clickHeader(*form.ListViewDup, int(ResultColumn::Size));
    QCOMPARE(column(*form.ListViewDup, 3), (QStringList{"200", "200", "10", "10", "9", "9"}));
    clickHeader(*form.ListViewDup, int(ResultColumn::Size));
    QCOMPARE(column(*form.ListViewDup, 3), (QStringList{"9", "9", "10", "10", "200", "200"}));
  }

  void nameThenPathGivesDescendingThenAscending() {
    TFormQVR form;
    test::showActive(form);
    form.ListViewDup->installRows(sixRows());
    clickHeader(*form.ListViewDup, int(ResultColumn::Name));
    // Letters fold to upper case, so '_' sorts after every letter; digits before letters.
    QCOMPARE(column(*form.ListViewDup, 1),
             (QStringList{"_under.txt", "zeta.txt", "mid.txt", "Beta.txt", "Alpha.txt", "9lives.txt"}));
    clickHeader(*form.ListViewDup, int(ResultColumn::Path));
    QCOMPARE(column(*form.ListViewDup, 2), (QStringList{"/data/a/Alpha.txt", "/data/a/_under.txt", "/data/b/Beta.txt",
                                                        "/data/b/zeta.txt", "/data/c/mid.txt", "/data/d/9lives.txt"}));
    QVERIFY(form.ListViewDup->horizontalHeader()->isSortIndicatorShown());
    QCOMPARE(form.ListViewDup->horizontalHeader()->sortIndicatorSection(), 2);
  }

  void sortingKeepsSelectionAndFocus() {
    TFormQVR form;
    form.ListViewDup->installRows(sixRows());
    form.ListViewDup->selectRows({false, true, false, false, true, false});  // Alpha, 9lives
    form.ListViewDup->setFocusedRow(4);
    form.ListViewDup->ListViewDupColumnClick(int(ResultColumn::Path));  // descending paths
    std::vector<std::string> selected;
    const std::vector<bool> flags = form.ListViewDup->selectedRows();
    for (std::size_t i = 0; i < flags.size(); ++i) {
      if (flags[i]) selected.push_back(form.ListViewDup->rows()[i].path);
    }
    QCOMPARE(selected, (std::vector<std::string>{"/data/d/9lives.txt", "/data/a/Alpha.txt"}));
    QCOMPARE(form.ListViewDup->rows()[std::size_t(form.ListViewDup->focusedRow())].path,
             std::string("/data/d/9lives.txt"));
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Selected files: 2"));
  }

  void groupsAlternateBackgrounds() {
    TFormQVR form;
    form.resize(900, 600);
    test::showActive(form);
    form.ListViewDup->installRows(sixRows());
    const QColor white(255, 255, 255);
    const QColor green(223, 247, 231);
    QAbstractItemModel* model = form.ListViewDup->model();
    const QColor expected[] = {white, white, green, green, white, white};
    for (int row = 0; row < 6; ++row) {
      QCOMPARE(model->data(model->index(row, 0), Qt::BackgroundRole).value<QColor>(), expected[row]);
    }
    // What is painted, not only what the model says: an empty part of an unselected cell.
    const QImage painted = form.ListViewDup->viewport()->grab().toImage();
    for (int row = 0; row < 6; ++row) {
      const QRect cell = form.ListViewDup->visualRect(model->index(row, int(ResultColumn::Crc32)));
      QCOMPARE(QColor(painted.pixel(cell.right() - 3, cell.center().y())), expected[row]);
    }
    // Re-sorted, each row keeps the colour of its group.
    form.ListViewDup->ListViewDupColumnClick(int(ResultColumn::Size));
    for (int row = 0; row < 6; ++row) {
      const std::uint32_t group = form.ListViewDup->rows()[std::size_t(row)].group;
      QCOMPARE(model->data(model->index(row, 3), Qt::BackgroundRole).value<QColor>(), group % 2 ? white : green);
    }
  }

  void contextMenuEntryNeedsRowsAndASelection() {
    TFormQVR form;
    test::showActive(form);
    QAction* entry = form.SafelySelectDuplicatesFromThisFolderinAllGroups1;
    QCOMPARE(entry->text(), QStringLiteral("Safely Select Duplicates From This Folder in All Groups"));
    QCOMPARE(form.PopupMenu1->actions().size(), 2);
    auto rightClick = [&] {
      const QPoint at(20, 10);
      QContextMenuEvent event(QContextMenuEvent::Mouse, at, form.ListViewDup->viewport()->mapToGlobal(at));
      QApplication::sendEvent(form.ListViewDup->viewport(), &event);
      const bool visible = entry->isVisible();
      [&] { QCOMPARE(form.ReplaceSelectedWithHardLinks1->isVisible(), visible); }();
      form.PopupMenu1->close();
      return visible;
    };
    QVERIFY(!rightClick());
    form.ListViewDup->installRows(sixRows());
    QVERIFY(!rightClick());
    form.ListViewDup->selectRows({false, false, true});
    QVERIFY(rightClick());
    QSignalSpy select(form.ActionSelect, &QAction::triggered);
    entry->trigger();
    QCOMPARE(select.count(), 1);
  }

  void doubleClickOpensTheTopmostSelectedFile() {
    OpenedFiles opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    TFormQVR form;
    test::showActive(form);
    form.ListViewDup->installRows(sixRows());
    form.ListViewDup->selectRows({false, true, false, false, true});
    // A double-click with Ctrl held: its first press toggles row 4, the second press opens.
    const QPoint row4 = rowPoint(*form.ListViewDup, 4);
    QTest::mouseClick(form.ListViewDup->viewport(), Qt::LeftButton, Qt::ControlModifier, row4);
    QTest::mouseDClick(form.ListViewDup->viewport(), Qt::LeftButton, Qt::ControlModifier, row4);
    QVERIFY(!opened.urls.isEmpty());
    QCOMPARE(opened.urls.last(), QUrl::fromLocalFile(QStringLiteral("/data/a/Alpha.txt")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  }

  void removingRowsKeepsTheRestWithTheirSelection() {
    TFormQVR form;
    form.ListViewDup->installRows(sixRows());
    form.ListViewDup->selectRows({true, false, true, false, false, true});
    form.ListViewDup->setFocusedRow(5);
    form.ListViewDup->removeFlaggedRows({true, false, false, true, false, false});
    QCOMPARE(column(*form.ListViewDup, 2),
             (QStringList{"/data/a/Alpha.txt", "/data/c/mid.txt", "/data/d/9lives.txt", "/data/b/Beta.txt"}));
    QCOMPARE(form.ListViewDup->selectedRows(), (std::vector<bool>{false, true, false, true}));
    QCOMPARE(form.ListViewDup->focusedRow(), 3);
    QCOMPARE(form.ListViewDup->firstSelectedRow(), 1);
    QCOMPARE(form.statusPanelText(1), QStringLiteral("Files: 4"));
    QCOMPARE(form.statusPanelText(2), QStringLiteral("Selected files: 2"));
    QCOMPARE(form.statusPanelText(0), QStringLiteral("Groups: 3"));
  }

  // The kept count must always agree with the selection itself, whatever changed it.
  void selectedCountStaysTrueThroughMixedChanges() {
    TFormQVR form;
    test::showActive(form);
    std::vector<ResultRow> rows;
    for (std::uint32_t i = 0; i < 40; ++i) rows.push_back(makeRow(i / 2 + 1, "/f/" + std::to_string(i), i, i / 2));
    form.ListViewDup->installRows(rows);
    std::mt19937 random(7);
    ResultListView& view = *form.ListViewDup;
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
          view.ListViewDupColumnClick(int(random() % 5));
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
      QCOMPARE(form.statusPanelText(2), QStringLiteral("Selected files: %1").arg(flagged));
    }
  }

  void installingASearchResultResetsKeyButNotDirection() {
    TFormQVR form;
    form.ListViewDup->installRows(sixRows());
    form.ListViewDup->ListViewDupColumnClick(int(ResultColumn::Path));
    QVERIFY(form.ListViewDup->sortState().descending);
    form.ListViewDup->installRows(sixRows());
    QCOMPARE(form.ListViewDup->sortState().column, ResultColumn::Group);
    QVERIFY(form.ListViewDup->sortState().descending);
    QCOMPARE(form.ListViewDup->selectedCount(), std::size_t(0));
  }
};

QTEST_MAIN(ResultListTest)
#include "result_list_test.moc"
