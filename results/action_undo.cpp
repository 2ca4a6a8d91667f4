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

class PutBack {
 public:
  PutBack(ActionJournal* journal, std::uint64_t action) : journal_(journal), action_(action) {}

  // Nothing when the file is back at its old place, told in `back`; otherwise why it stays.
  std::optional<NoticeText> putBack(const JournalRecord& record, std::optional<PutBackFile>& back) {
    const auto staysThere = [&](const char* pattern) { return NoticeText::of(pattern, record.newPath); };
    if (record.newPath.empty())
      return NoticeText::of(
          PELIMOR_WINDOW_TEXT("Notices", "the system did not tell where it went: put it back by hand"));
    if (record.after.inode == 0 && record.after.device == 0)
      return staysThere(PELIMOR_WINDOW_TEXT("Notices", "where it went was not recorded whole: it stays at %1"));
    const ResultRow row = movedRow(record);
    const std::string name(row.name());
    platform::FileStatus status;
    const std::string fromFolder = platform::folderPartOf(record.newPath);
    if (from_.path() != fromFolder) fromStep_ = 0;
    std::error_code error = openOnce(from_, fromFolder);
    if (!error) error = from_.statusOf(name, status);
    if (error == std::errc::no_such_file_or_directory)
      return staysThere(PELIMOR_WINDOW_TEXT("Notices", "it is no longer at %1"));
    if (error)
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be looked at in %1: %2"), record.newPath, error);
    if (!sameFile(record.after, status))
      return staysThere(PELIMOR_WINDOW_TEXT("Notices", "it has changed since it was moved: it stays at %1"));
    // A change within one tick of its file system's clock after we looked leaves every time as it was.
    if (fromStep_ == 0) fromStep_ = platform::changeTimeStep(from_);
    if (record.after.changedNanoseconds > record.afterLookedAt - fromStep_) {
      if (std::optional<NoticeText> reason = contentMismatch(from_, row))
        return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "%1: it stays at %2"), std::move(*reason), record.newPath);
    }
    const std::string targetFolder = platform::folderPartOf(record.oldPath);
    const std::string targetName(platform::fileNameOf(record.oldPath));
    if (!target_.isOpen() || target_.path() != targetFolder) {
      target_.close();
      error = platform::createFolderWithParents(targetFolder);
      if (!error) error = target_.open(targetFolder);
      if (error) return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "its folder cannot be made again: %1"), error);
      platform::FileStatus own;
      targetId_ = target_.ownStatus(own) ? platform::FolderId{} : platform::FolderId{own.device, own.inode};
    }
    const auto taken = [&] {
      return staysThere(PELIMOR_WINDOW_TEXT("Notices", "another file has taken its place: it stays at %1"));
    };
    error = from_.renameNoReplace(name, target_, targetName);
    if (error == std::errc::file_exists) return taken();
    if (error == std::errc::cross_device_link) {
      const CopyMoveOutcome copy = moveByCopy(from_, row, target_, targetName, targetFolder);
      if (copy.targetTaken) return taken();
      if (copy.failure) return copy.failure;
    } else if (error) {
      return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be put back: %1"), error);
    }
    if (!record.trashInfo.empty() && !openOnce(info_, platform::folderPartOf(record.trashInfo)))
      info_.removeFile(std::string(platform::fileNameOf(record.trashInfo)));
    back = PutBackFile{record.oldPath, {}};
    back->identity.folder = targetId_;
    JournalRecord undone;
    undone.undoes = action_;
    undone.oldPath = record.newPath;
    undone.newPath = record.oldPath;
    undone.before = record.after;
    undone.digest = record.digest;
    undone.size = record.size;
    undone.afterLookedAt = platform::wallClockNanoseconds();
    platform::FileStatus now;
    if (!target_.statusOf(targetName, now)) static_cast<FileIdentity&>(back->identity) = undone.after = identityOf(now);
    if (journal_) journal_->record(std::move(undone));
    return std::nullopt;
  }

 private:
  // Opens `folder` in `handle` unless it is open there already: the trash's files come from one folder.
  static std::error_code openOnce(platform::FolderHandle& handle, const std::string& folder) {
    if (handle.isOpen() && handle.path() == folder) return {};
    handle.close();
    return handle.open(folder);
  }

  ActionJournal* journal_;
  std::uint64_t action_;
  platform::FolderHandle from_, info_, target_;
  std::int64_t fromStep_ = 0;  // the clock step of from_'s file system, once asked
  platform::FolderId targetId_;
};
}  // namespace

std::optional<std::uint64_t> newestAction(const std::vector<JournalRecord>& records) {
  for (auto record = records.rbegin(); record != records.rend(); ++record)
    if (record->kind != JournalKind::Undo) return record->action;
  return std::nullopt;
}

UndoResult undoAction(const std::vector<JournalRecord>& records, std::uint64_t action, ActionJournal* journal,
                      ActionProgress* progress) {
  UndoResult result;
  const auto refuse = [&](NoticeText text) {
    result.notice = Notice::information(std::move(text));
    result.refused = true;
    return result;
  };
  std::vector<const JournalRecord*> files;
  std::set<std::string_view> alreadyBack;
  for (const JournalRecord& record : records) {
    if (record.action == action) files.push_back(&record);
    if (record.kind == JournalKind::Undo && record.undoes == action) alreadyBack.insert(record.newPath);
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
  for (std::size_t n = 0; n < laneCount; ++n) lanes.push_back(std::make_unique<PutBack>(journal, action));
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
