#include "search/shared_text.h"

namespace pelimor {

std::string SharedText::read() const {
  std::string text;
  for (;;) {
    const std::uint32_t before = sequence_.load(std::memory_order_acquire);
    if (before & 1u) continue;
    const std::uint32_t length = length_.load(std::memory_order_relaxed);
    text.resize(length);
    for (std::uint32_t i = 0; i < length; ++i) text[i] = text_[i].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (sequence_.load(std::memory_order_relaxed) == before) return text;
  }
}

void SharedText::publish(std::string_view text) {
  if (text.size() > kCapacity) text = text.substr(text.size() - kCapacity);
  const std::uint32_t sequence = sequence_.load(std::memory_order_relaxed);
  sequence_.store(sequence + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  for (std::size_t i = 0; i < text.size(); ++i) text_[i].store(text[i], std::memory_order_relaxed);
  length_.store(static_cast<std::uint32_t>(text.size()), std::memory_order_relaxed);
  sequence_.store(sequence + 2, std::memory_order_release);
}

}  // namespace pelimor
