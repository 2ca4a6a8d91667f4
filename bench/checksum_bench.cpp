// The checksum kernel over data in memory, one core: CRC-32 alone, XXH3-128 alone, and both in one
// pass as the engine uses them (ContentHasher). The goal is at least 5 GB/s for the pair.
#include <benchmark/benchmark.h>

// The engine's hash calls go to xxHash's dispatching entry points (the widest vector unit of this
// processor); keep the plain names here so both can be measured side by side.
#define XXH_DISPATCH_DISABLE_REPLACE
#if __has_include(<xxh_x86dispatch.h>)
#include <xxh_x86dispatch.h>
#define PELIMOR_BENCH_XXH3_DISPATCH 1
#endif
#include <xxhash.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "search/content_digest.h"
#include "search/crc32.h"
#include "support/reference_crc32.h"

namespace {

std::vector<unsigned char> randomBytes(std::size_t size) {
  std::vector<unsigned char> bytes(size);
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (unsigned char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    byte = static_cast<unsigned char>(state >> 24);
  }
  return bytes;
}

void finishBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_ReferenceCRC32(benchmark::State& state) {
  pelimor::testing::buildReferenceCrcTable();
  const auto data = randomBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(pelimor::testing::referenceUpdateCrc32(0xFFFFFFFFu, data.data(), data.size()));
  finishBytes(state);
}

void BM_FastCRC32(benchmark::State& state) {
  const auto data = randomBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(pelimor::fastUpdateCRC32(0xFFFFFFFFu, data.data(), data.size()));
  finishBytes(state);
}

// zlib's CRC-32, which the Windows build uses where isa-l is not built (see search/crc32.cpp).
void BM_ZlibCRC32(benchmark::State& state) {
  const auto data = randomBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(crc32_z(0, data.data(), data.size()));
  finishBytes(state);
}

// Streaming, as the engine feeds the strong hash block by block; `update` picks the entry point.
template <XXH_errorcode (*update)(XXH3_state_t*, const void*, std::size_t)>
void xxh3Streaming(benchmark::State& state) {
  const auto data = randomBytes(static_cast<std::size_t>(state.range(0)));
  XXH3_state_t* hash = XXH3_createState();
  for (auto _ : state) {
    XXH3_128bits_reset(hash);
    update(hash, data.data(), data.size());
    benchmark::DoNotOptimize(XXH3_128bits_digest(hash));
  }
  XXH3_freeState(hash);
  finishBytes(state);
}

// XXH3-128 built for the baseline x86-64 (SSE2), as a plain call into libxxhash gives it.
void BM_XXH3_128_Baseline(benchmark::State& state) { xxh3Streaming<&XXH3_128bits_update>(state); }

#ifdef PELIMOR_BENCH_XXH3_DISPATCH
// XXH3-128 through the dispatcher: AVX2 or AVX-512 where the processor has them.
void BM_XXH3_128(benchmark::State& state) { xxh3Streaming<&XXH3_128bits_update_dispatch>(state); }
#endif

void BM_ContentHasher(benchmark::State& state) {
  const auto data = randomBytes(static_cast<std::size_t>(state.range(0)));
  pelimor::ContentHasher hasher;
  for (auto _ : state) {
    hasher.reset();
    hasher.update(data.data(), data.size());
    benchmark::DoNotOptimize(hasher.finish());
  }
  finishBytes(state);
}

// The whole of a 1 MiB buffer fed in blocks of range(1) bytes, as a file is read.
void BM_ContentHasherBlocks(benchmark::State& state) {
  const auto data = randomBytes(static_cast<std::size_t>(state.range(0)));
  const auto block = static_cast<std::size_t>(state.range(1));
  pelimor::ContentHasher hasher;
  for (auto _ : state) {
    hasher.reset();
    for (std::size_t offset = 0; offset < data.size(); offset += block)
      hasher.update(data.data() + offset, std::min(block, data.size() - offset));
    benchmark::DoNotOptimize(hasher.finish());
  }
  finishBytes(state);
}

// The quick hash that rules files out by their first or last bytes.
void BM_QuickHash(benchmark::State& state) {
  const auto data = randomBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(pelimor::quickHash(data.data(), data.size()));
  finishBytes(state);
}

constexpr std::int64_t kMiB = 1 << 20;

BENCHMARK(BM_ReferenceCRC32)->Arg(kMiB);
BENCHMARK(BM_FastCRC32)->Arg(kMiB);
BENCHMARK(BM_ZlibCRC32)->Arg(kMiB);
BENCHMARK(BM_XXH3_128_Baseline)->Arg(kMiB);
#ifdef PELIMOR_BENCH_XXH3_DISPATCH
BENCHMARK(BM_XXH3_128)->Arg(kMiB);
#endif
BENCHMARK(BM_ContentHasher)->Arg(kMiB);
BENCHMARK(BM_ContentHasherBlocks)->Args({kMiB, 64 << 10})->Args({kMiB, 256 << 10});
BENCHMARK(BM_QuickHash)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
