#include "platform/descriptor_io.h"

#include <algorithm>

#include "platform/win32/wide_paths.h"

namespace pelimor::platform {

using namespace win32;

namespace {
// ReadFile and WriteFile take at most a DWORD of bytes at once.
constexpr std::size_t kLargestTransfer = 1u << 30;
}  // namespace

ReadResult readOnceAt(NativeHandle descriptor, std::uint64_t offset, void* buffer, std::size_t length) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (::ReadFile(handleOf(descriptor), buffer, static_cast<DWORD>(std::min(length, kLargestTransfer)), &got, &at))
    return {got, {}};
  const DWORD error = ::GetLastError();
  return {0, errnoCode(error == ERROR_HANDLE_EOF ? 0 : errnoOf(error))};
}

std::error_code writeFully(NativeHandle descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD put = 0;
    if (!::WriteFile(handleOf(descriptor), bytes.data(), static_cast<DWORD>(std::min(bytes.size(), kLargestTransfer)),
                     &put, nullptr))
      return lastError();
    if (put == 0) return Failure::ShortWrite;
    bytes.remove_prefix(put);
  }
  return {};
}

}  // namespace pelimor::platform
