#include "results/file_removal.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "platform/paths.h"
#include "platform/trash.h"
#include "results/action_lanes.h"
#include "results/action_steps.h"
#include "results/content_check.h"
#include "results/empty_folders.h"
#include "results/file_check.h"
#include "results/group_guard.h"
#include "results/link_replacement.h"
#include "results/result_order.h"

namespace pelimor {

namespace {
constexpr const char* kNoKeeper = PELIMOR_WINDOW_TEXT("Notices", "no unselected copy of it is left on disk");
constexpr const char* kInReference = PELIMOR_WINDOW_TEXT("Notices", "it lies in a reference folder");

// One thread's share of an action: its own folder handles and kept-copy checks, and what became of
// its files, joined with the other thread's at the end.
struct Lane {
  Lane(const std::vector<ResultRow>& rows, const std::vector<bool>& selected, bool readAll)
      : keepers(rows, selected, readAll) {}
  KeeperCheck keepers;
  FileCheck check;
  platform::Trash trash;
  RemovalResult result;
  std::vector<EmptiedFolder> emptied;  // one entry per file taken away
};

// One action over the selected files. Each file, in order: it is still the file the search found
// (stillAsFound), some kept copy of its group is still on disk (KeeperCheck), it is acted on (act),
// written to the journal (writeDown), and what became of it goes into its lane's result (note).
// Then the lanes' results are joined and the notice is made (finish).
class ActionRun {
 public:
  ActionRun(FileAction action, const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
            const ActionOptions& options);
  RemovalResult run();

 private:
  void actOnOne(Lane& lane, std::size_t i);
  bool stillAsFound(Lane& lane, std::size_t i);
  FileOutcome act(Lane& lane, const CheckedFile& file);
  LastCheck keeperStill(Lane& lane, const CheckedFile& file) const;
  void writeDown(const CheckedFile& file, const FileOutcome& outcome);
  void note(Lane& lane, const CheckedFile& file, FileOutcome outcome);
  void stays(Lane& lane, std::size_t i, NoticeText reason) const;
  void gone(Lane& lane, std::size_t i) const;
  bool renamedByUs(const platform::FileStatus& status);

  bool nextFile(std::size_t lane, std::size_t k);
  void beginProgress();
  void joinLanes();
  void finish();
  void addToNotice(NoticeText text);

