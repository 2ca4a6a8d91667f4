#include "ui/jpeg_picture.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace pelimor {

namespace {

// libjpeg ends a failed call through error_exit, which must not return. Unwinding C++ exceptions
// through libjpeg's C frames is not safe, so it jumps back to decodeJpeg instead.
struct Decoder {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  std::jmp_buf failed{};
  char message[JMSG_LENGTH_MAX] = {};
  bool created = false;
};

[[noreturn]] void failDecoding(j_common_ptr info) {
  auto* decoder = reinterpret_cast<Decoder*>(info->client_data);
  (*info->err->format_message)(info, decoder->message);
  std::longjmp(decoder->failed, 1);
}

void emitMessage(j_common_ptr info, int level) {
  if (level < 0) failDecoding(info);  // a warning: corrupt data that libjpeg would paper over
}

}  // namespace

QImage decodeJpeg(const QByteArray& data, std::string* error) {
  // Everything the jump may come back to lives on the heap behind a pointer that never changes
  // after setjmp, so nothing of it is lost in registers.
  const auto decoder = std::make_unique<Decoder>();
  auto image = std::make_unique<QImage>();
  decoder->info.err = jpeg_std_error(&decoder->errors);
  decoder->errors.error_exit = failDecoding;
  decoder->errors.emit_message = emitMessage;
  decoder->info.client_data = decoder.get();

  if (setjmp(decoder->failed) != 0) {
    if (decoder->created) jpeg_destroy_decompress(&decoder->info);
    if (error) *error = decoder->message;
    return QImage();
  }
  jpeg_create_decompress(&decoder->info);
  decoder->created = true;
  jpeg_mem_src(&decoder->info, reinterpret_cast<const unsigned char*>(data.constData()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&decoder->info, TRUE);
  decoder->info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&decoder->info);

  const auto width = static_cast<int>(decoder->info.output_width);
  const auto height = static_cast<int>(decoder->info.output_height);
  *image = QImage(width, height, QImage::Format_RGB888);
  if (image->isNull()) {
    jpeg_destroy_decompress(&decoder->info);
    if (error) *error = "Out of memory";
    return QImage();
  }
  while (decoder->info.output_scanline < decoder->info.output_height) {
    JSAMPROW row = image->scanLine(static_cast<int>(decoder->info.output_scanline));
    jpeg_read_scanlines(&decoder->info, &row, 1);
  }
  jpeg_finish_decompress(&decoder->info);
  jpeg_destroy_decompress(&decoder->info);
  return std::move(*image);
}

}  // namespace pelimor
