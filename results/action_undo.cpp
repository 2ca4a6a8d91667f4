#include "results/action_undo.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <set>

#include "platform/file_times.h"
#include "platform/folder_handle.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/trash.h"
#include "platform/window_text.h"
#include "results/action_lanes.h"
#include "results/content_check.h"
#include "results/move_by_copy.h"

namespace pelimor {

namespace {
// Why an action's files can't be put back at all; nothing when they can.
std::optional<NoticeText> whyNoUndo(JournalKind kind, std::uint64_t action) {
  const std::string which = std::to_string(action);
  switch (kind) {
    case JournalKind::Delete:
      return NoticeText::of(
          PELIMOR_WINDOW_TEXT("Notices", "Action %1 deleted its files: deleted files can't come back."), which);
    case JournalKind::Link:
    case JournalKind::Clone:
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices",
                                                "Action %1 made its files share their kept copies' content: there is "
                                                "nothing to put back."),
                            which);
    case JournalKind::Undo:
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Action %1 was itself an undo."), which);
    case JournalKind::Move:
    case JournalKind::Trash:
      break;
  }
  return std::nullopt;
}

// The file as the journal saw it where the action put it: what is checked before it goes back.
ResultRow movedRow(const JournalRecord& record) {
  ResultRow row;
  row.path = record.newPath;
  row.size = record.size;
  row.setDigest(record.digest);
  static_cast<FileIdentity&>(row.identity) = record.after;
  return row;
}

// A name a file can have in a folder: none that leads up or stays.
bool isPlainName(std::string_view name) { return !name.empty() && name != "." && name != ".."; }

// The part of `path` below `folder`, without a leading '/'; nothing when it does not lie below it.
std::optional<std::string_view> partBelow(std::string_view path, const std::string& folder) {
  const std::string top = folder.empty() || folder.back() == platform::kSeparator ? folder : folder + '/';
  if (path == folder) return std::string_view();
  if (top.empty() || path.substr(0, top.size()) != top) return std::nullopt;
  return path.substr(top.size());
}

// Puts back the files of one action, one at a time, keeping the folders of the last file open for
// the next: the files come from one trash and go back to few folders.
class PutBack {
 public:
  // `madeBefore`: the old folders earlier undos of this action put files back into, by path.
  PutBack(ActionJournal* journal, std::uint64_t action, const std::string& moveFolder,
          const std::multimap<std::string, platform::FolderId>& madeBefore)
      : journal_(journal),
        action_(action),
        moveFolder_(platform::normalizedFolder(moveFolder)),
        madeBefore_(madeBefore) {}

  // Nothing when the file is back at its old place, told in `back`; otherwise why it stays.
  std::optional<NoticeText> putBack(const JournalRecord& record, std::optional<PutBackFile>& back) {
    if (record.newPath.empty())
      return NoticeText::of(
          PELIMOR_WINDOW_TEXT("Notices", "the system did not tell where it went: put it back by hand"));
    if (record.after.inode == 0 && record.after.device == 0)
      return staysThere(record, PELIMOR_WINDOW_TEXT("Notices", "where it went was not recorded whole: it stays at %1"));
    std::optional<NoticeText> reason = openWhereItLies(record);
    if (!reason) reason = checkItIsOurs(record);
    if (!reason) reason = openWayBack(record);
    if (!reason) reason = moveBack(record);
    if (reason) return reason;
    dropTrashInfo(record);
    back = writeUndoRecord(record);
    return std::nullopt;
  }

 private:
  static NoticeText staysThere(const JournalRecord& record, const char* pattern) {
    return NoticeText::of(pattern, record.newPath);
  }

