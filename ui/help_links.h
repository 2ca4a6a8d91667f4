#pragma once
// Where the Help menu leads outside the program.

#include <string>

#include "pelimor_version.h"

namespace pelimor {

// "Visit QVR Web Site": the project's page.
inline constexpr const char* kWebSiteUrl = kHomepage;
// "Feedback (any comments, wishes)": the project's issue tracker.
inline const std::string kFeedbackUrl = std::string(kHomepage) + "/issues";

// The user guide, opened from the program folder.
inline constexpr char kHelpFileName[] = "Help.html";

}  // namespace pelimor
