#include "ui/search_worker.h"

#include <exception>

#include "platform/directory_reader.h"
#include "platform/io_error_text.h"

namespace pelimor {

namespace {
// Source folders that can't be opened now. The walk passes them over without a word, which
// would look like a folder without duplicates.
std::vector<SkippedFile> unopenableSources(const std::vector<std::string>& sources) {
  std::vector<SkippedFile> skipped;
  for (const std::string& source : sources) {
    if (source.empty()) continue;
    const platform::Directory folder = platform::Directory::open(source);
    if (!folder.isOpen()) skipped.push_back({source, platform::systemErrorText(folder.error())});
  }
  return skipped;
}
}  // namespace

SearchWorker::SearchWorker(SearchRequest request, SearchEngine engine, QObject* parent)
    : QObject(parent),
      request_(std::move(request)),
      engine_(engine ? std::move(engine) : SearchEngine(runDuplicateSearch)) {}

SearchWorker::~SearchWorker() { abortAndWait(); }

void SearchWorker::start() {
  running_ = true;
  thread_ = std::thread([this] {
    try {
      std::vector<SkippedFile> unopenable = unopenableSources(request_.sourceFolders);
      result_ = engine_(request_, progress_, control_);
      result_.skippedFolders.insert(result_.skippedFolders.begin(), std::make_move_iterator(unopenable.begin()),
                                    std::make_move_iterator(unopenable.end()));
    } catch (const std::exception& error) {
      // Nothing half-grouped may reach the list.
      result_ = SearchResult{};
      failure_ = QString::fromLocal8Bit(error.what());
    } catch (...) {
      result_ = SearchResult{};
      failure_ = QStringLiteral("The search stopped on an unknown error");
    }
    // Queued to this object's thread; dropped if the object is gone by then.
    QMetaObject::invokeMethod(this, &SearchWorker::threadEnded, Qt::QueuedConnection);
  });
}

void SearchWorker::threadEnded() {
  if (thread_.joinable()) thread_.join();
  if (!running_) return;  // aborted meanwhile: nobody wants this result
  running_ = false;
  emit finished();
}

void SearchWorker::abortAndWait() {
  control_.abort();
  if (thread_.joinable()) thread_.join();
  running_ = false;
}

}  // namespace pelimor
