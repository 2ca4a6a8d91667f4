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

// What fills a notice is escaped; its own sentences keep their line breaks, unless a NUL byte of
// the filling could pass for one of them.
TEST(PlainNotice, EscapesWhatFillsItAndKeepsItsOwnLineBreaks) {
  const std::string odd = "/a\x1B[31m\nb";
  const std::pair<NoticeText, std::string_view> cases[] = {
      {NoticeText(odd), "/a\\x1B[31m\\nb"},
      {NoticeText::of("the folder %1 cannot be created: %2", odd, "Not a directory"),
       "the folder /a\\x1B[31m\\nb cannot be created: Not a directory"},
      {NoticeText::of("first %1.\nsecond", odd), "first /a\\x1B[31m\\nb.\nsecond"},
      {NoticeText::of("first %1.\nsecond", std::string("n\0l\n", 4)), "first n\\x00l\\n.\\nsecond"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(plainNotice(text), expected) << expected;
}

}  // namespace
}  // namespace pelimor
