#pragma once
// What the preview pane shows of a file: its picture made small, else its first lines of text, else
// nothing (the pane names its type); and its size. Loaded on a thread of its own: nothing here
// touches a widget.
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>

namespace pelimor {

struct PreviewContent {
  QString path;
  QImage picture;     // null when the file is no picture Qt can read
  QSize pictureSize;  // the whole picture's width and height, turned as its orientation tag says
  QString text;       // its first lines, when it holds text
  std::uint64_t size = 0;
  QString failure;  // why nothing of it could be read
};

// The longest text shown, and the lines of it.
inline constexpr int kPreviewTextBytes = 8192;
inline constexpr int kPreviewTextLines = 60;

// Reads what the preview shows of `path`; a picture is decoded at about `box` (never whole when
// its format can decode smaller, as JPEG can).
PreviewContent loadPreviewContent(const QString& path, QSize box);

}  // namespace pelimor
