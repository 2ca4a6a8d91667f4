// The whole search: runDuplicateSearch over a generated tree (walk, then grouping), content in the page
// cache after the first pass. Subtract BM_Walk of bench_walk to see the grouping alone.
#include <benchmark/benchmark.h>

#include "bench/bench_tree_arg.h"
#include "search/duplicate_search.h"

namespace {

using namespace pelimor;

// range(0): minimum size in bytes; range(1): reader threads (0: the engine's choice).
void BM_Search(benchmark::State& state) {
  SearchRequest request;
  request.sourceFolders = {bench::benchTree() + "/"};
  request.maskText = "*.*";
  request.minimumSize = static_cast<std::uint64_t>(state.range(0));
  request.readThreads = static_cast<unsigned>(state.range(1));
  request.useCache = false;  // every run reads: the cache has benchmarks of its own in compare.sh --cache
  std::uint64_t files = 0, rows = 0, bytesRead = 0;
  for (auto _ : state) {
    SearchProgress progress;
    SearchControl control;
    const SearchResult result = runDuplicateSearch(request, progress, control);
    files = progress.filesSeen();
    bytesRead = progress.bytesRead();
    rows = result.rows.size();
    benchmark::DoNotOptimize(rows);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * files));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytesRead));
  state.counters["files"] = static_cast<double>(files);
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["read_MB"] = static_cast<double>(bytesRead) / 1e6;
}

BENCHMARK(BM_Search)
    ->ArgNames({"min_bytes", "threads"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({100 * 1024, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

PELIMOR_TREE_BENCHMARK_MAIN();
