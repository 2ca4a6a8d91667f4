#include "search/jpeg_decoder.h"

#include <algorithm>
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

bool decodeJpeg(const void* data, std::size_t size, const JpegDecoding& how, JpegPixels& pixels, std::string* error) {
  // Everything the jump may come back to lives on the heap behind a pointer that never changes
  // after setjmp, so nothing of it is lost in registers.
  const auto decoder = std::make_unique<Decoder>();
  decoder->info.err = jpeg_std_error(&decoder->errors);
  decoder->errors.error_exit = failDecoding;
  decoder->errors.emit_message = emitMessage;
  decoder->info.client_data = decoder.get();

  if (setjmp(decoder->failed) != 0) {
    if (decoder->created) jpeg_destroy_decompress(&decoder->info);
    if (error) *error = decoder->message;
    return false;
  }
  jpeg_create_decompress(&decoder->info);
  decoder->created = true;
  jpeg_mem_src(&decoder->info, static_cast<const unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&decoder->info, TRUE);
  jpeg_decompress_struct& info = decoder->info;
  const auto longer = static_cast<int>(std::max(info.image_width, info.image_height));
  unsigned shrink = 1;
  while (how.leastSide > 0 && shrink < 8 && longer / static_cast<int>(shrink * 2) >= how.leastSide) shrink *= 2;
  info.scale_num = 1;
  info.scale_denom = shrink;
  if (how.grey) {
    info.out_color_space = JCS_GRAYSCALE;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
  } else {
    info.out_color_space = JCS_RGB;
  }
  jpeg_start_decompress(&info);
  pixels.width = static_cast<int>(info.output_width);
  pixels.height = static_cast<int>(info.output_height);
  pixels.channels = info.output_components;
  const std::size_t rowBytes = static_cast<std::size_t>(info.output_width) * static_cast<std::size_t>(pixels.channels);
  pixels.bytes.resize(rowBytes * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels.bytes.data() + rowBytes * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace pelimor
