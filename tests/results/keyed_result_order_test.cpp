#include "results/keyed_result_order.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "results/result_order.h"

namespace pelimor {
namespace {

// Paths built from few pieces, so that equal texts, shared starts, prefixes, case twins and
// bytes above 127 all come up often.
std::vector<ResultRow> randomRows(std::size_t count, std::uint32_t seed) {
  static const char* const kPieces[] = {"a",
                                        "A",
                                        "b",
                                        "_",
                                        "Z",
                                        "z",
                                        "0",
                                        "9",
                                        "/",
                                        "abcdefgh",
                                        "ABCDEFGH",
                                        "abcdefghi",
                                        "\xc3\xa9",
                                        "\xff",
                                        " ",
                                        ".",
                                        "/same/long/start/"};
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

TEST(ResultListOrder, GivesTheOrderOfTheSharedComparisonForEveryColumnAndDirection) {
  for (int column = 0; column < kResultColumnCount; ++column) {
    for (const bool descending : {false, true}) {
      for (const std::size_t count :
           {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{500}, std::size_t{60'000}}) {
        const std::vector<ResultRow> rows = randomRows(count, static_cast<std::uint32_t>(column * 7 + count));
        const SortState sort{static_cast<ResultColumn>(column), descending};
        ASSERT_EQ(resultListOrder(rows, sort), sortedOrder(rows, sort))
            << "column " << column << (descending ? " down, " : " up, ") << count << " rows";
      }
    }
  }
}

TEST(ResultListOrder, ASharedStartAndPrefixesSortRight) {
  std::vector<ResultRow> rows(6);
  const char* const paths[] = {"/x/common/start/abcdefgh", "/x/common/start/ABCDEFGH", "/x/common/start/abcdefgh1",
                               "/x/common/start/abc",      "/x/common/start/_",        "/x/common/start/"};
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i].path = paths[i];
  for (const bool descending : {false, true}) {
    const SortState sort{ResultColumn::Path, descending};
    EXPECT_EQ(resultListOrder(rows, sort), sortedOrder(rows, sort));
  }
  EXPECT_EQ(resultListOrder(rows, SortState{ResultColumn::Path, false}), (std::vector<std::size_t>{5, 3, 0, 1, 2, 4}));
}

}  // namespace
}  // namespace pelimor
