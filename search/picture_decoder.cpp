#include "search/picture_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "search/ascii_case.h"
#include "search/picture_hash.h"

#ifdef PELIMOR_WITH_PICTURES
#include <vips/vips.h>

#include <mutex>
#endif

namespace pelimor {

namespace {
// The side of the small picture hashed: a JPEG of 4000 x 3000 is decoded at 500 x 375 (an eighth,
// its DCT's mean values alone) and reduced from there.
constexpr int kHashedSide = 64;

constexpr std::array<std::string_view, 12> kPictureExtensions = {
    "jpg", "jpeg", "jpe", "jfif", "png", "webp", "tif", "tiff", "gif", "heic", "heif", "avif",
};
}  // namespace

bool isPictureName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = name.substr(dot + 1);
  const auto same = [&](std::string_view known) {
    return std::equal(extension.begin(), extension.end(), known.begin(), known.end(),
                      [](char a, char b) { return upperAscii(a) == upperAscii(b); });
  };
  return std::any_of(kPictureExtensions.begin(), kPictureExtensions.end(), same);
}

bool describePicture(const void* data, std::size_t size, PictureFacts& facts) {
  SmallPicture picture;
  if (!decodeSmallPicture(data, size, kHashedSide, picture)) return false;
  facts.hash = pictureHash(picture.grey.data(), picture.width, picture.height);
  facts.width = picture.fullWidth;
  facts.height = picture.fullHeight;
  return true;
}

#ifdef PELIMOR_WITH_PICTURES

namespace {
void dropMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// Sets libvips up once, for every thread. False when it could not start.
bool startVips() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    if (vips_init("pelimor") != 0) return;
    // The search runs a reader per file at a time: libvips works on the calling thread alone, and
    // remembers no operation, no file and next to no memory between pictures.
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    vips_cache_set_max_mem(0);
    vips_cache_set_max_files(0);
    // Pictures come from anywhere on the disk: none goes to a loader not fit for untrusted input.
    vips_block_untrusted_set(TRUE);
    // A damaged picture is skipped with a reason; libvips' own warnings would only clutter stderr.
    g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO),
                      dropMessage, nullptr);
    started = true;
  });
  return started;
}

// Owns one reference to an image.
class Image {
 public:
  Image() = default;
  ~Image() { reset(); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  VipsImage** out() {
    reset();
    return &image_;
  }
  VipsImage* get() const { return image_; }
  void reset() {
    if (image_) g_object_unref(image_);
    image_ = nullptr;
  }
  // Takes the image `next` holds in place of this one's.
  void take(Image& next) {
    reset();
    std::swap(image_, next.image_);
  }

 private:
  VipsImage* image_ = nullptr;
};

bool failed() {
  vips_error_clear();
  return false;
}
}  // namespace

bool picturesBuiltIn() { return true; }

bool decodeSmallPicture(const void* data, std::size_t size, int side, SmallPicture& picture) {
  if (!startVips() || size == 0) return false;
  // The header alone first, for the whole picture's size; nothing is decoded yet.
  {
    Image header;
    VipsImage* image = vips_image_new_from_buffer(data, size, "", nullptr);
    if (!image) return failed();
    *header.out() = image;
    const bool turned = vips_image_get_orientation_swap(image);
    const auto width = static_cast<std::uint32_t>(vips_image_get_width(image));
    const auto height = static_cast<std::uint32_t>(vips_image_get_height(image));
    picture.fullWidth = turned ? height : width;
    picture.fullHeight = turned ? width : height;
  }
  Image image, next;
  // Turned upright by its orientation tag (thumbnail's default), shrunk while it is loaded.
  if (vips_thumbnail_buffer(const_cast<void*>(data), size, image.out(), side, "height", side, nullptr) != 0)
    return failed();
  if (vips_image_hasalpha(image.get())) {
    if (vips_flatten(image.get(), next.out(), nullptr) != 0) return failed();
    image.take(next);
  }
  if (vips_colourspace(image.get(), next.out(), VIPS_INTERPRETATION_B_W, nullptr) != 0) return failed();
  image.take(next);
  if (vips_image_get_bands(image.get()) > 1) {
    if (vips_extract_band(image.get(), next.out(), 0, nullptr) != 0) return failed();
    image.take(next);
  }
  if (vips_image_get_format(image.get()) != VIPS_FORMAT_UCHAR) {
    // 16-bit values lose their low byte; others are clipped to 0 .. 255.
    if (vips_cast(image.get(), next.out(), VIPS_FORMAT_UCHAR, "shift", TRUE, nullptr) != 0) return failed();
    image.take(next);
  }
  std::size_t bytes = 0;
  void* pixels = vips_image_write_to_memory(image.get(), &bytes);
  if (!pixels) return failed();
  picture.width = vips_image_get_width(image.get());
  picture.height = vips_image_get_height(image.get());
  const bool whole = bytes == static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
  if (whole) picture.grey.assign(static_cast<std::uint8_t*>(pixels), static_cast<std::uint8_t*>(pixels) + bytes);
  g_free(pixels);
  return whole && picture.width > 0 && picture.height > 0;
}

void pictureThreadDone() { vips_thread_shutdown(); }

#else

bool picturesBuiltIn() { return false; }
bool decodeSmallPicture(const void*, std::size_t, int, SmallPicture&) { return false; }
void pictureThreadDone() {}

#endif

}  // namespace pelimor
