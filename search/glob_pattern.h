#pragma once
// Wildcard patterns over names and '/'-separated paths, as the user writes them for exclusions:
// '*' any run within one folder level, '**' any run across levels, '?' one character, and classes.
#include <string_view>

namespace pelimor {

// True when `pattern` matches the whole of `text`. '*' matches any run of characters except '/',
// '**' any run including '/' (and "**/" at the start or after a '/' also nothing, so "**/build"
// matches "build" and "a/**/b" matches "a/b"), '?' one
// character except '/', "[abc]", "[a-z]" and "[!a]" one character of (or not of) a class, never '/';
// a '[' without its ']' and everything else stand for themselves. With `ignoreCase`, ASCII letters
// match either case. Time grows with the product of the lengths at worst, never exponentially.
bool globMatches(std::string_view pattern, std::string_view text, bool ignoreCase);

}  // namespace pelimor
