#pragma once
// What a running search has done so far. The engine writes it; any thread may read it at any
// time, without locks and without ever seeing half of an update.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "search/shared_text.h"

namespace pelimor {

enum class SearchPhase : std::uint8_t { Idle, Walking, Comparing, Done };

class SearchProgress {
 public:
  SearchPhase phase() const { return phase_.load(std::memory_order_acquire); }
  std::uint64_t filesSeen() const { return filesSeen_.load(std::memory_order_relaxed); }
  std::uint64_t candidates() const { return candidates_.load(std::memory_order_relaxed); }
  std::uint64_t bytesToRead() const { return bytesToRead_.load(std::memory_order_relaxed); }
  std::uint64_t bytesRead() const { return bytesRead_.load(std::memory_order_relaxed); }
  // The folder being walked (or the file being compared); long texts keep their end.
  std::string currentFolder() const;

  // Writer side, for the engine.
  void setPhase(SearchPhase phase) { phase_.store(phase, std::memory_order_release); }
  void addFilesSeen(std::uint64_t n) { filesSeen_.fetch_add(n, std::memory_order_relaxed); }
  void addCandidates(std::uint64_t n) { candidates_.fetch_add(n, std::memory_order_relaxed); }
  void addBytesToRead(std::uint64_t n) { bytesToRead_.fetch_add(n, std::memory_order_relaxed); }
  void dropBytesToRead(std::uint64_t n) { bytesToRead_.fetch_sub(n, std::memory_order_relaxed); }
  void addBytesRead(std::uint64_t n) { bytesRead_.fetch_add(n, std::memory_order_relaxed); }
  // Only one thread at a time may publish the current folder.
  void setCurrentFolder(std::string_view folder);
  void reset();

 private:
  std::atomic<SearchPhase> phase_{SearchPhase::Idle};
  std::atomic<std::uint64_t> filesSeen_{0};
  std::atomic<std::uint64_t> candidates_{0};
  std::atomic<std::uint64_t> bytesToRead_{0};
  std::atomic<std::uint64_t> bytesRead_{0};
  SharedText folder_;
};

}  // namespace pelimor
