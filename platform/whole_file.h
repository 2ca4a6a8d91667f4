#pragma once
// The two ways a settings file is touched: read once from the front, or replaced as a whole.
// Every function returns an error code so that each file can put its own texts on failures; the descriptors are closed
// by the destructors whatever happens.
#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

#include "platform/error_code.h"
#include "platform/file_status.h"
#include "platform/native_handle.h"

namespace pelimor::platform {

// True when a regular file (after following links) stands at the path.
bool settingsFileExists(const std::string& path);

// A settings file that exists, opened for one pass from the front.
class InputFile {
 public:
  enum class Access { Read, ReadWrite };

  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // ReadWrite refuses a file marked read-only (no write permission bit at all) with EACCES, as it
  // refuses a file this user may not write.
  std::error_code open(const std::string& path, Access access);
  void close();

  // Reads exactly `length` bytes. Returns false when the file ends first or a read fails; the bytes
  // that did arrive are in the buffer.
  bool readExact(void* buffer, std::size_t length);
  // Bytes between the position and the end the file had when it was opened.
  std::uint64_t remaining() const { return position_ < size_ ? size_ - position_ : 0; }

 private:
  // What every system checks of the file it opened: a regular file, writable when asked to be.
  // Keeps it open (0) or closes it (an errno value); `error` is the status call's own.
  int acceptOpened(int error, const FileStatus& status, Access access);

  NativeHandle descriptor_ = kNoHandle;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;
};

// Replaces a file only once its new content is complete: the content goes into a temporary file
// beside it, which is flushed to disk and then renamed over the old one. Until then, and whenever
// a step fails, the old file stays untouched; the temporary file never outlives this object.
class ReplacingFile {
 public:
  explicit ReplacingFile(std::string path);
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();

  // Creates the temporary file. Fails with EACCES when the file to replace is marked read-only
  // (no write permission bit) or not writable for this user, and with EISDIR for a folder.
  std::error_code create();
  // Writes every byte; a write that makes no progress counts as a full disk (ENOSPC).
  std::error_code write(const void* data, std::size_t length);
  // Flushes the content to disk and closes the temporary file.
  std::error_code finish();
  // Puts the finished content in place of the file.
  std::error_code replace();

 private:
  void discard();

  std::string path_;       // as given; a link is replaced through to its target
  std::string target_;     // the file actually replaced
  std::string temporary_;  // empty when there is none
  NativeHandle descriptor_ = kNoHandle;
};

}  // namespace pelimor::platform