  const FileAction action_;
  const std::vector<ResultRow>& rows_;
  const ActionOptions& options_;
  const std::vector<std::size_t> order_;
  ActionJournal* const journal_;
  Mover mover_;
  LinkReplacer replacer_;
  FreedBytes freed_;
  std::vector<std::unique_ptr<Lane>> lanes_;
  RemovalResult result_;
  // Files we took a name of: their other names have a new change time, of our own making.
  std::set<std::pair<std::uint64_t, std::uint64_t>> renamedByUs_;
  std::mutex renamedLock_;
  std::mutex folderLock_;  // the progress shows one folder, told by either thread
  std::string_view lastFolder_;
  std::atomic<bool> cancelled_{false};
};

void ActionRun::actOnOne(Lane& lane, std::size_t i) {
  const ResultRow& row = rows_[i];
  // The user marked its folder as one to keep whole: not even looked at.
  if (row.reference) return stays(lane, i, NoticeText::of(kInReference));
  if (!stillAsFound(lane, i)) return;
  // The kept copy is looked at right before the file goes, not once for the whole action.
  const std::optional<std::size_t> keeper = lane.keepers.keeperFor(row, lane.check.status());
  if (!keeper) return stays(lane, i, NoticeText::of(kNoKeeper));
  const CheckedFile file{i, row, lane.check.folder(), lane.check.status(), *keeper};
  FileOutcome outcome = act(lane, file);
  if (outcome.done()) writeDown(file, outcome);
  note(lane, file, std::move(outcome));
}

// Another name of a file whose name we removed: its change time moved, and nothing else may have.
// Its bytes are read again, since the times can no longer vouch for them.
FileState changedOnlyByUs(const FileCheck& check, const ResultRow& row) {
  ResultRow now = row;
  now.identity.changedNanoseconds = check.status().changedTime();
  if (!sameFile(now.identity, check.status()) || contentMismatch(check.folder(), now)) return FileState::Changed;
  return FileState::Same;
}

// Whether the row's file is still the very file the search found, in the very folder, with its
// bytes read again where its times can't vouch for them. When not, it is noted as staying or gone.
bool ActionRun::stillAsFound(Lane& lane, std::size_t i) {
  const ResultRow& row = rows_[i];
  FileCheck& check = lane.check;
  FileState state = check.check(row);
  if (state == FileState::Changed && !options_.dryRun && renamedByUs(check.status()))
    state = changedOnlyByUs(check, row);
  if (state == FileState::Gone) {
    gone(lane, i);
    return false;
  }
  std::optional<NoticeText> reason;
  if (state != FileState::Same)
    reason = check.reasonFor(state);
  else if (options_.verifyContent || row.racy)
    reason = contentMismatch(check.folder(), row);
  if (reason) stays(lane, i, std::move(*reason));
  return !reason;
}

FileOutcome ActionRun::act(Lane& lane, const CheckedFile& file) {
  if (options_.dryRun) return dryRunOne(action_, file, options_, freed_);
  switch (action_) {
    case FileAction::Delete:
      return deleteOne(file, freed_);
    case FileAction::Move:
      return moveOne(file, mover_, keeperStill(lane, file), freed_);
    case FileAction::Trash:
      return trashOne(file, lane.trash, freed_);
    case FileAction::Link:
      return linkOne(file, replacer_, freed_);
    case FileAction::Clone:
      return cloneOne(file, replacer_);
  }
  return {};
}

// Asks again, at the last moment of a move by copy, whether a kept copy is still there.
LastCheck ActionRun::keeperStill(Lane& lane, const CheckedFile& file) const {
  return [&lane, &file]() -> std::optional<NoticeText> {
    if (lane.keepers.keeperFor(file.found, file.status)) return std::nullopt;
    return NoticeText::of(kNoKeeper);
  };
}

// Writes what became of a file done: where it is now (as it lies there, where it was moved).
void ActionRun::writeDown(const CheckedFile& file, const FileOutcome& outcome) {
  if (!journal_) return;
  const std::size_t i = file.row;
  JournalRecord record;
  record.oldPath = rows_[i].path;
  record.before = identityOf(file.status);
  record.oldFolder = rows_[i].identity.folder;
  record.digest = rows_[i].digest();
  record.size = rows_[i].size;
  if (const std::optional<platform::TrashedFile>& landed = outcome.landed) {
    if (landed->lookedAt != 0) {
      record.after = identityOf(landed->status);
      record.afterLookedAt = landed->lookedAt;
    }
    record.trashInfo = landed->infoPath;
    record.newPath = landed->path;
  } else if (action_ != FileAction::Delete) {
    record.newPath = rows_[file.keeper].path;  // Link and Clone: the kept copy it shares now
  }
  journal_->record(std::move(record));
}

// The file leaves its folder: it no longer belongs in the list.
bool removesName(FileAction action) {
  return action == FileAction::Delete || action == FileAction::Move || action == FileAction::Trash;
}

// What became of the file, into its lane's result.
void ActionRun::note(Lane& lane, const CheckedFile& file, FileOutcome outcome) {
  RemovalResult& out = lane.result;
  out.freedBytes += outcome.freedBytes;
  if (!outcome.attributeNote.empty())
    out.attributesLost.push_back(FileFailure{file.row, file.found.path, std::move(outcome.attributeNote)});
  if (outcome.reason) return stays(lane, file.row, std::move(*outcome.reason));
  if (outcome.alreadyGone) return gone(lane, file.row);
  if (outcome.landed) out.moved.push_back(MovedFile{file.row, std::move(outcome.landed->path)});
  if (!removesName(action_)) {
    out.linked.push_back(LinkedFile{file.row, file.keeper});
    lane.keepers.acceptOwnChange(file.keeper);
    return;
  }
  out.rowsToRemove.push_back(file.row);
  // Its other names now have a change time of our making.
  if (file.status.linkCount > 1) {
    const std::lock_guard<std::mutex> hold(renamedLock_);
    renamedByUs_.emplace(file.status.device, file.status.inode);
  }
  if (options_.removeEmptyFolders && !options_.dryRun)
    lane.emptied.push_back(
        EmptiedFolder{std::string(platform::folderPartView(file.found.path)), file.found.identity.folder});
}

void ActionRun::stays(Lane& lane, std::size_t i, NoticeText reason) const {
  lane.result.failures.push_back(FileFailure{i, rows_[i].path, std::move(reason)});
}

void ActionRun::gone(Lane& lane, std::size_t i) const {
  // A row leaves the list only when its file is known to be gone from the very folder it was in.
  if (!options_.dryRun) lane.result.rowsToRemove.push_back(i);
  // A deleted file that is gone already is what the user asked for, though not our doing; for
  // every other action it is a file that was not done.
  if (action_ == FileAction::Delete)
    lane.result.alreadyGone.push_back(i);
  else
    stays(lane, i, NoticeText::of(kNoLongerExists));
}

bool ActionRun::renamedByUs(const platform::FileStatus& status) {
  const std::lock_guard<std::mutex> hold(renamedLock_);
  return renamedByUs_.count({status.device, status.inode}) != 0;
}

// Selected rows, folder by folder so that each folder is opened once. Moves keep the list's order,
// which decides who gets a name and who a number in the removed-files folder.
std::vector<std::size_t> actionOrder(FileAction action, const std::vector<ResultRow>& rows,
                                     const std::vector<bool>& selected, bool keptFolders) {
  std::vector<std::pair<std::string_view, std::size_t>> byFolder;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (selected[i]) byFolder.emplace_back(platform::folderPartView(rows[i].path), i);
  // Moved files that keep their folders meet only the names of their own folder.
  if (action != FileAction::Move || keptFolders) {
    std::stable_sort(byFolder.begin(), byFolder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  }
  std::vector<std::size_t> order;
  order.reserve(byFolder.size());
  for (const auto& entry : byFolder) order.push_back(entry.second);
  return order;
}

JournalKind journalKindOf(FileAction action) {
  switch (action) {
    case FileAction::Delete:
      return JournalKind::Delete;
    case FileAction::Move:
      return JournalKind::Move;
    case FileAction::Link:
      return JournalKind::Link;
    case FileAction::Clone:
      return JournalKind::Clone;
    case FileAction::Trash:
      break;
  }
  return JournalKind::Trash;
}

ActionRun::ActionRun(FileAction action, const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                     const ActionOptions& options)
    : action_(action),
      rows_(rows),
      options_(options),
      order_(actionOrder(action, rows, selected, options.moveKeepsFolders)),
      journal_(options.dryRun ? nullptr : options.journal),
      mover_(options),
      replacer_(rows),
      freed_(options.dryRun) {
  if (journal_ && !journal_->begin(journalKindOf(action))) result_.journalAction = journal_->action();
  // Only Trash runs in two threads: the other actions share a target folder or the kept copies' files.
  const std::size_t laneCount = action == FileAction::Trash && !options.dryRun ? actionLaneCount(order_.size()) : 1;
  for (std::size_t n = 0; n < laneCount; ++n)
    lanes_.push_back(std::make_unique<Lane>(rows, selected, options.verifyContent));
}

RemovalResult ActionRun::run() {
  beginProgress();
  runInLanes(
      order_.size(), lanes_.size(), [&](std::size_t k) { return platform::folderPartView(rows_[order_[k]].path); },
      [&](std::size_t lane, std::size_t k) { return nextFile(lane, k); });
  result_.cancelled = cancelled_;
  joinLanes();
  finish();
  return std::move(result_);
}

void ActionRun::beginProgress() {
  if (!options_.progress) return;
  std::uint64_t bytes = 0;
  for (const std::size_t i : order_) bytes += rows_[i].size;
  options_.progress->begin(order_.size(), bytes);
}

// A lane's turn at the k-th file: false stops the action, cancelled.
bool ActionRun::nextFile(std::size_t lane, std::size_t k) {
  const std::size_t i = order_[k];
  ActionProgress* const progress = options_.progress;
  if (progress) {
    if (progress->cancelled()) {
      cancelled_ = true;
      return false;
    }
    const std::string_view folder = platform::folderPartView(rows_[i].path);
    const std::lock_guard<std::mutex> hold(folderLock_);
    if (folder != lastFolder_) progress->setCurrentFolder(lastFolder_ = folder);
  }
  actOnOne(*lanes_[lane], i);
  if (progress) progress->fileDone(rows_[i].size);
  return true;
}

// The lanes' results in one, in list order, and the folders they emptied removed.
void ActionRun::joinLanes() {
  std::vector<EmptiedFolder> emptied;
  for (const std::unique_ptr<Lane>& lane : lanes_) {
    RemovalResult& out = lane->result;
    const auto join = [](auto& to, auto& from) { to.insert(to.end(), from.begin(), from.end()); };
    join(result_.rowsToRemove, out.rowsToRemove);
    join(result_.alreadyGone, out.alreadyGone);
    join(result_.failures, out.failures);
    join(result_.linked, out.linked);
    join(result_.moved, out.moved);
    join(result_.attributesLost, out.attributesLost);
    join(emptied, lane->emptied);
    result_.freedBytes += out.freedBytes;
  }
  if (!emptied.empty()) {
    // One entry per folder.
    std::sort(emptied.begin(), emptied.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    emptied.erase(
        std::unique(emptied.begin(), emptied.end(), [](const auto& a, const auto& b) { return a.path == b.path; }),
        emptied.end());
    result_.removedFolders = removeFoldersLeftEmpty(std::move(emptied), options_.sourceFolders);
  }
  const auto byRow = [](const auto& a, const auto& b) { return a.row < b.row; };
  std::sort(result_.rowsToRemove.begin(), result_.rowsToRemove.end());
  std::sort(result_.alreadyGone.begin(), result_.alreadyGone.end());
  std::sort(result_.failures.begin(), result_.failures.end(), byRow);
  std::sort(result_.linked.begin(), result_.linked.end(), byRow);
  std::sort(result_.moved.begin(), result_.moved.end(), byRow);
  std::sort(result_.attributesLost.begin(), result_.attributesLost.end(), byRow);
}

// The notice: the files that stayed, those gone already, the cancel and a journal not written.
void ActionRun::finish() {
  if (!result_.failures.empty()) result_.notice = Notice::warning(failureNotice(action_, result_.failures));
  if (!result_.alreadyGone.empty()) addToNotice(alreadyGoneNoticeText(rows_, result_.alreadyGone));
  if (result_.cancelled) {
    const std::size_t done =
        removesName(action_) ? result_.rowsToRemove.size() - result_.alreadyGone.size() : result_.linked.size();
    addToNotice(cancelledNoticeText(action_, done, order_.size()));
  }
  if (journal_ && journal_->failure()) {
    result_.journalFailure =
        NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "The record of this action could not be written to %1: %2"),
                       journal_->path(), journal_->failure());
    addToNotice(*result_.journalFailure);
  }
}

void ActionRun::addToNotice(NoticeText text) {
  if (!result_.notice) {
    result_.notice = Notice::information(std::move(text));
    return;
  }
  result_.notice->text += "\n\n";
  result_.notice->text += std::move(text);
}
}  // namespace

RemovalResult actOnSelectedFiles(FileAction action, const std::vector<ResultRow>& rows,
                                 const std::vector<bool>& selected, const ActionOptions& options) {
  if (std::optional<Notice> refusal = removalRefusal(rows, selected)) {
    RemovalResult result;
    result.notice = std::move(refusal);
    result.refused = true;
    return result;
  }
  return ActionRun(action, rows, selected, options).run();
}

RemovalResult deleteSelectedFiles(const std::vector<ResultRow>& rows, const std::vector<bool>& selected) {
  return actOnSelectedFiles(FileAction::Delete, rows, selected);
}

RemovalResult moveSelectedFiles(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                const std::string& folder) {
  ActionOptions options;
  options.moveFolder = folder;
  return actOnSelectedFiles(FileAction::Move, rows, selected, options);
}

RemovalResult replaceWithHardLinks(const std::vector<ResultRow>& rows, const std::vector<bool>& selected) {
  return actOnSelectedFiles(FileAction::Link, rows, selected);
}

NoticeText alreadyGoneNoticeText(const std::vector<ResultRow>& rows, const std::vector<std::size_t>& gone) {
  return listedInNotice(NoticeText::counted(gone.size(), PELIMOR_WINDOW_TEXT("Notices", "%1 file was already gone:"),
                                            PELIMOR_WINDOW_TEXT("Notices", "%1 files were already gone:")),
                        gone.size(), [&](std::size_t i) { return NoticeText(rows[gone[i]].path); });
}

namespace {
// Each action's sentences, in the order of FileAction: for the files it did not do (one, more),
// and for the files it did before it was cancelled (of one selected file, of more).
struct ActionSentences {
  const char* notDone[2];
  const char* cancelled[2];
};
constexpr ActionSentences kSentences[] = {
    {{PELIMOR_WINDOW_TEXT("Notices", "%1 file was not deleted:"),
      PELIMOR_WINDOW_TEXT("Notices", "%1 files were not deleted:")},
     {PELIMOR_WINDOW_TEXT("Notices", "%1 of %2 selected file was deleted."),
      PELIMOR_WINDOW_TEXT("Notices", "%1 of %2 selected files were deleted.")}},
    {{PELIMOR_WINDOW_TEXT("Notices", "%1 file was not moved:"),
      PELIMOR_WINDOW_TEXT("Notices", "%1 files were not moved:")},
     {PELIMOR_WINDOW_TEXT("Notices", "%1 of %2 selected file was moved."),
      PELIMOR_WINDOW_TEXT("Notices", "%1 of %2 selected files were moved.")}},
    {{PELIMOR_WINDOW_TEXT("Notices", "%1 file was not replaced by a hard link:"),
      PELIMOR_WINDOW_TEXT("Notices", "%1 files were not replaced by a hard link:")},
     {PELIMOR_WINDOW_TEXT("Notices", "%1 of %2 selected file was replaced by a hard link."),
      PELIMOR_WINDOW_TEXT("Notices", "%1 of %2 selected files were replaced by a hard link.")}},
    {{PELIMOR_WINDOW_TEXT("Notices", "%1 file was not cloned:"),
      PELIMOR_WINDOW_TEXT("Notices", "%1 files were not cloned:")},
     {PELIMOR_WINDOW_TEXT("Notices", "%1 of %2 selected file was cloned."),
      PELIMOR_WINDOW_TEXT("Notices", "%1 of %2 selected files were cloned.")}},
    {{PELIMOR_WINDOW_TEXT("Notices", "%1 file was not moved to the trash:"),
      PELIMOR_WINDOW_TEXT("Notices", "%1 files were not moved to the trash:")},
     {PELIMOR_WINDOW_TEXT("Notices", "%1 of %2 selected file was moved to the trash."),
      PELIMOR_WINDOW_TEXT("Notices", "%1 of %2 selected files were moved to the trash.")}},
};
}  // namespace

NoticeText cancelledNoticeText(FileAction action, std::size_t done, std::size_t selected) {
  const ActionSentences& sentences = kSentences[static_cast<int>(action)];
  return NoticeText::of(kCancelledText, NoticeText::of(sentences.cancelled[selected == 1 ? 0 : 1], std::to_string(done),
                                                       std::to_string(selected)));
}

NoticeText failureNotice(FileAction action, const std::vector<FileFailure>& failures) {
  const ActionSentences& sentences = kSentences[static_cast<int>(action)];
  return listedInNotice(NoticeText::counted(failures.size(), sentences.notDone[0], sentences.notDone[1]),
                        failures.size(),
                        [&](std::size_t i) { return failureLine(failures[i].path, failures[i].reason); });
}

std::string failureNoticeText(FileAction action, const std::vector<FileFailure>& failures) {
  return failureNotice(action, failures).english();
}

}  // namespace pelimor
