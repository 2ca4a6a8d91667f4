#include "cli/plain_text.h"

namespace pelimor {

namespace {
bool isControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

void appendByteEscape(std::string& out, unsigned char byte) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}
}  // namespace

std::string plainText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (isControl(static_cast<unsigned char>(c)))
          appendByteEscape(out, static_cast<unsigned char>(c));
        else
          out += c;
    }
  }
  return out;
}

}  // namespace pelimor
