#pragma once
// One search on a thread of its own. The thread sees only the request, the progress counters and
// the stop flags; it never touches a widget. Its end is announced on the thread that owns this
// object, through finished().
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <thread>

#include "search/duplicate_search.h"
#include "ui/background_job.h"

namespace pelimor {

// What runs on the worker thread; runDuplicateSearch unless someone puts another in its place.
using SearchEngine = std::function<SearchResult(const SearchRequest&, SearchProgress&, const SearchControl&)>;

class SearchWorker : public QObject {
  Q_OBJECT

 public:
  SearchWorker(SearchRequest request, SearchEngine engine, QObject* parent = nullptr);
  ~SearchWorker() override;  // stops the search hard and waits for the thread

  void start();
  // Stops the walk; what was found so far is still grouped and delivered.
  void cancel() { control_.cancel(); }
  // Stops everything and waits for the thread; the result is thrown away and finished() never comes.
  void abortAndWait();

  // True from start() until finished() has been emitted (or the search was aborted).
  bool isRunning() const { return job_.isRunning(); }
  bool isCancelled() const { return control_.cancelled(); }
  bool wasAborted() const { return control_.aborted(); }
  const SearchProgress& progress() const { return progress_; }

  // After finished(): the result, and the text of an error that ended the search early (empty when none).
  SearchResult takeResult() { return std::move(result_); }
  const QString& failureText() const { return failure_; }
  // The checksum cache being saved after the search, if it is; what it warns of comes when it is done.
  const std::shared_ptr<CacheWriting>& cacheWriting() const { return cacheWriting_; }

 signals:
  void finished();

 private:
  void run();

  SearchRequest request_;
  SearchEngine engine_;
  SearchProgress progress_;
  SearchControl control_;
  SearchResult result_;                         // written by the thread, read after it is joined
  std::shared_ptr<CacheWriting> cacheWriting_;  // waited for when this worker goes
  QString failure_;
  BackgroundJob job_;
};

}  // namespace pelimor
