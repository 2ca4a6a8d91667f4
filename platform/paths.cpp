#include "platform/paths.h"

namespace pelimor::platform {

void appendToPath(std::string& path, std::string_view name) {
  if (path.empty() || path.back() != kSeparator) path.push_back(kSeparator);
  path.append(name);
}

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  appendToPath(joined, name);
  return joined;
}

std::string_view folderPartView(std::string_view path) {
  const auto slash = path.rfind(kSeparator);
  if (slash == std::string_view::npos) return {};
  return path.substr(0, slash == 0 ? 1 : slash);
}

std::string folderPartOf(std::string_view path) { return std::string(folderPartView(path)); }

std::string_view fileNameOf(std::string_view path) {
  const auto slash = path.rfind(kSeparator);
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string normalizedFolder(std::string_view folder) {
  while (folder.size() > 1 && folder.back() == kSeparator) folder.remove_suffix(1);
  return std::string(folder);
}

}  // namespace pelimor::platform
