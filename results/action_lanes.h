#pragma once
// Spreads the files of a long action over two threads, a whole folder at a time: on a local disk
// most of an action's time is the kernel's, which then works for both. Two threads never work in
// the same folder, so each keeps its own folder handles, and a folder's files stay in their order.
#include <cstddef>
#include <functional>
#include <string_view>

namespace pelimor {

// How many threads an action of `files` files takes: one for a short action, which the second
// thread would only slow down.
std::size_t actionLaneCount(std::size_t files);

// Calls `work(lane, k)` for each k below `count`, lane < `lanes`, where `folderOf(k)` is the folder
// of the k-th file and each folder's files follow each other. Stops every lane before its next file
// once `work` returns false; an exception thrown in a lane is thrown here once both have stopped.
void runInLanes(std::size_t count, std::size_t lanes, const std::function<std::string_view(std::size_t)>& folderOf,
                const std::function<bool(std::size_t lane, std::size_t k)>& work);

}  // namespace pelimor
