#include "platform/descriptor_io.h"

#include <unistd.h>

#include <cerrno>

namespace pelimor::platform {

std::int64_t readOnceAt(int descriptor, std::uint64_t offset, void* buffer, std::size_t length) {
  for (;;) {
    const ssize_t got = pread(descriptor, buffer, length, static_cast<off_t>(offset));
    if (got >= 0) return got;
    if (errno != EINTR) return -static_cast<std::int64_t>(errno);
  }
}

int writeFully(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(descriptor, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (put == 0) return kShortWrite;
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return 0;
}

}  // namespace pelimor::platform
