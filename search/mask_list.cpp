#include "search/mask_list.h"

#include "search/ascii_case.h"

namespace pelimor {

namespace {

// Classic wildcard match with one backtracking point: linear for a single '*', O(n*m) at worst.
bool wildcardMatch(std::string_view name, std::string_view mask) {
  size_t n = 0, m = 0;
  size_t starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == '?' || upperAscii(mask[m]) == upperAscii(name[n]))) {
      ++m;
      ++n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}
}  // namespace

std::vector<std::string> buildMaskList(std::string_view text) {
  std::vector<std::string> masks;
  std::string token;
  bool pending = false;  // a token (possibly empty) has been started since the last ';'
  for (const char c : text) {
    if (c == ' ') continue;
    if (c == ';') {
      masks.push_back(token);
      token.clear();
      pending = false;
    } else {
      token.push_back(c);
      pending = true;
    }
  }
  if (pending) masks.push_back(token);
  return masks;
}

bool matchesMask(std::string_view name, std::string_view mask) {
  if (mask.empty()) return false;
  if (wildcardMatch(name, mask)) return true;
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && name.find('.') == std::string_view::npos)
    return wildcardMatch(name, mask.substr(0, mask.size() - 2));
  return false;
}

}  // namespace pelimor
