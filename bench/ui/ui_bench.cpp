// The result list with many rows, driven through the real main window offscreen: installing a
// search's rows, a header click on each column, select-all and clearing, repainting and paging
// through a scattered selection, and one selection change with its status bar update (which must
// not grow with the number of rows or of selected rows).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <memory>
#include <string>
#include <vector>

#include "results/keyed_result_order.h"
#include "ui/main_window.h"
#include "ui/result_list_view.h"

namespace {

using pelimor::MainWindow;
using pelimor::ResultListView;
using pelimor::ResultRow;

// Groups of two to four copies spread over a few thousand folders, like a large photo archive.
std::vector<ResultRow> makeRows(std::size_t count) {
  std::vector<ResultRow> rows;
  rows.reserve(count);
  std::uint32_t group = 0;
  std::uint64_t state = 88172645463325252ull;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  while (rows.size() < count) {
    ++group;
    const std::uint64_t size = 1024 + next() % (50ull << 20);
    const auto crc = static_cast<std::uint32_t>(next());
    const std::size_t copies = 2 + next() % 3;
    for (std::size_t copy = 0; copy < copies && rows.size() < count; ++copy) {
      ResultRow row;
      row.group = group;
      row.path = "/home/ann/Archive/" + std::to_string(next() % 4000) + "/Album " + std::to_string(next() % 97) +
                 "/IMG_" + std::to_string(next() % 100000) + ".jpg";
      row.size = size;
      row.crc32 = crc;
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

MainWindow& window() {
  static auto* shown = [] {
    auto* created = new MainWindow;
    created->show();
    QApplication::processEvents();
    return created;
  }();
  return *shown;
}

ResultListView& resultList() {
  static auto* list = window().findChild<ResultListView*>();
  return *list;
}

const std::vector<ResultRow>& rowsOf(std::size_t count) {
  static std::size_t madeFor = 0;
  static std::vector<ResultRow> rows;
  if (madeFor != count) {
    rows = makeRows(count);
    madeFor = count;
  }
  return rows;
}

void installIfNeeded(std::size_t count) {
  ResultListView& list = resultList();
  if (list.rows().size() != count) list.installRows(rowsOf(count));
}

void BM_InstallRows(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  ResultListView& list = resultList();
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<ResultRow> copy = rowsOf(count);
    list.clearRows();
    QApplication::processEvents();
    state.ResumeTiming();
    list.installRows(std::move(copy));
    list.fitPathColumn();
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_InstallRows)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HeaderClick(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  const int column = static_cast<int>(state.range(1));
  installIfNeeded(count);
  ResultListView& list = resultList();
  list.clearSelection();
  for (auto _ : state) {
    list.sortByColumn(column);
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HeaderClick)
    ->ArgsProduct({{1'000'000}, {0, 1, 2, 3, 4}})
    ->ArgNames({"rows", "column"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Sorting keeps the selection: with everything selected it stays one range.
void BM_HeaderClickAllSelected(benchmark::State& state) {
  installIfNeeded(static_cast<std::size_t>(state.range(0)));
  ResultListView& list = resultList();
  list.selectAll();
  for (auto _ : state) {
    list.sortByColumn(int(pelimor::ResultColumn::Path));
    QApplication::processEvents();
  }
  state.counters["selected"] = static_cast<double>(list.selectedCount());
}
BENCHMARK(BM_HeaderClickAllSelected)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The order alone, without the list around it.
void BM_ResultListOrder(benchmark::State& state) {
  const std::vector<ResultRow>& rows = rowsOf(1'000'000);
  const pelimor::SortState sort{static_cast<pelimor::ResultColumn>(state.range(0)), true};
  for (auto _ : state) benchmark::DoNotOptimize(pelimor::resultListOrder(rows, sort));
}
BENCHMARK(BM_ResultListOrder)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SelectAll(benchmark::State& state) {
  installIfNeeded(static_cast<std::size_t>(state.range(0)));
  ResultListView& list = resultList();
  for (auto _ : state) {
    state.PauseTiming();
    list.clearSelection();
    QApplication::processEvents();
    state.ResumeTiming();
    list.selectAll();
    QApplication::processEvents();
  }
  state.counters["selected"] = static_cast<double>(list.selectedCount());
}
BENCHMARK(BM_SelectAll)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClearSelection(benchmark::State& state) {
  installIfNeeded(static_cast<std::size_t>(state.range(0)));
  ResultListView& list = resultList();
  for (auto _ : state) {
    state.PauseTiming();
    list.selectAll();
    QApplication::processEvents();
    state.ResumeTiming();
    list.clearSelection();
    QApplication::processEvents();
  }
  state.counters["selected"] = static_cast<double>(list.selectedCount());
}
BENCHMARK(BM_ClearSelection)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

// What a safe selection leaves: one row in four selected, a stretch each.
void selectEveryFourthRow(ResultListView& list) {
  std::vector<bool> scattered(list.rows().size());
  for (std::size_t i = 1; i < scattered.size(); i += 4) scattered[i] = true;
  list.selectRows(scattered);
  QApplication::processEvents();
}

void BM_RepaintScatteredSelection(benchmark::State& state) {
  installIfNeeded(static_cast<std::size_t>(state.range(0)));
  ResultListView& list = resultList();
  selectEveryFourthRow(list);
  list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum() / 2);
  for (auto _ : state) list.viewport()->repaint();
  state.counters["selected"] = static_cast<double>(list.selectedCount());
}
BENCHMARK(BM_RepaintScatteredSelection)->Arg(1'000'000)->Arg(3'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

// One page down, painted, through the middle of the list.
void BM_PageScrollScatteredSelection(benchmark::State& state) {
  installIfNeeded(static_cast<std::size_t>(state.range(0)));
  ResultListView& list = resultList();
  selectEveryFourthRow(list);
  QScrollBar* bar = list.verticalScrollBar();
  bar->setValue(bar->maximum() / 4);
  for (auto _ : state) {
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    list.viewport()->repaint();
  }
  state.counters["selected"] = static_cast<double>(list.selectedCount());
}
BENCHMARK(BM_PageScrollScatteredSelection)
    ->Arg(1'000'000)
    ->Arg(3'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One Ctrl+click's worth of change, status bar included, with `rows` rows of which every
// other one is selected: the cost must stay flat as the rows grow.
void BM_OneSelectionChange(benchmark::State& state) {
  const auto count = static_cast<std::size_t>(state.range(0));
  installIfNeeded(count);
  ResultListView& list = resultList();
  const auto* selectedFiles = window().findChild<QLabel*>(QStringLiteral("statusPanel2"));
  std::vector<bool> everyOther(count);
  for (std::size_t i = 0; i < count; i += 2) everyOther[i] = true;
  list.selectRows(everyOther);
  list.resultModel()->settle();
  const int middle = static_cast<int>(count / 2) | 1;
  for (auto _ : state) {
    list.resultModel()->mark(middle, middle, pelimor::ResultTableModel::Mark::Toggle, false);
    benchmark::DoNotOptimize(selectedFiles->text());
  }
  state.counters["selected"] = static_cast<double>(list.selectedCount());
}
BENCHMARK(BM_OneSelectionChange)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

void BM_UpdateStatusBar(benchmark::State& state) {
  installIfNeeded(static_cast<std::size_t>(state.range(0)));
  MainWindow& shown = window();
  for (auto _ : state) shown.updateStatusBar();
}
BENCHMARK(BM_UpdateStatusBar)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
