#include "cli/plain_text.h"

#include <gtest/gtest.h>

namespace pelimor {
namespace {

TEST(PlainText, LineBreaksTabsAndBackslashesBecomeEscapes) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"/home/ann/photo.jpg", "/home/ann/photo.jpg"},
      {"two\nlines\r\n\ttab", "two\\nlines\\r\\n\\ttab"},
      {"C:\\new", "C:\\\\new"},                      // not to be read as a line feed
      {"caf\xC3\xA9 \xE9 ~", "caf\xC3\xA9 \xE9 ~"},  // every byte above the controls unchanged
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(plainText(text), expected) << text;
}

// No byte that a terminal takes for a command gets through: escape sequences arrive as text.
TEST(PlainText, OtherControlBytesBecomeHexEscapes) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {std::string_view("a\0b", 3), "a\\x00b"},
      {"\x01\x07\x08", "\\x01\\x07\\x08"},
      {"\x0B\x0C", "\\x0B\\x0C"},
      {"\x1B[31mred", "\\x1B[31mred"},
      {"\x1F \x7F", "\\x1F \\x7F"},
      {"\x1B]0;title\x07", "\\x1B]0;title\\x07"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(plainText(text), expected) << expected;
}

}  // namespace
}  // namespace pelimor
