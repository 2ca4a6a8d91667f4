#pragma once
// Where the Help menu leads outside the program.

#include <string>

#include "pelimor_version.h"

namespace pelimor {

// "Visit QVR Web Site": the maker's web page.
inline constexpr char kWebSiteUrl[] = "https://pelimor.example/";
// "Feedback (any comments, wishes)": a new mail to the maker, the subject already URL-encoded.
inline const std::string kFeedbackMailUrl = std::string("mailto:support@pelimor.example?subject=Pelimor%20") + kVersion;

// The user guide, opened from the program folder.
inline constexpr char kHelpFileName[] = "Help.html";

}  // namespace pelimor
