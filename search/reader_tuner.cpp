#include "search/reader_tuner.h"

#include <algorithm>

namespace pelimor {

ReaderTuner::ReaderTuner(const Start& start)
    : readers_(std::clamp(start.first, 1u, std::max(start.most, 1u))),
      most_(std::max(start.most, 1u)),
      moreKeptAbove_(start.moreKeptAbove),
      firstHold_(std::max(start.firstHold, 1u)),
      longestHold_(std::max(start.longestHold, firstHold_)),
      nextHold_(firstHold_) {
  // Unsettled, the first window measures the guess and the next ones try more.
  if (start.settled) hold(readers_);
}

void ReaderTuner::hold(unsigned readers) {
  readers_ = readers;
  compared_ = 0;
  holdWindows_ = nextHold_;
  sum_ = 0;
  windows_ = 0;
}

void ReaderTuner::tryReaders(unsigned readers, double against) {
  compared_ = readers_;
  comparedThroughput_ = against;
  readers_ = readers;
  sum_ = 0;
  windows_ = 0;
}

unsigned ReaderTuner::next(double throughput) {
  sum_ += throughput;
  ++windows_;
  if (compared_ != 0) {
    if (windows_ >= kTryWindows) judgeTry(sum_ / windows_);
    return readers_;
  }
  if (holdWindows_ > 1) {
    --holdWindows_;
    return readers_;
  }
  // Time for a try, up and down by turns, against the mean of the windows held: what is read may
  // have changed since the last try.
  const bool up = readers_ < most_ && (nextTryUp_ || readers_ == 1);
  nextTryUp_ = !nextTryUp_;
  if (!up && readers_ == 1) {
    hold(1);
    return readers_;
  }
  tryReaders(up ? std::min(readers_ * 2, most_) : readers_ / 2, sum_ / windows_);
  return readers_;
}

void ReaderTuner::judgeTry(double throughput) {
  if (readers_ > compared_) {
    if (throughput >= moreKeptAbove_ * comparedThroughput_) {
      // Worth it: more again while there is room.
      nextHold_ = firstHold_;
      if (readers_ < most_) {
        tryReaders(std::min(readers_ * 2, most_), throughput);
        return;
      }
      hold(readers_);
      return;
    }
    if (compared_ == 1) foundSeeking_ = true;
    nextHold_ = std::min(nextHold_ * 2, longestHold_);
    hold(compared_);
    return;
  }
  if (throughput >= kFewerKeptAbove * comparedThroughput_) {
    if (readers_ == 1) foundSeeking_ = true;
    hold(readers_);
    return;
  }
  nextHold_ = std::min(nextHold_ * 2, longestHold_);
  hold(compared_);
}

}  // namespace pelimor
