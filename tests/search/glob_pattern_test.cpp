#include "search/glob_pattern.h"

#include <gtest/gtest.h>

namespace pelimor {
namespace {

struct GlobCase {
  const char* pattern;
  const char* text;
  bool matches;
  bool ignoreCase = false;
};

TEST(GlobPattern, MatchesTheWholeText) {
  const GlobCase cases[] = {
      {"Thumbs.db", "Thumbs.db", true},
      {"Thumbs.db", "Thumbs.dbx", false},
      {"Thumbs.db", "thumbs.DB", false},
      {"Thumbs.db", "thumbs.DB", true, true},
      {"", "", true},
      {"", "a", false},
      {"*", "", true},
      {"*.tmp", "a.tmp", true},
      {"*.tmp", "a.tmp.txt", false},
      {"*.TMP", "a.tmp", true, true},
      {"*", "a/b", false},
      {"a*b", "a/b", false},
      {"*/*", "a/b", true},
      {"photos/cache/*", "photos/cache/x.jpg", true},
      {"photos/cache/*", "photos/cache/deep/x.jpg", false},
      {"photos/cache/*", "photos/cache", false},
      {"photos/**", "photos/cache/deep/x.jpg", true},
      {"**", "a/b/c", true},
      {"**/build", "build", true},
      {"**/build", "a/b/build", true},
      {"**/build", "a/rebuild", false},
      {"**build", "a/rebuild", true},
      {"a/**/b", "a/b", true},
      {"a/**/b", "a/x/y/b", true},
      {"a/**/b", "ab", false},
      {"x**/b", "xb", false},
      {"*b**/", "bb/", true},
      {"?", "a", true},
      {"?", "/", false},
      {"?", "", false},
      {"a?c", "abc", true},
      {"[abc].txt", "b.txt", true},
      {"[abc].txt", "d.txt", false},
      {"[a-c]x", "bx", true},
      {"[A-C]x", "bx", true, true},
      {"[a-c]x", "Bx", true, true},
      {"[!a]x", "bx", true},
      {"[!a]x", "ax", false},
      {"[!a]x", "/x", false},
      {"[]]", "]", true},
      {"[!]]", "a", true},
      {"[a-]", "-", true},
      {"[ab", "[ab", true},
      {"[ab", "a", false},
      {"*a*a*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"**a**a**a**a**a**b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      // Letters beyond ASCII are compared as they are.
      {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", false, true},
  };
  for (const GlobCase& c : cases)
    EXPECT_EQ(globMatches(c.pattern, c.text, c.ignoreCase), c.matches)
        << '"' << c.pattern << "\" against \"" << c.text << '"' << (c.ignoreCase ? " ignoring case" : "");
}

}  // namespace
}  // namespace pelimor
