#include "platform/folder_handle.h"

#include <algorithm>
#include <cerrno>

#include "platform/paths.h"

namespace pelimor::platform {

// The walk is the same everywhere; where the root ends, and how a folder is opened or made
// without following a link, is each system's own.
std::error_code FolderHandle::openPathNoLinks(const std::string& path, bool* made) {
  if (made) *made = false;
  const std::string folder = normalizedFolder(path);
  const std::size_t root = rootLength(folder);
  if (root == 0) return errnoCode(EINVAL);
  std::error_code error = open(folder.substr(0, root));
  for (std::size_t start = root; !error && start < folder.size();) {
    const std::size_t end = std::min(folder.find(kSeparator, start), folder.size());
    const std::string name = folder.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    if (made) *made = false;
    error = openChildNoLink(*this, name);
    if (error == std::errc::no_such_file_or_directory && made) {
      error = makeChildFolder(name);
      *made = !error;
      // Made meanwhile by someone else: opened as found, without following a link either.
      if (!error || error == std::errc::file_exists) error = openChildNoLink(*this, name);
    }
  }
  if (error) close();
  return error;
}

}  // namespace pelimor::platform
