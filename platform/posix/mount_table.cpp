#include "platform/mount_table.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace pelimor::platform {

namespace {
// The kernel writes space, tab, line feed and backslash in paths as \ and three octal digits.
std::string unescaped(const std::string& field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const bool octal = field[i] == '\\' && i + 3 < field.size() &&
                       field.substr(i + 1, 3).find_first_not_of("01234567") == std::string::npos;
    if (octal) {
      text.push_back(static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8)));
      i += 3;
    } else {
      text.push_back(field[i]);
    }
  }
  return text;
}
}  // namespace

std::vector<MountedFileSystem> mountedFileSystems() {
  std::vector<MountedFileSystem> mounts;
  // Each line: id parent major:minor root mount-point options [optional fields] - type source ...
  std::ifstream table("/proc/self/mountinfo");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string id, parent, numbers, root, mountPoint, field;
    fields >> id >> parent >> numbers >> root >> mountPoint;
    while (fields >> field && field != "-") {
    }
    MountedFileSystem mount;
    fields >> mount.type >> mount.source;
    unsigned major = 0, minor = 0;
    if (mount.type.empty() || std::sscanf(numbers.c_str(), "%u:%u", &major, &minor) != 2) continue;
    mount.device = makedev(major, minor);
    mount.root = unescaped(root);
    mount.mountPoint = unescaped(mountPoint);
    mount.source = unescaped(mount.source);
    mounts.push_back(std::move(mount));
  }
  return mounts;
}

std::uint64_t deviceNodeNumber(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return 0;
  return info.st_rdev;
}

}  // namespace pelimor::platform
