#include "platform/storage_device.h"

namespace pelimor::platform {

// Each volume is read on its own; Windows is not asked what lies below it.
StorageDevice storageDeviceOf(std::uint64_t fileSystemDevice, const std::string& fileSystemType) {
  StorageDevice found;
  found.key = fileSystemDevice;
  found.name = fileSystemType;
  found.remote = isRemoteFileSystemType(fileSystemType);
  return found;
}

}  // namespace pelimor::platform
