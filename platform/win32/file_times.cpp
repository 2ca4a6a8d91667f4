#include "platform/file_times.h"

#include <windows.h>

#include <ctime>

namespace pelimor::platform {

// NTFS stamps times finely but may set them late (when a handle closes), FAT keeps two seconds,
// shares what their server keeps: the coarse case throughout is the safe one.
std::int64_t changeTimeStep(const FolderHandle&) { return kCoarseTimeStep; }

std::int64_t wallClockNanoseconds() {
  FILETIME now{};
  ::GetSystemTimePreciseAsFileTime(&now);
  const std::int64_t ticks = (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  constexpr std::int64_t kTicksTo1970 = 116444736000000000;
  return (ticks - kTicksTo1970) * 100;
}

std::string localTimeText(std::int64_t nanoseconds) {
  const __time64_t seconds = nanoseconds / 1'000'000'000;
  tm local{};
  char text[32] = "";
  if (_localtime64_s(&local, &seconds) == 0) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

}  // namespace pelimor::platform
