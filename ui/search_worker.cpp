#include "ui/search_worker.h"

#include <exception>

namespace pelimor {

SearchWorker::SearchWorker(SearchRequest request, SearchEngine engine, QObject* parent)
    : QObject(parent),
      request_(std::move(request)),
      engine_(engine ? std::move(engine) : SearchEngine(runDuplicateSearch)) {}

SearchWorker::~SearchWorker() { abortAndWait(); }

void SearchWorker::start() {
  running_ = true;
  thread_ = std::thread([this] {
    try {
      result_ = engine_(request_, progress_, control_);
      // The checksum cache goes on being written while the window shows the rows.
      cacheWriting_ = std::move(result_.cacheWriting);
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
