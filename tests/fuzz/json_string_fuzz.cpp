// jsonString on any bytes: the result is one JSON string literal in valid UTF-8, and its
// surrogate escapes give back every byte.
#include <cstdint>
#include <string>
#include <string_view>

#include "cli/json_text.h"
#include "fuzz_support.h"

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

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the literal as a JSON parser would and returns the bytes it stands for, a \udcXX escape
// standing for the byte XX (80 to ff). Any breach of the syntax fails the run.
std::string decoded(std::string_view literal) {
  FUZZ_CHECK(literal.size() >= 2 && literal.front() == '"' && literal.back() == '"');
  std::string bytes;
  const std::size_t end = literal.size() - 1;
  for (std::size_t i = 1; i < end;) {
    std::uint32_t codePoint = 0;
    const std::size_t length = sequenceAt(literal, i, codePoint);
    FUZZ_CHECK(length != 0);
    FUZZ_CHECK(codePoint >= 0x20 && codePoint != '"');  // never raw inside a JSON string
    if (codePoint != '\\') {
      bytes.append(literal.substr(i, length));
      i += length;
      continue;
    }
    FUZZ_CHECK(i + 1 < end);
    const char escape = literal[i + 1];
    i += 2;
    switch (escape) {
      case '"':
        bytes += '"';
        break;
      case '\\':
        bytes += '\\';
        break;
      case '/':
        bytes += '/';
        break;
      case 'b':
        bytes += '\b';
        break;
      case 'f':
        bytes += '\f';
        break;
      case 'n':
        bytes += '\n';
        break;
      case 'r':
        bytes += '\r';
        break;
      case 't':
        bytes += '\t';
        break;
      case 'u': {
        FUZZ_CHECK(end - i >= 4);
        std::uint32_t unit = 0;
        for (std::size_t k = 0; k < 4; ++k) {
          const int digit = hexDigit(literal[i + k]);
          FUZZ_CHECK(digit >= 0);
          unit = (unit << 4) | static_cast<std::uint32_t>(digit);
        }
        i += 4;
        // Only bytes that can't stand as they are get escaped: controls, and bytes outside UTF-8.
        FUZZ_CHECK(unit < 0x80 || (unit >= 0xDC80 && unit <= 0xDCFF));
        bytes += static_cast<char>(unit < 0x80 ? unit : unit - 0xDC00);
        break;
      }
      default:
        FUZZ_CHECK(!"unknown escape");
    }
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string literal = jsonString(bytes);
  FUZZ_CHECK(decoded(literal) == bytes);
  return 0;
}
