#include "results/file_removal.h"

#include <cerrno>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <unordered_map>

#include "platform/directory_reader.h"
#include "platform/io_error_text.h"
#include "platform/paths.h"
#include "platform/file_operations.h"
#include "results/group_guard.h"
#include "results/result_order.h"

namespace pelimor {

namespace {
constexpr std::size_t kListedFailures = 20;
// A folder that already holds this many files of one name is not probed any further.
constexpr unsigned kLastNumber = 100000;

// The unselected rows of each group, checked on disk only when a selected file of the group is
// about to go: the list may be minutes old, and a copy deleted meanwhile must not leave us
// removing the last one.
class KeeperCheck {
 public:
  KeeperCheck(const std::vector<ResultRow>& rows, const std::vector<bool>& selected) : rows_(rows) {
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (!selected[i]) groups_[rows[i].group].rows.push_back(i);
  }

  // True when an unselected file of the group is on disk as a regular file of the group's size,
  // and is not the very file about to go (reached by another path).
  bool hasKeeper(const ResultRow& row, const platform::FileStatus& target) {
    Candidates& group = groups_[row.group];
    for (std::size_t i = group.cursor; i < group.rows.size(); ++i) {
      platform::FileStatus status;
      if (platform::statusOfPath(rows_[group.rows[i]].path, false, status) != 0 ||
          status.kind != platform::EntryKind::Regular || status.size != row.size) {
        if (i == group.cursor) ++group.cursor;  // gone for good: never look at it again
        continue;
      }
      if (status.device == target.device && status.inode == target.inode) continue;
      return true;
    }
    return false;
  }

 private:
  struct Candidates {
    std::vector<std::size_t> rows;
    std::size_t cursor = 0;
  };
  const std::vector<ResultRow>& rows_;
  std::unordered_map<std::uint32_t, Candidates> groups_;
};

enum class FileState { Found, Gone, Changed, Unreadable };

FileState stateOf(const ResultRow& row, platform::FileStatus& status, int& error) {
  error = platform::statusOfPath(row.path, false, status);
  if (error == ENOENT || error == ENOTDIR) return FileState::Gone;
  if (error != 0) return FileState::Unreadable;
  if (status.kind != platform::EntryKind::Regular || status.size != row.size ||
      status.modifiedTime() != row.modifiedNanoseconds)
    return FileState::Changed;
  return FileState::Found;
}

// Deletes or moves one checked file; returns the reason when it stays.
using FileAction = std::function<std::optional<std::string>(std::size_t row, const ResultRow&)>;

RemovalResult removeSelected(const std::vector<ResultRow>& rows, const std::vector<bool>& selected, bool moving,
                             const FileAction& act) {
  RemovalResult result;
  if (std::optional<Notice> refusal = removalRefusal(rows, selected)) {
    result.notice = std::move(refusal);
    result.refused = true;
    return result;
  }

  KeeperCheck keepers(rows, selected);
  const auto stays = [&](std::size_t row, std::string reason) {
    result.failures.push_back(FileFailure{row, rows[row].path, std::move(reason)});
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (!selected[i]) continue;
    const ResultRow& row = rows[i];
    platform::FileStatus status;
    int error = 0;
    switch (stateOf(row, status, error)) {
      case FileState::Gone:
        // A deleted file that is gone already is what the user asked for; a moved one is not in
        // the folder where the user will look for it.
        if (moving) stays(i, "it no longer exists");
        continue;
      case FileState::Unreadable: stays(i, platform::systemErrorText(error)); continue;
      case FileState::Changed: stays(i, "it has changed since the search"); continue;
      case FileState::Found: break;
    }
    if (!keepers.hasKeeper(row, status)) {
      stays(i, "no unselected copy of it is left on disk");
      continue;
    }
    if (std::optional<std::string> reason = act(i, row)) stays(i, std::move(*reason));
  }

  for (std::size_t i = 0; i < rows.size(); ++i)
    if (selected[i] && !platform::namesExistingFile(rows[i].path)) result.rowsToRemove.push_back(i);
  if (!result.failures.empty()) result.notice = Notice::warning(failureNoticeText(moving, result.failures));
  return result;
}

std::string moveFailureText(const platform::MoveResult& move, const std::string& folder) {
  const std::string system = platform::systemErrorText(move.error);
  switch (move.failedStep) {
    case platform::MoveStep::Copy: return "it cannot be copied to " + folder + ": " + system;
    case platform::MoveStep::CheckCopy: return "its copy in " + folder + " came out at a different size";
    case platform::MoveStep::RemoveSource: return "it cannot be removed from its folder: " + system;
    case platform::MoveStep::Rename:
    case platform::MoveStep::None: break;
  }
  return system;
}
}  // namespace

RemovalResult deleteSelectedFiles(const std::vector<ResultRow>& rows, const std::vector<bool>& selected) {
  return removeSelected(rows, selected, false, [](std::size_t, const ResultRow& row) -> std::optional<std::string> {
    if (const int error = platform::removeFile(row.path); error != 0) return platform::systemErrorText(error);
    return std::nullopt;
  });
}

RemovalResult moveSelectedFiles(const std::vector<ResultRow>& rows, const std::vector<bool>& selected,
                                const std::string& folder) {
  std::vector<MovedFile> moved;
  RemovalResult result =
      removeSelected(rows, selected, true, [&](std::size_t i, const ResultRow& row) -> std::optional<std::string> {
        // Checked before every file: the folder may vanish while the action runs.
        if (const int error = platform::createFolderWithParents(folder); error != 0)
          return "the folder " + folder + " cannot be created: " + platform::systemErrorText(error);
        const std::string_view name = row.name();
        for (unsigned number = 1; number <= kLastNumber; ++number) {
          const std::string target =
              platform::joinPath(folder, number == 1 ? std::string(name) : numberedFileName(name, number));
          const platform::MoveResult move = platform::moveFileNoReplace(row.path, target);
          if (move.targetTaken()) continue;
          if (!move.ok()) return moveFailureText(move, folder);
          moved.push_back(MovedFile{i, target});
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
