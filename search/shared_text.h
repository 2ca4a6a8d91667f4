#pragma once
// A short text that one thread publishes and any thread reads at any time, without locks and
// without ever seeing half of an update: the folder a long piece of work has reached.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelimor {

class SharedText {
 public:
  static constexpr std::size_t kCapacity = 1024;

  std::string read() const;
  // From one thread at a time. A longer text keeps its end, which says most of a path.
  void publish(std::string_view text);

 private:
  // A sequence lock: odd while the text is being written; readers retry until they see it even and unchanged.
  std::atomic<std::uint32_t> sequence_{0};
  std::atomic<std::uint32_t> length_{0};
  std::array<std::atomic<char>, kCapacity> text_{};
};

}  // namespace pelimor
