#pragma once
// Work spread over the tree writers' threads.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace pelimor::bench {

// Runs work(i) for i in [0, count) on `jobs` threads; the first exception wins and stops the rest.
template <typename Work>
void inParallel(std::size_t count, unsigned jobs, Work work) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::exception_ptr failure;
  std::mutex failureMutex;
  auto worker = [&] {
    try {
      for (std::size_t i = next.fetch_add(1); i < count && !failed.load(); i = next.fetch_add(1)) work(i);
    } catch (...) {
      std::lock_guard lock(failureMutex);
      if (!failure) failure = std::current_exception();
      failed.store(true);
    }
  };
  std::vector<std::thread> threads;
  for (unsigned t = 1; t < std::max(1u, jobs); ++t) threads.emplace_back(worker);
  worker();
  for (std::thread& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace pelimor::bench
