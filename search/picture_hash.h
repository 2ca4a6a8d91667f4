#pragma once
// The perceptual hash of a picture, from a small grey image of it: 64 bits that stay nearly the
// same when the picture is resized, saved again at another JPEG quality, cropped a little, made
// brighter or darker, or made grey. Two pictures' likeness is the number of bits their hashes
// differ in (hammingDistance): 0 to about 10 for copies of one picture, about 32 for unrelated ones.
//
// The hash (a "DCT hash"): the grey image without its edges (6 % of its width and height on each
// side, where a small crop takes from) is averaged down to 32 x 32, and of its two-dimensional
// cosine transform the 64 lowest frequencies after the mean (by rising u + v, then u) are compared
// with their median: a bit is 1 where the coefficient lies above it. Low frequencies carry the
// picture's layout, not its detail or its noise, and comparing with the median makes the hash
// indifferent to contrast and brightness.
#include <bit>
#include <cstddef>
#include <cstdint>

namespace pelimor {

// Changes whenever a picture file would get other bits (from pictureHash, or from how the picture is
// decoded for it): hashes kept from another version are not compared with these (the checksum
// cache keeps it beside each).
inline constexpr std::uint32_t kPictureHashVersion = 3;

// The hash of a `width` x `height` grey image, one byte a pixel (0 black, 255 white), `stride`
// bytes from one row to the next (0: `width`). Any size from 1 x 1 on; the image is averaged to
// 32 x 32 whatever its proportions. A pure function: the same pixels always give the same hash.
std::uint64_t pictureHash(const std::uint8_t* pixels, int width, int height, std::size_t stride = 0);

inline unsigned hammingDistance(std::uint64_t a, std::uint64_t b) {
  return static_cast<unsigned>(std::popcount(a ^ b));
}

}  // namespace pelimor
