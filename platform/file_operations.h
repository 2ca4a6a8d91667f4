#pragma once
// The system calls that Delete, Move and the report make on the user's files.
#include <cstdint>
#include <string>
#include <string_view>

namespace pelimor::platform {

// Removes a file outright. Its own permission bits do not matter, only its folder's. 0 or an errno value.
int removeFile(const std::string& path);

// True when `path` names something other than a folder (links followed).
bool namesExistingFile(const std::string& path);

enum class MoveStep : std::uint8_t {
  None,
  Rename,       // the rename within one file system (or its link-and-unlink stand-in)
  Copy,         // creating or filling the copy on the other file system
  CheckCopy,    // the finished copy does not have the source's size
  RemoveSource  // the copy was made but the source could not be removed
};

struct MoveResult {
  int error = 0;  // errno value; 0 when the file was moved
  MoveStep failedStep = MoveStep::None;
  bool copied = false;  // it went (or was to go) by copy, across file systems
  bool ok() const { return error == 0; }
  // The target name was taken; nothing was changed.
  bool targetTaken() const;
};

// Moves a regular file to `target` without ever replacing anything there. On one file system an
// atomic rename; across file systems a copy that keeps permission bits and modification time, whose
// size is checked before the source is removed. On failure the source stays and no copy is left.
MoveResult moveFileNoReplace(const std::string& source, const std::string& target);

// The no-replace rename for file systems without one: a hard link, which fails with EEXIST on a
// taken name, then removal of the old name (undoing the link when that fails). 0 or an errno value.
int linkThenUnlink(const std::string& source, const std::string& target);

// A file created anew (replacing an old one) and written front to back.
class OutputFile {
 public:
  static constexpr int kShortWrite = -1;

  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // 0 or an errno value.
  int create(const std::string& path);
  // All of `bytes`: 0, an errno value, or kShortWrite when the system took fewer bytes without an error.
  int write(std::string_view bytes);
  // 0 or an errno value.
  int close();

 private:
  int descriptor_ = -1;
};

}  // namespace pelimor::platform
