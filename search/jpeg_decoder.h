#pragma once
// Decodes JPEG pictures with libjpeg-turbo, cleanly or not at all: damage libjpeg would only warn
// about (a picture cut short, a broken block) fails the decoding too, so that no caller shows or
// hashes a picture half grey. The header decides first whether the picture fits the limits of
// picture_failure.h. Plain C++: the windows wrap the pixels in an image of their own.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "search/picture_failure.h"

namespace pelimor {

struct JpegDecoding {
  // The brightness alone, one byte a pixel, decoded for speed (the fast inverse DCT); three bytes
  // a pixel (RGB) otherwise. A CMYK picture can't be had grey and fails.
  bool grey = false;
  // Shrunk while it is decoded, by 2, 4 or 8, as far as keeps at least this many pixels on its
  // longer side (an eighth reads only the mean of each 8 x 8 block). 0: the whole size.
  int leastSide = 0;
};

struct JpegPixels {
  int width = 0, height = 0;
  int channels = 0;                 // 1 grey, 3 RGB
  std::vector<std::uint8_t> bytes;  // height rows of width * channels bytes
  // Why it failed: Damaged when libjpeg lost pixels, over a limit when the header decided so, else
  // Unreadable (no JPEG, or one libjpeg would not decode as asked: CMYK made grey, say).
  PictureFailure failure = PictureFailure::None;
};

// False when the data is no JPEG libjpeg decodes cleanly as asked; `error` then holds the reason
// in words and `pixels.failure` its kind. Safe from any number of threads.
bool decodeJpeg(const void* data, std::size_t size, const JpegDecoding& how, JpegPixels& pixels,
                std::string* error = nullptr);

}  // namespace pelimor
