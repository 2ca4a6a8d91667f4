#include <QTest>
#include <random>

#include "results/result_order.h"
#include "ui/result_sort.h"

using namespace pelimor;

namespace {
// Paths built from few pieces, so that equal texts, shared starts, prefixes, case twins and
// bytes above 127 all come up often.
std::vector<ResultRow> randomRows(std::size_t count, std::uint32_t seed) {
  static const char* const kPieces[] = {"a", "A", "b", "_", "Z", "z", "0", "9", "/", "abcdefgh", "ABCDEFGH",
                                        "abcdefghi", "\xc3\xa9", "\xff", " ", ".", "/same/long/start/"};
  std::mt19937 random(seed);
  std::vector<ResultRow> rows(count);
  for (ResultRow& row : rows) {
    row.path = "/root";
    const std::size_t pieces = random() % 7;
    for (std::size_t i = 0; i < pieces; ++i) row.path += kPieces[random() % std::size(kPieces)];
    row.group = static_cast<std::uint32_t>(random() % 20);
    row.size = random() % 3 == 0 ? (std::uint64_t(1) << 40) + random() % 5 : random() % 50;
    row.crc32 = random() % 2 ? 0xFFFFFFFFu - random() % 4 : random() % 4;
  }
  return rows;
}
}  // namespace

class ResultSortTest : public QObject {
  Q_OBJECT

 private slots:
  void givesTheOrderOfTheSharedComparison_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<int>("rows");
    for (int column = 0; column < kResultColumnCount; ++column) {
      for (const bool descending : {false, true}) {
        for (const int rows : {0, 1, 2, 500, 60'000}) {  // the last one sorts on both cores
          QTest::addRow("column %d %s %d rows", column, descending ? "down" : "up", rows) << column << descending << rows;
        }
      }
    }
  }

  void givesTheOrderOfTheSharedComparison() {
    QFETCH(int, column);
    QFETCH(bool, descending);
    QFETCH(int, rows);
    const std::vector<ResultRow> input = randomRows(std::size_t(rows), std::uint32_t(column * 7 + rows));
    const SortState sort{static_cast<ResultColumn>(column), descending};
    QCOMPARE(resultListOrder(input, sort), sortedOrder(input, sort));
  }

  void aSharedStartAndPrefixesSortRight() {
    std::vector<ResultRow> rows(6);
    const char* const paths[] = {"/x/common/start/abcdefgh", "/x/common/start/ABCDEFGH", "/x/common/start/abcdefgh1",
                                 "/x/common/start/abc",      "/x/common/start/_",        "/x/common/start/"};
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].path = paths[i];
    for (const bool descending : {false, true}) {
      const SortState sort{ResultColumn::Path, descending};
      QCOMPARE(resultListOrder(rows, sort), sortedOrder(rows, sort));
    }
    QCOMPARE(resultListOrder(rows, SortState{ResultColumn::Path, false}), (std::vector<std::size_t>{5, 3, 0, 1, 2, 4}));
  }
};

QTEST_GUILESS_MAIN(ResultSortTest)
#include "result_sort_test.moc"
