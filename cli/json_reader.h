#pragma once
// Reads a JSON document into a tree of values: enough for the saved searches pelimor-find writes.
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

struct JsonValue {
  enum class Kind { Null, Boolean, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  std::string text;                // a string's bytes, or a number as written
  std::vector<JsonValue> items;    // an array's values, or an object's
  std::vector<std::string> names;  // an object's member names, one per item

  // The member `name` of an object; throws JsonError when it is missing or of another kind.
  const JsonValue& at(std::string_view name, Kind expected) const;
  // A whole number that fits; throws JsonError otherwise.
  std::uint64_t unsignedNumber() const;
  std::int64_t signedNumber() const;
};

// Throws JsonError, naming the byte offset, for anything that is not one valid JSON value.
JsonValue parseJson(std::string_view text);

}  // namespace pelimor
