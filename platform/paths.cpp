#include "platform/paths.h"

#include <algorithm>

namespace pelimor::platform {

namespace {
// How much of the path names its root: "/" here; on Windows a drive ("C:/") or a share
// ("//server/share/"). 0 for a relative path.
std::size_t rootLength(std::string_view path) {
#ifdef _WIN32
  if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && path[2] == kSeparator ? 3 : 2;
  if (path.starts_with("//")) {
    const auto server = path.find(kSeparator, 2);
    const auto share = server == std::string_view::npos ? server : path.find(kSeparator, server + 1);
    return share == std::string_view::npos ? path.size() : share + 1;
  }
#endif
  return path.starts_with(kSeparator) ? 1 : 0;
}
}  // namespace

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
  const std::size_t root = rootLength(path);
  return path.substr(0, slash < root ? root : slash);
}

std::string folderPartOf(std::string_view path) { return std::string(folderPartView(path)); }

std::string_view fileNameOf(std::string_view path) {
  const auto slash = path.rfind(kSeparator);
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string normalizedFolder(std::string_view folder) {
  std::string text(folder);
#ifdef _WIN32
  // The user may write either separator; the program keeps one.
  for (char& c : text)
    if (c == '\\') c = kSeparator;
#endif
  const std::size_t keep = std::max<std::size_t>(1, rootLength(text));
  while (text.size() > keep && text.back() == kSeparator) text.pop_back();
  return text;
}

std::string shownPath(std::string_view path) {
  std::string shown(path);
#ifdef _WIN32
  for (char& c : shown) {
    if (c == kSeparator) c = '\\';
  }
#endif
  return shown;
}

namespace {
bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}
}  // namespace

std::string numberedFileName(std::string_view name, unsigned number) {
  std::size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string_view::npos) dot = name.size();
  // "x.tar.gz" is one kind of file; its number goes before both parts.
  constexpr std::string_view kTar = ".tar";
  if (dot < name.size() && dot > kTar.size()) {
    const std::string_view before = name.substr(dot - kTar.size(), kTar.size());
    if (sameIgnoringAsciiCase(before, kTar)) dot -= kTar.size();
  }
  std::string numbered(name.substr(0, dot));
  numbered += " (" + std::to_string(number) + ")";
  numbered += name.substr(dot);
  return numbered;
}

}  // namespace pelimor::platform
