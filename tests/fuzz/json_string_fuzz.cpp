// jsonString on any bytes: the result is one JSON string literal in valid UTF-8, and its
// surrogate escapes give back every byte.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "results/json_reader.h"
#include "results/json_text.h"

using namespace pelimor;

namespace {

// Length of the well-formed UTF-8 sequence at `at` (no overlong forms, no surrogates, nothing
// above U+10FFFF), or 0.
std::size_t sequenceAt(std::string_view text, std::size_t at, std::uint32_t& codePoint) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(at);
  std::size_t length;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  if ((lead & 0xE0) == 0xC0)
    length = 2, codePoint = lead & 0x1Fu;
  else if ((lead & 0xF0) == 0xE0)
    length = 3, codePoint = lead & 0x0Fu;
  else if ((lead & 0xF8) == 0xF0)
    length = 4, codePoint = lead & 0x07u;
  else
    return 0;
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(at + i) & 0x3Fu);
  }
  static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < kSmallest[length] || codePoint > 0x10FFFF) return 0;
  if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return 0;
  return length;
}

// Every character of the literal is well-formed UTF-8 and none is a raw control character.
void checkWellFormed(std::string_view literal) {
  for (std::size_t i = 0; i < literal.size();) {
    std::uint32_t codePoint = 0;
    const std::size_t length = sequenceAt(literal, i, codePoint);
    FUZZ_CHECK(length != 0);
    FUZZ_CHECK(codePoint >= 0x20);
    i += length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string literal = jsonString(bytes);
  checkWellFormed(literal);
  // The program's own reader, as --load uses it, gives back every byte.
  FUZZ_CHECK(parseJson(literal).text == bytes);
  return 0;
}
