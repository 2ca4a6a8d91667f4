#pragma once
// The type list's preset mask texts.
#include <array>
#include <string_view>

namespace pelimor {

enum class FileType { All = 0, Images = 1, Audio = 2, Video = 3, Custom = 4 };

inline constexpr std::array<std::string_view, 4> kPresetMasks = {
    "*.*",
    "*.jpeg; *.jpg; *.jpe; *.jp2; *.gif; *.bmp; *.pcx; *.png; *.tif; *.tiff; *.dib; *.ico; *.wmf; *.emf; *.tga; "
    "*.psd; *.rle",
    "*.wav; *.mp3; *.midi; *.mid; *.ogg; *.wma; *.rmi; *.snd; *.ac3; *.aac",
    "*.avi; *.mpeg; *.mpg; *.wmv; *.m1v; *.m2v; *.mp1; *.mp2; *.mpv2; *.mp2v; *.divx",
};

}  // namespace pelimor
