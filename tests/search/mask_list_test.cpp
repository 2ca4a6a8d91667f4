#include "search/mask_list.h"

#include <gtest/gtest.h>

namespace pelimor {
namespace {

using Masks = std::vector<std::string>;

TEST(MaskList, SplitsAtSemicolonsAndDropsBlanksEverywhere) {
  EXPECT_EQ(buildMaskList("*.jpg; *.png"), (Masks{"*.jpg", "*.png"}));
  EXPECT_EQ(buildMaskList("my file*.t xt"), (Masks{"myfile*.txt"}));
  EXPECT_EQ(buildMaskList("*.extension1; *.extension2; *.extension3; *.extension4; *.extension5;"),
            (Masks{"*.extension1", "*.extension2", "*.extension3", "*.extension4", "*.extension5"}));
}

TEST(MaskList, EmptyMasksAreKeptWhereTheTextMakesThem) {
  EXPECT_EQ(buildMaskList(""), Masks{});
  EXPECT_EQ(buildMaskList("   "), Masks{});
  EXPECT_EQ(buildMaskList(" ; "), Masks{""});
  EXPECT_EQ(buildMaskList(";a"), (Masks{"", "a"}));
  EXPECT_EQ(buildMaskList("a;;b"), (Masks{"a", "", "b"}));
  EXPECT_EQ(buildMaskList("a;"), Masks{"a"});
  EXPECT_EQ(buildMaskList("a;b;b"), (Masks{"a", "b", "b"}));
}

TEST(MaskMatch, WildcardsAndLetterCase) {
  EXPECT_TRUE(matchesMask("Photo.JPG", "*.jpg"));
  EXPECT_TRUE(matchesMask("photo.jpg", "*.JPG"));
  EXPECT_FALSE(matchesMask("photo.jpeg", "*.jpg"));
  EXPECT_TRUE(matchesMask("a1.txt", "a?.txt"));
  EXPECT_FALSE(matchesMask("a.txt", "a?.txt"));
  EXPECT_TRUE(matchesMask("abcabd", "*abd"));
  EXPECT_TRUE(matchesMask("x", "*"));
  // Letters beyond ASCII are compared as they are.
  EXPECT_FALSE(matchesMask("\xC3\x89T\xC3\x89.txt", "\xC3\xA9t\xC3\xA9.txt"));
}

TEST(MaskMatch, StarDotStarTakesNamesWithAndWithoutDot) {
  EXPECT_TRUE(matchesMask("README", "*.*"));
  EXPECT_TRUE(matchesMask("a.b.c", "*.*"));
  EXPECT_TRUE(matchesMask(".hidden", "*.*"));
  EXPECT_TRUE(matchesMask("photo", "photo.*"));
  EXPECT_FALSE(matchesMask("photos", "photo.*"));
}

TEST(MaskMatch, EmptyMaskMatchesNothing) {
  EXPECT_FALSE(matchesMask("a", ""));
  EXPECT_FALSE(matchesMask("", ""));
}

}  // namespace
}  // namespace pelimor
