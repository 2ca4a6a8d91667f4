#include "results/folder_selection.h"

#include <stdexcept>

#include "results/safe_selection.h"

namespace pelimor {

std::vector<ResultRow> twinRows(const std::vector<FolderGroup>& groups) {
  std::vector<ResultRow> twins;
  for (const FolderGroup& group : groups) {
    for (const TwinFolder& folder : group.folders) {
      ResultRow& twin = twins.emplace_back();
      twin.group = group.number;
      twin.path = folder.path;
      twin.size = group.bytes;
      twin.identity.folder = folder.parent;
      twin.identity.device = folder.identity.device;
      twin.identity.inode = folder.identity.inode;
    }
  }
  return twins;
}

void selectFilesOfTwins(const std::vector<ResultRow>& rows, std::vector<bool>& selected,
                        const std::vector<ResultRow>& twins, const std::vector<bool>& chosen) {
  if (chosen.size() != twins.size()) throw std::invalid_argument("selectFilesOfTwins: one flag per twin");
  std::vector<platform::FolderId> folders;
  for (std::size_t i = 0; i < twins.size(); ++i)
    if (chosen[i]) folders.push_back(platform::FolderId{twins[i].identity.device, twins[i].identity.inode});
  if (!folders.empty()) selectInFolders(rows, selected, folders, true);
}

}  // namespace pelimor
