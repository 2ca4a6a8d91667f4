#include "results/json_text.h"

#include <gtest/gtest.h>

namespace pelimor {
namespace {

TEST(JsonString, EscapesWhatJsonRequires) {
  EXPECT_EQ(jsonString("plain"), "\"plain\"");
  EXPECT_EQ(jsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(jsonString("tab\there\nnew"), "\"tab\\there\\nnew\"");
  EXPECT_EQ(jsonString(std::string("nul\0x", 5)), "\"nul\\u0000x\"");
  EXPECT_EQ(jsonString("\x1f"), "\"\\u001f\"");
}

TEST(JsonString, ValidUtf8PassesUnchanged) {
  EXPECT_EQ(jsonString("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"), "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\"");
}

TEST(JsonString, InvalidBytesBecomeLowSurrogateEscapes) {
  EXPECT_EQ(jsonString("\xE9t\xE9"), "\"\\udce9t\\udce9\"");                      // Latin-1 bytes
  EXPECT_EQ(jsonString("\xC3"), "\"\\udcc3\"");                                   // cut-off sequence
  EXPECT_EQ(jsonString("\xC0\xAF"), "\"\\udcc0\\udcaf\"");                        // overlong
  EXPECT_EQ(jsonString("\xED\xA0\x80"), "\"\\udced\\udca0\\udc80\"");             // encoded surrogate
  EXPECT_EQ(jsonString("\xF4\x90\x80\x80"), "\"\\udcf4\\udc90\\udc80\\udc80\"");  // beyond U+10FFFF
}

}  // namespace
}  // namespace pelimor
