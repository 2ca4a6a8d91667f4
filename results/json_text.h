#pragma once
// Texts for JSON documents. File names are bytes, not always UTF-8: a byte that is not part of
// valid UTF-8 is written as \udcXX (XX its value), as Python's "surrogateescape" does, so the
// document stays valid and the original bytes can be recovered.
#include <cstdint>
#include <string>
#include <string_view>

#include "search/file_identity.h"

namespace pelimor {

// A JSON string literal, quotes included.
std::string jsonString(std::string_view bytes);

// A file's identity as JSON members, for an object to hold: "device": 1, "inode": 2, "size": 3,
// "modified_ns": 4, "changed_ns": 5.
std::string fileIdentityMembers(const FileIdentity& identity);

class JsonReader;
// The reverse of fileIdentityMembers, one member at a time: reads the value of member `name` into
// `identity` when it is one of the five, and sets its bit in `found` (1 device ... 16 changed_ns).
// False, reading nothing, for any other name.
bool readFileIdentityMember(JsonReader& reader, std::string_view name, FileIdentity& identity, unsigned& found);
constexpr unsigned kAllIdentityMembers = 31;

// A strong hash as 32 lower-case hexadecimal digits: the high 64 bits, then the low.
std::string strongHashText(std::uint64_t high, std::uint64_t low);

// The reverse of strongHashText and of crc32Text: false unless `text` is exactly 32 (8) hexadecimal
// digits.
bool readStrongHashText(std::string_view text, std::uint64_t& high, std::uint64_t& low);
bool readCrc32Text(std::string_view text, std::uint32_t& crc);

}  // namespace pelimor
