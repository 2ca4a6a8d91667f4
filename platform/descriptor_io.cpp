#include "platform/descriptor_io.h"

// The loop over single reads is the same on every system; the reads are not.
namespace pelimor::platform {

ReadResult readFullyAt(NativeHandle descriptor, std::uint64_t offset, void* buffer, std::size_t length) {
  auto* bytes = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < length) {
    const ReadResult got = readOnceAt(descriptor, offset + done, bytes + done, length - done);
    if (got.error) return got;
    if (got.bytes == 0) break;
    done += got.bytes;
  }
  return {done, {}};
}

}  // namespace pelimor::platform
