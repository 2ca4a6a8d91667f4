#pragma once
// Texts for pelimor-find's plain output, one file a line and tabs between the fields: a line feed,
// carriage return, tab or backslash is written as \n, \r, \t or \\, so that no name can break a
// line or shift a field, and every other control byte (0x00 to 0x1F, 0x7F) as \xNN in upper-case
// hex, as the HTML report writes them, so that no name can send a terminal its escape sequences.
// Every other byte is written as it is.
#include <string>
#include <string_view>

#include "platform/notice_text.h"

namespace pelimor {

std::string plainText(std::string_view bytes);

// A reason or notice as pelimor-find prints it: what fills it (paths, the system's messages) is
// escaped as plainText escapes a path, so that it neither breaks the line nor reaches the
// terminal; the line breaks of our own sentences are kept. Every reason printed goes through it.
std::string plainNotice(const NoticeText& text);

}  // namespace pelimor
