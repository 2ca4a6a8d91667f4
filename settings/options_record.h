#pragma once
// The settings record, kept in memory as the very bytes of Options.cfg (1568 bytes, little-endian,
// fields at fixed offsets), so that bytes nobody interprets are written back as they were read.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelimor {

class OptionsRecord {
 public:
  static constexpr std::size_t kSize = 1568;
  static constexpr std::int32_t kVersion = 300;
  static constexpr std::size_t kTextFieldSize = 512;  // text, a zero byte, and whatever follows
  static constexpr std::string_view kDefaultCustomMask =
      "*.extension1; *.extension2; *.extension3; *.extension4; *.extension5;";

  enum Offset : std::size_t {
    kVersionOffset = 0,
    kWindowStateOffset = 4,
    kLeftOffset = 5,
    kTopOffset = 9,
    kWidthOffset = 13,
    kHeightOffset = 17,
    kPathTextOffset = 21,
    kMaskTextOffset = 533,
    kCustomMaskOffset = 1045,
    kReservedOffset = 1557,
    kSizeIndexOffset = 1560,
    kTypeIndexOffset = 1564,
  };

  std::int32_t version() const { return int32At(kVersionOffset); }
  void setVersion(std::int32_t value) { setInt32At(kVersionOffset, value); }
  std::uint8_t windowState() const { return bytes_[kWindowStateOffset]; }  // 0 normal, 1 minimized, 2 maximized
  void setWindowState(std::uint8_t value) { bytes_[kWindowStateOffset] = value; }
  std::int32_t left() const { return int32At(kLeftOffset); }
  void setLeft(std::int32_t value) { setInt32At(kLeftOffset, value); }
  std::int32_t top() const { return int32At(kTopOffset); }
  void setTop(std::int32_t value) { setInt32At(kTopOffset, value); }
  std::int32_t width() const { return int32At(kWidthOffset); }
  void setWidth(std::int32_t value) { setInt32At(kWidthOffset, value); }
  std::int32_t height() const { return int32At(kHeightOffset); }
  void setHeight(std::int32_t value) { setInt32At(kHeightOffset, value); }
  std::string pathText() const { return textAt(kPathTextOffset); }
  void setPathText(std::string_view text) { setTextAt(kPathTextOffset, text); }
  std::string maskText() const { return textAt(kMaskTextOffset); }
  void setMaskText(std::string_view text) { setTextAt(kMaskTextOffset, text); }
  std::string customMask() const { return textAt(kCustomMaskOffset); }
  // Keeps at most 511 characters, the rest of the field as it was.
  void setCustomMask(std::string_view text) { setTextAt(kCustomMaskOffset, text); }
  std::int32_t sizeIndex() const { return int32At(kSizeIndexOffset); }
  void setSizeIndex(std::int32_t value) { setInt32At(kSizeIndexOffset, value); }
  std::int32_t typeIndex() const { return int32At(kTypeIndexOffset); }  // -1: no selection
  void setTypeIndex(std::int32_t value) { setInt32At(kTypeIndexOffset, value); }

  std::array<std::uint8_t, kSize>& bytes() { return bytes_; }
  const std::array<std::uint8_t, kSize>& bytes() const { return bytes_; }

 private:
  std::int32_t int32At(std::size_t offset) const {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | bytes_[offset + static_cast<std::size_t>(i)];
    return static_cast<std::int32_t>(value);
  }
  void setInt32At(std::size_t offset, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i, bits >>= 8) bytes_[offset + i] = static_cast<std::uint8_t>(bits & 0xFFu);
  }
  std::string textAt(std::size_t offset) const {
    std::size_t length = 0;
    while (length < kTextFieldSize && bytes_[offset + length] != 0) ++length;
    return std::string(reinterpret_cast<const char*>(bytes_.data() + offset), length);
  }
  void setTextAt(std::size_t offset, std::string_view text) {
    if (text.size() > kTextFieldSize - 1) text = text.substr(0, kTextFieldSize - 1);
    for (std::size_t i = 0; i < text.size(); ++i) bytes_[offset + i] = static_cast<std::uint8_t>(text[i]);
    bytes_[offset + text.size()] = 0;
  }

  std::array<std::uint8_t, kSize> bytes_{};  // all zeros until defaults or a file fill it
};

}  // namespace pelimor
