#include "search/search_progress.h"

namespace pelimor {

std::string SearchProgress::currentFolder() const { return folder_.read(); }

void SearchProgress::setCurrentFolder(std::string_view folder) { folder_.publish(folder); }

void SearchProgress::reset() {
  setPhase(SearchPhase::Idle);
  filesSeen_.store(0);
  candidates_.store(0);
  bytesToRead_.store(0);
  bytesRead_.store(0);
  setCurrentFolder({});
}

}  // namespace pelimor
