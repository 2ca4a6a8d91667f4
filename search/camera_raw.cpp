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
}  // namespace

bool cameraRawBuiltIn() { return true; }

bool readCameraRaw(const void* data, std::size_t size, CameraRawPicture& picture) {
  const std::unique_ptr<libraw_data_t, CloseRaw> raw(libraw_init(0));
  if (!raw || size == 0) return false;
  if (libraw_open_buffer(raw.get(), const_cast<void*>(data), size) != LIBRAW_SUCCESS) return false;
  const libraw_image_sizes_t& sizes = raw->sizes;
  picture.width = sizes.width;
  picture.height = sizes.height;
  if (picture.width == 0 || picture.height == 0) return false;
  picture.orientation = orientationOfFlip(sizes.flip);
  // The preview first: it costs a copy, where developing the raw data costs a second or more.
  if (libraw_unpack_thumb(raw.get()) == LIBRAW_SUCCESS) {
    int status = 0;
    const ProcessedImage thumb(libraw_dcraw_make_mem_thumb(raw.get(), &status));
    if (thumb && thumb->type == LIBRAW_IMAGE_JPEG && thumb->data_size > 0) {
      picture.jpeg.assign(thumb->data, thumb->data + thumb->data_size);
      return true;
    }
    if (thumb && takeRgb(*thumb, picture)) return true;
  }
  // Developed at half size, with the white balance the camera chose, turned upright by libraw.
  raw->params.half_size = 1;
  raw->params.use_camera_wb = 1;
  raw->params.output_bps = 8;
  if (libraw_unpack(raw.get()) != LIBRAW_SUCCESS || libraw_dcraw_process(raw.get()) != LIBRAW_SUCCESS) return false;
  int status = 0;
  const ProcessedImage developed(libraw_dcraw_make_mem_image(raw.get(), &status));
  picture.orientation = 1;
  return developed && takeRgb(*developed, picture);
}

#else

bool cameraRawBuiltIn() { return false; }
bool readCameraRaw(const void*, std::size_t, CameraRawPicture&) { return false; }

#endif

}  // namespace pelimor
