#include "search/jpeg_decoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
// After it: the message codes.
#include <jerror.h>

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
  PictureFailure failure = PictureFailure::Unreadable;
};

[[noreturn]] void failDecoding(j_common_ptr info) {
  auto* decoder = reinterpret_cast<Decoder*>(info->client_data);
  (*info->err->format_message)(info, decoder->message);
  // Past max_memory_to_use libjpeg would spill to a backing store, which libjpeg-turbo has not.
  if (info->err->msg_code == JERR_NO_BACKING_STORE || info->err->msg_code == JERR_OUT_OF_MEMORY)
    decoder->failure = PictureFailure::TooMuchMemory;
  std::longjmp(decoder->failed, 1);
}

// The warnings after which libjpeg goes on with pixels it never had: the file ends early, or a
// segment is broken. Others (an unknown JFIF version, stray bytes between markers) lose nothing.
bool losesPixels(int code) {
  return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC || code == JWRN_HUFF_BAD_CODE ||
         code == JWRN_ARITH_BAD_CODE || code == JWRN_BOGUS_PROGRESSION;
}

void emitMessage(j_common_ptr info, int level) {
  if (level >= 0 || !losesPixels(info->err->msg_code)) return;
  reinterpret_cast<Decoder*>(info->client_data)->failure = PictureFailure::Damaged;
  failDecoding(info);
}

// The bytes libjpeg holds for the coefficients of a picture in several scans (a progressive one):
// 64 of 2 bytes a block, for every block of every component, at the whole size.
std::uint64_t coefficientBytes(const jpeg_decompress_struct& info) {
  std::uint64_t bytes = 0;
  for (int c = 0; c < info.num_components; ++c)
    bytes += std::uint64_t{info.comp_info[c].width_in_blocks} * info.comp_info[c].height_in_blocks * sizeof(JBLOCK);
  return bytes;
}

// Whether the header allows decoding within the limits; else why not.
PictureFailure headerFailure(jpeg_decompress_struct& info) {
  if (!withinPixelLimit(info.image_width, info.image_height)) return PictureFailure::TooManyPixels;
  if (jpeg_has_multiple_scans(&info) && coefficientBytes(info) > kMostDecoderMemory)
    return PictureFailure::TooMuchMemory;
  return PictureFailure::None;
}

// The decoding proper, of data that ends with the end marker.
bool decodeEnded(const unsigned char* data, std::size_t size, const JpegDecoding& how, JpegPixels& pixels,
                 std::string* error) {
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
    pixels.failure = decoder->failure;
    return false;
  }
  jpeg_create_decompress(&decoder->info);
  decoder->created = true;
  jpeg_mem_src(&decoder->info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&decoder->info, TRUE);
  jpeg_decompress_struct& info = decoder->info;
  // Decided from the header, before libjpeg allocates anything the size of the picture.
  if (const PictureFailure over = headerFailure(info); over != PictureFailure::None) {
    jpeg_destroy_decompress(&info);
    if (error) *error = "The picture is larger than the decoder's limits";
    pixels.failure = over;
    return false;
  }
  info.mem->max_memory_to_use = static_cast<long>(kMostDecoderMemory);
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
  pixels.failure = PictureFailure::None;
  return true;
}

}  // namespace

bool decodeJpeg(const void* data, std::size_t size, const JpegDecoding& how, JpegPixels& pixels, std::string* error) {
  // Some writers leave out the end marker after whole data: given one, libjpeg finds nothing
  // missing, while data cut inside a segment still meets it too early and is damaged.
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (size < 2 || (bytes[size - 2] == 0xFF && bytes[size - 1] == JPEG_EOI))
    return decodeEnded(bytes, size, how, pixels, error);
  std::vector<unsigned char> ended(bytes, bytes + size);
  ended.push_back(0xFF);
  ended.push_back(JPEG_EOI);
  return decodeEnded(ended.data(), ended.size(), how, pixels, error);
}

}  // namespace pelimor
