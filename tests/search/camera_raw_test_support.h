#pragma once
// Camera RAW files made for the tests: a DNG (a TIFF with Adobe's raw tags) holding a picture as a
// camera's sensor would have seen it, one colour a pixel in a Bayer pattern, and optionally a JPEG
// preview beside it, as cameras embed one.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pelimor::testing {

inline std::string littleEndian(std::uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  return out;
}

// One entry of a TIFF folder (IFD): `count` values of `type` (1 byte, 3 short, 4 long, 5 rational,
// 10 signed rational) in `values`. Values longer than four bytes lie after the folders and the
// entry says where, as a strip's data does for its offset (a LONG).
struct TiffEntry {
  std::uint16_t tag, type;
  std::uint32_t count;
  std::string values;
};
inline TiffEntry tiffValues(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::string values) {
  return {tag, type, count, std::move(values)};
}
inline TiffEntry tiffShort(std::uint16_t tag, unsigned value) { return tiffValues(tag, 3, 1, littleEndian(value, 2)); }
inline TiffEntry tiffLong(std::uint16_t tag, std::uint32_t value) {
  return tiffValues(tag, 4, 1, littleEndian(value, 4));
}

// The file: its header, the folders one after the other, each naming the next, then the values.
inline std::string tiffFile(std::vector<std::vector<TiffEntry>> folders) {
  std::size_t tailStart = 8;
  for (auto& folder : folders) {
    std::sort(folder.begin(), folder.end(), [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
    tailStart += 2 + folder.size() * 12 + 4;
  }
  std::string head = "II" + littleEndian(42, 2) + littleEndian(8, 4), tail;
  for (std::size_t f = 0; f < folders.size(); ++f) {
    head += littleEndian(folders[f].size(), 2);
    for (const TiffEntry& entry : folders[f]) {
      head += littleEndian(entry.tag, 2) + littleEndian(entry.type, 2) + littleEndian(entry.count, 4);
      if (entry.values.size() <= 4) {
        head += entry.values + std::string(4 - entry.values.size(), '\0');
      } else {
        if (tail.size() % 2) tail.push_back('\0');
        head += littleEndian(tailStart + tail.size(), 4);
        tail += entry.values;
      }
    }
    head += littleEndian(f + 1 < folders.size() ? head.size() + 4 : 0, 4);
  }
  return head + tail;
}

// The picture whose RGB bytes lie at `rgb` as a DNG: its sensor data in 16 bits (red, green,
// green, blue in each 2 x 2 square), turned by `orientation` as EXIF numbers it, with
// `previewJpeg` (previewWidth x previewHeight) embedded when given.
inline std::string dngOf(const unsigned char* rgb, int pictureWidth, int pictureHeight, int orientation,
                         const std::string& previewJpeg = {}, int previewWidth = 0, int previewHeight = 0) {
  const std::uint32_t width = pictureWidth & ~1, height = pictureHeight & ~1;
  std::string sensor;
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      // A sensor counts light: the sRGB value made linear again.
      const double value = rgb[(std::size_t{y} * pictureWidth + x) * 3 + (y % 2) + (x % 2)] / 255.0;
      const double light = value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
      sensor += littleEndian(static_cast<std::uint64_t>(std::lround(light * 65535)), 2);
    }
  // The sensor's colours are linear sRGB: the matrix from XYZ to them, in ten-thousandths.
  std::string matrix;
  for (const int value : {32406, -15372, -4986, -9689, 18758, 415, 557, -2040, 10570})
    matrix += littleEndian(static_cast<std::uint32_t>(value), 4) + littleEndian(10000, 4);
  const auto turn = tiffShort(274, static_cast<unsigned>(orientation));
  const std::string one = littleEndian(0x1'00000001, 8);  // the rational 1/1
  // Uncompressed, a colour filter array in a 2 x 2 pattern, red green green blue; DNG 1.4; for D65
  // light, white as it is.
  std::vector<std::vector<TiffEntry>> folders(1);
  folders[0] = {tiffLong(256, width),
                tiffLong(257, height),
                tiffShort(258, 16),
                tiffShort(259, 1),
                tiffShort(262, 32803),
                tiffValues(273, 4, 1, sensor),
                turn,
                tiffShort(277, 1),
                tiffLong(278, height),
                tiffLong(279, width * height * 2),
                tiffValues(33421, 3, 2, littleEndian(0x20002, 4)),
                tiffValues(33422, 1, 4, std::string("\0\1\1\2", 4)),
                tiffValues(50706, 1, 4, std::string("\1\4\0\0", 4)),
                tiffValues(50708, 2, 5, std::string("Test", 5)),
                tiffValues(50721, 10, 9, matrix),
                tiffValues(50728, 5, 3, one + one + one),
                tiffShort(50778, 21)};
  if (!previewJpeg.empty())  // a smaller version of the picture, JPEG-compressed
    folders.push_back({tiffLong(254, 1), tiffLong(256, previewWidth), tiffLong(257, previewHeight),
                       tiffValues(258, 3, 3, littleEndian(0x0008'0008'0008, 6)), tiffShort(259, 7), tiffShort(262, 6),
                       tiffValues(273, 4, 1, previewJpeg), turn, tiffShort(277, 3), tiffLong(278, previewHeight),
                       tiffLong(279, static_cast<std::uint32_t>(previewJpeg.size()))});
  return tiffFile(folders);
}

}  // namespace pelimor::testing
