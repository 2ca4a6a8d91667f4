#pragma once
// The result list as an HTML table, for the user's browser to show and print.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/notice_text.h"
#include "search/folder_group.h"
#include "search/result_row.h"
#include "search/unique_file.h"

namespace pelimor {

// A report that could not be written: the text for the error box ("Disk full", ...); what() is its
// English.
class ReportError : public std::runtime_error {
 public:
  explicit ReportError(NoticeText text) : std::runtime_error(text.english()), text_(std::move(text)) {}
  const NoticeText& text() const { return text_; }

 private:
  NoticeText text_;
};

// The data folder followed by "Duplicates.html".
std::string defaultReportFileName();

// Writes the report of `rows`, in their order, to `fileName`, replacing any earlier file; with
// `filesWithNoCopy`, a second table lists them after the groups; with `folderGroups`, a table of
// the twin folders follows.
// Throws ReportError at the first step that fails; what has been written by then stays on disk.
void writeHtmlReport(const std::string& fileName, const std::vector<ResultRow>& rows,
                     const std::vector<UniqueFile>* filesWithNoCopy = nullptr,
                     const std::vector<FolderGroup>* folderGroups = nullptr);

// A name as report text that can neither break the table nor hide a character: "&", "<", ">"
// and '"' as HTML entities; every byte that is not part of valid UTF-8 and every control
// character (C0, DEL and the C1 controls U+0080 to U+009F, each of its two bytes) as \xNN with
// upper-case hex digits; a backslash as \\, so that a backslash always starts an escape. Valid
// UTF-8 otherwise stays as it is.
std::string escapedHtml(std::string_view text);

// Length of the valid UTF-8 sequence starting at byte `at` of `text` (1 for ASCII), or 0 when the
// byte there starts none: a stray continuation byte, a cut-off sequence, an overlong form, an
// encoded surrogate (U+D800 to U+DFFF) or a code point past U+10FFFF.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

}  // namespace pelimor
