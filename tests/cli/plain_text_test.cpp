#include "cli/plain_text.h"

#include <gtest/gtest.h>

namespace pelimor {
namespace {

TEST(PlainText, LineBreaksTabsAndBackslashesBecomeEscapes) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"/home/ann/photo.jpg", "/home/ann/photo.jpg"},
      {"two\nlines\r\n\ttab", "two\\nlines\\r\\n\\ttab"},
      {"C:\\new", "C:\\\\new"},                                    // not to be read as a line feed
      {"caf\xC3\xA9 \xE9 \x01\x7F", "caf\xC3\xA9 \xE9 \x01\x7F"},  // every other byte unchanged
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(plainText(text), expected) << text;
}

}  // namespace
}  // namespace pelimor
