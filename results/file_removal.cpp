#include "results/file_removal.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <utility>

#include "platform/block_sharing.h"
#include "platform/file_reader.h"
#include "platform/file_times.h"
#include "platform/folder_handle.h"
#include "platform/paths.h"
#include "platform/trash.h"
#include "results/action_lanes.h"
#include "results/content_check.h"
#include "results/empty_folders.h"
#include "results/file_check.h"
#include "results/group_guard.h"
#include "results/link_replacement.h"
#include "results/move_by_copy.h"
#include "results/result_order.h"

namespace pelimor {

namespace {
// A folder that already holds this many files of one name is not probed any further.
constexpr unsigned kLastNumber = 100000;

// What became of one selected file that was found as the search saw it.
struct FileOutcome {
  std::optional<NoticeText> reason;  // why it stays
  bool alreadyGone = false;          // gone between the check and the action
  std::uint64_t freedBytes = 0;
};

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

// Acts on one checked file, found in `folder` as `status`, whose group keeps the row `keeper`.
// `keeperStill` asks again, at the last moment, whether a kept copy is still there.
using OneFile = std::function<FileOutcome(Lane& lane, std::size_t row, const platform::FolderHandle& folder,
                                          const platform::FileStatus& status, std::size_t keeper,
                                          const std::function<std::optional<NoticeText>()>& keeperStill)>;

constexpr const char* kNoKeeper = PELIMOR_WINDOW_TEXT("Notices", "no unselected copy of it is left on disk");
constexpr const char* kInReference = PELIMOR_WINDOW_TEXT("Notices", "it lies in a reference folder");

// The folder a moved file goes to: the removed-files folder itself when Move lays its files out
// flat; else the file's folder below its source folder (below its root when no source holds it)
// inside it.
std::string moveTargetOf(const ActionOptions& options, std::string_view path) {
  if (!options.moveKeepsFolders) return options.moveFolder;
  const std::string_view folder = platform::folderPartView(path);
  const std::string_view source = holdingSourceFolder(options.sourceFolders, path);
  const std::string_view below = source.empty() ? folder : folder.substr(std::min(folder.size(), source.size()));
  std::string kept;
  // A drive's "C:" becomes "C": no name may hold ':' there.
  for (const char c : below)
    if (c != ':') kept += c;
  kept.erase(0, kept.find_first_not_of(platform::kSeparator));
  return kept.empty() ? options.moveFolder : platform::joinPath(options.moveFolder, kept);
}

// Moves into the removed-files folder, never replacing: a taken name gets a number.
class Mover {
 public:
  Mover(const ActionOptions& options, std::vector<MovedFile>& moved) : options_(options), moved_(moved) {}

  // `landed`: the moved file as it lies in its new place, looked at right after it went.
  std::optional<NoticeText> move(std::size_t i, const ResultRow& row, const platform::FolderHandle& from,
                                 const std::function<std::optional<NoticeText>()>& keeperStill,
                                 platform::TrashedFile& landed) {
    const std::string folder = moveTargetOf(options_, row.path);
    if (!target_.isOpen() || target_.path() != folder) {
      target_.close();
      std::error_code error = platform::createFolderWithParents(folder);
      if (!error) error = target_.open(folder);
      if (error)
        return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "the folder %1 cannot be created: %2"), folder, error);
      removeLeftoverCopies(target_);
    }
    const std::string name(row.name());
    for (unsigned number = 1; number <= kLastNumber; ++number) {
      const std::string targetName = number == 1 ? name : platform::numberedFileName(name, number);
      const std::error_code error = from.renameNoReplace(name, target_, targetName);
      if (error == std::errc::file_exists) continue;
      if (error == std::errc::cross_device_link) {
        const CopyMoveOutcome copy = moveByCopy(from, row, target_, targetName, folder, keeperStill);
        if (copy.targetTaken) continue;
        if (copy.failure) return copy.failure;
      } else if (error) {
        return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "it cannot be moved to %1: %2"), folder, error);
      }
      moved_.push_back(MovedFile{i, platform::joinPath(folder, targetName)});
      landed.lookedAt = platform::wallClockNanoseconds();
      if (target_.statusOf(targetName, landed.status)) landed.lookedAt = 0;
      return std::nullopt;
    }
    return NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "no free name is left for it in %1"), folder);
  }

 private:
  const ActionOptions& options_;
  std::vector<MovedFile>& moved_;
  platform::FolderHandle target_;
};

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

// Another name of a file whose name we removed: its change time moved, and nothing else may have.
// Its bytes are read again, since the times can no longer vouch for them.
FileState changedOnlyByUs(const FileCheck& check, const ResultRow& row) {
  ResultRow now = row;
  now.identity.changedNanoseconds = check.status().changedTime();
  if (!sameFile(now.identity, check.status()) || contentMismatch(check.folder(), now)) return FileState::Changed;
  return FileState::Same;
}

