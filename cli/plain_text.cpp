#include "cli/plain_text.h"

#include <algorithm>

namespace pelimor {

namespace {
// Stands for a line break of our own sentences while they are filled: a path never holds it.
constexpr char kOwnLineBreak = '\0';

std::string ownLineBreaksMarked(const char* pattern) {
  std::string text = pattern;
  std::replace(text.begin(), text.end(), '\n', kOwnLineBreak);
  return text;
}

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

std::string plainNotice(const NoticeText& text) {
  // A text that holds the mark itself keeps no line break at all: ours could not be told apart.
  const std::string english = text.english();
  if (english.find(kOwnLineBreak) != std::string::npos) return plainText(english);
  const std::string marked = text.rendered(ownLineBreaksMarked);
  std::string out;
  for (std::size_t from = 0;;) {
    const std::size_t end = marked.find(kOwnLineBreak, from);
    out += plainText(std::string_view(marked).substr(from, end - from));
    if (end == std::string::npos) return out;
    out += '\n';
    from = end + 1;
  }
}

}  // namespace pelimor
