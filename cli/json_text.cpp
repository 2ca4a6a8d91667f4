#include "cli/json_text.h"

#include <cstdio>

#include "results/html_report.h"  // utf8SequenceLength, shared with the report

namespace pelimor {

namespace {
void appendEscape(std::string& out, unsigned value) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04x", value);
  out += escape;
}
}  // namespace

std::string jsonString(std::string_view bytes) {
  std::string out = "\"";
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\t':
          out += "\\t";
          break;
        case '\r':
          out += "\\r";
          break;
        default:
          if (c < 0x20 || c == 0x7F)
            appendEscape(out, c);
          else
            out.push_back(static_cast<char>(c));
      }
      ++i;
      continue;
    }
    if (const size_t length = utf8SequenceLength(bytes, i); length != 0) {
      out.append(bytes.substr(i, length));
      i += length;
    } else {
      appendEscape(out, 0xDC00u + c);
      ++i;
    }
  }
  out += '"';
  return out;
}

}  // namespace pelimor
