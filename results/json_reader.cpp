#include "results/json_reader.h"

#include <charconv>

namespace pelimor {

namespace {
// Deeper documents are refused rather than read by ever deeper calls.
constexpr std::size_t kDeepest = 64;

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

template <typename Number>
Number wholeNumber(std::string_view text) {
  Number number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (error != std::errc() || stop != end)
    throw JsonError("\"" + std::string(text) + "\" is not a whole number in range");
  return number;
}
}  // namespace

void JsonReader::fail(const std::string& what) const { throw JsonError(what + " at byte " + std::to_string(at_)); }

void JsonReader::skipSpace() {
  while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
    ++at_;
}

bool JsonReader::take(char c) {
  skipSpace();
  if (at_ < text_.size() && text_[at_] == c) {
    ++at_;
    return true;
  }
  return false;
}

void JsonReader::expect(char c) {
  if (!take(c)) fail(std::string("expected '") + c + "'");
}

bool JsonReader::takeWord(std::string_view word) {
  skipSpace();
  if (text_.substr(at_, word.size()) != word) return false;
  at_ += word.size();
  return true;
}

JsonReader::Kind JsonReader::next() {
  skipSpace();
  if (at_ >= text_.size()) fail("unexpected end");
  switch (text_[at_]) {
    case '{':
      return Kind::Object;
    case '[':
      return Kind::Array;
    case '"':
      return Kind::String;
    case 't':
    case 'f':
      return Kind::Boolean;
    case 'n':
      return Kind::Null;
    default:
      return Kind::Number;
  }
}

void JsonReader::enter(char open) {
  expect(open);
  if (firstInside_.size() >= kDeepest) fail("nested too deeply");
  firstInside_.push_back(true);
}

bool JsonReader::anotherFollows(char close) {
  if (firstInside_.empty()) fail("not inside an object or array");
  if (take(close)) {
    firstInside_.pop_back();
    return false;
  }
  if (!firstInside_.back()) expect(',');
  firstInside_.back() = false;
  return true;
}

void JsonReader::beginObject() { enter('{'); }

bool JsonReader::nextMember(std::string& name) {
  if (!anotherFollows('}')) return false;
  name = string();
  expect(':');
  return true;
}

void JsonReader::beginArray() { enter('['); }

bool JsonReader::nextItem() { return anotherFollows(']'); }

bool JsonReader::boolean() {
  if (takeWord("true")) return true;
  if (takeWord("false")) return false;
  fail("expected true or false");
}

void JsonReader::null() {
  if (!takeWord("null")) fail("expected null");
}

std::string_view JsonReader::number() {
  skipSpace();
  const std::size_t start = at_;
  while (at_ < text_.size() && std::string_view("+-0123456789.eE").find(text_[at_]) != std::string_view::npos) ++at_;
  if (at_ == start) fail("unexpected character");
  return text_.substr(start, at_ - start);
}

std::uint64_t JsonReader::unsignedNumber() { return wholeNumber<std::uint64_t>(number()); }

std::int64_t JsonReader::signedNumber() { return wholeNumber<std::int64_t>(number()); }

void JsonReader::skipValue() {
  std::string name;
  switch (next()) {
    case Kind::Object:
      beginObject();
      while (nextMember(name)) skipValue();
      break;
    case Kind::Array:
      beginArray();
      while (nextItem()) skipValue();
      break;
    case Kind::String:
      string();
      break;
    case Kind::Boolean:
      boolean();
      break;
    case Kind::Null:
      null();
      break;
    case Kind::Number:
      number();
  }
}

void JsonReader::finish() {
  skipSpace();
  if (at_ != text_.size()) fail("text after the document");
}

std::uint32_t JsonReader::hexQuad() {
  if (at_ + 4 > text_.size()) fail("short \\u escape");
  std::uint32_t code = 0;
  const auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, code, 16);
  if (error != std::errc() || end != text_.data() + at_ + 4) fail("bad \\u escape");
  at_ += 4;
  return code;
}

std::string JsonReader::string() {
  skipSpace();
  if (at_ >= text_.size() || text_[at_] != '"') fail("expected a string");
  ++at_;
  std::string out;
  for (;;) {
    const std::size_t plainStart = at_;
    while (at_ < text_.size() && text_[at_] != '"' && text_[at_] != '\\' &&
           static_cast<unsigned char>(text_[at_]) >= 0x20)
      ++at_;
    out.append(text_.substr(plainStart, at_ - plainStart));
    if (at_ >= text_.size()) fail("unterminated string");
    const char c = text_[at_++];
    if (c == '"') return out;
    if (c != '\\') fail("control character in a string");
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

void JsonReader::appendEscaped(std::string& out) {
  const std::uint32_t code = hexQuad();
  if (code >= 0xDC80 && code <= 0xDCFF) {  // a byte that was not UTF-8
    out += static_cast<char>(code - 0xDC00);
  } else if (code >= 0xD800 && code <= 0xDBFF) {
    if (text_.substr(at_, 2) != "\\u") fail("lone high surrogate");
    at_ += 2;
    const std::uint32_t low = hexQuad();
    if (low < 0xDC00 || low > 0xDFFF) fail("bad low surrogate");
    appendUtf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
  } else if (code >= 0xDC00 && code <= 0xDFFF) {
    fail("lone low surrogate");
  } else {
    appendUtf8(out, code);
  }
}

namespace {
JsonValue valueFrom(JsonReader& reader) {
  JsonValue value;
  value.kind = reader.next();
  std::string name;
  switch (value.kind) {
    case JsonValue::Kind::Object:
      reader.beginObject();
      while (reader.nextMember(name)) {
        value.names.push_back(name);
        value.items.push_back(valueFrom(reader));
      }
      break;
    case JsonValue::Kind::Array:
      reader.beginArray();
      while (reader.nextItem()) value.items.push_back(valueFrom(reader));
      break;
    case JsonValue::Kind::String:
      value.text = reader.string();
      break;
    case JsonValue::Kind::Boolean:
      value.boolean = reader.boolean();
      break;
    case JsonValue::Kind::Null:
      reader.null();
      break;
    case JsonValue::Kind::Number:
      value.text = std::string(reader.number());
  }
  return value;
}
}  // namespace

JsonValue parseJson(std::string_view text) {
  JsonReader reader(text);
  JsonValue value = valueFrom(reader);
  reader.finish();
  return value;
}

}  // namespace pelimor
