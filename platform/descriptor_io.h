#pragma once
// Reads and writes on an open descriptor that retry interrupted and partial transfers.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <system_error>

#include "platform/error_code.h"
#include "platform/native_handle.h"

namespace pelimor::platform {

// One read of up to `length` bytes at `offset`.
ReadResult readOnceAt(NativeHandle descriptor, std::uint64_t offset, void* buffer, std::size_t length);
// Reads until `length` bytes or the end of the file.
ReadResult readFullyAt(NativeHandle descriptor, std::uint64_t offset, void* buffer, std::size_t length);

// Writes all of `bytes` at the current position; Failure::ShortWrite when the system took fewer
// bytes without an error.
std::error_code writeFully(NativeHandle descriptor, std::string_view bytes);

}  // namespace pelimor::platform
