#include "results/file_removal.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>

#include "platform/folder_handle.h"
#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "results/file_check.h"
#include "results/group_guard.h"
#include "results/link_replacement.h"
#include "results/move_by_copy.h"
#include "results/result_order.h"

namespace pelimor {

namespace {
// A folder that already holds this many files of one name is not probed any further.
constexpr unsigned kLastNumber = 100000;

// Acts on one checked file, found in `folder` as `status`, whose group keeps the row `keeper`;
// returns the reason when the file stays.
using OneFile = std::function<std::optional<std::string>(std::size_t row, const platform::FolderHandle& folder,
                                                         const platform::FileStatus& status, std::size_t keeper)>;

// Moves into the removed-files folder, never replacing: a taken name gets a number.
class Mover {
 public:
  Mover(const std::string& folder, std::vector<MovedFile>& moved) : folder_(folder), moved_(moved) {}

  std::optional<std::string> move(std::size_t i, const ResultRow& row, const platform::FolderHandle& from) {
    if (!target_.isOpen()) {
      int error = platform::createFolderWithParents(folder_);
      if (error == 0) error = target_.open(folder_);
      if (error != 0) return "the folder " + folder_ + " cannot be created: " + platform::systemErrorText(error);
    }
    const std::string name(row.name());
    for (unsigned number = 1; number <= kLastNumber; ++number) {
      const std::string targetName = number == 1 ? name : numberedFileName(name, number);
      const int error = from.renameNoReplace(name, target_, targetName);
      if (error == EEXIST) continue;
      if (error == EXDEV) {
        const CopyMoveOutcome copy = moveByCopy(from, row, target_, targetName, folder_);
        if (copy.targetTaken) continue;
        if (copy.failure) return copy.failure;
      } else if (error != 0) {
        return "it cannot be moved to " + folder_ + ": " + platform::systemErrorText(error);
      }
      moved_.push_back(MovedFile{i, platform::joinPath(folder_, targetName)});
      return std::nullopt;
    }
    return "no free name is left for it in " + folder_;
  }

 private:
  const std::string& folder_;
  std::vector<MovedFile>& moved_;
  platform::FolderHandle target_;
};

void actOnEach(FileAction action, const std::vector<ResultRow>& rows, const std::vector<bool>& selected, bool dryRun,
               RemovalResult& result, const OneFile& act) {
  const bool moving = action == FileAction::Move;
  KeeperCheck keepers(rows, selected);
  FileCheck check;
  const auto stays = [&](std::size_t row, std::string reason) {
    result.failures.push_back(FileFailure{row, rows[row].path, std::move(reason)});
  };
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (selected[i]) order.push_back(i);
  // Folder by folder opens each folder once. Moves keep the list's order, which decides who gets a
  // name and who a number in the removed-files folder.
  if (!moving) {
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return platform::folderPartView(rows[a].path) < platform::folderPartView(rows[b].path);
    });
  }
  for (const std::size_t i : order) {
    const ResultRow& row = rows[i];
    const FileState state = check.check(row);
    if (state == FileState::Gone) {
      // A row leaves the list only when its file is known to be gone from the very folder it was in.
      if (!dryRun) result.rowsToRemove.push_back(i);
      // A deleted file that is gone already is what the user asked for; for every other action it
      // is a file that was not done.
      if (action != FileAction::Delete) stays(i, check.reasonFor(state));
      continue;
    }
    if (state != FileState::Same) {
      stays(i, check.reasonFor(state));
      continue;
    }
    const std::optional<std::size_t> keeper = keepers.keeperFor(row, check.status());
    if (!keeper) {
      stays(i, "no unselected copy of it is left on disk");
      continue;
    }
    if (std::optional<std::string> reason = act(i, check.folder(), check.status(), *keeper)) {
      stays(i, std::move(*reason));
    } else if (action == FileAction::Delete || action == FileAction::Move) {
      result.rowsToRemove.push_back(i);
    } else {
      result.linked.push_back(LinkedFile{i, *keeper});
    }
  }
  const auto byRow = [](const auto& a, const auto& b) { return a.row < b.row; };
  std::sort(result.rowsToRemove.begin(), result.rowsToRemove.end());
  std::sort(result.failures.begin(), result.failures.end(), byRow);
  std::sort(result.linked.begin(), result.linked.end(), byRow);
  std::sort(result.attributesLost.begin(), result.attributesLost.end(), byRow);
  if (!result.failures.empty()) result.notice = Notice::warning(failureNoticeText(action, result.failures));
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
  Mover mover(options.moveFolder, result.moved);
  LinkReplacer replacer(rows);
  actOnEach(action, rows, selected, options.dryRun, result,
            [&](std::size_t i, const platform::FolderHandle& folder, const platform::FileStatus& status,
                std::size_t keeper) -> std::optional<std::string> {
              const ResultRow& row = rows[i];
              if (options.dryRun) {
                // Where a move would go: the name may still get a number then.
                if (action == FileAction::Move)
                  result.moved.push_back(MovedFile{i, platform::joinPath(options.moveFolder, row.name())});
                return std::nullopt;
              }
              switch (action) {
                case FileAction::Delete: {
                  const int error = folder.removeFile(std::string(row.name()));
                  // Gone between the check and now: as good as deleted.
                  if (error != 0 && error != ENOENT) return platform::systemErrorText(error);
                  return std::nullopt;
                }
                case FileAction::Move:
                  return mover.move(i, row, folder);
                case FileAction::Clone:
                  return replacer.clone(row, folder, keeper);
                case FileAction::Link: {
                  std::string note;
                  std::optional<std::string> reason = replacer.link(row, folder, status, keeper, note);
                  if (!note.empty()) result.attributesLost.push_back(FileFailure{i, row.path, std::move(note)});
                  return reason;
                }
              }
              return std::nullopt;
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

std::string numberedFileName(std::string_view name, unsigned number) {
  std::size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string_view::npos) dot = name.size();
  // "x.tar.gz" is one kind of file; its number goes before both parts.
  constexpr std::string_view kTar = ".tar";
  if (dot < name.size() && dot > kTar.size()) {
    const std::string_view before = name.substr(dot - kTar.size(), kTar.size());
    if (compareFoldedAscii(before, kTar) == 0) dot -= kTar.size();
  }
  std::string numbered(name.substr(0, dot));
  numbered += " (" + std::to_string(number) + ")";
  numbered += name.substr(dot);
  return numbered;
}

std::string failureNoticeText(FileAction action, const std::vector<FileFailure>& failures) {
  const std::size_t count = failures.size();
  static constexpr std::string_view kDone[] = {"deleted:", "moved:", "replaced by a hard link:", "cloned:"};
  std::string text = std::to_string(count) + (count == 1 ? " file was not " : " files were not ") +
                     std::string(kDone[static_cast<int>(action)]);
  for (std::size_t i = 0; i < count && i < kListedInNotice; ++i)
    text += "\n" + failures[i].path + ": " + failures[i].reason;
  text += moreListedText(count);
  return text;
}

}  // namespace pelimor
