#include "cli/json_reader.h"

#include <charconv>

namespace pelimor {

namespace {
// Deeper documents are refused rather than read by ever deeper calls.
constexpr int kDeepest = 64;

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  JsonValue document() {
    JsonValue value = parseValue(0);
    skipSpace();
    if (at_ != text_.size()) fail("text after the document");
    return value;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const { throw JsonError(what + " at byte " + std::to_string(at_)); }
  void skipSpace() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool take(char c) {
    skipSpace();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  void expect(char c) {
    if (!take(c)) fail(std::string("expected '") + c + "'");
  }
  bool takeWord(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  JsonValue parseValue(int depth) {
    if (depth > kDeepest) fail("nested too deeply");
    skipSpace();
    if (at_ >= text_.size()) fail("unexpected end");
    JsonValue value;
    const char c = text_[at_];
    if (c == '{') {
      ++at_;
      value.kind = JsonValue::Kind::Object;
      if (take('}')) return value;
      do {
        skipSpace();
        value.names.push_back(parseString());
        expect(':');
        value.items.push_back(parseValue(depth + 1));
      } while (take(','));
      expect('}');
    } else if (c == '[') {
      ++at_;
      value.kind = JsonValue::Kind::Array;
      if (take(']')) return value;
      do value.items.push_back(parseValue(depth + 1));
      while (take(','));
      expect(']');
    } else if (c == '"') {
      value.kind = JsonValue::Kind::String;
      value.text = parseString();
    } else if (takeWord("true") || takeWord("false")) {
      value.kind = JsonValue::Kind::Boolean;
      value.boolean = c == 't';
    } else if (takeWord("null")) {
      value.kind = JsonValue::Kind::Null;
    } else {
      value.kind = JsonValue::Kind::Number;
      const std::size_t start = at_;
      while (at_ < text_.size() && std::string_view("+-0123456789.eE").find(text_[at_]) != std::string_view::npos)
        ++at_;
      if (at_ == start) fail("unexpected character");
      value.text = std::string(text_.substr(start, at_ - start));
    }
    return value;
  }

  std::uint32_t hexQuad() {
    if (at_ + 4 > text_.size()) fail("short \\u escape");
    std::uint32_t code = 0;
    const auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, code, 16);
    if (error != std::errc() || end != text_.data() + at_ + 4) fail("bad \\u escape");
    at_ += 4;
    return code;
  }

  std::string parseString() {
    if (at_ >= text_.size() || text_[at_] != '"') fail("expected a string");
    ++at_;
    std::string out;
    for (;;) {
      if (at_ >= text_.size()) fail("unterminated string");
      const char c = text_[at_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) fail("control character in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) fail("unterminated string");
      switch (const char escaped = text_[at_++]) {
        case '"':
        case '\\':
        case '/':
          out += escaped;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u':
          appendEscaped(out);
          break;
        default:
          fail("bad escape");
      }
    }
  }

  void appendEscaped(std::string& out) {
    const std::uint32_t code = hexQuad();
    if (code >= 0xDC80 && code <= 0xDCFF) {  // a byte that was not UTF-8
      out += static_cast<char>(code - 0xDC00);
    } else if (code >= 0xD800 && code <= 0xDBFF) {
      if (!takeWord("\\u")) fail("lone high surrogate");
      const std::uint32_t low = hexQuad();
      if (low < 0xDC00 || low > 0xDFFF) fail("bad low surrogate");
      appendUtf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
    } else if (code >= 0xDC00 && code <= 0xDFFF) {
      fail("lone low surrogate");
    } else {
      appendUtf8(out, code);
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

template <typename Number>
Number wholeNumber(const JsonValue& value) {
  Number number = 0;
  const char* end = value.text.data() + value.text.size();
  const auto [stop, error] = std::from_chars(value.text.data(), end, number);
  if (value.kind != JsonValue::Kind::Number || error != std::errc() || stop != end)
    throw JsonError("\"" + value.text + "\" is not a whole number in range");
  return number;
}
}  // namespace

const JsonValue& JsonValue::at(std::string_view name, Kind expected) const {
  if (kind == Kind::Object) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i] != name) continue;
      if (items[i].kind != expected) throw JsonError("\"" + names[i] + "\" is of the wrong kind");
      return items[i];
    }
  }
  throw JsonError("no \"" + std::string(name) + "\"");
}

std::uint64_t JsonValue::unsignedNumber() const { return wholeNumber<std::uint64_t>(*this); }
std::int64_t JsonValue::signedNumber() const { return wholeNumber<std::int64_t>(*this); }

JsonValue parseJson(std::string_view text) { return Parser(text).document(); }

}  // namespace pelimor
