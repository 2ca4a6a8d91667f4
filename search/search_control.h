#pragma once
// How the owner of a search stops it. Either call may come from any thread at any time.
#include <atomic>

namespace pelimor {

class SearchControl {
 public:
  // Stop walking within one file; what was found so far is still compared and grouped.
  void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  // Stop everything within one read block and discard the result (used when the program closes).
  void abort() {
    cancelled_.store(true, std::memory_order_relaxed);
    aborted_.store(true, std::memory_order_relaxed);
  }
  bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
  bool aborted() const { return aborted_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> aborted_{false};
};

}  // namespace pelimor
