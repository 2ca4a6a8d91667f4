#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <stdexcept>
#include <string>

#include "support/posix_only.h"

namespace pelimor::testing {

namespace fs = std::filesystem;

void makeSymlink(const std::string& target, const std::string& link) {
#ifdef _WIN32
  // The C++ library makes no links on Windows; the system's own call tells folder from file links.
  const bool folder = fs::is_directory(fs::path(link).parent_path() / fs::path(target));
  const DWORD flags = (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
  if (!::CreateSymbolicLinkW(fs::path(link).make_preferred().c_str(), fs::path(target).make_preferred().c_str(), flags))
    throw std::runtime_error("cannot make the link " + link);
#else
  fs::create_symlink(target, link);
#endif
}

bool canMakeSymlinks() {
#ifdef _WIN32
  static const bool can = [] {
    const fs::path link = fs::temp_directory_path() / ("pelimor-link-" + std::to_string(::GetCurrentProcessId()));
    try {
      makeSymlink(fs::temp_directory_path().string(), link.string());
    } catch (const std::exception&) {
      return false;
    }
    const bool made = ::GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES;
    ::RemoveDirectoryW(link.c_str());
    return made;
  }();
  return can;
#else
  return true;
#endif
}

}  // namespace pelimor::testing
