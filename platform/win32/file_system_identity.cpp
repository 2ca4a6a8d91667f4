#include "platform/file_system_identity.h"

#include <algorithm>
#include <cstdio>

#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

// A volume is known by its serial number, which is also the device of its files' status: it
// stays as it is across boots and drive letters.
std::vector<FileSystemIdentity> fileSystemIdentities() {
  std::vector<FileSystemIdentity> identities;
  const DWORD drives = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if (!(drives & (1u << letter))) continue;
    const wchar_t root[] = {L'\\', L'\\', L'?', L'\\', static_cast<wchar_t>(L'A' + letter), L':', L'\\', L'\0'};
    const UINT type = ::GetDriveTypeW(root + 4);
    if (type == DRIVE_REMOTE || type == DRIVE_NO_ROOT_DIR) continue;  // a share's serial need not be its own
    FileStatus status;
    if (statusOfSystemPath(root, true, status) != 0) continue;
    const auto known = [&](const FileSystemIdentity& identity) { return identity.device == status.device; };
    if (std::any_of(identities.begin(), identities.end(), known)) continue;
    char number[24];
    std::snprintf(number, sizeof number, "%016llX", static_cast<unsigned long long>(status.device));
    identities.push_back(FileSystemIdentity{status.device, std::string("volume ") + number});
  }
  return identities;
}

}  // namespace pelimor::platform
