#include "search/content_digest.h"

#ifdef PELIMOR_XXHASH_COMPILED_IN
#include <xxhash.h>
#else
// The dispatching entry points pick the widest vector unit this processor has (AVX2, AVX-512).
#include <xxh_x86dispatch.h>
#include <xxhash.h>
#endif

#include "search/crc32.h"

namespace pelimor {

struct ContentHasher::State {
  XXH3_state_t* xxh = XXH3_createState();
  std::uint32_t crc = 0xFFFFFFFFu;
  ~State() { XXH3_freeState(xxh); }
};

ContentHasher::ContentHasher() : state_(std::make_unique<State>()) { reset(); }
ContentHasher::~ContentHasher() = default;

void ContentHasher::reset() {
  XXH3_128bits_reset(state_->xxh);
  state_->crc = 0xFFFFFFFFu;
}

void ContentHasher::update(const void* data, std::size_t length) {
  state_->crc = fastUpdateCRC32(state_->crc, data, length);
  XXH3_128bits_update(state_->xxh, data, length);
}

ContentDigest ContentHasher::finish() const {
  const XXH128_hash_t strong = XXH3_128bits_digest(state_->xxh);
  return ContentDigest{state_->crc ^ 0xFFFFFFFFu, strong.high64, strong.low64};
}

std::uint64_t quickHash(const void* data, std::size_t length) { return XXH3_64bits(data, length); }

}  // namespace pelimor
