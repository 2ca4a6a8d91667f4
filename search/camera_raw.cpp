#include "search/camera_raw.h"

#ifdef PELIMOR_WITH_RAW
#include <libraw/libraw.h>

#include <memory>
#endif

namespace pelimor {

#ifdef PELIMOR_WITH_RAW

namespace {
struct CloseRaw {
  void operator()(libraw_data_t* raw) const { libraw_close(raw); }
};
struct FreeProcessed {
  void operator()(libraw_processed_image_t* image) const { libraw_dcraw_clear_mem(image); }
};
using ProcessedImage = std::unique_ptr<libraw_processed_image_t, FreeProcessed>;

// libraw's flip (0, 3: half a turn, 5: a quarter to the left, 6: a quarter to the right) as EXIF
// numbers orientations.
int orientationOfFlip(int flip) {
  switch (flip) {
    case 3:
      return 3;
    case 5:
      return 8;
    case 6:
      return 6;
    default:
      return 1;
  }
}

// An 8-bit RGB image libraw made, into `picture`. False for any other make-up.
bool takeRgb(const libraw_processed_image_t& image, CameraRawPicture& picture) {
  if (image.type != LIBRAW_IMAGE_BITMAP || image.colors != 3 || image.bits != 8) return false;
  const std::size_t bytes = std::size_t{image.width} * image.height * 3;
  if (bytes == 0 || bytes > image.data_size) return false;
  picture.rgbWidth = image.width;
  picture.rgbHeight = image.height;
  picture.rgb.assign(image.data, image.data + bytes);
  return true;
}

// libraw reads on past data cut short or broken, and says so only here.
void noteDataError(void* dataError, const char*, const int) { *static_cast<bool*>(dataError) = true; }

// The raw data unpacked and developed: LIBRAW_SUCCESS, or libraw's error.
int developed(libraw_data_t* raw) {
  const int unpacked = libraw_unpack(raw);
  return unpacked != LIBRAW_SUCCESS ? unpacked : libraw_dcraw_process(raw);
}

PictureFailure failureOf(int status) {
  if (status == LIBRAW_TOO_BIG || status == LIBRAW_UNSUFFICIENT_MEMORY) return PictureFailure::TooMuchMemory;
  if (status == LIBRAW_DATA_ERROR || status == LIBRAW_IO_ERROR) return PictureFailure::Damaged;
  return PictureFailure::Unreadable;
}
}  // namespace

bool cameraRawBuiltIn() { return true; }

bool readCameraRaw(const void* data, std::size_t size, CameraRawPicture& picture) {
  const auto fail = [&](PictureFailure why) {
    picture.failure = why;
    return false;
  };
  const std::unique_ptr<libraw_data_t, CloseRaw> raw(libraw_init(0));
  if (!raw || size == 0) return fail(PictureFailure::Unreadable);
  bool dataError = false;
  libraw_set_dataerror_handler(raw.get(), noteDataError, &dataError);
  raw->params.max_raw_memory_mb = static_cast<unsigned>(kMostDecoderMemory >> 20);
  if (libraw_open_buffer(raw.get(), const_cast<void*>(data), size) != LIBRAW_SUCCESS)
    return fail(PictureFailure::Unreadable);
  const libraw_image_sizes_t& sizes = raw->sizes;
  picture.width = sizes.width;
  picture.height = sizes.height;
  if (picture.width == 0 || picture.height == 0) return fail(PictureFailure::Unreadable);
  picture.orientation = orientationOfFlip(sizes.flip);
  // The preview first: it costs a copy, where developing the raw data costs a second or more. A
  // JPEG preview's own size is the JPEG decoder's to judge; a bitmap's is judged here.
  const libraw_thumbnail_t& preview = raw->thumbnail;
  if (preview.tformat != LIBRAW_THUMBNAIL_JPEG && !withinPixelLimit(preview.twidth, preview.theight))
    return fail(PictureFailure::TooManyPixels);
  if (libraw_unpack_thumb(raw.get()) == LIBRAW_SUCCESS && !dataError) {
    int status = 0;
    const ProcessedImage thumb(libraw_dcraw_make_mem_thumb(raw.get(), &status));
    if (thumb && thumb->type == LIBRAW_IMAGE_JPEG && thumb->data_size > 0) {
      picture.jpeg.assign(thumb->data, thumb->data + thumb->data_size);
      return true;
    }
    if (thumb && takeRgb(*thumb, picture)) return true;
  }
  // Developed at half size, with the white balance the camera chose, turned upright by libraw.
  if (!withinPixelLimit(sizes.raw_width, sizes.raw_height)) return fail(PictureFailure::TooManyPixels);
  raw->params.half_size = 1;
  raw->params.use_camera_wb = 1;
  raw->params.output_bps = 8;
  dataError = false;
  if (const int status = developed(raw.get()); status != LIBRAW_SUCCESS) return fail(failureOf(status));
  if (dataError) return fail(PictureFailure::Damaged);
  int status = 0;
  const ProcessedImage image(libraw_dcraw_make_mem_image(raw.get(), &status));
  picture.orientation = 1;
  return image && takeRgb(*image, picture) ? true : fail(PictureFailure::Unreadable);
}

#else

bool cameraRawBuiltIn() { return false; }
bool readCameraRaw(const void*, std::size_t, CameraRawPicture& picture) {
  picture.failure = PictureFailure::Unreadable;
  return false;
}

#endif

}  // namespace pelimor
