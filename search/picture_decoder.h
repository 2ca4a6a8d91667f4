#pragma once
// Reading pictures small and fast: a JPEG is decoded grey by libjpeg-turbo at an eighth of its size
// or less, never whole; PNG, WebP, TIFF, GIF, HEIF/HEIC/AVIF (libheif) and JPEGs libjpeg would not
// decode as asked (CMYK) are read as libvips reads them; camera RAW files by libraw. A picture
// decoded only in part is damaged and not hashed. The EXIF orientation is
// applied first, so a picture turned by its tag looks as it is shown. Loaders libvips marks untrusted (ImageMagick,
// PDF, SVG, ...) are never used. Builds without libvips (the Windows build) read no picture: picturesBuiltIn() says so.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "search/picture_failure.h"

namespace pelimor {

// Whether this build can read pictures at all (it was built with libvips).
bool picturesBuiltIn();

// What a file by this name is to the search, by its extension in any letter case: no picture, a
// picture libjpeg or libvips reads, or a camera's RAW file (camera_raw.h), where this build reads
// them.
enum class PictureKind { None, Ordinary, CameraRaw };
PictureKind pictureKindOfName(std::string_view name);
bool isPictureName(std::string_view name);

// What the search keeps of a picture.
struct PictureFacts {
  std::uint64_t hash = 0;   // pictureHash of the picture, turned upright
  std::uint32_t width = 0;  // the whole picture's size in pixels, turned upright
  std::uint32_t height = 0;
  friend bool operator==(const PictureFacts&, const PictureFacts&) = default;
};

// The picture small and grey, turned upright, its proportions kept: a JPEG at an eighth of its size
// or less (never below 256 pixels on its longer side where it has them), other kinds at most 1024
// pixels either way. Also the whole picture's size, upright.
struct SmallPicture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> grey;  // width * height bytes, row after row
  std::uint32_t fullWidth = 0, fullHeight = 0;
};

// Decodes the picture whose file holds the `size` bytes at `data`: None, or why not (not a picture
// this build reads, a damaged one, or one over the limits of picture_failure.h, which the header
// decides before anything the picture's size is allocated). Safe from any number of threads;
// libvips is set up on the first call (its own threads and caches kept small: the search has
// readers of its own).
PictureFailure decodeSmallPicture(const void* data, std::size_t size, SmallPicture& picture,
                                  PictureKind kind = PictureKind::Ordinary);

// decodeSmallPicture then pictureHash.
PictureFailure describePicture(const void* data, std::size_t size, PictureFacts& facts,
                               PictureKind kind = PictureKind::Ordinary);

// A thread that decoded pictures calls this before it ends: libvips frees what it kept for it.
void pictureThreadDone();

}  // namespace pelimor
