#pragma once
// Test pictures made with libvips itself: a colour "photograph" of soft shapes for a seed, and the
// variants a collection holds of it. Only in builds with PELIMOR_WITH_PICTURES.
#include <vips/vips.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "search/camera_raw_test_support.h"

namespace pelimor::testing {

// Owns one image reference.
class VipsPicture {
 public:
  VipsPicture() = default;
  explicit VipsPicture(VipsImage* image) : image_(image) {
    if (!image_) throw std::runtime_error(std::string("libvips: ") + vips_error_buffer());
  }
  VipsPicture(VipsPicture&& other) noexcept : image_(std::exchange(other.image_, nullptr)) {}
  VipsPicture& operator=(VipsPicture&& other) noexcept {
    std::swap(image_, other.image_);
    return *this;
  }
  ~VipsPicture() {
    if (image_) g_object_unref(image_);
  }
  VipsImage* get() const { return image_; }
  int width() const { return vips_image_get_width(image_); }
  int height() const { return vips_image_get_height(image_); }

 private:
  VipsImage* image_ = nullptr;
};

// The image an operation makes: operation(&out) returns 0 when it made one.
template <typename Operation>
VipsPicture made(Operation operation) {
  VipsImage* out = nullptr;
  if (operation(&out) != 0) throw std::runtime_error(std::string("libvips: ") + vips_error_buffer());
  return VipsPicture(out);
}

// A width x height sRGB picture: soft blobs of colour on a gradient, with a little grain; one seed,
// one picture.
inline VipsPicture photograph(unsigned seed, int width = 800, int height = 600) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  struct Blob {
    double x, y, radius, r, g, b;
  };
  std::vector<Blob> blobs(10);
  for (Blob& blob : blobs)
    blob = Blob{unit(random),       unit(random),       0.05 + 0.25 * unit(random),
                unit(random) - 0.5, unit(random) - 0.5, unit(random) - 0.5};
  const double slope = unit(random) - 0.5;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double sx = (x + 0.5) / width, sy = (y + 0.5) / height;
      double rgb[3] = {0.5 + 0.3 * slope * (sx - sy), 0.5 + 0.3 * slope * (sy - sx), 0.5};
      for (const Blob& blob : blobs) {
        const double weight =
            std::exp(-((sx - blob.x) * (sx - blob.x) + (sy - blob.y) * (sy - blob.y)) / (blob.radius * blob.radius));
        rgb[0] += blob.r * weight;
        rgb[1] += blob.g * weight;
        rgb[2] += blob.b * weight;
      }
      for (int c = 0; c < 3; ++c)
        pixels[(static_cast<std::size_t>(y) * width + x) * 3 + c] =
            static_cast<unsigned char>(std::clamp(std::lround(rgb[c] * 255 + (unit(random) - 0.5) * 6), 0L, 255L));
    }
  VipsImage* image = vips_image_new_from_memory_copy(pixels.data(), pixels.size(), width, height, 3, VIPS_FORMAT_UCHAR);
  VipsPicture picture(image);
  picture.get()->Type = VIPS_INTERPRETATION_sRGB;
  return picture;
}

inline std::string savedAs(const VipsPicture& picture, const char* suffix, int quality = 90) {
  void* bytes = nullptr;
  std::size_t size = 0;
  const std::string format = suffix;
  const int status = format == ".jpg"
                         ? vips_image_write_to_buffer(picture.get(), suffix, &bytes, &size, "Q", quality, nullptr)
                         : vips_image_write_to_buffer(picture.get(), suffix, &bytes, &size, nullptr);
  if (status != 0) throw std::runtime_error(std::string("libvips: ") + vips_error_buffer());
  std::string file(static_cast<const char*>(bytes), size);
  g_free(bytes);
  return file;
}

// The picture saved as `suffix` with the saver's options, as libvips takes them: "interlace", TRUE.
template <typename... Options>
std::string savedWith(const VipsPicture& picture, const char* suffix, Options... options) {
  void* bytes = nullptr;
  std::size_t size = 0;
  if (vips_image_write_to_buffer(picture.get(), suffix, &bytes, &size, options..., nullptr) != 0)
    throw std::runtime_error(std::string("libvips: ") + vips_error_buffer());
  std::string file(static_cast<const char*>(bytes), size);
  g_free(bytes);
  return file;
}

