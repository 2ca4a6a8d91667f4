#pragma once
// What each action does to one selected file once every check has passed: deletes it, moves it
// aside, puts it into the trash, links or clones it to its kept copy, or in a dry run only counts it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/folder_handle.h"
#include "platform/notice_text.h"
#include "platform/trash.h"
#include "results/file_removal.h"
#include "results/link_replacement.h"
#include "search/result_row.h"

namespace pelimor {

// A selected file found just now as the search saw it, in its opened folder, while its group still
// keeps the row `keeper` on disk.
struct CheckedFile {
  std::size_t row = 0;
  const ResultRow& found;
  const platform::FolderHandle& folder;
  const platform::FileStatus& status;
  std::size_t keeper = 0;
};

// What became of a checked file.
struct FileOutcome {
  std::optional<NoticeText> reason;  // why it stays
  bool alreadyGone = false;          // gone between the check and the action
  std::uint64_t freedBytes = 0;
  // Move and Trash: where it went (an empty path where the system does not tell), as it lies there.
  std::optional<platform::TrashedFile> landed;
  NoticeText attributeNote;  // Link: the owner, permissions or time it took over from its kept copy
  bool done() const { return !reason && !alreadyGone; }
};

// Asked right before a moved file's source goes: the reason it must stay, if any.
using LastCheck = std::function<std::optional<NoticeText>()>;

// Counts a file's bytes when its last name goes, and once however often it was listed.
class FreedBytes {
 public:
  explicit FreedBytes(bool dryRun) : dryRun_(dryRun) {}
  std::uint64_t nameRemoved(const platform::FileStatus& status);
  // Move and Trash count what they put aside, once per file. Trash asks from two threads.
  std::uint64_t movedAside(const platform::FileStatus& status);

 private:
  const bool dryRun_;
  // By device and inode: the names it had when first met, and how many of them we removed.
  std::map<std::pair<std::uint64_t, std::uint64_t>, std::pair<std::uint32_t, std::uint32_t>> files_;
  std::mutex lock_;
};

// The folder a moved file goes to: the removed-files folder, or below it the file's folder below
// its source folder when Move keeps folders.
std::string moveTargetOf(const ActionOptions& options, std::string_view path);

// Moves into the removed-files folder, never replacing: a taken name gets a number.
class Mover {
 public:
  explicit Mover(const ActionOptions& options) : options_(options) {}
  // `landed`: where the file went, looked at right after it went.
  std::optional<NoticeText> move(const ResultRow& row, const platform::FolderHandle& from, const LastCheck& keeperStill,
                                 platform::TrashedFile& landed);

 private:
  const ActionOptions& options_;
  platform::FolderHandle target_;
};

FileOutcome deleteOne(const CheckedFile& file, FreedBytes& freed);
FileOutcome moveOne(const CheckedFile& file, Mover& mover, const LastCheck& keeperStill, FreedBytes& freed);
FileOutcome trashOne(const CheckedFile& file, platform::Trash& trash, FreedBytes& freed);
FileOutcome linkOne(const CheckedFile& file, LinkReplacer& replacer, FreedBytes& freed);
FileOutcome cloneOne(const CheckedFile& file, LinkReplacer& replacer);
// Nothing changed: what `action` would free, and where Move and Trash would put the file.
FileOutcome dryRunOne(FileAction action, const CheckedFile& file, const ActionOptions& options, FreedBytes& freed);

}  // namespace pelimor