  // Opens the folder the file lies in, which must be a trash's files/ folder for Trash and the
  // move folder, or a folder below it, for Move: no other place is ours to take a file from.
  std::optional<NoticeText> openWhereItLies(const JournalRecord& record) {
    name_ = std::string(platform::fileNameOf(record.newPath));
    const std::string folder = platform::folderPartOf(record.newPath);
    const std::string key = std::string(journalKindName(record.kind)) + ':' + folder;
    const bool sameFolder = fromKey_ == key && from_.isOpen();
    std::error_code error;
    if (record.kind == JournalKind::Trash) {
      const std::optional<platform::TrashEntry> entry = platform::trashEntryOf(record.newPath);
      if (!entry)
        return staysThere(record, PELIMOR_WINDOW_TEXT("Notices", "it is not in a trash of ours: it stays at %1"));
      if (record.trashInfo != entry->infoPath)
        return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "%1 is not its record in the trash: it stays at %2"),
                              record.trashInfo, record.newPath);
      infoName_ = std::string(platform::fileNameOf(entry->infoPath));
      if (!sameFolder) error = openTrash(entry->trashFolder);
    } else if (record.kind == JournalKind::Move) {
      const std::optional<std::string_view> below = partBelow(folder, moveFolder_);
      if (!below || !isPlainName(name_))
        return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it is not in %1: it stays at %2"), moveFolder_,
                              record.newPath);
      infoName_.clear();
      if (!sameFolder) error = openBelow(moveFolder_, *below);
    } else {
      return staysThere(record, PELIMOR_WINDOW_TEXT("Notices", "no move of ours left it at %1"));
    }
    if (!sameFolder) fromKey_ = error ? std::string() : key;
    if (error == std::errc::too_many_symbolic_link_levels)
      return staysThere(record, PELIMOR_WINDOW_TEXT("Notices", "a link leads to it: it stays at %1"));
    if (error == std::errc::no_such_file_or_directory)
      return staysThere(record, PELIMOR_WINDOW_TEXT("Notices", "it is no longer at %1"));
    if (error)
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be looked at in %1: %2"), record.newPath, error);
    return std::nullopt;
  }

  // The trash's files/ and info/ folders, opened inside the trash without following a link.
  std::error_code openTrash(const std::string& trashFolder) {
    fromStep_ = 0;
    platform::FolderHandle trash;
    std::error_code error = trash.open(trashFolder);
    if (!error) error = from_.openChildNoLink(trash, "files");
    // Without info/ the file still comes back: there is just no record of it to drop.
    if (error || info_.openChildNoLink(trash, "info")) info_.close();
    return error;
  }

  // The move folder, found as the Move found it, then each folder below it without following a link.
  std::error_code openBelow(const std::string& top, std::string_view below) {
    fromStep_ = 0;
    info_.close();
    std::error_code error = from_.open(top);
    while (!error && !below.empty()) {
      const std::size_t end = std::min(below.find(platform::kSeparator), below.size());
      if (end != 0) error = from_.openChildNoLink(from_, std::string(below.substr(0, end)));
      below.remove_prefix(std::min(end + 1, below.size()));
    }
    if (error) from_.close();
    return error;
  }

  // The file there must be the one the action left: the same identity, and its bytes where its
  // times can't vouch for them.
  std::optional<NoticeText> checkItIsOurs(const JournalRecord& record) {
    platform::FileStatus status;
    const std::error_code error = from_.statusOf(name_, status);
    if (error == std::errc::no_such_file_or_directory)
      return staysThere(record, PELIMOR_WINDOW_TEXT("Notices", "it is no longer at %1"));
    if (error)
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be looked at in %1: %2"), record.newPath, error);
    if (!sameFile(record.after, status))
      return staysThere(record, PELIMOR_WINDOW_TEXT("Notices", "it has changed since it was moved: it stays at %1"));
    if (timesVouch(record)) return std::nullopt;
    if (std::optional<NoticeText> reason = contentMismatch(from_, movedRow(record)))
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "%1: it stays at %2"), std::move(*reason), record.newPath);
    return std::nullopt;
  }

  // Whether the file was looked at a clock tick after its last change: a change within one tick
  // after we looked leaves every time as it was. A time still to come vouches for nothing.
  bool timesVouch(const JournalRecord& record) {
    if (fromStep_ == 0) fromStep_ = platform::changeTimeStep(from_);
    return record.afterLookedAt <= platform::wallClockNanoseconds() &&
           record.afterLookedAt >= record.after.changedNanoseconds + fromStep_;
  }

  // Opens the old folder from the root down without following a link, making missing folders on
  // the way. A folder found there must be the very one the file was in; one made again is new.
  std::optional<NoticeText> openWayBack(const JournalRecord& record) {
    const auto noWholePath = [&] {
      return staysThere(record, PELIMOR_WINDOW_TEXT("Notices", "its old place is no whole path: it stays at %1"));
    };
    if (!isPlainName(platform::fileNameOf(record.oldPath))) return noWholePath();
    const std::string folder = platform::folderPartOf(record.oldPath);
    if (!target_.isOpen() || targetKey_ != folder) {
      targetKey_.clear();
      const std::error_code error = target_.openPathNoLinks(folder, &targetMade_);
      if (error == std::errc::too_many_symbolic_link_levels)
        return staysThere(record, PELIMOR_WINDOW_TEXT("Notices", "a folder on its way back is a link: it stays at %1"));
      if (error == std::errc::not_a_directory)
        return staysThere(record,
                          PELIMOR_WINDOW_TEXT("Notices", "a folder on its way back is no folder: it stays at %1"));
      if (error == std::errc::invalid_argument) return noWholePath();
      if (error) return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its folder cannot be made again: %1"), error);
      platform::FileStatus own;
      targetId_ = target_.ownStatus(own) ? platform::FolderId{} : platform::FolderId{own.device, own.inode};
      targetKey_ = folder;
    }
    // An old record without the folder's identity: the folder is taken as found.
    const bool recorded = record.oldFolder != platform::FolderId{};
    if (!targetMade_ && recorded && targetId_ != record.oldFolder && !filledBefore(folder, targetId_))
      return staysThere(record,
                        PELIMOR_WINDOW_TEXT("Notices", "its old folder is not the one it was in: it stays at %1"));
    return std::nullopt;
  }

  // Whether an earlier undo of this action put files back into this very folder: one it made again.
  bool filledBefore(const std::string& folder, const platform::FolderId& id) const {
    const auto [first, last] = madeBefore_.equal_range(folder);
    return std::any_of(first, last, [&](const auto& entry) { return entry.second == id; });
  }

  // Moves it into the open old folder, never over a file that took its place.
  std::optional<NoticeText> moveBack(const JournalRecord& record) {
    const std::string targetName(platform::fileNameOf(record.oldPath));
    const auto taken = [&] {
      return staysThere(record, PELIMOR_WINDOW_TEXT("Notices", "another file has taken its place: it stays at %1"));
    };
    const std::error_code error = from_.renameNoReplace(name_, target_, targetName);
    if (error == std::errc::file_exists) return taken();
    if (error == std::errc::cross_device_link) {
      const CopyMoveOutcome copy = moveByCopy(from_, movedRow(record), target_, targetName, targetKey_);
      if (copy.targetTaken) return taken();
      return copy.failure;
    }
    if (error) return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be put back: %1"), error);
    return std::nullopt;
  }

  // The trash's record of a file that is back is dropped: only the one that belongs to it.
  void dropTrashInfo(const JournalRecord& record) {
    if (record.kind == JournalKind::Trash && info_.isOpen()) info_.removeFile(infoName_);
  }

  PutBackFile writeUndoRecord(const JournalRecord& record) {
    PutBackFile back{record.oldPath, {}};
    back.identity.folder = targetId_;
    JournalRecord undone;
    undone.undoes = action_;
    undone.oldPath = record.newPath;
    undone.newPath = record.oldPath;
    undone.before = record.after;
    undone.digest = record.digest;
    undone.size = record.size;
    undone.newFolder = targetId_;
    undone.afterLookedAt = platform::wallClockNanoseconds();
    platform::FileStatus now;
    if (!target_.statusOf(std::string(platform::fileNameOf(record.oldPath)), now))
      static_cast<FileIdentity&>(back.identity) = undone.after = identityOf(now);
    if (journal_) journal_->record(std::move(undone));
    return back;
  }

  ActionJournal* journal_;
  std::uint64_t action_;
  std::string moveFolder_;
  // Where the file lies: its folder, opened for `fromKey_` (kind and folder), and the trash's info/.
  platform::FolderHandle from_, info_;
  std::string fromKey_;
  std::int64_t fromStep_ = 0;    // the clock step of from_'s file system, once asked
  std::string name_, infoName_;  // the file's name there, its .trashinfo's name
  // The old folder, opened for `targetKey_`; made again by us, or as found with its identity.
  platform::FolderHandle target_;
  std::string targetKey_;
  bool targetMade_ = false;
  platform::FolderId targetId_;
  const std::multimap<std::string, platform::FolderId>& madeBefore_;
};
}  // namespace

