#pragma once
// The type and size lists: what the window offers, what the settings keep the index of, and what
// pelimor-find takes by name.
#include <array>
#include <cstddef>
#include <string_view>

#include "platform/window_text.h"

namespace pelimor {

// The type list's items; each but the last (the user's own masks) has its preset mask text below.
inline constexpr std::array<std::string_view, 5> kTypeNames = {
    PELIMOR_WINDOW_TEXT("FileTypes", "All"), PELIMOR_WINDOW_TEXT("FileTypes", "Images"),
    PELIMOR_WINDOW_TEXT("FileTypes", "Audio"), PELIMOR_WINDOW_TEXT("FileTypes", "Video"),
    PELIMOR_WINDOW_TEXT("FileTypes", "Custom")};
inline constexpr std::size_t kDefaultTypeIndex = 0;  // "All"

// The size list's items: the minimum size in kilobytes, a file must be larger.
inline constexpr std::array<std::string_view, 7> kMinimumSizeKilobytes = {"0", "1", "10", "50", "100", "500", "1000"};
inline constexpr std::size_t kDefaultSizeIndex = 4;  // "100"

inline constexpr std::array<std::string_view, 4> kPresetMasks = {
    "*.*",
    "*.jpeg; *.jpg; *.jpe; *.jp2; *.gif; *.bmp; *.pcx; *.png; *.tif; *.tiff; *.dib; *.ico; *.wmf; *.emf; *.tga; "
    "*.psd; *.rle; *.webp; *.heic; *.heif; *.avif; *.raw; *.cr2; *.nef; *.arw; *.dng; *.svg",
    "*.wav; *.mp3; *.midi; *.mid; *.ogg; *.wma; *.rmi; *.snd; *.ac3; *.aac; *.flac; *.m4a; *.opus; *.aiff; *.ape; "
    "*.wv",
    "*.avi; *.mpeg; *.mpg; *.wmv; *.m1v; *.m2v; *.mp1; *.mp2; *.mpv2; *.mp2v; *.divx; *.mp4; *.m4v; *.mkv; *.mov; "
    "*.webm; *.flv; *.3gp; *.ts; *.vob",
};

}  // namespace pelimor
