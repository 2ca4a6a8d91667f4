#pragma once
// Undo of Move and Trash: the files an action took away go back to their old places, each only
// while it is still the very file we moved, and never over a file that took its place.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "results/action_journal.h"
#include "results/action_notice.h"
#include "results/action_progress.h"
#include "search/result_row.h"

namespace pelimor {

// A file back at its old place, as it is there now.
struct PutBackFile {
  std::string path;
  RowIdentity identity;
};

struct UndoFailure {
  std::string path;  // its old place
  NoticeText reason;
};

struct UndoResult {
  // Refused (nothing to undo, or an action whose files can't come back), or what was done.
  std::optional<Notice> notice;
  bool refused = false;
  bool cancelled = false;
  std::vector<PutBackFile> putBack;
  std::vector<UndoFailure> failures;  // files left where the action put them
};

// The action `pelimor-find --undo` and the window's Undo mean: the newest one that is not itself an
// undo. Nothing when the journal holds none.
std::optional<std::uint64_t> newestAction(const std::vector<JournalRecord>& records);

// Puts back the files of action `action` that no undo has put back yet. Each must lie where such
// an action of ours leaves files: directly in a trash's files/ folder with its own .trashinfo, or in
// `moveFolder` (the folder the Move used) or below it. It must be the file we moved (its identity,
// and its bytes where its times can't vouch for them). The way back is opened from the root down
// without following a link, missing folders made again; a folder found there must be the one the
// file was in. A file at the old place is never replaced. Whatever fails, the file stays where it
// is, with the reason. Every file put back is written to `journal` as an undo of `action`.
UndoResult undoAction(const std::vector<JournalRecord>& records, std::uint64_t action, ActionJournal* journal,
                      ActionProgress* progress = nullptr,
                      const std::string& moveFolder = platform::removedFilesFolder());

// The rows of `removed` whose files are back, as they are now: read again before anything is done
// to them, since their change time is just now.
std::vector<ResultRow> rowsPutBack(const std::vector<ResultRow>& removed, const std::vector<PutBackFile>& putBack);

// Merges `back` into the list's `rows`, each after the last row of its group (at the end when its
// group has none left), unselected; `selected` follows the rows.
void mergePutBackRows(std::vector<ResultRow>& rows, std::vector<bool>& selected, std::vector<ResultRow> back);

// "Undo Move", "Undo Move to Trash": the window's words for undoing an action of `kind`.
std::string undoCaption(JournalKind kind);

}  // namespace pelimor