std::optional<std::uint64_t> newestAction(const std::vector<JournalRecord>& records) {
  // The highest number, not the last line: two actions run at once write their lines interleaved.
  std::optional<std::uint64_t> newest;
  for (const JournalRecord& record : records)
    if (record.kind != JournalKind::Undo && (!newest || record.action > *newest)) newest = record.action;
  return newest;
}

UndoResult undoAction(const std::vector<JournalRecord>& records, std::uint64_t action, ActionJournal* journal,
                      ActionProgress* progress, const std::string& moveFolder) {
  UndoResult result;
  const auto refuse = [&](NoticeText text) {
    result.notice = Notice::information(std::move(text));
    result.refused = true;
    return result;
  };
  std::vector<const JournalRecord*> files;
  std::set<std::string_view> alreadyBack;
  std::multimap<std::string, platform::FolderId> madeBefore;
  for (const JournalRecord& record : records) {
    if (record.action == action) files.push_back(&record);
    if (record.kind != JournalKind::Undo || record.undoes != action) continue;
    alreadyBack.insert(record.newPath);
    if (record.newFolder != platform::FolderId{})
      madeBefore.emplace(platform::folderPartOf(record.newPath), record.newFolder);
  }
  if (files.empty())
    return refuse(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "There is no action %1 in %2."), std::to_string(action),
                                 defaultJournalPath()));
  if (std::optional<NoticeText> reason = whyNoUndo(files.front()->kind, action)) return refuse(std::move(*reason));
  std::erase_if(files, [&](const JournalRecord* record) { return alreadyBack.count(record->oldPath) != 0; });
  if (files.empty())
    return refuse(NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "Every file of action %1 is back already."),
                                 std::to_string(action)));
  if (journal) journal->begin(JournalKind::Undo);
  if (progress) {
    std::uint64_t bytes = 0;
    for (const JournalRecord* record : files) bytes += record->size;
    progress->begin(files.size(), bytes);
  }
  // Put back a folder at a time, two folders at once when there are many files: each thread
  // takes whole old folders, so never makes or fills the same folder as the other.
  std::stable_sort(files.begin(), files.end(), [](const JournalRecord* a, const JournalRecord* b) {
    return platform::folderPartView(a->oldPath) < platform::folderPartView(b->oldPath);
  });
  const std::size_t laneCount = actionLaneCount(files.size());
  std::vector<std::unique_ptr<PutBack>> lanes;
  for (std::size_t n = 0; n < laneCount; ++n)
    lanes.push_back(std::make_unique<PutBack>(journal, action, moveFolder, madeBefore));
  // Each file's outcome in its own place, joined in the journal's order once both threads are done.
  std::vector<std::optional<PutBackFile>> backs(files.size());
  std::vector<std::optional<NoticeText>> reasons(files.size());
  std::atomic<bool> cancelled{false};
  runInLanes(
      files.size(), laneCount, [&](std::size_t k) { return platform::folderPartView(files[k]->oldPath); },
      [&](std::size_t lane, std::size_t k) {
        if (progress && progress->cancelled()) {
          cancelled = true;
          return false;
        }
        reasons[k] = lanes[lane]->putBack(*files[k], backs[k]);
        if (progress) progress->fileDone(files[k]->size);
        return true;
      });
  result.cancelled = cancelled;
  std::vector<std::size_t> byJournal(files.size());
  for (std::size_t k = 0; k < files.size(); ++k) byJournal[k] = k;
  std::sort(byJournal.begin(), byJournal.end(), [&](std::size_t a, std::size_t b) { return files[a] < files[b]; });
  for (const std::size_t k : byJournal) {
    if (backs[k]) result.putBack.push_back(std::move(*backs[k]));
    if (reasons[k]) result.failures.push_back(UndoFailure{files[k]->oldPath, std::move(*reasons[k])});
  }
  NoticeText text = NoticeText::counted(result.putBack.size(), PELIMOR_WINDOW_TEXT("Notices", "%1 file was put back."),
                                        PELIMOR_WINDOW_TEXT("Notices", "%1 files were put back."));
  if (result.cancelled) text = NoticeText::of(kCancelledText, std::move(text));
  if (!result.failures.empty()) {
    const std::vector<UndoFailure>& failures = result.failures;
    text += "\n\n";
    text += listedInNotice(
        NoticeText::counted(failures.size(), PELIMOR_WINDOW_TEXT("Notices", "%1 file was not put back:"),
                            PELIMOR_WINDOW_TEXT("Notices", "%1 files were not put back:")),
        failures.size(), [&](std::size_t i) { return failureLine(failures[i].path, failures[i].reason); });
  }
  if (journal && journal->failure()) {
    text += "\n\n";
    text += NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "The record of this undo could not be written to %1: %2"),
                           journal->path(), journal->failure());
  }
  result.notice = result.failures.empty() ? Notice::information(std::move(text)) : Notice::warning(std::move(text));
  return result;
}

