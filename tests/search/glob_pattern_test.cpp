#include "search/glob_pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace pelimor {
namespace {

using Pairs = const char* const[][2];  // pattern, text

TEST(GlobPattern, MatchesTheWholeText) {
  const Pairs matching = {{"Thumbs.db", "Thumbs.db"},
                          {"", ""},
                          {"*.tmp", "a.tmp"},
                          {"*/*", "a/b"},
                          {"photos/cache/*", "photos/cache/x.jpg"},
                          {"photos/**", "photos/cache/deep/x.jpg"},
                          {"**/build", "build"},
                          {"**/build", "a/b/build"},
                          {"**build", "a/rebuild"},
                          {"a/**/b", "a/b"},
                          {"a/**/b", "a/x/y/b"},
                          {"?", "a"},
                          {"[abc].txt", "b.txt"},
                          {"[a-c]x", "bx"},
                          {"[!a]x", "bx"},
                          {"[]]", "]"},
                          {"[a-]", "-"},
                          {"[ab", "[ab"}};
  const Pairs failing = {{"Thumbs.db", "Thumbs.dbx"},
                         {"*.tmp", "a.tmp.txt"},
                         {"*", "a/b"},
                         {"a*b", "a/b"},
                         {"photos/cache/*", "photos/cache/deep/x.jpg"},
                         {"**/build", "a/rebuild"},
                         {"x**/b", "xb"},
                         {"?", "/"},
                         {"?", ""},
                         {"[!a]x", "ax"},
                         {"[!a]x", "/x"},
                         {"[ab", "a"}};
  for (const auto& [pattern, text] : matching) EXPECT_TRUE(globMatches(pattern, text, false)) << pattern << " " << text;
  for (const auto& [pattern, text] : failing) EXPECT_FALSE(globMatches(pattern, text, false)) << pattern << " " << text;
  // Stars that fail try again in time that grows with the text, not exponentially.
  EXPECT_FALSE(globMatches("*a*a*a*a*a*a*a*a*a*a*a*a*b", std::string(100000, 'a'), false));
  EXPECT_FALSE(globMatches("**a**a**a**a**a**a**a**a**b", std::string(100000, 'a'), false));
}

TEST(GlobPattern, IgnoringCaseFoldsAsciiLetters) {
  const Pairs differInCase = {{"Thumbs.db", "thumbs.DB"}, {"*.TMP", "a.tmp"}, {"[A-C]x", "bx"}, {"[a-c]x", "Bx"}};
  for (const auto& [pattern, text] : differInCase) {
    EXPECT_FALSE(globMatches(pattern, text, false)) << pattern << " " << text;
    EXPECT_TRUE(globMatches(pattern, text, true)) << pattern << " " << text;
  }
  EXPECT_FALSE(globMatches("\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", true));  // beyond ASCII as they are
}

}  // namespace
}  // namespace pelimor
