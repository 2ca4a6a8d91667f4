// The perceptual hash as a pure function over grey pixels: what leaves it alone, what moves it.
#include "search/picture_hash.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace pelimor {
namespace {

// A grey "scene" of smooth shapes, the same for one seed: a few soft blobs on a gradient.
struct Scene {
  explicit Scene(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (Blob& blob : blobs) blob = Blob{unit(random), unit(random), 0.05 + 0.2 * unit(random), unit(random) - 0.5};
    slope = unit(random) - 0.5;
  }
  // Brightness 0 .. 1 at (x, y) in 0 .. 1.
  double at(double x, double y) const {
    double value = 0.5 + 0.3 * slope * (x - y);
    for (const Blob& blob : blobs) {
      const double dx = x - blob.x, dy = y - blob.y;
      value += blob.weight * std::exp(-(dx * dx + dy * dy) / (blob.radius * blob.radius));
    }
    return std::clamp(value, 0.0, 1.0);
  }
  struct Blob {
    double x, y, radius, weight;
  };
  Blob blobs[8];
  double slope;
};

struct Grey {
  int width, height;
  std::vector<std::uint8_t> pixels;
  std::uint64_t hash() const { return pictureHash(pixels.data(), width, height); }
};

// The scene seen through a window [left, right) x [top, bottom) of it, at width x height pixels,
// each pixel's brightness passed through `tone`.
template <typename Tone>
Grey render(const Scene& scene, int width, int height, Tone tone, double left = 0, double top = 0, double right = 1,
            double bottom = 1) {
  Grey grey{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double sx = left + (x + 0.5) / width * (right - left), sy = top + (y + 0.5) / height * (bottom - top);
      grey.pixels[static_cast<std::size_t>(y) * width + x] =
          static_cast<std::uint8_t>(std::lround(std::clamp(tone(scene.at(sx, sy)), 0.0, 1.0) * 255));
    }
  return grey;
}
Grey render(const Scene& scene, int width, int height) {
  return render(scene, width, height, [](double v) { return v; });
}

TEST(PictureHashTest, TheSamePixelsGiveTheSameHashWithHalfItsBitsSet) {
  const Grey picture = render(Scene(1), 200, 150);
  EXPECT_EQ(picture.hash(), picture.hash());
  EXPECT_EQ(std::popcount(picture.hash()), 32);
  // A stride wider than the row reads the same pixels.
  std::vector<std::uint8_t> padded;
  for (int y = 0; y < picture.height; ++y) {
    padded.insert(padded.end(), picture.pixels.begin() + y * picture.width,
                  picture.pixels.begin() + (y + 1) * picture.width);
    padded.insert(padded.end(), 7, 0xEE);
  }
  EXPECT_EQ(pictureHash(padded.data(), picture.width, picture.height, picture.width + 7), picture.hash());
}

TEST(PictureHashTest, AnySizeIsTakenEvenOnePixel) {
  const std::uint8_t one = 128;
  EXPECT_EQ(pictureHash(&one, 1, 1), pictureHash(&one, 1, 1));
  EXPECT_EQ(pictureHash(nullptr, 0, 0), 0u);
  const Grey thin = render(Scene(2), 3, 500);
  EXPECT_EQ(thin.hash(), thin.hash());
}

TEST(PictureHashTest, SizeBrightnessAndContrastHardlyMoveIt) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    const Scene scene(seed);
    const std::uint64_t original = render(scene, 640, 480).hash();
    EXPECT_LE(hammingDistance(original, render(scene, 320, 240).hash()), 4u);
    EXPECT_LE(hammingDistance(original, render(scene, 97, 61).hash()), 6u);
    EXPECT_LE(hammingDistance(original, render(scene, 640, 480, [](double v) { return v * 1.1; }).hash()), 6u);
    EXPECT_LE(hammingDistance(original, render(scene, 640, 480, [](double v) { return v * 0.9; }).hash()), 6u);
    EXPECT_LE(hammingDistance(original, render(scene, 640, 480, [](double v) { return 0.1 + 0.8 * v; }).hash()), 6u);
  }
}

TEST(PictureHashTest, ASmallCropMovesItLittle) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    const Scene scene(seed);
    const std::uint64_t original = render(scene, 640, 480).hash();
    const auto cropped = [&](double share) {
      return render(
                 scene, 600, 450, [](double v) { return v; }, share, share, 1 - share, 1 - share)
          .hash();
    };
    EXPECT_LE(hammingDistance(original, cropped(0.02)), 10u);
    EXPECT_LE(hammingDistance(original, cropped(0.04)), 16u);
  }
}

TEST(PictureHashTest, UnrelatedPicturesLieFarApart) {
  std::vector<std::uint64_t> hashes;
  for (unsigned seed = 100; seed < 160; ++seed) hashes.push_back(render(Scene(seed), 160, 120).hash());
  unsigned nearest = 64;
  for (std::size_t i = 0; i < hashes.size(); ++i)
    for (std::size_t j = i + 1; j < hashes.size(); ++j)
      nearest = std::min(nearest, hammingDistance(hashes[i], hashes[j]));
  EXPECT_GT(nearest, 12u);
}

TEST(PictureHashTest, TurningThePixelsIsAnotherPicture) {
  // The orientation is applied before hashing: the hash itself does not forgive a turn.
  const Grey picture = render(Scene(7), 120, 120);
  Grey turned = picture;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x)
      turned.pixels[static_cast<std::size_t>(x) * 120 + (119 - y)] = picture.pixels[y * 120 + x];
  EXPECT_GT(hammingDistance(picture.hash(), turned.hash()), 12u);
}

}  // namespace
}  // namespace pelimor
