#include "search/picture_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "search/ascii_case.h"
#include "search/camera_raw.h"
#include "search/picture_hash.h"

#ifdef PELIMOR_WITH_PICTURES
#include <vips/vips.h>

#include <mutex>

#include "search/jpeg_decoder.h"
#endif

namespace pelimor {

namespace {
constexpr std::array<std::string_view, 12> kPictureExtensions = {
    "jpg", "jpeg", "jpe", "jfif", "png", "webp", "tif", "tiff", "gif", "heic", "heif", "avif",
};
// The RAW files of cameras libraw reads, by the names their makers give them.
constexpr std::array<std::string_view, 22> kCameraRawExtensions = {
    "dng", "cr2", "cr3", "crw", "nef", "nrw", "arw", "srf", "sr2", "orf", "rw2",
    "raf", "pef", "srw", "x3f", "3fr", "fff", "iiq", "erf", "mrw", "kdc", "dcr",
};

bool sameExtension(std::string_view extension, std::string_view known) {
  return std::equal(extension.begin(), extension.end(), known.begin(), known.end(),
                    [](char a, char b) { return upperAscii(a) == upperAscii(b); });
}
}  // namespace

PictureKind pictureKindOfName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return PictureKind::None;
  const std::string_view extension = name.substr(dot + 1);
  const auto same = [&](std::string_view known) { return sameExtension(extension, known); };
  if (std::any_of(kPictureExtensions.begin(), kPictureExtensions.end(), same)) return PictureKind::Ordinary;
  if (cameraRawBuiltIn() && std::any_of(kCameraRawExtensions.begin(), kCameraRawExtensions.end(), same))
    return PictureKind::CameraRaw;
  return PictureKind::None;
}

bool isPictureName(std::string_view name) { return pictureKindOfName(name) != PictureKind::None; }

PictureFailure describePicture(const void* data, std::size_t size, PictureFacts& facts, PictureKind kind) {
  SmallPicture picture;
  if (const PictureFailure failure = decodeSmallPicture(data, size, picture, kind); failure != PictureFailure::None)
    return failure;
  facts.hash = pictureHash(picture.grey.data(), picture.width, picture.height);
  facts.width = picture.fullWidth;
  facts.height = picture.fullHeight;
  return PictureFailure::None;
}

#ifdef PELIMOR_WITH_PICTURES

