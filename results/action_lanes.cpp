#include "results/action_lanes.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/trash.h"

namespace pelimor {

namespace {
// Below this the second thread costs more than it saves.
constexpr std::size_t kFilesForTwoLanes = 256;
}  // namespace

std::size_t actionLaneCount(std::size_t files) {
  return files >= kFilesForTwoLanes && platform::kTrashFromTwoThreads ? 2 : 1;
}

void runInLanes(std::size_t count, std::size_t lanes, const std::function<std::string_view(std::size_t)>& folderOf,
                const std::function<bool(std::size_t lane, std::size_t k)>& work) {
  std::vector<std::size_t> runs;  // where each folder's files start
  for (std::size_t k = 0; k < count; ++k)
    if (k == 0 || folderOf(k) != folderOf(k - 1)) runs.push_back(k);
  runs.push_back(count);
  std::atomic<std::size_t> nextRun{0};
  std::atomic<bool> stop{false};
  std::mutex failureLock;
  std::exception_ptr failure;
  const auto lane = [&](std::size_t number) {
    try {
      for (std::size_t run = nextRun++; run + 1 < runs.size(); run = nextRun++) {
        for (std::size_t k = runs[run]; k < runs[run + 1]; ++k) {
          if (stop.load(std::memory_order_relaxed)) return;
          if (!work(number, k)) stop = true;
        }
      }
    } catch (...) {
      stop = true;
      const std::lock_guard<std::mutex> hold(failureLock);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> others;
  for (std::size_t number = 1; number < lanes; ++number) others.emplace_back(lane, number);
  lane(0);
  for (std::thread& other : others) other.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace pelimor
