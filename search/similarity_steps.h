#pragma once
// The steps of likeness the "Similar pictures" search offers, from the nearest to the loosest:
// each lets two pictures' hashes (see picture_hash.h) differ in at most so many of their 64 bits.
// The figures come from bench/similar_pictures.sh (docs/performance.md).
#include <array>
#include <cstddef>
#include <string_view>

#include "platform/window_text.h"

namespace pelimor {

struct SimilarityStep {
  std::string_view name;  // marked for translation in the context "Similarity"
  unsigned maxDistance;   // bits the hashes of two pictures in one group may differ in
};

inline constexpr std::array<SimilarityStep, 4> kSimilaritySteps = {{
    {PELIMOR_WINDOW_TEXT("Similarity", "Near copies"), 4},
    {PELIMOR_WINDOW_TEXT("Similarity", "Close"), 8},
    {PELIMOR_WINDOW_TEXT("Similarity", "Similar"), 12},
    {PELIMOR_WINDOW_TEXT("Similarity", "Loose"), 16},
}};
// "Similar": on the benchmark's set it keeps 97 % of the pairs of variants (resized, recompressed,
// turned, grey, brighter or darker, cropped by up to 8 %) together, at a precision of 0.99.
inline constexpr std::size_t kDefaultSimilarityStep = 2;

}  // namespace pelimor
