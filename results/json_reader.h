#pragma once
// Reads JSON documents: enough for the saved searches pelimor-find writes and the journal of
// actions. JsonReader walks the text value by value, so a large document is read into the caller's
// own structures without a tree beside them; parseJson builds a tree of values for small documents.
// Strings come back as bytes; \udcXX (a lone low surrogate from DC80 to DCFF) stands for the byte
// XX, the way jsonString writes bytes that are not UTF-8, so paths come back exactly.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pelimor {

class JsonError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every call throws JsonError, naming the byte offset, where the text is not what it asks for.
//   reader.beginObject(); while (reader.nextMember(name)) { ...one value... }
//   reader.beginArray(); while (reader.nextItem()) { ...one value... }
class JsonReader {
 public:
  enum class Kind { Null, Boolean, Number, String, Array, Object };

  explicit JsonReader(std::string_view text) : text_(text) {}

  // The kind of the next value, read from its first character.
  Kind next();
  void beginObject();
  // The next member's name, its ':' taken; false at the object's end.
  bool nextMember(std::string& name);
  void beginArray();
  // True when another item follows; false at the array's end.
  bool nextItem();

  std::string string();
  bool boolean();
  void null();
  // A number as written.
  std::string_view number();
  // A whole number that fits.
  std::uint64_t unsignedNumber();
  std::int64_t signedNumber();
  // Passes over the next value, whatever it holds.
  void skipValue();
  // Only white space may follow the document.
  void finish();

  [[noreturn]] void fail(const std::string& what) const;

 private:
  void skipSpace();
  bool take(char c);
  void expect(char c);
  bool takeWord(std::string_view word);
  void enter(char open);
  bool anotherFollows(char close);
  std::uint32_t hexQuad();
  void appendEscaped(std::string& out);

  std::string_view text_;
  std::size_t at_ = 0;
  // Per open object or array: whether no value has been read in it yet.
  std::vector<bool> firstInside_;
};

struct JsonValue {
  using Kind = JsonReader::Kind;
  Kind kind = Kind::Null;
  bool boolean = false;
  std::string text;                // a string's bytes, or a number as written
  std::vector<JsonValue> items;    // an array's values, or an object's
  std::vector<std::string> names;  // an object's member names, one per item
};

// Throws JsonError, naming the byte offset, for anything that is not one valid JSON value.
JsonValue parseJson(std::string_view text);

}  // namespace pelimor
