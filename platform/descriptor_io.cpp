#include "platform/descriptor_io.h"

// The loop over single reads is the same on every system; the reads are not.
namespace pelimor::platform {

std::int64_t readFullyAt(NativeHandle descriptor, std::uint64_t offset, void* buffer, std::size_t length) {
  auto* bytes = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    const std::int64_t got = readOnceAt(descriptor, offset + done, bytes + done, length - done);
    if (got < 0) return got;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<std::int64_t>(done);
}

}  // namespace pelimor::platform
