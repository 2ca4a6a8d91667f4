#pragma once
// Camera RAW files read with libraw: the picture the camera embedded beside its raw data (its JPEG
// preview, the picture as the camera would have saved it, which is also what a JPEG exported from
// the RAW mostly looks like), else the raw data developed at half its size. Builds without libraw
// read none: cameraRawBuiltIn() says so.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/picture_failure.h"

namespace pelimor {

bool cameraRawBuiltIn();

struct CameraRawPicture {
  std::uint32_t width = 0, height = 0;  // the whole picture's size in pixels, not turned
  int orientation = 1;                  // as EXIF numbers it: how the pixels below are turned upright
  std::vector<std::uint8_t> jpeg;       // the embedded JPEG preview, when there is one; else
  int rgbWidth = 0, rgbHeight = 0;      // the preview or the developed picture as RGB, a byte each
  std::vector<std::uint8_t> rgb;
  PictureFailure failure = PictureFailure::None;  // why it was not read
};

// Reads the RAW file whose `size` bytes lie at `data`. False when libraw can't read it, when its
// data is cut short or broken, or when the preview or the raw data is over the limits of
// picture_failure.h; `picture.failure` then says which. Safe from any number of threads.
bool readCameraRaw(const void* data, std::size_t size, CameraRawPicture& picture);

}  // namespace pelimor
