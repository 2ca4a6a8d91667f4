#pragma once
// Reading a file again before acting on it or because of it: its times can't always vouch for its
// bytes (a clock that keeps whole seconds, a saved search anybody may have edited).
#include <optional>

#include "platform/folder_handle.h"
#include "platform/notice_text.h"
#include "search/result_row.h"

namespace pelimor {

// Reads the row's file whole from its checked `folder`. Nothing when it is still the very file the
// search found and its bytes give the row's CRC-32 and strong hash; otherwise the reason.
std::optional<NoticeText> contentMismatch(const platform::FolderHandle& folder, const ResultRow& row);

}  // namespace pelimor
