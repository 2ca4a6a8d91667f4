#pragma once
// Which tree the walk and search benchmarks run over: --tree=DIR (taken out of argv before Google
// Benchmark sees it), else $PELIMOR_BENCH_TREE, else the "small" preset made once under
// /tmp/pelimor-bench/trees/small.
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/tree_generator.h"

namespace pelimor::bench {

inline std::string takeTreeArgument(int& argc, char** argv) {
  std::string tree;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--tree=", 7) == 0)
      tree = argv[i] + 7;
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  if (tree.empty()) {
    if (const char* fromEnvironment = std::getenv("PELIMOR_BENCH_TREE")) tree = fromEnvironment;
  }
  if (tree.empty()) {
    tree = "/tmp/pelimor-bench/trees/small";
    ensureTree("small", kDefaultSeed, tree, 2, true);
  }
  while (tree.size() > 1 && tree.back() == '/') tree.pop_back();
  return tree;
}

// Set once in main, read by the benchmarks.
inline std::string& benchTree() {
  static std::string tree;
  return tree;
}

}  // namespace pelimor::bench

// A main that picks the tree, then runs the registered benchmarks.
#define PELIMOR_TREE_BENCHMARK_MAIN()                                           \
  int main(int argc, char** argv) {                                             \
    pelimor::bench::benchTree() = pelimor::bench::takeTreeArgument(argc, argv); \
    ::benchmark::Initialize(&argc, argv);                                       \
    if (::benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;         \
    ::benchmark::AddCustomContext("tree", pelimor::bench::benchTree());         \
    ::benchmark::RunSpecifiedBenchmarks();                                      \
    ::benchmark::Shutdown();                                                    \
    return 0;                                                                   \
  }
