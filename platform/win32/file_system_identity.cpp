#include "platform/file_system_identity.h"

#include <algorithm>
#include <cstdio>

#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

// A volume is known by its serial number, which is also the device of its files' status, and by
// its file system's name; both stay as they are across boots and drive letters.
std::vector<FileSystemIdentity> fileSystemIdentities() {
  std::vector<FileSystemIdentity> identities;
  const DWORD drives = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if (!(drives & (1u << letter))) continue;
    const wchar_t root[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\\', L'\0'};
    const UINT type = ::GetDriveTypeW(root);
    if (type == DRIVE_REMOTE || type == DRIVE_NO_ROOT_DIR) continue;  // a share's serial need not be its own
    DWORD serial = 0;
    wchar_t fileSystem[MAX_PATH + 1] = {};
    if (!::GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, fileSystem, MAX_PATH)) continue;
    const auto known = [&](const FileSystemIdentity& identity) { return identity.device == serial; };
    if (std::any_of(identities.begin(), identities.end(), known)) continue;
    char number[16];
    std::snprintf(number, sizeof number, "%08lX", static_cast<unsigned long>(serial));
    identities.push_back(FileSystemIdentity{serial, std::string("volume ") + number + '\0' + utf8Text(fileSystem)});
  }
  return identities;
}

}  // namespace pelimor::platform
