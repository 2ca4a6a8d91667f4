#pragma once
// Replacing a selected file by its group's kept file: a hard link in its place, or shared disk blocks.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/folder_handle.h"
#include "results/file_check.h"
#include "search/result_row.h"

namespace pelimor {

class LinkReplacer {
 public:
  explicit LinkReplacer(const std::vector<ResultRow>& rows) : rows_(rows) {}

  // Puts a hard link to the kept file under a temporary name beside the checked file `row` (in
  // `folder`, found there as `status`), checks both files once more, then renames the link over
  // the file: its path is never missing. The reason when it stays; `attributeNote` is set when
  // the file's owner, permissions or modification time were not the kept file's.
  std::optional<NoticeText> link(const ResultRow& row, const platform::FolderHandle& folder,
                                 const platform::FileStatus& status, std::size_t keeper, NoticeText& attributeNote);
  // Makes the checked file share the kept file's blocks; the kernel compares the bytes.
  std::optional<NoticeText> clone(const ResultRow& row, const platform::FolderHandle& folder, std::size_t keeper);

 private:
  // Finds the kept file unchanged but for what our own links did to it; its reason otherwise.
  std::optional<NoticeText> checkKeeper(std::size_t keeper);

  const std::vector<ResultRow>& rows_;
  FileCheck keeperCheck_;
  // A hard link changes the linked file's change time: the time each kept row has since our links.
  std::unordered_map<std::size_t, std::int64_t> keeperChangedSince_;
};

}  // namespace pelimor
