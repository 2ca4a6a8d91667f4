#include "results/json_text.h"

#include <charconv>
#include <cstdio>

#include "results/html_report.h"  // utf8SequenceLength, shared with the report
#include "results/json_reader.h"

namespace pelimor {

namespace {
// Exactly `digits` hexadecimal digits.
template <typename Number>
bool readHex(std::string_view text, std::size_t digits, Number& number) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, 16);
  return text.size() == digits && error == std::errc() && end == text.data() + text.size();
}

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

std::string fileIdentityMembers(const FileIdentity& identity) {
  return "\"device\": " + std::to_string(identity.device) + ", \"inode\": " + std::to_string(identity.inode) +
         ", \"size\": " + std::to_string(identity.size) +
         ", \"modified_ns\": " + std::to_string(identity.modifiedNanoseconds) +
         ", \"changed_ns\": " + std::to_string(identity.changedNanoseconds);
}

bool readFileIdentityMember(JsonReader& reader, std::string_view name, FileIdentity& identity, unsigned& found) {
  if (name == "device") {
    identity.device = reader.unsignedNumber(), found |= 1;
  } else if (name == "inode") {
    identity.inode = reader.unsignedNumber(), found |= 2;
  } else if (name == "size") {
    identity.size = reader.unsignedNumber(), found |= 4;
  } else if (name == "modified_ns") {
    identity.modifiedNanoseconds = reader.signedNumber(), found |= 8;
  } else if (name == "changed_ns") {
    identity.changedNanoseconds = reader.signedNumber(), found |= 16;
  } else {
    return false;
  }
  return true;
}

std::string strongHashText(std::uint64_t high, std::uint64_t low) {
  char text[33];
  std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(high),
                static_cast<unsigned long long>(low));
  return text;
}

bool readStrongHashText(std::string_view text, std::uint64_t& high, std::uint64_t& low) {
  return text.size() == 32 && readHex(text.substr(0, 16), 16, high) && readHex(text.substr(16), 16, low);
}

bool readCrc32Text(std::string_view text, std::uint32_t& crc) { return readHex(text, 8, crc); }

}  // namespace pelimor