// The picture as a progressive JPEG, its colour at half the resolution both ways (4:2:0, as most
// are) or at the whole (4:4:4).
inline std::string progressiveJpeg(const VipsPicture& picture, bool halfColour = true) {
  return savedWith(picture, ".jpg", "interlace", TRUE, "subsample_mode",
                   halfColour ? VIPS_FOREIGN_SUBSAMPLE_ON : VIPS_FOREIGN_SUBSAMPLE_OFF);
}

// The picture with an alpha band as an interlaced PNG, which libvips' loader decodes whole.
inline std::string interlacedPngWithAlpha(const VipsPicture& picture) {
  const VipsPicture withAlpha =
      made([&](VipsImage** out) { return vips_bandjoin_const1(picture.get(), out, 255, nullptr); });
  return savedWith(withAlpha, ".png", "interlace", TRUE);
}

inline VipsPicture resized(const VipsPicture& picture, double scale) {
  return made([&](VipsImage** out) { return vips_resize(picture.get(), out, scale, nullptr); });
}

// `share` of the width and height cut away, half on each side.
inline VipsPicture cropped(const VipsPicture& picture, double share) {
  const int left = static_cast<int>(picture.width() * share / 2), top = static_cast<int>(picture.height() * share / 2);
  return made([&](VipsImage** out) {
    return vips_extract_area(picture.get(), out, left, top, picture.width() - 2 * left, picture.height() - 2 * top,
                             nullptr);
  });
}

inline VipsPicture brightened(const VipsPicture& picture, double factor) {
  const VipsPicture scaled =
      made([&](VipsImage** out) { return vips_linear1(picture.get(), out, factor, 0.0, nullptr); });
  return made([&](VipsImage** out) { return vips_cast(scaled.get(), out, VIPS_FORMAT_UCHAR, nullptr); });
}

// The picture faded to a band `depth` grey levels deep around mid-grey, with a grain of its own:
// a pale pattern on a plain ground, whose layout shows only when many pixels are averaged.
inline VipsPicture faded(const VipsPicture& picture, double depth, unsigned seed) {
  const VipsPicture pale =
      made([&](VipsImage** out) { return vips_linear1(picture.get(), out, depth / 255, 128 - depth / 2, nullptr); });
  const VipsPicture grain = made([&](VipsImage** out) {
    return vips_gaussnoise(out, picture.width(), picture.height(), "sigma", 3.0, "mean", 0.0, "seed",
                           static_cast<int>(seed), nullptr);
  });
  const VipsPicture sum = made([&](VipsImage** out) { return vips_add(pale.get(), grain.get(), out, nullptr); });
  VipsPicture result = made([&](VipsImage** out) { return vips_cast(sum.get(), out, VIPS_FORMAT_UCHAR, nullptr); });
  result.get()->Type = VIPS_INTERPRETATION_sRGB;
  return result;
}

// The picture in print colours (CMYK), as a JPEG of it holds them.
inline VipsPicture inCmyk(const VipsPicture& picture) {
  return made([&](VipsImage** out) { return vips_colourspace(picture.get(), out, VIPS_INTERPRETATION_CMYK, nullptr); });
}

inline VipsPicture greyed(const VipsPicture& picture) {
  return made([&](VipsImage** out) { return vips_colourspace(picture.get(), out, VIPS_INTERPRETATION_B_W, nullptr); });
}

// The pixels turned a quarter to the left, with the EXIF orientation tag 6 that has a viewer turn
// them back: shown, the same picture.
inline VipsPicture turnedWithTag(const VipsPicture& picture) {
  const VipsPicture turned =
      made([&](VipsImage** out) { return vips_rot(picture.get(), out, VIPS_ANGLE_D270, nullptr); });
  VipsPicture tagged = made([&](VipsImage** out) { return vips_copy(turned.get(), out, nullptr); });
  vips_image_set_int(tagged.get(), VIPS_META_ORIENTATION, 6);
  return tagged;
}

// The picture as a camera's DNG (camera_raw_test_support.h).
inline std::string dngOf(const VipsPicture& picture, int orientation, const std::string& previewJpeg = {},
                         int previewWidth = 0, int previewHeight = 0) {
  std::size_t size = 0;
  void* rgb = vips_image_write_to_memory(picture.get(), &size);
  std::string file = dngOf(static_cast<const unsigned char*>(rgb), picture.width(), picture.height(), orientation,
                           previewJpeg, previewWidth, previewHeight);
  g_free(rgb);
  return file;
}

}  // namespace pelimor::testing
