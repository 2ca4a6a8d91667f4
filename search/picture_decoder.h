#pragma once
// Reading pictures small and fast, with libvips: a JPEG is decoded at an eighth of its size or
// less (shrink on load), never whole; PNG, WebP, TIFF, GIF and HEIF/HEIC/AVIF (libheif) are read
// as libvips reads them. The EXIF orientation is applied first, so a picture turned by its tag
// looks as it is shown. Loaders libvips marks untrusted (ImageMagick, PDF, SVG, ...) are never used.
// Builds without libvips (the Windows build) read no picture: picturesBuiltIn() says so.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pelimor {

// Whether this build can read pictures at all (it was built with libvips).
bool picturesBuiltIn();

// Whether a file by this name is one of the kinds read (by its extension, in any letter case).
bool isPictureName(std::string_view name);

// What the search keeps of a picture.
struct PictureFacts {
  std::uint64_t hash = 0;   // pictureHash of the picture, turned upright
  std::uint32_t width = 0;  // the whole picture's size in pixels, turned upright
  std::uint32_t height = 0;
  friend bool operator==(const PictureFacts&, const PictureFacts&) = default;
};

// The picture small and grey, turned upright: at most `side` pixels either way, its proportions
// kept. Also the whole picture's size, upright.
struct SmallPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> grey;  // width * height bytes, row after row
  std::uint32_t fullWidth = 0, fullHeight = 0;
};

// Decodes the picture whose file holds the `size` bytes at `data`. False when it is not a picture
// this build reads, or a damaged one. Safe from any number of threads; libvips is set up on the
// first call (its own threads and caches kept small: the search has readers of its own).
bool decodeSmallPicture(const void* data, std::size_t size, int side, SmallPicture& picture);

// decodeSmallPicture then pictureHash.
bool describePicture(const void* data, std::size_t size, PictureFacts& facts);

// A thread that decoded pictures calls this before it ends: libvips frees what it kept for it.
void pictureThreadDone();

}  // namespace pelimor
