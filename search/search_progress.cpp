#include "search/search_progress.h"

namespace pelimor {

std::string SearchProgress::currentFolder() const {
  std::string text;
  for (;;) {
    const std::uint32_t before = folderSequence_.load(std::memory_order_acquire);
    if (before & 1u) continue;
    const std::uint32_t length = folderLength_.load(std::memory_order_relaxed);
    text.resize(length);
    for (std::uint32_t i = 0; i < length; ++i) text[i] = folderText_[i].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (folderSequence_.load(std::memory_order_relaxed) == before) return text;
  }
}

void SearchProgress::setCurrentFolder(std::string_view folder) {
  if (folder.size() > kFolderCapacity) folder = folder.substr(folder.size() - kFolderCapacity);
  const std::uint32_t sequence = folderSequence_.load(std::memory_order_relaxed);
  folderSequence_.store(sequence + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  for (size_t i = 0; i < folder.size(); ++i) folderText_[i].store(folder[i], std::memory_order_relaxed);
  folderLength_.store(static_cast<std::uint32_t>(folder.size()), std::memory_order_relaxed);
  folderSequence_.store(sequence + 2, std::memory_order_release);
}

void SearchProgress::reset() {
  setPhase(SearchPhase::Idle);
  filesSeen_.store(0);
  candidates_.store(0);
  bytesToRead_.store(0);
  bytesRead_.store(0);
  setCurrentFolder({});
}

}  // namespace pelimor
