#pragma once
// How finely a file system keeps its files' times, and the clock they are compared with. A file
// rewritten within one tick of its file system's clock may keep every time it had, so what was
// read of it shortly before is not proof of what it holds now.
#include <cstdint>
#include <string>

#include "platform/folder_handle.h"

namespace pelimor::platform {

// Assumed where the file system does not tell: FAT keeps two seconds, network shares often one.
inline constexpr std::int64_t kCoarseTimeStep = 2'000'000'000;

// Nanoseconds between the change times the file system of the open `folder` can tell apart: a few
// milliseconds where it keeps nanoseconds (the kernel stamps them from a clock that ticks that
// often), a second or two where it keeps less, kCoarseTimeStep when it can't be told.
std::int64_t changeTimeStep(const FolderHandle& folder);

// The wall clock, as nanoseconds since 1970, as file times are.
std::int64_t wallClockNanoseconds();

// The local time of `nanoseconds` (as wallClockNanoseconds) as "2026-12-08T13:01:02".
std::string localTimeText(std::int64_t nanoseconds);

// The local time now, as localTimeText gives it, made anew only when the second changes: for
// records written by the thousand.
class LocalClockText {
 public:
  const std::string& now() {
    const std::int64_t second = wallClockNanoseconds() / 1'000'000'000;
    if (second != second_) {
      second_ = second;
      text_ = localTimeText(second * 1'000'000'000);
    }
    return text_;
  }

 private:
  std::int64_t second_ = -1;
  std::string text_;
};

}  // namespace pelimor::platform
