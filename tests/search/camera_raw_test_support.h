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

// One folder (IFD) of a TIFF file: its entries, by tag.
class TiffFolder {
 public:
  enum Type : std::uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kSignedRational = 10 };
  // `values`: `count` values of `type`, in little-endian bytes.
  void add(std::uint16_t tag, Type type, std::uint32_t count, std::string values) {
    entries_.push_back(Entry{tag, type, count, std::move(values), false});
  }
  void addShort(std::uint16_t tag, std::uint16_t value) { add(tag, kShort, 1, bytes(value, 2)); }
  void addLong(std::uint16_t tag, std::uint32_t value) { add(tag, kLong, 1, bytes(value, 4)); }
  // A LONG that holds where `data` will lie in the file.
  void addOffsetOf(std::uint16_t tag, std::string data) {
    entries_.push_back(Entry{tag, kLong, 1, std::move(data), true});
  }
  static std::string bytes(std::uint64_t value, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
  }

  // The file: its header, the folders one after the other, each naming the next, then every value
  // too long to sit in its entry.
  static std::string file(std::vector<TiffFolder> folders) {
    std::size_t tailStart = 8;
    for (TiffFolder& folder : folders) {
      std::sort(folder.entries_.begin(), folder.entries_.end(),
                [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
      tailStart += 2 + folder.entries_.size() * 12 + 4;
    }
    std::string head = "II" + bytes(42, 2) + bytes(8, 4), tail;
    for (std::size_t f = 0; f < folders.size(); ++f) {
      head += bytes(folders[f].entries_.size(), 2);
      for (const Entry& entry : folders[f].entries_) {
        head += bytes(entry.tag, 2) + bytes(entry.type, 2) + bytes(entry.count, 4);
        if (!entry.offsetOnly && entry.values.size() <= 4) {
          head += entry.values + std::string(4 - entry.values.size(), '\0');
          continue;
        }
        if (tail.size() % 2) tail.push_back('\0');
        head += bytes(tailStart + tail.size(), 4);
        tail += entry.values;
      }
      head += bytes(f + 1 < folders.size() ? head.size() + 4 : 0, 4);
    }
    return head + tail;
  }

 private:
  struct Entry {
    std::uint16_t tag;
    Type type;
    std::uint32_t count;
    std::string values;
    bool offsetOnly;  // the values lie elsewhere and the entry says where
  };
  std::vector<Entry> entries_;
};

// The picture whose RGB bytes lie at `rgb` as a DNG: its sensor data in 16 bits (red, green,
// green, blue in each 2 x 2 square),
// turned by `orientation` as EXIF numbers it, with `previewJpeg` (previewWidth x previewHeight)
// embedded when given.
inline std::string dngOf(const unsigned char* rgb, int pictureWidth, int pictureHeight, int orientation,
                         const std::string& previewJpeg = {}, int previewWidth = 0, int previewHeight = 0) {
  const int width = pictureWidth & ~1, height = pictureHeight & ~1;
  std::string sensor;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int channel = (y % 2) + (x % 2);  // 0 red, 1 green, 2 blue
      // A sensor counts light: the sRGB value made linear again.
      const double value = rgb[(static_cast<std::size_t>(y) * pictureWidth + x) * 3 + channel] / 255.0;
      const double light = value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
      sensor += TiffFolder::bytes(static_cast<std::uint64_t>(std::lround(light * 65535)), 2);
    }
  TiffFolder tiff;
  using W = TiffFolder;
  tiff.addLong(254, 0);  // the main picture
  tiff.addLong(256, width);
  tiff.addLong(257, height);
  tiff.addShort(258, 16);
  tiff.addShort(259, 1);      // not compressed
  tiff.addShort(262, 32803);  // a colour filter array
  tiff.add(271, W::kAscii, 8, std::string("Pelimor", 8));
  tiff.add(272, W::kAscii, 5, std::string("Test", 5));
  tiff.addOffsetOf(273, sensor);
  tiff.addShort(274, static_cast<std::uint16_t>(orientation));
  tiff.addShort(277, 1);
  tiff.addLong(278, height);
  tiff.addLong(279, static_cast<std::uint32_t>(width) * height * 2);
  tiff.addShort(284, 1);
  tiff.add(33421, W::kShort, 2, W::bytes(2, 2) + W::bytes(2, 2));
  tiff.add(33422, W::kByte, 4, std::string("\0\1\1\2", 4));
  tiff.add(50706, W::kByte, 4, std::string("\1\4\0\0", 4));
  tiff.add(50708, W::kAscii, 13, std::string("Pelimor Test", 13));
  tiff.addLong(50717, 65535);
  // The sensor's colours are linear sRGB: from XYZ to them, in ten-thousandths.
  const int toSensor[9] = {32406, -15372, -4986, -9689, 18758, 415, 557, -2040, 10570};
  std::string matrix;
  for (const int value : toSensor) matrix += W::bytes(static_cast<std::uint32_t>(value), 4) + W::bytes(10000, 4);
  tiff.add(50721, W::kSignedRational, 9, matrix);
  tiff.add(50728, W::kRational, 3,
           W::bytes(1, 4) + W::bytes(1, 4) + W::bytes(1, 4) + W::bytes(1, 4) + W::bytes(1, 4) + W::bytes(1, 4));
  tiff.addShort(50778, 21);  // D65
  if (previewJpeg.empty()) return TiffFolder::file({tiff});
  // The preview: a folder of its own, a JPEG-compressed RGB picture.
  TiffFolder preview;
  preview.addLong(254, 1);  // a smaller version of the main picture
  preview.addLong(256, static_cast<std::uint32_t>(previewWidth));
  preview.addLong(257, static_cast<std::uint32_t>(previewHeight));
  preview.add(258, W::kShort, 3, W::bytes(8, 2) + W::bytes(8, 2) + W::bytes(8, 2));
  preview.addShort(259, 7);  // JPEG
  preview.addShort(262, 6);  // YCbCr
  preview.addOffsetOf(273, previewJpeg);
  preview.addShort(274, static_cast<std::uint16_t>(orientation));
  preview.addShort(277, 3);
  preview.addLong(278, static_cast<std::uint32_t>(previewHeight));
  preview.addLong(279, static_cast<std::uint32_t>(previewJpeg.size()));
  return TiffFolder::file({tiff, preview});
}

}  // namespace pelimor::testing
