#include "search/glob_pattern.h"

#include "search/ascii_case.h"

namespace pelimor {

namespace {
constexpr auto kNone = std::string_view::npos;

constexpr char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameChar(char a, char b, bool ignoreCase) { return a == b || (ignoreCase && upperAscii(a) == upperAscii(b)); }

// Where the class opening at `open` ends (just after its ']'), or kNone when it never closes.
std::size_t classEnd(std::string_view pattern, std::size_t open) {
  std::size_t at = open + 1;
  if (at < pattern.size() && pattern[at] == '!') ++at;
  if (at < pattern.size() && pattern[at] == ']') ++at;  // a ']' right at the start is a member
  const std::size_t close = pattern.find(']', at);
  return close == kNone ? kNone : close + 1;
}

bool inRange(char c, char low, char high) {
  const auto u = static_cast<unsigned char>(c);
  return u >= static_cast<unsigned char>(low) && u <= static_cast<unsigned char>(high);
}

// `members` is what lies between "[" (or "[!") and "]".
bool inClass(std::string_view members, char c, bool ignoreCase) {
  for (std::size_t i = 0; i < members.size();) {
    if (i + 2 < members.size() && members[i + 1] == '-') {
      const char low = members[i], high = members[i + 2];
      if (inRange(c, low, high) ||
          (ignoreCase && (inRange(upperAscii(c), low, high) || inRange(lowerAscii(c), low, high))))
        return true;
      i += 3;
    } else {
      if (sameChar(members[i], c, ignoreCase)) return true;
      ++i;
    }
  }
  return false;
}

// Whether the pattern element at `at` (no star) takes `c`; `next` is set to the element after it.
bool takesOne(std::string_view pattern, std::size_t at, char c, bool ignoreCase, std::size_t& next) {
  const char element = pattern[at];
  next = at + 1;
  if (element == '?') return c != '/';
  if (element == '[') {
    const std::size_t end = classEnd(pattern, at);
    if (end != kNone) {
      next = end;
      const bool negated = pattern[at + 1] == '!';
      const std::size_t first = at + (negated ? 2 : 1);
      return c != '/' && inClass(pattern.substr(first, end - 1 - first), c, ignoreCase) != negated;
    }
  }
  return sameChar(element, c, ignoreCase);
}
}  // namespace

bool globMatches(std::string_view pattern, std::string_view text, bool ignoreCase) {
  std::size_t p = 0, t = 0;
  // On a mismatch the last star takes one character more and the rest is tried again from there.
  // A '*' may not take a '/'; then the last '**' before it takes more instead. Stars before that
  // '**' are never tried again: it can take whatever they would have left over.
  std::size_t starP = kNone, starT = 0;
  std::size_t deepP = kNone, deepT = 0;
  bool deepEndsInSeparator = false;  // the last '**' was "**/": it takes nothing or a run ending in '/'
  for (;;) {
    if (p < pattern.size() && pattern[p] == '*') {
      std::size_t end = p;
      while (end < pattern.size() && pattern[end] == '*') ++end;
      if (end - p == 1) {
        starP = end;
        starT = t;
        p = end;
      } else {
        // Only a whole level may be left out, as in "a/**/b" matching "a/b".
        deepEndsInSeparator = (p == 0 || pattern[p - 1] == '/') && end < pattern.size() && pattern[end] == '/';
        deepP = deepEndsInSeparator ? end + 1 : end;
        deepT = t;
        starP = kNone;
        p = deepP;
      }
      continue;
    }
    std::size_t next = 0;
    if (t == text.size()) {
      if (p == pattern.size()) return true;
    } else if (p < pattern.size() && takesOne(pattern, p, text[t], ignoreCase, next)) {
      p = next;
      ++t;
      continue;
    }
    if (starP != kNone && starT < text.size() && text[starT] != '/') {
      p = starP;
      t = ++starT;
      continue;
    }
    if (deepP == kNone || deepT >= text.size()) return false;
    if (deepEndsInSeparator) {
      const std::size_t slash = text.find('/', deepT);
      if (slash == kNone) return false;
      deepT = slash + 1;
    } else {
      ++deepT;
    }
    p = deepP;
    t = deepT;
    starP = kNone;
  }
}

}  // namespace pelimor
