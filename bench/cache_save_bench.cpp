// Saving the checksum cache after a first search, alone: a million files the walk read whole (the
// million tree's share), learned, sorted and written. The whole search is too noisy on two cores
// to judge a change of a few hundredths of a second; this part of it is not.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "platform/directory_reader.h"
#include "search/candidate_store.h"
#include "search/digest_cache.h"

namespace {

using namespace pelimor;

// range(0): files, spread over folders of 20 with inodes in the order a walk meets them.
void BM_FirstSave(benchmark::State& state) {
  const std::string folder = (std::filesystem::temp_directory_path() / "pelimor-bench-cache-save").string();
  std::filesystem::create_directories(folder);
  platform::FileStatus place;
  if (platform::statusOfPath(folder, true, place)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const auto files = static_cast<std::uint64_t>(state.range(0));
  CandidateStore store;
  std::uint32_t node = 0;
  for (std::uint64_t i = 0; i < files; ++i) {
    // Folders hand out inodes in blocks; files of a folder are met in an order of their own.
    if (i % 20 == 0)
      node = store.addRootFolder(0, folder + "/f" + std::to_string(i / 20), {place.device, 1'000'000'000 + i / 20});
    platform::FileStatus status;
    status.kind = platform::EntryKind::Regular;
    status.device = place.device;
    status.inode = (i / 20) * 64 + (i * 7) % 20;
    status.size = 1000 + i % 4096;
    status.modifiedSeconds = status.changedSeconds = 1'700'000'000 + static_cast<std::int64_t>(i);
    const ContentDigest content{static_cast<std::uint32_t>(i), i * 0x9E3779B97F4A7C15ull, ~i};
    store.addFile(node, "file", status, &content);
  }
  store.collectFiles();
  for (auto _ : state) {
    std::filesystem::remove(std::filesystem::path(folder) / DigestCache::kFileName);
    DigestCache cache(folder);
    if (cache.prepareSave(store, true)) cache.writePrepared();
  }
  std::filesystem::remove_all(folder);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * files));
}

BENCHMARK(BM_FirstSave)->ArgName("files")->Arg(1'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
