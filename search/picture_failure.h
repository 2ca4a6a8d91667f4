#pragma once
// Why a picture was not decoded, and the limits that keep decoding it in bounded memory whatever
// its header claims: a few bytes can claim 65500 x 65500 pixels, and a decoder that believes them
// asks for gigabytes.
#include <cstdint>

namespace pelimor {

enum class PictureFailure {
  None,
  Unreadable,     // no picture this build reads, or one whose header is broken
  Damaged,        // the header reads, but the pixels only in part
  TooManyPixels,  // more than kMostPicturePixels before any shrinking
  TooMuchMemory,  // its decoder would need more than kMostDecoderMemory
};

// A megapixel of 2^20 pixels: the 102-million-pixel photographs of medium-format cameras pass.
inline constexpr std::uint64_t kMostPicturePixels = std::uint64_t{100} << 20;
// What one decoder may hold at a time. A progressive JPEG keeps every coefficient of the whole
// picture, whatever the scale it is decoded at: 3 bytes a pixel in the usual 4:2:0 colour.
inline constexpr std::uint64_t kMostDecoderMemory = std::uint64_t{320} << 20;

inline bool withinPixelLimit(std::uint64_t width, std::uint64_t height) {
  // Each side checked alone first, so that the product cannot overflow.
  return width <= kMostPicturePixels && height <= kMostPicturePixels && width * height <= kMostPicturePixels;
}

}  // namespace pelimor
