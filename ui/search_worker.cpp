#include "ui/search_worker.h"

#include <exception>

namespace pelimor {

SearchWorker::SearchWorker(SearchRequest request, SearchEngine engine, QObject* parent)
    : QObject(parent),
      request_(std::move(request)),
      engine_(engine ? std::move(engine) : SearchEngine(runDuplicateSearch)),
      job_([this] { run(); }) {
  connect(&job_, &BackgroundJob::finished, this, &SearchWorker::finished);
}

SearchWorker::~SearchWorker() { abortAndWait(); }

void SearchWorker::start() { job_.start(); }

void SearchWorker::run() {
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
    failure_ = tr("The search stopped on an unknown error");
  }
}

void SearchWorker::abortAndWait() {
  control_.abort();
  job_.wait();
}

}  // namespace pelimor
