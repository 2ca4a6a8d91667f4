#pragma once
// The mask field's text as a list of wildcard masks, and how a name is matched against one.
#include <string>
#include <string_view>
#include <vector>

namespace pelimor {

// Blanks are removed everywhere, then the text is split at ';'. Empty masks between two ';'
// or before a leading ';' are kept; a trailing ';' adds none; an empty text gives no mask.
std::vector<std::string> buildMaskList(std::string_view text);

// Case-insensitive for ASCII letters; '*' any run, '?' one character. A mask ending in ".*"
// also takes names without a dot, so "*.*" matches every name. An empty mask matches nothing.
bool matchesMask(std::string_view name, std::string_view mask);

}  // namespace pelimor
