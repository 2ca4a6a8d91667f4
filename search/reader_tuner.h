#pragma once
// How many readers one disk deserves, found by measuring: start with a guess, double while the
// throughput grows, go back when it does not, and try again now and then, less often each time a
// try fails. A disk that is fastest with one reader seeks: its reads then go in the disk's order.
namespace pelimor {

class ReaderTuner {
 public:
  // One step down is kept when it loses less than this.
  static constexpr double kFewerKeptAbove = 0.95;
  // Windows a try is measured over, averaged: what is read changes from window to window.
  static constexpr unsigned kTryWindows = 2;

  struct Start {
    unsigned first = 1;
    unsigned most = 16;
    // `first` was found by an earlier tuner, so it is held before anything is tried.
    bool settled = false;
    // A try of more readers is kept when it brings this much more. A disk known to seek asks
    // more: its throughput swings with where its files lie, and a wrong step costs it dearly.
    double moreKeptAbove = 1.10;
    unsigned firstHold = 4;     // windows held before the first try after settling
    unsigned longestHold = 64;  // the most windows held between tries
  };
  explicit ReaderTuner(const Start& start);

  unsigned readers() const { return readers_; }
  // Takes the throughput (work per second) of the window just ended, read with readers(), and
  // returns the readers for the next window.
  unsigned next(double throughput);
  // True once two readers were tried and one was as fast.
  bool foundSeeking() const { return foundSeeking_; }

 private:
  void hold(unsigned readers);
  void tryReaders(unsigned readers, double against);
  void judgeTry(double throughput);

  unsigned readers_;
  unsigned most_;
  double moreKeptAbove_;
  unsigned firstHold_;
  unsigned longestHold_;
  // The readers and mean throughput a try is judged against; 0 readers while holding.
  unsigned compared_ = 0;
  double comparedThroughput_ = 0;
  double sum_ = 0;  // of the windows of this try or this hold
  unsigned windows_ = 0;
  unsigned holdWindows_ = 0;  // windows left before the next try
  unsigned nextHold_;         // doubled after each failed try
  bool nextTryUp_ = true;
  bool foundSeeking_ = false;
};

}  // namespace pelimor
