#pragma once
// What a running action on files (Delete, Move, the links) has done so far, and how its owner stops
// it. The action writes; any thread reads at any time, without locks.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "search/shared_text.h"

namespace pelimor {

class ActionProgress {
 public:
  std::uint64_t filesDone() const { return filesDone_.load(std::memory_order_relaxed); }
  std::uint64_t filesTotal() const { return filesTotal_.load(std::memory_order_relaxed); }
  std::uint64_t bytesDone() const { return bytesDone_.load(std::memory_order_relaxed); }
  std::uint64_t bytesTotal() const { return bytesTotal_.load(std::memory_order_relaxed); }
  std::string currentFolder() const { return folder_.read(); }

  // Stops the action before its next file; what was done stays done. From any thread.
  void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

  // Writer side, for the action.
  void begin(std::uint64_t files, std::uint64_t bytes) {
    filesTotal_.store(files, std::memory_order_relaxed);
    bytesTotal_.store(bytes, std::memory_order_relaxed);
  }
  void fileDone(std::uint64_t bytes) {
    filesDone_.fetch_add(1, std::memory_order_relaxed);
    bytesDone_.fetch_add(bytes, std::memory_order_relaxed);
  }
  void setCurrentFolder(std::string_view folder) { folder_.publish(folder); }

 private:
  std::atomic<std::uint64_t> filesDone_{0}, filesTotal_{0}, bytesDone_{0}, bytesTotal_{0};
  std::atomic<bool> cancelled_{false};
  SharedText folder_;
};

}  // namespace pelimor
