#pragma once
// The result list as an HTML table, for the user's browser to show and print.
#include <stdexcept>
#include <string>
#include <vector>

#include "search/result_row.h"

namespace pelimor {

// A report that could not be written; what() is the text for the error box ("Disk full", ...).
class ReportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The data folder followed by "Duplicates.html".
std::string defaultReportFileName();

// Writes the report of `rows`, in their order, to `fileName`, replacing any earlier file.
// Throws ReportError at the first step that fails; what has been written by then stays on disk.
void SaveHTMLfile(const std::string& fileName, const std::vector<ResultRow>& rows);

// "&", "<", ">" and '"' as HTML entities; everything else, bytes of UTF-8 included, unchanged.
std::string escapedHtml(std::string_view text);

}  // namespace pelimor
