#include "search/disk_readers.h"

#include <algorithm>

namespace pelimor {

namespace {
// A window of measuring lasts at least this long, and sees at least kFilesPerReader files a reader.
constexpr auto kWindow = std::chrono::milliseconds(50);
constexpr std::size_t kFilesPerReader = 4;
// Opening a file costs about as much as reading this many bytes: a small file's worth.
constexpr std::uint64_t kWorkPerFile = std::uint64_t{16} * 1024;
// Files handed out at once when many read: fewer trips to the lock.
constexpr std::size_t kRun = 8;
}  // namespace

DiskPool::DiskPool(DiskReading& disk, std::size_t items, unsigned fixedReaders, const SearchControl& control)
    : disk_(disk),
      control_(control),
      size_(items),
      tuned_(fixedReaders == 0),
      tuner_(disk.tunerStart()),
      threads_(tuned_ ? disk.mostReaders() : fixedReaders),
      allowed_(tuned_ ? tuner_.readers() : fixedReaders),
      reorderDue_(disk.seeking() == Seeking::Yes),
      windowStart_(std::chrono::steady_clock::now()) {
  threads_ = static_cast<unsigned>(std::min<std::size_t>(threads_, std::max<std::size_t>(items, 1)));
}

DiskPool::Turn DiskPool::take(unsigned reader, std::size_t& begin, std::size_t& end) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (next_ >= size_ || control_.aborted()) {
      changed_.notify_all();
      return Turn::Finished;
    }
    if (reader < allowed_ && !reordering_) break;
    // Woken by a change of readers; a stop is seen within a wait.
    changed_.wait_for(lock, kWindow);
  }
  if (reorderDue_) {
    reorderDue_ = false;
    reordering_ = true;
    begin = next_;
    end = size_;
    return Turn::PutInDiskOrder;
  }
  begin = next_;
  end = std::min(size_, next_ + (allowed_ <= 2 ? 1 : kRun));
  next_ = end;
  return Turn::Read;
}

void DiskPool::reordered() {
  std::lock_guard lock(mutex_);
  reordering_ = false;
  // Putting the files in order took time the window should not count.
  windowStart_ = std::chrono::steady_clock::now();
  windowWork_ = 0;
  windowFiles_ = 0;
  changed_.notify_all();
}

void DiskPool::done(std::size_t files, std::uint64_t bytes) {
  std::lock_guard lock(mutex_);
  windowWork_ += bytes + kWorkPerFile * files;
  windowFiles_ += files;
  if (!tuned_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - windowStart_ >= kWindow && windowFiles_ >= kFilesPerReader * allowed_) closeWindow(now);
}

void DiskPool::closeWindow(std::chrono::steady_clock::time_point now) {
  const double seconds = std::chrono::duration<double>(now - windowStart_).count();
  const unsigned before = allowed_;
  allowed_ = tuner_.next(static_cast<double>(windowWork_) / seconds);
  disk_.settleReaders(allowed_);
  if (tuner_.foundSeeking() && disk_.seeking() != Seeking::Yes) {
    disk_.setSeeking(Seeking::Yes);
    reorderDue_ = true;
  } else if (allowed_ > 1 && before > 1 && disk_.seeking() == Seeking::Unknown) {
    disk_.setSeeking(Seeking::No);
  }
  windowStart_ = now;
  windowWork_ = 0;
  windowFiles_ = 0;
  if (allowed_ > before) changed_.notify_all();
}

}  // namespace pelimor
