// The walk alone: FolderWalker over a generated tree (metadata in the page cache after the first pass).
#include <benchmark/benchmark.h>

#include "bench/bench_tree_arg.h"
#include "platform/folders.h"
#include "search/candidate_store.h"
#include "search/folder_walker.h"
#include "search/mask_list.h"

namespace {

using namespace pelimor;

void BM_Walk(benchmark::State& state) {
  const WalkRequest request{{bench::benchTree() + "/"},
                            buildMaskList("*.*"),
                            static_cast<std::uint64_t>(state.range(0)),
                            platform::systemTrees(),
                            platform::excludedPathFragments()};
  std::uint64_t files = 0, candidates = 0;
  for (auto _ : state) {
    CandidateStore store;
    SearchProgress progress;
    SearchControl control;
    FolderWalker(request, store, progress, control).run();
    files = progress.filesSeen();
    candidates = store.files().size();
    benchmark::DoNotOptimize(candidates);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * files));
  state.counters["files"] = static_cast<double>(files);
  state.counters["candidates"] = static_cast<double>(candidates);
}

// Minimum size 0 takes every non-empty file; 100 KiB is the program's default.
BENCHMARK(BM_Walk)->Arg(0)->Arg(100 * 1024)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

PELIMOR_TREE_BENCHMARK_MAIN();
