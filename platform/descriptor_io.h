#pragma once
// Reads and writes on an open descriptor that retry interrupted and partial transfers.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/error_code.h"
#include "platform/native_handle.h"

namespace pelimor::platform {

// One read of up to `length` bytes at `offset`. Bytes read, or -errno.
std::int64_t readOnceAt(NativeHandle descriptor, std::uint64_t offset, void* buffer, std::size_t length);
// Reads until `length` bytes or the end of the file. Bytes read, or -errno.
std::int64_t readFullyAt(NativeHandle descriptor, std::uint64_t offset, void* buffer, std::size_t length);

// A count or -errno from the reads above, as a read's result.
inline ReadResult readResultOf(std::int64_t got) {
  if (got < 0) return {0, errnoCode(static_cast<int>(-got))};
  return {static_cast<std::size_t>(got), {}};
}

inline constexpr int kShortWrite = -1;
// Writes all of `bytes` at the current position: 0, an errno value, or kShortWrite when the system
// took fewer bytes without an error.
int writeFully(NativeHandle descriptor, std::string_view bytes);

// writeFully's answer as an error code: kShortWrite becomes Failure::ShortWrite.
inline std::error_code writeResultOf(int written) {
  return written == kShortWrite ? make_error_code(Failure::ShortWrite) : errnoCode(written);
}

}  // namespace pelimor::platform
