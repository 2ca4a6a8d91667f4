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
#include "results/move_by_copy.h"
#include "results/result_order.h"

namespace pelimor {

namespace {
constexpr std::size_t kListedFailures = 20;
// A folder that already holds this many files of one name is not probed any further.
constexpr unsigned kLastNumber = 100000;

// Deletes or moves one checked file, found in `folder`; returns the reason when it stays.
using FileAction = std::function<std::optional<std::string>(std::size_t row, const ResultRow&,
                                                            const platform::FolderHandle& folder)>;

RemovalResult removeSelected(const std::vector<ResultRow>& rows, const std::vector<bool>& selected, bool moving,
                             const FileAction& act) {
  RemovalResult result;
  if (std::optional<Notice> refusal = removalRefusal(rows, selected)) {
    result.notice = std::move(refusal);
    result.refused = true;
    return result;
  }

  KeeperCheck keepers(rows, selected);
  FileCheck check;
  const auto stays = [&](std::size_t row, std::string reason) {
    result.failures.push_back(FileFailure{row, rows[row].path, std::move(reason)});
  };
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (selected[i]) order.push_back(i);
  // Deleting folder by folder opens each folder once. Moves keep the list's order, which decides
  // who gets a name and who a number in the removed-files folder.
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
      result.rowsToRemove.push_back(i);
      // A deleted file that is gone already is what the user asked for; a moved one is not in the
      // folder where the user will look for it.
      if (moving) stays(i, check.reasonFor(state));
      continue;
    }
    if (state != FileState::Same) {
      stays(i, check.reasonFor(state));
      continue;
    }
    if (!keepers.hasKeeper(row, check.status())) {
      stays(i, "no unselected copy of it is left on disk");
      continue;
    }
    if (std::optional<std::string> reason = act(i, row, check.folder())) stays(i, std::move(*reason));
    else result.rowsToRemove.push_back(i);
  }
  std::sort(result.rowsToRemove.begin(), result.rowsToRemove.end());
  std::sort(result.failures.begin(), result.failures.end(),
            [](const FileFailure& a, const FileFailure& b) { return a.row < b.row; });
  if (!result.failures.empty()) result.notice = Notice::warning(failureNoticeText(moving, result.failures));
  return result;
}
}  // namespace

RemovalResult deleteSelectedFiles(const std::vector<ResultRow>& rows, const std::vector<bool>& selected) {
  return removeSelected(rows, selected, false,
                        [](std::size_t, const ResultRow& row, const platform::FolderHandle& folder) -> std::optional<std::string> {
                          const int error = folder.removeFile(std::string(row.name()));
                          // Gone between the check and now: as good as deleted.
                          if (error != 0 && error != ENOENT) return platform::systemErrorText(error);
                          return std::nullopt;
                        });
}

RemovalResult moveSelectedFiles(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                const std::string& folder) {
  std::vector<MovedFile> moved;
  platform::FolderHandle target;
  RemovalResult result = removeSelected(
      rows, selected, true,
      [&](std::size_t i, const ResultRow& row, const platform::FolderHandle& from) -> std::optional<std::string> {
        if (!target.isOpen()) {
          int error = platform::createFolderWithParents(folder);
          if (error == 0) error = target.open(folder);
          if (error != 0) return "the folder " + folder + " cannot be created: " + platform::systemErrorText(error);
        }
        const std::string name(row.name());
        for (unsigned number = 1; number <= kLastNumber; ++number) {
          const std::string targetName = number == 1 ? name : numberedFileName(name, number);
          const int error = from.renameNoReplace(name, target, targetName);
          if (error == EEXIST) continue;
          if (error == EXDEV) {
            const CopyMoveOutcome copy = moveByCopy(from, row, target, targetName, folder);
            if (copy.targetTaken) continue;
            if (copy.failure) return copy.failure;
          } else if (error != 0) {
            return "it cannot be moved to " + folder + ": " + platform::systemErrorText(error);
          }
          moved.push_back(MovedFile{i, platform::joinPath(folder, targetName)});
          return std::nullopt;
        }
        return "no free name is left for it in " + folder;
      });
  result.moved = std::move(moved);
  return result;
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

std::string failureNoticeText(bool moving, const std::vector<FileFailure>& failures) {
  const std::size_t count = failures.size();
  std::string text =
      std::to_string(count) + (count == 1 ? " file was not " : " files were not ") + (moving ? "moved:" : "deleted:");
  for (std::size_t i = 0; i < count && i < kListedFailures; ++i)
    text += "\n" + failures[i].path + ": " + failures[i].reason;
  if (count > kListedFailures) text += "\n... and " + std::to_string(count - kListedFailures) + " more.";
  return text;
}

}  // namespace pelimor
