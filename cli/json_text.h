#pragma once
// Texts for JSON documents. File names are bytes, not always UTF-8: a byte that is not part of
// valid UTF-8 is written as \udcXX (XX its value), as Python's "surrogateescape" does, so the
// document stays valid and the original bytes can be recovered.
#include <string>
#include <string_view>

namespace pelimor {

// A JSON string literal, quotes included.
std::string jsonString(std::string_view bytes);

}  // namespace pelimor
