#pragma once
// A file's content fingerprint: the CRC-32 users see, plus a strong 128-bit hash that must agree too
// before two files count as identical. Both are folded in one pass over each block.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pelimor {

struct ContentDigest {
  std::uint32_t crc32 = 0;
  std::uint64_t strongHigh = 0;
  std::uint64_t strongLow = 0;

  friend bool operator==(const ContentDigest&, const ContentDigest&) = default;
  friend auto operator<=>(const ContentDigest&, const ContentDigest&) = default;
};

class ContentHasher {
 public:
  ContentHasher();
  ~ContentHasher();
  ContentHasher(const ContentHasher&) = delete;
  ContentHasher& operator=(const ContentHasher&) = delete;

  void reset();
  void update(const void* data, std::size_t length);
  ContentDigest finish() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A fast 64-bit hash of a small piece (a prefix or suffix), used only to rule files out early.
std::uint64_t quickHash(const void* data, std::size_t length);

}  // namespace pelimor