namespace {
// How small a picture is decoded for its hash. The hash averages it down to 32 x 32 itself, in
// double precision: a faint picture (a fine pattern on a plain ground) keeps its layout only when
// many 8-bit pixels, each still carrying the picture's grain, are averaged. A 64-pixel thumbnail
// rounded to whole grey levels leaves such a picture two or three levels deep and its hash noise.
// A JPEG is shrunk while decoded (its blocks' mean values alone at an eighth) as far as keeps
// kLeastSide pixels on its longer side: 4000 x 3000 comes at 500 x 375. Other kinds are reduced to
// kMostSide at most, so that each pixel averages few of the picture's own.
constexpr int kLeastSide = 256;
constexpr int kMostSide = 1024;

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

// A step failed: libvips' message is dropped (the reason is ours to give).
PictureFailure failedFor(PictureFailure why) {
  vips_error_clear();
  return why;
}

bool isJpeg(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  return size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

// The pixels of a one-band image of bytes, into `picture`. libvips decodes only now: a loader that
// can't have all the pixels (with fail_on set) fails here, after the header read.
PictureFailure takeGreyPixels(const Image& image, SmallPicture& picture) {
  std::size_t bytes = 0;
  void* pixels = vips_image_write_to_memory(image.get(), &bytes);
  if (!pixels) return failedFor(PictureFailure::Damaged);
  picture.width = vips_image_get_width(image.get());
  picture.height = vips_image_get_height(image.get());
  const bool whole = bytes == static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
  if (whole) picture.grey.assign(static_cast<std::uint8_t*>(pixels), static_cast<std::uint8_t*>(pixels) + bytes);
  g_free(pixels);
  return whole && picture.width > 0 && picture.height > 0 ? PictureFailure::None : PictureFailure::Unreadable;
}

// A colour (or grey) image made grey as a JPEG holds its brightness (Rec. 601 luma of the sRGB
// values, rounded as libjpeg rounds), so that a picture's JPEG and its PNG give the same grey.
PictureFailure takeLuma(Image& image, SmallPicture& picture) {
  Image next;
  if (vips_image_hasalpha(image.get())) {
    if (vips_flatten(image.get(), next.out(), nullptr) != 0) return failedFor(PictureFailure::Unreadable);
    image.take(next);
  }
  if (vips_colourspace(image.get(), next.out(), VIPS_INTERPRETATION_sRGB, nullptr) != 0)
    return failedFor(PictureFailure::Unreadable);
  image.take(next);
  static const double kLuma[] = {0.299, 0.587, 0.114};
  Image weights;
  *weights.out() = vips_image_new_matrix_from_array(3, 1, kLuma, 3);
  if (vips_extract_band(image.get(), next.out(), 0, "n", 3, nullptr) != 0) return failedFor(PictureFailure::Unreadable);
  image.take(next);
  if (vips_recomb(image.get(), next.out(), weights.get(), nullptr) != 0) return failedFor(PictureFailure::Unreadable);
  image.take(next);
  if (vips_linear1(image.get(), next.out(), 1.0, 0.5, nullptr) != 0) return failedFor(PictureFailure::Unreadable);
  image.take(next);
  if (vips_cast(image.get(), next.out(), VIPS_FORMAT_UCHAR, nullptr) != 0) return failedFor(PictureFailure::Unreadable);
  image.take(next);
  return takeGreyPixels(image, picture);
}

// The picture a file's bytes encode, small and grey; `orientation` turns a JPEG that libjpeg decodes.
PictureFailure decodeEncoded(const void* data, std::size_t size, int orientation, SmallPicture& picture) {
  JpegPixels jpeg;  // outlives `image`, which may only point into it
  Image image, next;
  if (isJpeg(data, size) && decodeJpeg(data, size, JpegDecoding{.grey = true, .leastSide = kLeastSide}, jpeg)) {
    // libjpeg's grey, shrunk while decoded, turned upright here.
    *image.out() =
        vips_image_new_from_memory(jpeg.bytes.data(), jpeg.bytes.size(), jpeg.width, jpeg.height, 1, VIPS_FORMAT_UCHAR);
    if (!image.get()) return failedFor(PictureFailure::Unreadable);
    if (orientation > 1) {
      vips_image_set_int(image.get(), VIPS_META_ORIENTATION, orientation);
      if (vips_autorot(image.get(), next.out(), nullptr) != 0) return failedFor(PictureFailure::Unreadable);
      image.take(next);
    }
    return takeGreyPixels(image, picture);
  }
  // A JPEG libjpeg found damaged or too large is so for libvips too.
  if (jpeg.failure != PictureFailure::None && jpeg.failure != PictureFailure::Unreadable) return jpeg.failure;
  // Other kinds, and JPEGs libjpeg would not decode as asked (CMYK): turned upright by their own
  // orientation tag (thumbnail's default), shrunk while loaded where the kind allows. A loader
  // that meets pixels cut short or broken fails rather than filling them in (thumbnail's own
  // fail_on does not reach the loader: the loader's options do).
  if (vips_thumbnail_buffer(const_cast<void*>(data), size, image.out(), kMostSide, "height", kMostSide, "size",
                            VIPS_SIZE_DOWN, "option_string", "fail_on=error", nullptr) != 0)
    return failedFor(PictureFailure::Damaged);
  return takeLuma(image, picture);
}

PictureFailure decodeCameraRaw(const void* data, std::size_t size, SmallPicture& picture) {
  CameraRawPicture raw;
  if (!readCameraRaw(data, size, raw))
    return raw.failure == PictureFailure::None ? PictureFailure::Unreadable : raw.failure;
  const bool turned = raw.orientation >= 5;
  picture.fullWidth = turned ? raw.height : raw.width;
  picture.fullHeight = turned ? raw.width : raw.height;
  if (!raw.jpeg.empty()) return decodeEncoded(raw.jpeg.data(), raw.jpeg.size(), raw.orientation, picture);
  Image image, next;
  *image.out() =
      vips_image_new_from_memory(raw.rgb.data(), raw.rgb.size(), raw.rgbWidth, raw.rgbHeight, 3, VIPS_FORMAT_UCHAR);
  if (!image.get()) return failedFor(PictureFailure::Unreadable);
  image.get()->Type = VIPS_INTERPRETATION_sRGB;
  vips_image_set_int(image.get(), VIPS_META_ORIENTATION, raw.orientation);
  if (vips_thumbnail_image(image.get(), next.out(), kMostSide, "height", kMostSide, "size", VIPS_SIZE_DOWN, nullptr) !=
      0)
    return failedFor(PictureFailure::Unreadable);
  image.take(next);
  return takeLuma(image, picture);
}

// What a loader that holds the whole picture while it decodes it would take: an interlaced PNG, a
// GIF's frame, a HEIF or AVIF picture (libheif's planes, then the image made of them: about twice).
// 0 for the loaders that decode a strip at a time.
std::uint64_t wholePictureBytes(VipsImage* header) {
  const char* loader = "";
  if (vips_image_get_typeof(header, VIPS_META_LOADER) != 0) vips_image_get_string(header, VIPS_META_LOADER, &loader);
  const std::string_view name(loader);
  const auto bytes = static_cast<std::uint64_t>(VIPS_IMAGE_SIZEOF_IMAGE(header));
  int interlaced = 0;
  if (name.starts_with("pngload") && vips_image_get_typeof(header, "interlaced") != 0)
    vips_image_get_int(header, "interlaced", &interlaced);
  if (name.starts_with("heifload")) return 2 * bytes;
  return name.starts_with("gifload") || interlaced != 0 ? bytes : 0;
}

// The whole picture's size and orientation from its header alone: nothing is decoded yet.
PictureFailure readHeader(const void* data, std::size_t size, SmallPicture& picture, int& orientation) {
  Image header;
  VipsImage* image = vips_image_new_from_buffer(data, size, "", nullptr);
  if (!image) return failedFor(PictureFailure::Unreadable);
  *header.out() = image;
  orientation = vips_image_get_orientation(image);
  const bool turned = vips_image_get_orientation_swap(image);
  const auto width = static_cast<std::uint32_t>(vips_image_get_width(image));
  const auto height = static_cast<std::uint32_t>(vips_image_get_height(image));
  if (!withinPixelLimit(width, height)) return PictureFailure::TooManyPixels;
  if (wholePictureBytes(image) > kMostDecoderMemory) return PictureFailure::TooMuchMemory;
  picture.fullWidth = turned ? height : width;
  picture.fullHeight = turned ? width : height;
  return PictureFailure::None;
}
}  // namespace

bool picturesBuiltIn() { return true; }

PictureFailure decodeSmallPicture(const void* data, std::size_t size, SmallPicture& picture, PictureKind kind) {
  if (!startVips() || size == 0) return PictureFailure::Unreadable;
  if (kind == PictureKind::CameraRaw) return decodeCameraRaw(data, size, picture);
  int orientation = 1;
  if (const PictureFailure failure = readHeader(data, size, picture, orientation); failure != PictureFailure::None)
    return failure;
  return decodeEncoded(data, size, orientation, picture);
}

void pictureThreadDone() { vips_thread_shutdown(); }

#else

bool picturesBuiltIn() { return false; }
PictureFailure decodeSmallPicture(const void*, std::size_t, SmallPicture&, PictureKind) {
  return PictureFailure::Unreadable;
}
void pictureThreadDone() {}

#endif

}  // namespace pelimor
