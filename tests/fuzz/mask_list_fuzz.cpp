// The mask field: buildMaskList on any text, and matchesMask of a name against every mask it gives.
// Input: the mask text, a line break, the name.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "search/mask_list.h"

using namespace pelimor;

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string mapped(std::string_view text, char (*map)(char)) {
  std::string result(text);
  for (char& c : result) c = map(c);
  return result;
}

// The plain definition, by dynamic programming: does mask[0..m) match name[0..n)?
bool definedMatch(std::string_view name, std::string_view mask) {
  std::vector<char> row(name.size() + 1, 0), next(name.size() + 1, 0);
  row[0] = 1;  // the empty mask matches the empty name
  for (const char m : mask) {
    next[0] = m == '*' && row[0];
    for (std::size_t n = 1; n <= name.size(); ++n) {
      if (m == '*')
        next[n] = row[n] || next[n - 1];
      else
        next[n] = row[n - 1] && (m == '?' || upper(m) == upper(name[n - 1]));
    }
    row.swap(next);
  }
  return row[name.size()] != 0;
}

bool definedMatchesMask(std::string_view name, std::string_view mask) {
  if (mask.empty()) return false;
  if (definedMatch(name, mask)) return true;
  return mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos &&
         definedMatch(name, mask.substr(0, mask.size() - 2));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t lineBreak = input.find('\n');
  const std::string_view text = input.substr(0, lineBreak);
  const std::string_view name = lineBreak == std::string_view::npos ? std::string_view() : input.substr(lineBreak + 1);

  const std::vector<std::string> masks = buildMaskList(text);

  // The masks are the text without blanks, cut at each ';': one per ';', and one more after the
  // last ';' when anything but blanks follows it.
  std::string joined, expectedJoined;
  for (const std::string& mask : masks) {
    FUZZ_CHECK(mask.find_first_of(" ;") == std::string::npos);
    joined += mask;
  }
  std::size_t separators = 0;
  for (const char c : text) {
    if (c == ';')
      ++separators;
    else if (c != ' ')
      expectedJoined.push_back(c);
  }
  const std::size_t lastSeparator = text.rfind(';');
  const std::string_view tail = lastSeparator == std::string_view::npos ? text : text.substr(lastSeparator + 1);
  const bool tailMask = tail.find_first_not_of(' ') != std::string_view::npos;
  FUZZ_CHECK(masks.size() == separators + (tailMask ? 1 : 0));
  FUZZ_CHECK(joined == expectedJoined);

  for (const std::string& mask : masks) {
    const bool matched = matchesMask(name, mask);
    FUZZ_CHECK(matchesMask(mapped(name, upper), mask) == matched);
    FUZZ_CHECK(matchesMask(mapped(name, lower), mapped(mask, lower)) == matched);
    // The definition costs name length times mask length; big pairs are only run for safety.
    if (name.size() * mask.size() <= 100000) FUZZ_CHECK(definedMatchesMask(name, mask) == matched);
  }
  FUZZ_CHECK(matchesMask(name, "*"));
  FUZZ_CHECK(!matchesMask(name, ""));
  return 0;
}