// The file leaves its folder: it no longer belongs in the list.
bool removesName(FileAction action) {
  return action == FileAction::Delete || action == FileAction::Move || action == FileAction::Trash;
}

void actOnEach(FileAction action, const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
               const ActionOptions& options, RemovalResult& result, const OneFile& act) {
  // Files we took a name of: their other names have a new change time, of our own making.
  std::set<std::pair<std::uint64_t, std::uint64_t>> renamedByUs;
  std::mutex renamedLock;
  const auto renamedByUsHas = [&](const platform::FileStatus& status) {
    const std::lock_guard<std::mutex> hold(renamedLock);
    return renamedByUs.count({status.device, status.inode}) != 0;
  };
  const std::vector<std::size_t> order = actionOrder(action, rows, selected, options.moveKeepsFolders);
  // Only Trash runs in two threads: the other actions share a target folder or the kept copies' files.
  const std::size_t laneCount = action == FileAction::Trash && !options.dryRun ? actionLaneCount(order.size()) : 1;
  std::vector<std::unique_ptr<Lane>> lanes;
  for (std::size_t n = 0; n < laneCount; ++n)
    lanes.push_back(std::make_unique<Lane>(rows, selected, options.verifyContent));
  ActionProgress* const progress = options.progress;
  if (progress) {
    std::uint64_t bytes = 0;
    for (const std::size_t i : order) bytes += rows[i].size;
    progress->begin(order.size(), bytes);
  }
  const auto actOnOne = [&](Lane& lane, std::size_t i) {
    RemovalResult& out = lane.result;
    FileCheck& check = lane.check;
    const auto stays = [&](std::size_t row, NoticeText reason) {
      out.failures.push_back(FileFailure{row, rows[row].path, std::move(reason)});
    };
    const auto gone = [&](std::size_t row) {
      // A row leaves the list only when its file is known to be gone from the very folder it was in.
      if (!options.dryRun) out.rowsToRemove.push_back(row);
      // A deleted file that is gone already is what the user asked for, though not our doing; for
      // every other action it is a file that was not done.
      if (action == FileAction::Delete)
        out.alreadyGone.push_back(row);
      else
        stays(row, NoticeText::of(kNoLongerExists));
    };
    const ResultRow& row = rows[i];
    // The user marked its folder as one to keep whole: not even looked at.
    if (row.reference) return stays(i, NoticeText::of(kInReference));
    FileState state = check.check(row);
    if (state == FileState::Changed && !options.dryRun && renamedByUsHas(check.status()))
      state = changedOnlyByUs(check, row);
    if (state == FileState::Gone) return gone(i);
    if (state != FileState::Same) return stays(i, check.reasonFor(state));
    if (options.verifyContent || row.racy) {
      if (std::optional<NoticeText> reason = contentMismatch(check.folder(), row)) return stays(i, std::move(*reason));
    }
    // The kept copy is looked at right before the file goes, not once for the whole action.
    KeeperCheck& keepers = lane.keepers;
    const std::optional<std::size_t> keeper = keepers.keeperFor(row, check.status());
    if (!keeper) return stays(i, NoticeText::of(kNoKeeper));
    const auto keeperStill = [&]() -> std::optional<NoticeText> {
      if (keepers.keeperFor(row, check.status())) return std::nullopt;
      return NoticeText::of(kNoKeeper);
    };
    FileOutcome outcome = act(lane, i, check.folder(), check.status(), *keeper, keeperStill);
    out.freedBytes += outcome.freedBytes;
    if (outcome.reason) return stays(i, std::move(*outcome.reason));
    if (outcome.alreadyGone) return gone(i);
    if (removesName(action)) {
      out.rowsToRemove.push_back(i);
      if (check.status().linkCount > 1) {
        const std::lock_guard<std::mutex> hold(renamedLock);
        renamedByUs.emplace(check.status().device, check.status().inode);
      }
      if (options.removeEmptyFolders && !options.dryRun)
        lane.emptied.push_back(EmptiedFolder{std::string(platform::folderPartView(row.path)), row.identity.folder});
    } else {
      out.linked.push_back(LinkedFile{i, *keeper});
      keepers.acceptOwnChange(*keeper);
    }
  };
  std::mutex folderLock;  // the progress shows one folder, told by either thread
  std::string_view lastFolder;
  std::atomic<bool> cancelled{false};
  runInLanes(
      order.size(), laneCount, [&](std::size_t k) { return platform::folderPartView(rows[order[k]].path); },
      [&](std::size_t lane, std::size_t k) {
        const std::size_t i = order[k];
        if (progress) {
          if (progress->cancelled()) {
            cancelled = true;
            return false;
          }
          const std::string_view folder = platform::folderPartView(rows[i].path);
          const std::lock_guard<std::mutex> hold(folderLock);
          if (folder != lastFolder) progress->setCurrentFolder(lastFolder = folder);
        }
        actOnOne(*lanes[lane], i);
        if (progress) progress->fileDone(rows[i].size);
        return true;
      });
  result.cancelled = cancelled;
  std::vector<EmptiedFolder> emptied;
  for (const std::unique_ptr<Lane>& lane : lanes) {
    RemovalResult& out = lane->result;
    const auto join = [](auto& to, auto& from) { to.insert(to.end(), from.begin(), from.end()); };
    join(result.rowsToRemove, out.rowsToRemove);
    join(result.alreadyGone, out.alreadyGone);
    join(result.failures, out.failures);
    join(result.linked, out.linked);
    join(result.moved, out.moved);
    join(result.attributesLost, out.attributesLost);
    join(emptied, lane->emptied);
    result.freedBytes += out.freedBytes;
  }
  if (!emptied.empty()) {
    // One entry per folder.
    std::sort(emptied.begin(), emptied.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    emptied.erase(
        std::unique(emptied.begin(), emptied.end(), [](const auto& a, const auto& b) { return a.path == b.path; }),
        emptied.end());
    result.removedFolders = removeFoldersLeftEmpty(std::move(emptied), options.sourceFolders);
  }
  const auto byRow = [](const auto& a, const auto& b) { return a.row < b.row; };
  std::sort(result.rowsToRemove.begin(), result.rowsToRemove.end());
  std::sort(result.alreadyGone.begin(), result.alreadyGone.end());
  std::sort(result.failures.begin(), result.failures.end(), byRow);
  std::sort(result.linked.begin(), result.linked.end(), byRow);
  std::sort(result.moved.begin(), result.moved.end(), byRow);
  std::sort(result.attributesLost.begin(), result.attributesLost.end(), byRow);
  if (!result.failures.empty()) result.notice = Notice::warning(failureNotice(action, result.failures));
  const auto addToNotice = [&](NoticeText text) {
    if (!result.notice) {
      result.notice = Notice::information(std::move(text));
      return;
    }
    result.notice->text += "\n\n";
    result.notice->text += std::move(text);
  };
  if (!result.alreadyGone.empty()) addToNotice(alreadyGoneNoticeText(rows, result.alreadyGone));
  if (result.cancelled) {
    const std::size_t done =
        removesName(action) ? result.rowsToRemove.size() - result.alreadyGone.size() : result.linked.size();
    addToNotice(cancelledNoticeText(action, done, order.size()));
  }
  if (options.journal && options.journal->failure()) {
    result.journalFailure =
        NoticeText::of(PELIMOR_WINDOW_TEXT("Notices", "The record of this action could not be written to %1: %2"),
                       options.journal->path(), options.journal->failure());
    addToNotice(*result.journalFailure);
  }
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

// Counts a file's bytes when its last name goes, and once however often it was listed.
class FreedBytes {
 public:
  explicit FreedBytes(bool dryRun) : dryRun_(dryRun) {}
  std::uint64_t nameRemoved(const platform::FileStatus& status) {
    // A file of one name is gone with it, and can't be met again: only a dry run, which removes
    // nothing, may meet it twice.
    if (status.linkCount <= 1 && !dryRun_) return status.size;
    auto& [names, removed] = files_.try_emplace({status.device, status.inode}, status.linkCount, 0u).first->second;
    return ++removed == names ? status.size : 0;
  }
  // Move counts what it puts aside, once per file. Trash asks from two threads.
  std::uint64_t movedAside(const platform::FileStatus& status) {
    const std::lock_guard<std::mutex> hold(lock_);
    return files_.try_emplace({status.device, status.inode}, 0u, 0u).second ? status.size : 0;
  }

 private:
  const bool dryRun_;
  // By device and inode: the names it had when first met, and how many of them we removed.
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::pair<std::uint32_t, std::uint32_t>> files_;
  std::mutex lock_;
};

// Shares the file's blocks with its kept copy; counts the blocks that were its own before and no
// longer are.
FileOutcome cloneCounted(LinkReplacer& replacer, const ResultRow& row, const platform::FolderHandle& folder,
                         std::size_t keeper) {
  platform::FileReader file;
  std::uint64_t before = 0, after = 0;
  const bool told =
      !file.openIn(folder, std::string(row.name())) && !platform::unsharedBytes(file.descriptor(), before);
  FileOutcome outcome;
  outcome.reason = replacer.clone(row, folder, keeper);
  if (outcome.reason) return outcome;
  if (!told || platform::unsharedBytes(file.descriptor(), after))
    outcome.freedBytes = row.size;  // the system can't tell what was shared before: the best guess
  else if (before > after)
    outcome.freedBytes = before - after;
  return outcome;
}
}  // namespace

RemovalResult actOnSelectedFiles(FileAction action, const std::vector<ResultRow>& rows,
                                 const std::vector<bool>& selected, const ActionOptions& options) {
  RemovalResult result;
  if (std::optional<Notice> refusal = removalRefusal(rows, selected)) {
    result.notice = std::move(refusal);
    result.refused = true;
    return result;
  }
  Mover mover(options, result.moved);
  LinkReplacer replacer(rows);
  FreedBytes freed(options.dryRun);
  ActionJournal* const journal = options.dryRun ? nullptr : options.journal;
  if (journal && !journal->begin(journalKindOf(action))) result.journalAction = journal->action();
  // Writes what became of the row's file, found as `status`, now at `newPath` (and as `landed` says
  // where it was moved).
  const auto writeDown = [&](std::size_t i, const platform::FileStatus& status, std::string newPath,
                             const platform::TrashedFile* landed = nullptr) {
    if (!journal) return;
    JournalRecord record;
    record.oldPath = rows[i].path;
    record.before = identityOf(status);
    record.oldFolder = rows[i].identity.folder;
    record.digest = rows[i].digest();
    record.size = rows[i].size;
    if (landed && landed->lookedAt != 0) {
      record.after = identityOf(landed->status);
      record.afterLookedAt = landed->lookedAt;
    }
    if (landed) record.trashInfo = landed->infoPath;
    record.newPath = std::move(newPath);
    journal->record(std::move(record));
  };
  actOnEach(action, rows, selected, options, result,
            [&](Lane& lane, std::size_t i, const platform::FolderHandle& folder, const platform::FileStatus& status,
                std::size_t keeper, const std::function<std::optional<NoticeText>()>& keeperStill) -> FileOutcome {
              const ResultRow& row = rows[i];
              FileOutcome outcome;
              if (options.dryRun) {
                // Where a move would go: the name may still get a number then.
                if (action == FileAction::Move) {
                  result.moved.push_back(MovedFile{i, platform::joinPath(moveTargetOf(options, row.path), row.name())});
                  outcome.freedBytes = freed.movedAside(status);
                } else if (action == FileAction::Trash) {
                  outcome.freedBytes = freed.movedAside(status);
                } else {
                  outcome.freedBytes = action == FileAction::Clone ? row.size : freed.nameRemoved(status);
                }
                return outcome;
              }
              switch (action) {
                case FileAction::Delete: {
                  const std::error_code error = folder.removeFile(std::string(row.name()));
                  if (error == std::errc::no_such_file_or_directory)
                    outcome.alreadyGone = true;
                  else if (error)
                    outcome.reason = NoticeText(error);
                  else
                    outcome.freedBytes = freed.nameRemoved(status);
                  if (!error) writeDown(i, status, {});
                  return outcome;
                }
                case FileAction::Move: {
                  platform::TrashedFile landed;
                  outcome.reason = mover.move(i, row, folder, keeperStill, landed);
                  if (!outcome.reason) {
                    outcome.freedBytes = freed.movedAside(status);
                    writeDown(i, status, result.moved.back().destination, &landed);
                  }
                  return outcome;
                }
                case FileAction::Trash: {
                  platform::TrashedFile trashed;
                  bool gone = false;
                  outcome.reason = lane.trash.put(folder, std::string(row.name()), status, trashed, gone);
                  if (gone) {
                    outcome.reason.reset();
                    outcome.alreadyGone = true;
                  } else if (!outcome.reason) {
                    outcome.freedBytes = freed.movedAside(status);
                    lane.result.moved.push_back(MovedFile{i, trashed.path});
                    writeDown(i, status, trashed.path, &trashed);
                  }
                  return outcome;
                }
                case FileAction::Clone:
                  outcome = cloneCounted(replacer, row, folder, keeper);
                  if (!outcome.reason) writeDown(i, status, rows[keeper].path);
                  return outcome;
                case FileAction::Link: {
                  NoticeText note;
                  outcome.reason = replacer.link(row, folder, status, keeper, note);
                  if (!note.empty()) result.attributesLost.push_back(FileFailure{i, row.path, std::move(note)});
                  if (!outcome.reason) {
                    outcome.freedBytes = freed.nameRemoved(status);
                    writeDown(i, status, rows[keeper].path);
                  }
                  return outcome;
                }
              }
              return outcome;
            });
  return result;
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
