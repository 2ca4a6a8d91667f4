// What a picture whose header claims tens of thousands of pixels a side costs the "Similar
// pictures" search: each file is hashed by the search's own decoding (describePicture) in a
// process of its own, which reports its time and its peak memory (getrusage's max RSS). Beside the
// bombs: a tiny picture (the process's floor) and real pictures at the pixel limit. Run by hand:
//   bench_picture_bombs [FOLDER]   (default /tmp/pelimor-picture-bombs; the files are left there)
#include "search/picture_bombs.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "search/picture_decoder.h"
#include "search/picture_test_support.h"

namespace {

using pelimor::testing::VipsPicture;

const char* failureName(pelimor::PictureFailure failure) {
  switch (failure) {
    case pelimor::PictureFailure::None:
      return "hashed";
    case pelimor::PictureFailure::Unreadable:
      return "unreadable";
    case pelimor::PictureFailure::Damaged:
      return "damaged";
    case pelimor::PictureFailure::TooManyPixels:
      return "over the pixel limit";
    case pelimor::PictureFailure::TooMuchMemory:
      return "over the memory limit";
  }
  return "?";
}

// A smooth width x height colour picture, made by libvips without holding it whole.
VipsPicture ramp(int width, int height) {
  const VipsPicture grey =
      pelimor::testing::made([&](VipsImage** out) { return vips_grey(out, width, height, nullptr); });
  const VipsPicture bytes = pelimor::testing::made(
      [&](VipsImage** out) { return vips_linear1(grey.get(), out, 255.0, 0.0, "uchar", TRUE, nullptr); });
  VipsImage* bands[] = {bytes.get(), bytes.get(), bytes.get()};
  VipsPicture colour = pelimor::testing::made([&](VipsImage** out) { return vips_bandjoin(bands, out, 3, nullptr); });
  colour.get()->Type = VIPS_INTERPRETATION_sRGB;
  return colour;
}

// The files measured, by name.
std::vector<std::pair<std::string, std::string>> files() {
  using namespace pelimor::testing;
  const VipsPicture small = photograph(1, 64, 48);
  const std::string baseline = savedAs(small, ".jpg"), progressive = progressiveJpeg(small),
                    png = savedAs(small, ".png");
  const VipsPicture atLimit = ramp(10000, 10000);
  return {
      {"tiny-64x48.jpg", baseline},
      {"progressive-30000.jpg", jpegClaiming(progressive, 30000, 30000)},
      {"progressive-65500.jpg", jpegClaiming(progressive, 65500, 65500)},
      {"baseline-30000.jpg", jpegClaiming(baseline, 30000, 30000)},
      {"baseline-65500.jpg", jpegClaiming(baseline, 65500, 65500)},
      {"png-30000.png", pngClaiming(png, 30000, 30000)},
      {"png-65500.png", pngClaiming(png, 65500, 65500)},
      // 81 million pixels, within the limit, but 460 MiB of coefficients in full colour.
      {"progressive-444-9000.jpg", jpegClaiming(progressiveJpeg(small, false), 9000, 9000)},
      {"png-interlaced-10000x9000.png", pngClaiming(interlacedPngWithAlpha(small), 10000, 9000)},
      {"raw-preview-65500.dng", dngOf(small, 1, jpegClaiming(progressive, 65500, 65500), 65500, 65500)},
      {"real-10000x10000.jpg", savedAs(atLimit, ".jpg")},
      {"real-progressive-10000x10000.jpg", progressiveJpeg(atLimit)},
      {"real-10000x10000.png", savedAs(atLimit, ".png")},
  };
}

// In a child: hashes the file and prints what it cost.
[[noreturn]] void hashOne(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto start = std::chrono::steady_clock::now();
  pelimor::PictureFacts facts;
  const pelimor::PictureFailure failure =
      pelimor::describePicture(bytes.data(), bytes.size(), facts, pelimor::pictureKindOfName(path.filename().string()));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("| %s | %zu | %s | %.3f | %.1f |\n", path.filename().c_str(), bytes.size(), failureName(failure), seconds,
              static_cast<double>(usage.ru_maxrss) / 1024.0);
  std::fflush(stdout);
  _exit(0);
}

// Runs `work` in a child process; false when it did not end well.
template <typename Work>
bool inChild(Work work) {
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    work();
    _exit(1);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : "/tmp/pelimor-picture-bombs";
  std::filesystem::create_directories(folder);
  std::vector<std::string> names;
  // libvips and its threads live only in the children: the parent forks clean.
  const bool written = inChild([&] {
    if (vips_init("bench") != 0) _exit(1);
    for (const auto& [name, bytes] : files()) std::ofstream(folder / name, std::ios::binary) << bytes;
    _exit(0);
  });
  if (!written) {
    std::fprintf(stderr, "could not write the pictures into %s\n", folder.c_str());
    return 1;
  }
  std::printf("| file | bytes | result | seconds | peak MiB |\n| --- | ---: | --- | ---: | ---: |\n");
  std::fflush(stdout);
  std::vector<std::filesystem::path> paths;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  for (const auto& path : paths)
    if (!inChild([&] { hashOne(path); })) std::printf("| %s | | the process failed | | |\n", path.filename().c_str());
  return 0;
}
