#pragma once
// Camera RAW files read with libraw: the picture the camera embedded beside its raw data (its JPEG
// preview, the picture as the camera would have saved it, which is also what a JPEG exported from
// the RAW mostly looks like), else the raw data developed at half its size. Builds without libraw
// read none: cameraRawBuiltIn() says so.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelimor {

bool cameraRawBuiltIn();

struct CameraRawPicture {
  std::uint32_t width = 0, height = 0;  // the whole picture's size in pixels, not turned
  int orientation = 1;                  // as EXIF numbers it: how the pixels below are turned upright
  std::vector<std::uint8_t> jpeg;       // the embedded JPEG preview, when there is one; else
  int rgbWidth = 0, rgbHeight = 0;      // the preview or the developed picture as RGB, a byte each
  std::vector<std::uint8_t> rgb;
};

// Reads the RAW file whose `size` bytes lie at `data`. False when libraw can't read it. Safe from
// any number of threads.
bool readCameraRaw(const void* data, std::size_t size, CameraRawPicture& picture);

}  // namespace pelimor
