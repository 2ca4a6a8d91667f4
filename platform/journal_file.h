#pragma once
// The action journal's own file: only ever a regular file, never waited on, and added to by several
// processes at once under a lock they all honour.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/error_code.h"
#include "platform/native_handle.h"

namespace pelimor::platform {

// Whether a file held open can be replaced by another: POSIX renames over it, while Windows refuses
// while any handle is open, so a trim there closes the journal first.
#ifdef _WIN32
inline constexpr bool kReplacesOpenFiles = false;
#else
inline constexpr bool kReplacesOpenFiles = true;
#endif

class JournalFile {
 public:
  JournalFile() = default;
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;
  ~JournalFile() { close(); }

  // Opens the journal at `path` to read it and add to it; with `create`, makes it (private to this
  // user) when missing. A link is never followed (ELOOP), a pipe never waited on: anything but a
  // regular file is refused, EISDIR for a folder, EINVAL for a pipe, a device or a socket.
  std::error_code open(const std::string& path, bool create);
  bool isOpen() const { return handle_ != kNoHandle; }
  void close();

  // Takes the lock every journal writer takes, in this process or another, at once or not at all:
  // EWOULDBLOCK while another holds it.
  std::error_code tryLock();
  void unlock();
  // False once `path` no longer names the open file: another writer put a trimmed journal there.
  bool stillAt(const std::string& path) const;

  std::error_code size(std::uint64_t& size) const;
  ReadResult readAt(std::uint64_t offset, void* buffer, std::size_t length) const;
  // Adds `bytes` at the end, whole.
  std::error_code append(std::string_view bytes);

 private:
  NativeHandle handle_ = kNoHandle;
};

}  // namespace pelimor::platform