std::vector<ResultRow> rowsPutBack(const std::vector<ResultRow>& removed, const std::vector<PutBackFile>& putBack) {
  std::map<std::string_view, const PutBackFile*> byPath;
  for (const PutBackFile& file : putBack) byPath.emplace(file.path, &file);
  std::vector<ResultRow> rows;
  for (const ResultRow& row : removed) {
    const auto found = byPath.find(row.path);
    if (found == byPath.end()) continue;
    rows.push_back(row);
    rows.back().identity = found->second->identity;
    rows.back().racy = true;
  }
  return rows;
}

void mergePutBackRows(std::vector<ResultRow>& rows, std::vector<bool>& selected, std::vector<ResultRow> back) {
  std::map<std::uint32_t, std::vector<ResultRow>> byGroup;
  for (ResultRow& row : back) byGroup[row.group].push_back(std::move(row));
  std::map<std::uint32_t, std::size_t> lastOfGroup;
  for (std::size_t i = 0; i < rows.size(); ++i) lastOfGroup[rows[i].group] = i;
  std::vector<ResultRow> merged;
  std::vector<bool> mergedSelection;
  merged.reserve(rows.size() + back.size());
  const auto add = [&](std::vector<ResultRow>& group) {
    for (ResultRow& row : group) {
      merged.push_back(std::move(row));
      mergedSelection.push_back(false);
    }
    group.clear();
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    merged.push_back(std::move(rows[i]));
    mergedSelection.push_back(selected[i]);
    if (lastOfGroup[merged.back().group] == i)
      if (const auto group = byGroup.find(merged.back().group); group != byGroup.end()) add(group->second);
  }
  for (auto& [group, left] : byGroup) add(left);
  rows = std::move(merged);
  selected = std::move(mergedSelection);
}

std::string undoCaption(JournalKind kind) {
  return kind == JournalKind::Trash ? PELIMOR_WINDOW_TEXT("pelimor::MainWindow", "Undo Move to Trash")
                                    : PELIMOR_WINDOW_TEXT("pelimor::MainWindow", "Undo Move");
}

}  // namespace pelimor
